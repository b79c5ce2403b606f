// The scan of all regions: what the log shows and how the controls come back.
#include "services/region_scan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/services/feature_bed.h"

namespace quillet {
namespace {

using testing::FeatureBed;
using Lines = std::vector<std::string>;

TEST(RegionScan, ListsTheRegionsWithRolesInTableOrderThenTheCount) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    // Given out of table order: the scan still reports 广东电信一区 (3rd) before 移动专区 (41st).
    bed.sb->set_roles({{360, "移动玩家"}, {318, "广东战士"}});
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
    // Nothing usable back from three regions in a row: the service is not
    // answering, so the scan stops there and says so. An error page or an
    // unreadable answer is an answer: the scan goes on through every region.
    const std::string stop = "red|[提示]区服查询服务连续3次无应答，已停止扫描其余大区，请稍后重试";
    struct Case {
        sandbox::Misbehaviour mode;
        size_t asked;
        bool stopped;
    };
    const Case cases[] = {{sandbox::Misbehaviour::Empty, 3, true},
                          {sandbox::Misbehaviour::Reset, 3, true},
                          {sandbox::Misbehaviour::ErrorStatus, 42, false},
                          {sandbox::Misbehaviour::Garbage, 42, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        FeatureBed bed;
        ASSERT_TRUE(bed.initialise());
        bed.sb->misbehave("/cgi-bin/account/ajax_query.cgi", c.mode);
        // The scan needs no bound region; the controls come back as the area allows.
        bed.s.state.area_bound = false;
        lock_controls(bed.s);
        std::vector<std::pair<int, int>> progress;
        bed.s.progress = [&progress](int done, int total) { progress.emplace_back(done, total); };
        run_region_scan(bed.s, bed.client);
        Lines expected{"navy|[提示]扫描全区角色信息..."};
        if (c.stopped) expected.push_back(stop);
        expected.push_back("green|[提示]共扫描到 0 个角色");
        EXPECT_EQ(bed.log(), expected);
        EXPECT_EQ(bed.requests("/cgi-bin/account/ajax_query.cgi").size(), c.asked);
        // One step per region asked, then the end (done == total).
        ASSERT_EQ(progress.size(), c.asked + 1);
        EXPECT_EQ(progress.front(), std::make_pair(1, 42));
        EXPECT_EQ(progress[c.asked - 1], std::make_pair(static_cast<int>(c.asked), 42));
        EXPECT_EQ(progress.back(), std::make_pair(42, 42));
        EXPECT_TRUE(bed.unlocked());
        EXPECT_FALSE(bed.bound_features_enabled());
    }
}

TEST(RegionScan, AStopRequestEndsTheScanAtTheRequestUnderWay) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    const std::string path = "/cgi-bin/account/ajax_query.cgi";
    bed.sb->misbehave(path, sandbox::Misbehaviour::Stall);
    lock_controls(bed.s);
    bed.s.jobs.start([&bed] { run_region_scan(bed.s, bed.client); });
    for (int i = 0; i < 300 && bed.requests(path).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(bed.requests(path).size(), 1u);
    const auto begin = std::chrono::steady_clock::now();
    bed.s.jobs.request_stop();
    bed.s.jobs.wait_idle([] {});
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - begin);
    EXPECT_LT(took.count(), 1000);
    // No more regions asked, no total, and the controls are back.
    EXPECT_EQ(bed.requests(path).size(), 1u);
    EXPECT_EQ(bed.log(), (Lines{"navy|[提示]扫描全区角色信息..."}));
    EXPECT_TRUE(bed.unlocked());
}

}  // namespace
}  // namespace quillet
