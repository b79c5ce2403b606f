// The ban query: the green line with the ideographic-space prefix, its failure
// line, and the controls it gives back.
#include "services/ban_status.h"

#include <gtest/gtest.h>

#include "tests/services/feature_bed.h"
#include "text/time_text.h"

namespace quillet {
namespace {

using testing::FeatureBed;
using Lines = std::vector<std::string>;

TEST(BanStatus, ShowsTheEndOfTheBanAndWhetherItIsOverOrTheServicesOwnWords) {
    struct Case {
        const char* name;
        int64_t ban_end;
        std::string line;
    };
    const Case cases[] = {
        {"ended", unix_seconds_of({2016, 10, 1, 12, 0, 0}),
         "green|[提示]封停期限\u3000【2016-10-1 12:00:00】 - 【已解封】"},
        {"still banned", unix_seconds_of({2016, 11, 2, 8, 30, 5}),
         "green|[提示]封停期限\u3000【2016-11-2 08:30:05】 - 【未解封】"},
        {"never banned", 0, "green|[提示]封停期限\u3000恭喜您，该账号没有封停记录"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FeatureBed bed;
        ASSERT_TRUE(bed.initialise());
        bed.sb->set_ban_end(c.ban_end);
        lock_controls(bed.s);
        show_ban_status(bed.s, bed.client);
        EXPECT_EQ(bed.log(), (Lines{"navy|[提示]封号查询...", c.line}));
        EXPECT_TRUE(bed.bound_features_enabled());
    }
}

TEST(BanStatus, AFailedRequestIsOneRedLine) {
    for (auto m : {sandbox::Misbehaviour::Empty, sandbox::Misbehaviour::Reset}) {
        SCOPED_TRACE(static_cast<int>(m));
        FeatureBed bed;
        ASSERT_TRUE(bed.initialise());
        bed.sb->misbehave("/cf/a20150820fwg/getFeng.php", m);
        lock_controls(bed.s);
        show_ban_status(bed.s, bed.client);
        EXPECT_EQ(bed.log(),
                  (Lines{"navy|[提示]封号查询...", "red|[提示]封号查询失败，网络错误，请重试"}));
        EXPECT_TRUE(bed.unlocked());
    }
}

TEST(BanStatus, WithoutABoundRegionOnlyTheRedLineAndTheRegionBoundControlsStayOff) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    bed.s.state.area_bound = false;
    lock_controls(bed.s);
    show_ban_status(bed.s, bed.client);
    EXPECT_EQ(bed.log(), (Lines{"red|[提示]请先绑定大区"}));
    EXPECT_TRUE(bed.requests("/cf/a20150820fwg/getFeng.php").empty());
    EXPECT_TRUE(bed.unlocked());
    EXPECT_FALSE(bed.bound_features_enabled());
}

}  // namespace
}  // namespace quillet
