// My assets: the weapons of a class with remaining time and price, the total,
// the points, which classes log, and the failure paths.
#include "services/assets.h"

#include <gtest/gtest.h>

#include "tests/services/feature_bed.h"
#include "text/time_text.h"

namespace quillet {
namespace {

using testing::FeatureBed;
using testing::utf8;
using Lines = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

const char* const kPoints = "/ams/ame/ame.php";

TEST(RemainingTime, WholeHoursSplitIntoDaysAndHoursBothCarryingTheSign) {
    const DateTime today{2016, 10, 19, 0, 0, 0};
    const int64_t t0 = unix_seconds_of(today);
    struct Case {
        std::string end, shown;
    };
    const Case cases[] = {
        {"0", "永久"},
        {std::to_string(t0 + 50 * 3600), "2天2时"},
        {std::to_string(t0 - 5 * 3600), "0天-5时"},
        {std::to_string(t0 - 50 * 3600), "-2天-2时"},
        {std::to_string(t0 + 3599), "0天0时"},  // part of an hour counts as none
        {std::to_string(t0 - 3599), "0天0时"},
        {std::to_string(t0 + 24 * 3600), "1天0时"},
        {std::to_string(t0 + 400 * 24 * 3600 + 7 * 3600), "400天7时"},
        {"soon", "soon"},  // not a time: shown as it came
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.end);
        EXPECT_EQ(utf8(remaining_time_text(c.end, today)), c.shown);
    }
}

TEST(Assets, MainWeaponsFillThePanelWithTotalAndPointsAndLog) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    lock_controls(bed.s);
    show_assets(bed.s, bed.client, 1);

    EXPECT_EQ(bed.log(), (Lines{"navy|[提示]查询我的资产...", "green|[提示]资产信息取出成功"}));
    EXPECT_TRUE(bed.view.is_visible(ctl::main::外形框_我的资产));
    EXPECT_EQ(bed.rows(ctl::main::超级列表框_我的资产), (Rows{{"AK47-火麒麟", "永久", "49900"},
                                                              {"M4A1-雷神", "2天2时", "39900"},
                                                              {"巴雷特-极光", "90天0时", "29900"},
                                                              {"AN94-灵狐者", "0天-5时", "1990"}}));
    // 1216.90 yuan: the fraction is cut.
    EXPECT_EQ(bed.caption(ctl::main::标签_我的资产_总价值), "￥ 1216 RMB");
    EXPECT_EQ(bed.caption(ctl::main::标签_我的资产_CF点), "12680");
    EXPECT_EQ(bed.caption(ctl::main::标签_我的资产_GP点), "358700");

    const auto weapons = bed.requests("/cf/info_proxy/weapon_stat_info");
    ASSERT_EQ(weapons.size(), 1u);
    EXPECT_TRUE(weapons[0].target.starts_with(
        "/cf/info_proxy/weapon_stat_info?&&zone_id=320&WorldID=320&Type=1&callback=123&_="));
    const auto points = bed.requests(kPoints);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_NE(points[0].body.find("&iActivityId=41615&iFlowId=227206&"), std::string::npos);
    EXPECT_NE(points[0].body.find("&user_roleId=" + bed.s.state.qq +
                                  "&user_roleName=" + bed.s.state.qq + "&"),
              std::string::npos);
    EXPECT_NE(points[1].body.find("&iActivityId=41615&iFlowId=230085&"), std::string::npos);
    EXPECT_TRUE(bed.bound_features_enabled());
}

TEST(Assets, RemainingTimeCountsFromTheTimeOfDayNotFromMidnight) {
    // The server gives its date only; the weapons' end times lie whole hours
    // from the moment asked. At 03:00 and at 14:00 the rows read as at
    // midnight: the weapon that ran out 5 hours ago is not shown as valid.
    for (const int hour : {3, 14}) {
        SCOPED_TRACE(hour);
        FeatureBed bed;
        const DateTime now{2016, 10, 19, hour, 20, 0};
        bed.clock.set(now);
        bed.sb->set_today(now);
        ASSERT_TRUE(bed.initialise());
        lock_controls(bed.s);
        show_assets(bed.s, bed.client, 1);
        EXPECT_EQ(bed.rows(ctl::main::超级列表框_我的资产),
                  (Rows{{"AK47-火麒麟", "永久", "49900"},
                        {"M4A1-雷神", "2天2时", "39900"},
                        {"巴雷特-极光", "90天0时", "29900"},
                        {"AN94-灵狐者", "0天-5时", "1990"}}));
    }
}

