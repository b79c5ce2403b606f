#include "vendor_services/page_scripts.h"

#include <gtest/gtest.h>

#include "script/script_host.h"
#include "tests/support/gbk_literal.h"

namespace quillet::testing {
namespace {

// A page stand-in for the scripts: $ records every selector it is given,
// alert and a global flag show whether anything else ran.
constexpr const char* kPageStub =
    "var calls = []; var alerts = 0; var pwned = 0;"
    "function alert() { alerts++; }"
    "function $(s) { calls.push(s); return { length: 1, remove: function() {},"
    "  stop: function() { return this; }, animate: function() {},"
    "  offset: function() { return { top: 0 }; } }; }";

TEST(PageScriptsTest, ScriptsAreTheDesignedTextsWithTheSelectorInserted) {
    EXPECT_EQ(remove_script(gbk(".ad-box, #top")), "$('.ad-box, #top').remove();");
    EXPECT_EQ(scroll_script(gbk("#gift_list")),
              "function mScroll(id) {\r\n"
              "  if(!_mScroll && $(id).length > 0){\r\n"
              " _mScroll = true;\r\n"
              "  $('html,body').stop(true);\r\n"
              "  $('html,body').animate({\r\n"
              "    scrollTop: $(id).offset().top\r\n"
              "  }, 1000,null,function(){\r\n"
              "});\r\n"
              "}\r\n"
              " \r\n"
              "}\r\n"
              "if(typeof _mScroll==\"undefined\"){\r\n"
              "_mScroll = false;\r\n"
              "}\r\n"
              "mScroll('#gift_list');");
    EXPECT_EQ(remove_script(""), std::nullopt);
    EXPECT_EQ(scroll_script(""), std::nullopt);
}

TEST(PageScriptsTest, HostileSelectorsStayOneStringAndRunNothing) {
    struct Case {
        const char* name;
        std::string selector;  // GBK
        std::string body;      // the escaped literal's body, where it is worth pinning
    };
    const Case cases[] = {
        {"quote breakout", gbk("x');alert(1);('"), "x\\');alert(1);(\\'"},
        {"escaped quote breakout", gbk("x\\');alert(1);//"), "x\\\\\\');alert(1);//"},
        {"double quotes", gbk("x\" + alert(1) + \""), "x\\\" + alert(1) + \\\""},
        {"trailing backslash", gbk("a\\"), "a\\\\"},
        {"line ends", gbk("x'\r\nalert(1)//"), "x\\'\\r\\nalert(1)//"},
        {"control bytes", std::string("x\x01\x1f\x7f'"), "x\\u0001\\u001F\\u007F\\'"},
        // 乗 is 0x81 0x5C in GBK: its second byte is a backslash that must not
        // be doubled (that would leave a lone backslash escaping the quote).
        {"GBK character ending in 0x5C", gbk("乗');pwned=1;//"), "\\u4E57\\');pwned=1;//"},
        {"Chinese attribute value", gbk("a[title='领取']"), "a[title=\\'\\u9886\\u53D6\\']"},
        {"bytes that are not GBK", std::string("x\x81'"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string body = script_string_body(c.selector);
        if (!c.body.empty()) {
            EXPECT_EQ(body, c.body);
        }
        for (char ch : body) {
            EXPECT_GE(static_cast<unsigned char>(ch), 0x20);  // plain printable ASCII
            EXPECT_LT(static_cast<unsigned char>(ch), 0x7F);
        }
        // Every quote inside the literal is escaped: the only unescaped quotes
        // are the two of the template.
        const auto script = remove_script(c.selector);
        ASSERT_TRUE(script);
        EXPECT_EQ(*script, "$('" + body + "').remove();");

        const auto scroll = scroll_script(c.selector);
        ASSERT_TRUE(scroll);
        for (const std::string& program : {*script, *scroll}) {
            ScriptHost page;
            ASSERT_TRUE(page.execute(kPageStub));
            EXPECT_TRUE(page.execute(program));
            EXPECT_EQ(page.eval_text("alerts"), "0");
            EXPECT_EQ(page.eval_text("pwned"), "0");
            // $ saw the selector as one string, first; for bytes that are not
            // GBK the engine sees what the converter made of them.
            if (!c.body.empty()) {
                EXPECT_EQ(page.eval_text("calls[0]"), c.selector);
            }
            EXPECT_EQ(page.eval_text("calls.length"), program == *script ? "1" : "4");
        }
    }
}

TEST(PageScriptsTest, SelectorsThatJQueryWouldBuildAsHtmlAreNotUsed) {
    const std::string markup[] = {
        gbk("<img src=x onerror=alert(1)>"),
        gbk("div <img src=x onerror=alert(1)>"),
        gbk("</script><script>alert(1)</script>"),
    };
    for (const auto& selector : markup) {
        SCOPED_TRACE(utf8(selector));
        EXPECT_FALSE(usable_selector(selector));
        EXPECT_EQ(remove_script(selector), std::nullopt);
        EXPECT_EQ(scroll_script(selector), std::nullopt);
    }
    EXPECT_TRUE(usable_selector(gbk("ul > li:first-child")));
}

}  // namespace
}  // namespace quillet::testing
