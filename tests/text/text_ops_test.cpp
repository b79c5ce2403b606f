#include "text/text_ops.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/support/gbk_literal.h"

namespace quillet {
namespace {

using testing::gbk;

TEST(TextOps, GTkWrapsAt32BitsAndMasksTo31) {
    // Reference: the same hash with unsigned 32-bit arithmetic.
    auto reference = [](const std::string& s) {
        uint32_t h = 5381;
        for (unsigned char c : s) h = h + h * 32 + c;
        return std::to_string(h & 0x7FFFFFFF);
    };
    struct Case {
        std::string skey;
        std::string expected;
    };
    const Case cases[] = {
        {"", "5381"},
        {"a", "177670"},
        {"@AbCdEfGhI", reference("@AbCdEfGhI")},
        {"@zz8KQxWvYq", reference("@zz8KQxWvYq")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.skey);
        EXPECT_EQ(compute_g_tk(c.skey), c.expected);
    }
    // A long skey overflows many times; the value must stay in 31 bits.
    EXPECT_LT(std::stoll(compute_g_tk(std::string(64, 'z'))), 1LL << 31);
}

TEST(TextOps, TextBetweenFollowsMarkersAndCase) {
    struct Case {
        const char* name;
        std::string text, left, right;
        int start;
        bool ignore_case;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", R"({"ret":"0","Farea":"320"})", "\"Farea\":\"", "\"", 1, false, "320"},
        {"right missing", "abc=1", "abc=", ";", 1, false, ""},
        {"left missing", "x;y", "abc=", ";", 1, false, ""},
        {"empty between", "k=;", "k=", ";", 1, false, ""},
        {"quote word", "\"ret\":\"5\"", gbk("#引号ret#引号:#引号"), gbk("#引号"), 1, false, "5"},
        {"ignore case", "_WEBPLAT_MSG=queryerr&", "_webplat_msg=", "&", 1, true, "queryerr"},
        {"case matters", "_WEBPLAT_MSG=queryerr&", "_webplat_msg=", "&", 1, false, ""},
        {"from start position", "a=1;a=2;", "a=", ";", 3, false, "2"},
        {"jsonp cut at first paren", R"x(123({"msg":"a(b)"}))x", "123(", ")", 1, false,
         R"x({"msg":"a(b)x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(text_between(c.text, c.left, c.right, c.start, c.ignore_case), c.expected);
    }
}

TEST(TextOps, BeforeAfterLastAndFind) {
    EXPECT_EQ(text_before("date:'20160815'", ":"), "date");
    EXPECT_EQ(text_before("no colon", ":"), "");
    EXPECT_EQ(text_before("a:b:c", ":", 0), "a");
    EXPECT_EQ(text_after_last("j=msg=text", "="), "text");
    EXPECT_EQ(text_after_last("nothing", "="), "");
    EXPECT_EQ(find_text("abcabc", "c"), 3);
    EXPECT_EQ(find_text("abcabc", "c", 4), 6);
    EXPECT_EQ(find_text("abc", "C", 1, true), 3);
    EXPECT_EQ(find_text("abc", "x"), -1);
    EXPECT_EQ(find_last("abcabc", "b"), 5);
}

TEST(TextOps, FillTemplateReplacesEveryOccurrenceInPairOrder) {
    EXPECT_EQ(fill_template("a=#{x}&b=#{x}&c=#{y}&d=#{z}", {{"x", "1"}, {"y", "#{x}"}}),
              "a=1&b=1&c=#{x}&d=#{z}");
    EXPECT_EQ(remove_crlf("a=1\r\n&b=2\r\n"), "a=1&b=2");
}

TEST(TextOps, AddressSplitting) {
    struct Case {
        std::string address;
        bool keep_port, main_domain;
        std::string host;
        int port;
        std::string path;
    };
    const Case cases[] = {
        {"http://Apps.Game.qq.com/ams/ame/ame.php?a=B", false, false, "apps.game.qq.com", 80,
         "/ams/ame/ame.php?a=B"},
        {"https://ex.com:8443/p?q=1", false, false, "ex.com", 8443, "/p?q=1"},
        {"https://ex.com:8443/p?q=1", true, false, "ex.com:8443", 8443, "/p?q=1"},
        {"http://a.b.c/", false, true, "b.c", 80, "/"},
        {"http://localhost", false, true, "localhost", 80, "/"},
        {"https://secure.example.org", false, false, "secure.example.org", 443, "/"},
        {"host.example:8080/x", false, false, "host.example", 8080, "/x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(url_host(c.address, c.keep_port, c.main_domain), c.host);
        EXPECT_EQ(url_port(c.address), c.port);
        EXPECT_EQ(url_path(c.address), c.path);
    }
}

TEST(TextOps, IntegerOfTextAndHex) {
    struct Case {
        std::string text;
        int64_t expected;
    };
    const Case cases[] = {{"320", 320},    {"-105", -105}, {"12abc", 12}, {"abc", 0},
                          {"", 0},         {"+7", 7},      {"3.9", 3},    {"-0.5", 0},
                          {"99999999999999999999999", INT64_MAX}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(int_of_text(c.text), c.expected);
    }
    EXPECT_EQ(int32_of_text("99999999999"), INT32_MAX);
    EXPECT_EQ(hex_to_int("ff"), 255);
    EXPECT_EQ(hex_to_int("1A"), 26);
    EXPECT_EQ(hex_to_int("G"), -2);
}

TEST(TextOps, PercentCoding) {
    EXPECT_EQ(percent_encode("abc"), "%61%62%63");
    EXPECT_EQ(percent_encode(std::string("测试")), "%E6%B5%8B%E8%AF%95");
    struct Case {
        const char* name;
        std::string text;
        bool as_utf8;
        std::string expected;
    };
    const Case cases[] = {
        {"mixed-case hex as utf-8", "%E4%B8%AD%e6%96%87", true, gbk("中文")},
        {"plus stays", "a+b%2B", false, "a+b+"},
        {"raw bytes", "%41%42", false, "AB"},
        {"dangling percent", "100%", false, "100%"},
        {"percent before non-hex", "%zz1", false, "%zz1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(percent_decode(c.text, c.as_utf8), c.expected);
    }
}

TEST(TextOps, SplitTrimJoin) {
    EXPECT_EQ(split("a|b||c", "|"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(split("", "|"), (std::vector<std::string>{""}));
    EXPECT_EQ(trim(" \t x y \r\n"), "x y");
    EXPECT_EQ(join({"a", "b"}, "; "), "a; b");
    EXPECT_EQ(replace_all_ignore_case("set-cookie: a\r\nSET-COOKIE: b", "Set-Cookie", "Set-Cookie"),
              "Set-Cookie: a\r\nSet-Cookie: b");
}

}  // namespace
}  // namespace quillet
