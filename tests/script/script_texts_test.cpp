#include <gtest/gtest.h>

#include <set>
#include <string>

#include "script/json_view.h"
#include "tests/support/gbk_literal.h"

namespace quillet {
namespace {

using testing::gbk;

TEST(UnescapeUnicode, DecodesEscapesAndKeepsApostrophesAndLineBreaks) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"escapes", R"(\u9886\u53d6)", gbk("领取")},
        {"apostrophes", R"(it's \u9886\u53d6 'ok')", gbk("it's 领取 'ok'")},
        {"CR LF", "\\u9886\r\n\\u53d6\r\n", gbk("领\r\n取\r\n")},
        {"leading CR dropped", "\r\\u9886", gbk("领")},
        {"other literal escapes", R"(a\/b\tc)", "a/b\tc"},
        {"percent escapes too", "%41%u53d6", gbk("A取")},
        {"GBK text kept", gbk("恭喜") + R"(\u9886)", gbk("恭喜领")},
        {"upper-case U is no escape", R"(\U9886)", "U9886"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(unescape_unicode(c.text), c.expected);
    }
}

TEST(UnescapeUnicode, FallsBackToTheBuiltInDecoder) {
    // Texts no string literal can hold: the engine fails and the built-in
    // decoder reads the prepared text (backslashes of other escapes stay).
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"trailing backslash", R"(\u9886\u53d6\)", gbk("领取") + "\\"},
        {"lone line feed", "\\u9886\n\\u53d6 it's", gbk("领\n取 it's")},
        {"lone CR inside", "a\r\\u53d6%41%zz", gbk("a\r取A%zz")},
        {"short escape", "x\n\\u12", "x\n%u12"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(unescape_unicode(c.text), c.expected);
    }
}

TEST(MakeRandomToken, IsZeroPointAndFifteenDigitsWithNonZeroEnds) {
    std::set<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        std::string token = make_random_token();
        ASSERT_EQ(token.size(), 17u) << token;
        ASSERT_EQ(token.substr(0, 2), "0.") << token;
        for (size_t k = 2; k < token.size(); ++k)
            ASSERT_TRUE(token[k] >= '0' && token[k] <= '9') << token;
        ASSERT_NE(token[2], '0') << token;
        ASSERT_NE(token[16], '0') << token;
        seen.insert(token);
    }
    EXPECT_EQ(seen.size(), 2000u);
}

}  // namespace
}  // namespace quillet
