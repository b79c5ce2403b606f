#include "text/gbk.h"

#include <gtest/gtest.h>

#include "tests/support/gbk_literal.h"

namespace quillet {
namespace {

TEST(Gbk, RoundTripsChineseThroughUtf8AndUtf16) {
    const std::string gbk_text = "\xC1\xEC\xC8\xA1";  // 领取
    EXPECT_EQ(utf8_to_gbk("领取"), gbk_text);
    EXPECT_EQ(gbk_to_utf8(gbk_text), "领取");
    std::string utf16 = gbk_to_utf16(gbk_text);
    EXPECT_EQ(utf16, std::string("\x86\x98\xD6\x53\0\0", 6));
    EXPECT_EQ(gbk_to_utf16(gbk_text, true).size(), 4u);
    EXPECT_EQ(utf16_to_gbk(utf16), gbk_text);
}

TEST(Gbk, UnmappableCharactersBecomeQuestionMarksWithoutTruncation) {
    struct Case {
        const char* name;
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"emoji in the middle", "a😀b领", "a?b\xC1\xEC"},
        {"malformed utf-8 byte", "x\xFFy", "x?y"},
        {"truncated sequence at the end", "ok\xE9\xA2", "ok?"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf8_to_gbk(c.input), c.expected);
    }
    // Invalid GBK lead byte followed by text keeps the rest.
    EXPECT_EQ(gbk_to_utf8("a\xFF" "bc"), "a?bc");
    // UTF-16 stops at the first NUL code unit.
    EXPECT_EQ(utf16_to_gbk(std::string("a\0b\0\0\0c\0", 8)), "ab");
}

TEST(Gbk, LongTextsConvertWhole) {
    std::string utf8_text;
    for (int i = 0; i < 5000; ++i) utf8_text += "领取成功";
    std::string g = utf8_to_gbk(utf8_text);
    EXPECT_EQ(g.size(), 5000u * 8);
    EXPECT_EQ(gbk_to_utf8(g), utf8_text);
}

}  // namespace
}  // namespace quillet
