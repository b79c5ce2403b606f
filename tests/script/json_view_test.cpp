#include <gtest/gtest.h>
#include "script/json_view.h"
TEST(JsonView, Smoke) {
  quillet::JsonView v;
  EXPECT_TRUE(v.load(R"({"ret":"0","modRet":{"sMsg":"ok"},"a":[1,2,{"type":-105}]})"));
  EXPECT_EQ(v.get_text("modRet.sMsg"), "ok");
  EXPECT_EQ(v.get_text("a[2].type"), "-105");
  EXPECT_EQ(v.count("a"), 3);
}
