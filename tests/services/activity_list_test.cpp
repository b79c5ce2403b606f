// The activity list: rows as the panel shows them, the days-left column, and
// the failure line that leaves an earlier list alone.
#include "services/activity_list.h"

#include <gtest/gtest.h>

#include "tests/services/feature_bed.h"

namespace quillet {
namespace {

using testing::FeatureBed;
using testing::gbk;
using testing::utf8;
using Lines = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

TEST(DaysLeft, CountsCalendarDaysIncludingTheLastAndKeepsOtherTextsAsTheyCame) {
    const DateTime today{2016, 10, 19, 23, 59, 0};  // the time of day plays no part
    struct Case {
        std::string end, shown;
    };
    const Case cases[] = {
        {"2016-10-19 00:00:00", "1天"},
        {"2016-10-20 23:59:59", "2天"},
        {"2016-10-18 23:59:59", "0天"},
        {"2016-10-09 10:00:00", "-9天"},
        {"2016-11-01 00:00:01", "14天"},
        {"2017-10-19 12:00:00", "366天"},
        {"2099-12-31 23:59:59", "长期"},
        {"2099-12-31 23:59:58", "30389天"},
        {"2016-10-22", "2016-10-22"},
        {"", ""},
        {"2016-10-22 10:00", "2016-10-22 10:00"},
        {"tomorrow at nine!!!", "tomorrow at nine!!!"},  // 19 characters, no date in them
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.end);
        EXPECT_EQ(utf8(days_left_text(c.end, today)), c.shown);
    }
}

TEST(ActivityList, FillsThePanelInListOrderAndCountsTheActivities) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    lock_controls(bed.s);
    show_activity_list(bed.s, bed.client);

    EXPECT_EQ(bed.log(), (Lines{"navy|[提示]获取CF活动信息...", "green|[提示]共取出CF活动 5 条"}));
    EXPECT_TRUE(bed.view.is_visible(ctl::main::外形框_活动列表));
    EXPECT_FALSE(bed.view.is_visible(ctl::main::外形框_头像));
    EXPECT_EQ(
        bed.rows(ctl::main::超级列表框_活动列表),
        (Rows{{"每日签到送好礼", "CF官网", "1天", "经验加成卡(1天),200GP",
               "http://cf.qq.com/act/a20160815qd/index.htm"},
              {"周末双倍经验", "掌上穿越火线", "2天", "双倍经验卡(2天)",
               "http://cf.qq.com/act/a20160816sb/index.htm"},
              {"英雄武器永久送", "CF官网", "长期", "AK47-火麒麟,M4A1-雷神(7天)",
               "http://cf.qq.com/act/a20160801yx/index.htm"},
              {"新版本预约", "TGP", "2016-10-24", "", "http://cf.qq.com/act/a20160820yy/index.htm"},
              {"暑期狂欢回顾", "CF官网", "0天", "暑期纪念喷漆(30天)",
               "http://cf.qq.com/act/a20160701sq/index.htm"}}));
    EXPECT_TRUE(bed.bound_features_enabled());
}

TEST(ActivityList, WorksWithoutABoundRegion) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    bed.s.state.area_bound = false;
    lock_controls(bed.s);
    show_activity_list(bed.s, bed.client);
    EXPECT_EQ(bed.rows(ctl::main::超级列表框_活动列表).size(), 5u);
    EXPECT_TRUE(bed.unlocked());
    EXPECT_FALSE(bed.bound_features_enabled());
}

TEST(ActivityList, NoActivitiesIsOneRedLineAndTheEarlierListStays) {
    for (auto m : {sandbox::Misbehaviour::Empty, sandbox::Misbehaviour::Garbage}) {
        SCOPED_TRACE(static_cast<int>(m));
        FeatureBed bed;
        ASSERT_TRUE(bed.initialise());
        lock_controls(bed.s);
        show_activity_list(bed.s, bed.client);
        return_to_log(bed.s, ctl::main::外形框_活动列表);
        const Rows before = bed.rows(ctl::main::超级列表框_活动列表);
        bed.mark();

        bed.sb->misbehave("/actcenter/queryActList", m);
        lock_controls(bed.s);
        show_activity_list(bed.s, bed.client);
        EXPECT_EQ(bed.log(),
                  (Lines{"navy|[提示]获取CF活动信息...", "red|[提示]无活动信息或取出失败"}));
        EXPECT_FALSE(bed.view.is_visible(ctl::main::外形框_活动列表));
        EXPECT_EQ(bed.rows(ctl::main::超级列表框_活动列表), before);
        EXPECT_TRUE(bed.unlocked());
    }
}

}  // namespace
}  // namespace quillet