TEST(Assets, OtherClassesRefreshThePanelSilently) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    lock_controls(bed.s);
    show_assets(bed.s, bed.client, 2);
    EXPECT_TRUE(bed.log().empty());
    EXPECT_EQ(bed.rows(ctl::main::超级列表框_我的资产),
              (Rows{{"沙漠之鹰-黄金", "永久", "12900"}, {"USP-战神", "1天6时", "500"}}));
    EXPECT_EQ(bed.caption(ctl::main::标签_我的资产_总价值), "￥ 134 RMB");
    EXPECT_EQ(bed.requests("/cf/info_proxy/weapon_stat_info")[0].target.find("&Type=2&") !=
                  std::string::npos,
              true);

    bed.mark();
    lock_controls(bed.s);
    show_assets(bed.s, bed.client, 4);  // a class without weapons
    EXPECT_TRUE(bed.log().empty());
    EXPECT_TRUE(bed.view.rows(ctl::main::超级列表框_我的资产).empty());
    EXPECT_EQ(bed.requests(kPoints).size(), 2u);
    EXPECT_TRUE(bed.bound_features_enabled());
}

TEST(Assets, FailurePaths) {
    struct Case {
        const char* name;
        int weapon_class;
        const char* weapons_path;  // misbehaving, or nullptr
        sandbox::Misbehaviour m;
        bool points_fail;
        int32_t area;  // 0: the bound one
        Lines log;
        size_t points_requests;
        const char* cf;
    };
    const Case cases[] = {
        {"empty weapons answer",
         1,
         "/cf/info_proxy/weapon_stat_info",
         sandbox::Misbehaviour::Empty,
         false,
         0,
         {"navy|[提示]查询我的资产...", "red|[提示]无资产信息或取出失败，请重试"},
         0,
         "0"},
        {"empty answer, silent class",
         3,
         "/cf/info_proxy/weapon_stat_info",
         sandbox::Misbehaviour::Empty,
         false,
         0,
         {},
         0,
         "0"},
        {"unreadable weapons answer",
         1,
         "/cf/info_proxy/weapon_stat_info",
         sandbox::Misbehaviour::Garbage,
         false,
         0,
         {"navy|[提示]查询我的资产...", "red|[提示]我的资产查询接口变更，请联系管理员更新软件",
          "green|[提示]资产信息取出成功"},
         2,
         "12680"},
        {"no weapons",
         1,
         nullptr,
         sandbox::Misbehaviour::None,
         false,
         361,
         {"navy|[提示]查询我的资产...", "red|[提示]无资产信息或取出失败，请重试",
          "green|[提示]资产信息取出成功"},
         2,
         "12680"},
        {"points unanswered",
         1,
         nullptr,
         sandbox::Misbehaviour::None,
         true,
         0,
         {"navy|[提示]查询我的资产...", "green|[提示]资产信息取出成功"},
         2,
         "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FeatureBed bed;
        ASSERT_TRUE(bed.initialise());
        if (c.weapons_path) bed.sb->misbehave(c.weapons_path, c.m);
        if (c.points_fail) bed.sb->misbehave(kPoints, sandbox::Misbehaviour::Garbage);
        if (c.area) bed.s.state.area_id = c.area;
        lock_controls(bed.s);
        show_assets(bed.s, bed.client, c.weapon_class);
        EXPECT_EQ(bed.log(), c.log);
        EXPECT_EQ(bed.requests(kPoints).size(), c.points_requests);
        EXPECT_EQ(bed.caption(ctl::main::标签_我的资产_CF点), c.cf);
        if (c.points_requests) {
            EXPECT_EQ(bed.caption(ctl::main::标签_我的资产_GP点), c.points_fail ? "0" : "358700");
        }
        EXPECT_TRUE(bed.bound_features_enabled());
    }
}

TEST(Assets, WithoutABoundRegionOnlyTheMainClassSaysSo) {
    for (int weapon_class : {1, 3}) {
        SCOPED_TRACE(weapon_class);
        FeatureBed bed;
        ASSERT_TRUE(bed.initialise());
        bed.s.state.area_bound = false;
        lock_controls(bed.s);
        show_assets(bed.s, bed.client, weapon_class);
        EXPECT_EQ(bed.log(), weapon_class == 1 ? Lines{"red|[提示]请先绑定大区"} : Lines{});
        EXPECT_TRUE(bed.sb->requests().empty());
        EXPECT_TRUE(bed.unlocked());
        EXPECT_TRUE(bed.bound_features_enabled());  // assets unlock by the login
    }
}

}  // namespace
}  // namespace quillet
