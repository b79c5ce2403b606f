// What quillet-cli prints for each event: the JSON lines scripts read and the
// plain or coloured lines people read.
#include "app/quillet-cli/cli_view.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/gbk_literal.h"

namespace quillet::testing {
namespace {

// Runs f against a CliView printing into memory; returns what it printed.
template <typename F>
std::string printed(CliOutput mode, F&& f) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = ::open_memstream(&buffer, &size);
    {
        CliView view(out, mode);
        f(view);
    }
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

TEST(CliView, JsonLinesAsScriptsReadThem) {
    const std::string out = printed(CliOutput::Json, [](CliView& v) {
        v.append_log("[09:05:31]", gbk("[提示]获取QQ账号信息..."), colour::navy);
        v.set_caption(ctl::main::标签_头像_大区, gbk("上海电信一区"));
        v.set_visible(ctl::main::标签_到期时间, true);
        v.set_enabled(ctl::main::按钮_一键领取, false);
        v.set_text_colour(ctl::main::超级链接框_CDK兑换, colour::grey);
        v.set_tag(ctl::main::图片框_广告, "http://a/b");
        v.clear_rows(ctl::main::超级列表框_消费列表);
        v.add_row(ctl::main::超级列表框_消费列表, {gbk("道具"), "10", "2016-10-19"});
        v.set_cell_colour(ctl::main::超级列表框_消费列表, 0, 1, colour::red);
        v.message_box(gbk("请输入CDKEY"), gbk("提示"));
    });
    EXPECT_EQ(out,
              "{\"time\":\"09:05:31\",\"colour\":\"navy\",\"text\":\"[提示]获取QQ账号信息...\"}\n"
              "{\"control\":\"标签_头像_大区\",\"caption\":\"上海电信一区\"}\n"
              "{\"control\":\"标签_到期时间\",\"visible\":true}\n"
              "{\"control\":\"按钮_一键领取\",\"enabled\":false}\n"
              "{\"control\":\"超级链接框_CDK兑换\",\"colour\":\"#8F8F8F\"}\n"
              "{\"control\":\"图片框_广告\",\"tag\":\"http://a/b\"}\n"
              "{\"control\":\"超级列表框_消费列表\",\"clear\":true}\n"
              "{\"control\":\"超级列表框_消费列表\",\"row\":[\"道具\",\"10\",\"2016-10-19\"]}\n"
              "{\"control\":\"超级列表框_消费列表\",\"cell\":[0,1],\"colour\":\"red\"}\n"
              "{\"message\":\"请输入CDKEY\",\"caption\":\"提示\"}\n");
}

TEST(CliView, JsonEscapesWhatAServerMightSend) {
    const std::string out = printed(CliOutput::Json, [](CliView& v) {
        v.append_log("[00:00:00]", "a\"b\\c\r\nd\te\x01", colour::red);
    });
    EXPECT_EQ(
        out,
        "{\"time\":\"00:00:00\",\"colour\":\"red\",\"text\":\"a\\\"b\\\\c\\r\\nd\\te\\u0001\"}\n");
    EXPECT_EQ(json_string("\x7f"), "\"\\u007f\"");
}

TEST(CliView, PlainLinesColourTheMessageOnATerminalOnly) {
    const auto log = [](CliView& v) {
        v.append_log("[09:05:31]", gbk("成功\r\n下一行"), colour::green);
    };
    EXPECT_EQ(printed(CliOutput::Plain, log), "[09:05:31]成功 / 下一行\n");
    EXPECT_EQ(printed(CliOutput::Coloured, log), "[09:05:31]\x1b[32m成功 / 下一行\x1b[0m\n");
    EXPECT_EQ(printed(CliOutput::Coloured,
                      [](CliView& v) { v.append_log("[09:05:31]", "x", colour::black); }),
              "[09:05:31]x\n");
}

TEST(CliView, BoxesAreAnsweredWithoutAPerson) {
    std::optional<std::string> answer;
    bool ok = false;
    const std::string out = printed(CliOutput::Json, [&](CliView& v) {
        ok = v.confirm_box(gbk("需要消耗 10个聚豆"), gbk("聚豆抽奖"));
        v.set_default_input(gbk("输入"));
        answer = v.input_box("t", "p", "");
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(answer, gbk("输入"));
    EXPECT_NE(out.find("\"answer\":true"), std::string::npos);
    EXPECT_NE(out.find("\"answered\":true"), std::string::npos);
}

TEST(CliView, StartsAsAFreshMainWindowAndPrintsNoSetUp) {
    const std::string out = printed(CliOutput::Json, [](CliView& v) {
        EXPECT_EQ(v.caption(ctl::main::标签_头像_大区), gbk("请绑定大区"));
        EXPECT_FALSE(v.enabled(ctl::main::按钮_一键领取));
        v.add_item(ctl::main::列表框_大区, "x", 1);
        v.select_index(ctl::main::列表框_大区, 0);
        v.set_pointer(ctl::main::标签_滚动广告, Pointer::Hand);
    });
    EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace quillet::testing

namespace quillet::testing {
namespace {

TEST(CliView, ProgressOverwritesOneLineAndGivesWayToPrintedLines) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* term = ::open_memstream(&buffer, &size);
    const std::string out = printed(CliOutput::Plain, [term](CliView& v) {
        v.show_progress(1, 3);  // no stream yet: nothing
        v.set_progress_stream(term);
        v.show_progress(1, 3);
        v.show_progress(2, 3);
        v.append_log("[09:05:31]", gbk("[提示]x"), colour::green);
        v.show_progress(3, 3);
        v.append_log("[09:05:32]", gbk("[提示]y"), colour::green);
    });
    std::fclose(term);
    const std::string progress(buffer, size);
    std::free(buffer);
    EXPECT_EQ(out, "[09:05:31][提示]x\n[09:05:32][提示]y\n");
    // Drawn, redrawn, cleared for the log line and drawn again, then cleared
    // at the end; nothing for the line after it.
    EXPECT_EQ(progress, "\r\x1b[K[1/3]\r\x1b[K[2/3]\r\x1b[K\r\x1b[K[2/3]\r\x1b[K");
}

}  // namespace
}  // namespace quillet::testing
