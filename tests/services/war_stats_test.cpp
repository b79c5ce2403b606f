// War statistics: the two captions from the page's 15 cells, and the lines for
// a page without cells or with a changed table.
#include "services/war_stats.h"

#include <gtest/gtest.h>

#include "tests/services/feature_bed.h"
#include "tests/support/scripted_bed.h"

namespace quillet {
namespace {

using testing::FeatureBed;
using testing::gbk;
using testing::utf8;
using Lines = std::vector<std::string>;

const char* const kTotalInitial =
    "战绩：0胜0平0负\r\n\r\n胜率：0%\r\n\r\n杀敌/被杀：0/0\r\n\r\n杀敌/"
    "被杀比率：0%\r\n\r\n爆头数：0\r\n\r\n"
    "爆头率：0%\r\n\r\n杀死队友：0\r\n\r\n中途退出：0";

TEST(WarStats, ShowsTheFifteenFiguresUnderTheirLabelsInThePanel) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    lock_controls(bed.s);
    show_war_stats(bed.s);

    EXPECT_EQ(bed.log(), (Lines{"navy|[提示]查询战绩信息...", "green|[提示]战绩信息查询成功"}));
    EXPECT_TRUE(bed.view.is_visible(ctl::main::外形框_战绩));
    EXPECT_EQ(bed.caption(ctl::main::标签_总战绩信息),
              "战绩：1520胜/1377负\r\n\r\n胜率：52.47%\r\n\r\n杀敌/被杀：31245/28811\r\n\r\n"
              "杀敌/被杀比率：1.08\r\n\r\n爆头数：9876\r\n\r\n爆头率：31.61%\r\n\r\n"
              "杀死队友：12\r\n\r\n中途退出：48\r\n\r\n");
    EXPECT_EQ(bed.caption(ctl::main::标签_今日战绩信息),
              "获得经验值：3420\r\n\r\n获得游戏币：1850\r\n\r\n战绩：8胜/5负\r\n\r\n"
              "杀敌/被杀：156/132\r\n\r\n杀敌/"
              "被杀比率：1.18\r\n\r\n爆头数：51\r\n\r\n爆头率：32.69%\r\n\r\n");
    EXPECT_TRUE(bed.bound_features_enabled());
}

// Answers the simulator does not give: scripted pages.
class WarStatsAnswers : public ::testing::Test, public testing::ScriptedSession {
  protected:
    void SetUp() override {
        s.state.area_bound = true;
        s.state.logged_in = true;
        s.state.area_id = 318;
    }
    Lines log() const {
        Lines out;
        for (const auto& l : view.log()) out.push_back(colour_name(l.colour) + "|" + utf8(l.text));
        return out;
    }
};

std::string page_of(int cells) {
    std::string html = "<html><body><table><tr>";
    for (int i = 0; i < cells; ++i) html += "<td>" + std::to_string(i) + "</td>";
    return html + "</tr></table></body></html>";
}

TEST_F(WarStatsAnswers, OnlyExactlyFifteenCellsAreShown) {
    struct Case {
        const char* name;
        std::string page;
        std::string line;
    };
    const Case cases[] = {
        {"14 cells", page_of(14), "red|[提示]战绩查询接口变更，请联系管理员更新软件"},
        {"16 cells", page_of(16), "red|[提示]战绩查询接口变更，请联系管理员更新软件"},
        {"one cell", page_of(1), "red|[提示]战绩查询接口变更，请联系管理员更新软件"},
        {"no cells", "<html><body><p>" + gbk("没有找到该大区的角色") + "</p></body></html>",
         "red|[提示]无战绩信息或取出失败，请重试"},
        {"empty answer", "", "red|[提示]无战绩信息或取出失败，请重试"},
        // A cell split over two lines is no cell: "." stops at line breaks.
        {"broken cells", "<td>1\n</td>" + page_of(14),
         "red|[提示]战绩查询接口变更，请联系管理员更新软件"},
        {"upper-case tags", "<TD>1</TD>" + page_of(14),
         "red|[提示]战绩查询接口变更，请联系管理员更新软件"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.answer("/cgi-bin/cf/userinfo/userinfo.cgi", {c.page});
        view.set_caption(ctl::main::标签_总战绩信息, gbk(kTotalInitial));
        view.set_visible(ctl::main::外形框_战绩, false);
        const size_t before = view.log().size();
        lock_controls(s);
        show_war_stats(s);
        const Lines all = log();
        EXPECT_EQ(Lines(all.begin() + static_cast<long>(before), all.end()),
                  (Lines{"navy|[提示]查询战绩信息...", c.line}));
        EXPECT_EQ(utf8(view.caption(ctl::main::标签_总战绩信息)), kTotalInitial);
        EXPECT_FALSE(view.visible(ctl::main::外形框_战绩));
        EXPECT_TRUE(view.enabled(ctl::main::按钮_一键领取));
    }
    const auto seen = server.seen();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().target, "/cgi-bin/cf/userinfo/userinfo.cgi?ssn=318");
}

TEST_F(WarStatsAnswers, CellTextsAreShownAsReceivedIncludingMarkupAndGbk) {
    std::string page;
    for (int i = 0; i < 15; ++i)
        page += "<td>" + (i == 0 ? gbk("<b>十胜</b>") : std::to_string(i)) + "</td>";
    server.answer("/cgi-bin/cf/userinfo/userinfo.cgi", {"<tr>" + page + "</tr>"});
    lock_controls(s);
    show_war_stats(s);
    EXPECT_TRUE(utf8(view.caption(ctl::main::标签_总战绩信息))
                    .starts_with("战绩：<b>十胜</b>\r\n\r\n胜率：1\r\n"));
    EXPECT_TRUE(
        utf8(view.caption(ctl::main::标签_今日战绩信息)).starts_with("获得经验值：8\r\n\r\n"));
}

TEST(WarStatsUnbound, WithoutABoundRegionOnlyTheRedLine) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    bed.s.state.area_bound = false;
    lock_controls(bed.s);
    show_war_stats(bed.s);
    EXPECT_EQ(bed.log(), (Lines{"red|[提示]请先绑定大区"}));
    EXPECT_TRUE(bed.requests("/cgi-bin/cf/userinfo/userinfo.cgi").empty());
    // War statistics give back the controls by the login, not by the area.
    EXPECT_TRUE(bed.bound_features_enabled());
}

}  // namespace
}  // namespace quillet
