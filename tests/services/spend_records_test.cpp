// Consumption records: newest first, 非卖品 for the two "not for sale" prices,
// the date layout, today's rows in red, and the one failure line.
#include "services/spend_records.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/services/feature_bed.h"

namespace quillet {
namespace {

using testing::FeatureBed;
using Lines = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

TEST(SpendRecords, ListsTheRecordsNewestFirstWithTodaysRowsInRed) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    lock_controls(bed.s);
    show_spend_records(bed.s, bed.client);

    EXPECT_EQ(bed.log(),
              (Lines{"navy|[提示]获取CF消费记录信息...", "green|[提示]共取出CF消费记录 6 条"}));
    EXPECT_TRUE(bed.view.is_visible(ctl::main::外形框_消费列表));
    // The answer lists the records oldest first.
    EXPECT_EQ(bed.rows(ctl::main::超级列表框_消费列表),
              (Rows{{"M4A1-雷神(1天)", "0", "2016/10/19 09:05:31"},
                    {"英雄级武器礼包", "3000", "2016/10/19 08:30:15"},
                    {"M4A1-黑骑士(30天)", "99999999", "2016/10/18 22:23:58"},
                    {"名字修改卡", "非卖品", "2016/10/17 09:30:11"},
                    {"经验加成卡(7天)", "1200", "2016/10/15 11:20:04"},
                    {"AK47-火麒麟(永久)", "非卖品", "2016/10/13 20:15:30"}}));
    std::map<std::pair<int, int>, CellColour> red;
    for (int row : {0, 1})
        for (int column = 0; column < 3; ++column) red[{row, column}] = {colour::red, std::nullopt};
    EXPECT_EQ(bed.view.state(ctl::main::超级列表框_消费列表).cell_colours, red);
    EXPECT_TRUE(bed.bound_features_enabled());
}

TEST(SpendRecords, NoRecordsIsOneRedLineAndThePanelStaysHidden) {
    struct Case {
        const char* name;
        sandbox::Misbehaviour m;
        int32_t area;  // a region without a role has no records
    };
    const Case cases[] = {
        {"empty answer", sandbox::Misbehaviour::Empty, 0},
        {"garbage", sandbox::Misbehaviour::Garbage, 0},
        {"server error", sandbox::Misbehaviour::ErrorStatus, 0},
        {"no records", sandbox::Misbehaviour::None, 361},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FeatureBed bed;
        ASSERT_TRUE(bed.initialise());
        bed.sb->misbehave("/cgi-bin/common", c.m);
        if (c.area) bed.s.state.area_id = c.area;
        lock_controls(bed.s);
        show_spend_records(bed.s, bed.client);
        EXPECT_EQ(bed.log(), (Lines{"navy|[提示]获取CF消费记录信息...",
                                    "red|[提示]无消费记录或取出失败，请重试"}));
        EXPECT_FALSE(bed.view.is_visible(ctl::main::外形框_消费列表));
        EXPECT_TRUE(bed.view.rows(ctl::main::超级列表框_消费列表).empty());
        EXPECT_TRUE(bed.bound_features_enabled());
    }
}

TEST(SpendRecords, WithoutABoundRegionOnlyTheRedLine) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    bed.s.state.area_bound = false;
    lock_controls(bed.s);
    show_spend_records(bed.s, bed.client);
    EXPECT_EQ(bed.log(), (Lines{"red|[提示]请先绑定大区"}));
    EXPECT_TRUE(bed.requests("/cgi-bin/common").empty());
    EXPECT_TRUE(bed.bound_features_enabled());  // consumption records unlock by the login
}

TEST(SpendTime, LaysOutFourteenDigitsAsDateAndTime) {
    EXPECT_EQ(spend_time_text("20161019091500"), "2016/10/19 09:15:00");
    EXPECT_EQ(spend_time_text("2016101909"), "2016/10/19 09::");  // short: what there is
    EXPECT_EQ(spend_time_text(""), "// ::");
}

}  // namespace
}  // namespace quillet
