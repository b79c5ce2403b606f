// The scan of all regions: what the log shows and how the controls come back.
#include "services/region_scan.h"

#include <gtest/gtest.h>

#include "tests/services/feature_bed.h"

namespace quillet {
namespace {

using testing::FeatureBed;
using Lines = std::vector<std::string>;

TEST(RegionScan, ListsTheRegionsWithRolesInTableOrderThenTheCount) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    // Given out of table order: the scan still reports 广东电信一区 (3rd) before 移动专区 (41st).
    bed.sb.set_roles({{360, "移动玩家"}, {318, "广东战士"}});
    lock_controls(bed.s);
    run_region_scan(bed.s, bed.client);

    EXPECT_EQ(
        bed.log(),
        (Lines{"navy|[提示]扫描全区角色信息...", "green|[提示]【广东电信一区】该大区有角色创建记录",
               "green|[提示]【移动专区】该大区有角色创建记录", "green|[提示]共扫描到 2 个角色"}));
    EXPECT_EQ(bed.requests("/cgi-bin/account/ajax_query.cgi").size(), 42u);
    EXPECT_TRUE(bed.unlocked());
    EXPECT_TRUE(bed.bound_features_enabled());
}

TEST(RegionScan, UnansweredOrUnreadableRegionsAreNotReportedAndTheCountIsZero) {
    for (auto m : {sandbox::Misbehaviour::Empty, sandbox::Misbehaviour::Garbage,
                   sandbox::Misbehaviour::ErrorStatus}) {
        SCOPED_TRACE(static_cast<int>(m));
        FeatureBed bed;
        ASSERT_TRUE(bed.initialise());
        bed.sb.misbehave("/cgi-bin/account/ajax_query.cgi", m);
        // The scan needs no bound region; the controls come back as the area allows.
        bed.s.state.area_bound = false;
        lock_controls(bed.s);
        run_region_scan(bed.s, bed.client);
        EXPECT_EQ(bed.log(),
                  (Lines{"navy|[提示]扫描全区角色信息...", "green|[提示]共扫描到 0 个角色"}));
        EXPECT_TRUE(bed.unlocked());
        EXPECT_FALSE(bed.bound_features_enabled());
    }
}

}  // namespace
}  // namespace quillet
