// "领取记录", headless: the application over the recording view and the
// built-in simulator. A one-click pass writes each attempt to the demo
// ledger; the menu item lists the signed-in number's last seven days from it,
// newest first, the failures in red, and "返回" leads back to the log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ledger/ledger.h"
#include "main/application.h"
#include "net/cookie_jar.h"
#include "sandbox/sandbox.h"
#include "session/session.h"
#include "tests/main/app_bed.h"
#include "tests/support/gbk_literal.h"
#include "tests/support/recording_view.h"
#include "text/clock.h"

namespace quillet {
namespace {

using testing::gbk;
using testing::RecordingView;
namespace c = ctl::main;
namespace m = ctl::menu;

class ClaimRecords : public testing::AppBed {
  protected:
    void before_start() override { setenv("QUILLET_DATA_HOME", (dir_ / "data").c_str(), 1); }
    void TearDown() override {
        AppBed::TearDown();
        unsetenv("QUILLET_DATA_HOME");
    }
    void click(Control ctl) {
        app.control_event(ctl, Event::Clicked, {});
        wait();
    }
    // The log's attempt lines ("[提示][i/n]..."), one per attempt.
    int attempt_lines() const {
        const std::string prefix = gbk("[提示][");
        int n = 0;
        for (const std::string& t : view.log_texts())
            if (t.rfind(prefix, 0) == 0 && t.size() > prefix.size() && t[prefix.size()] >= '0' &&
                t[prefix.size()] <= '9')
                ++n;
        return n;
    }
    std::filesystem::path ledger_file() const { return dir_ / "data" / "sandbox-ledger.sqlite3"; }
    std::string day_text(int days_ago) {
        const DateTime now = app.session().clock.now();
        const int64_t d = days_from_civil(now.year, now.month, now.day) - days_ago;
        const DateTime t = civil_from_seconds(d * 86400);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
        return buf;
    }
    // The instant of a local time of a day days_ago days before today.
    int64_t at(int days_ago, int hour, int minute, int second) {
        const DateTime now = app.session().clock.now();
        const int64_t d = days_from_civil(now.year, now.month, now.day) - days_ago;
        DateTime t = civil_from_seconds(d * 86400);
        t.hour = hour;
        t.minute = minute;
        t.second = second;
        return app.session().clock.utc_of(t);
    }
};

TEST_F(ClaimRecords, ThePassIsRecordedAndTheMenuItemListsItNewestFirst) {
    // Rows the panel must leave out: another number's, and one from seven
    // days before today. A failure of this morning stays, in red, below the
    // pass's rows.
    {
        Ledger ledger;
        std::string error;
        ASSERT_TRUE(ledger.open(ledger_file(), error)) << error;
        LedgerRow r;
        r.qq = app.simulator()->account_qq();
        r.group = "旧活动";
        r.item = "旧道具";
        r.protocol = "AMS";
        r.at = at(7, 10, 0, 0);
        ASSERT_TRUE(ledger.record(r, error)) << error;
        r.qq = "10001";
        r.at = at(0, 0, 0, 1);
        ASSERT_TRUE(ledger.record(r, error)) << error;
        r.qq = app.simulator()->account_qq();
        r.group = "早晨活动";
        r.item = "早晨道具";
        r.outcome = OutcomeKind::failed;
        r.code = "50001";
        r.message = "系统繁忙";
        r.at = at(0, 0, 0, 2);
        ASSERT_TRUE(ledger.record(r, error)) << error;
    }

    view.show_window(Window::Main, false);
    wait();
    ASSERT_TRUE(view.is_enabled(c::按钮_一键领取));
    click(c::按钮_一键领取);
    const int attempts = attempt_lines();
    ASSERT_GT(attempts, 0);

    EXPECT_FALSE(view.is_visible(c::外形框_领取记录));
    view.set_recording(true);
    view.clear_events();
    click(m::领取记录);
    EXPECT_TRUE(view.is_visible(c::外形框_领取记录));
    EXPECT_FALSE(view.is_visible(c::外形框_头像));
    // Reading the ledger locks nothing.
    EXPECT_TRUE(view.events_of("enabled").empty());

    const auto rows = view.rows(c::超级列表框_领取记录);
    ASSERT_EQ(rows.size(), static_cast<size_t>(attempts) + 1);
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 5u);
        EXPECT_GE(rows[i][0], rows[i + 1][0]) << i;  // newest first
        EXPECT_NE(rows[i][1], gbk("早晨活动"));
    }
    EXPECT_EQ(rows.back(),
              (std::vector<std::string>{day_text(0) + " 00:00:02", gbk("早晨活动"), gbk("早晨道具"),
                                        gbk("失败"), gbk("系统繁忙")}));
    // What each attempt got the player has a column of its own.
    const auto has_outcome = [&](const char* outcome) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const auto& row) { return row[3] == gbk(outcome); });
    };
    EXPECT_TRUE(has_outcome("已获得"));
    EXPECT_TRUE(has_outcome("未获得"));
    const auto& colours = view.state(c::超级列表框_领取记录).cell_colours;
    const int last = static_cast<int>(rows.size()) - 1;
    for (int column = 0; column < 5; ++column) {
        auto it = colours.find({last, column});
        ASSERT_NE(it, colours.end()) << column;
        EXPECT_EQ(it->second.text, colour::red);
    }

    click(c::按钮_领取记录返回日志);
    EXPECT_FALSE(view.is_visible(c::外形框_领取记录));
    EXPECT_TRUE(view.is_visible(c::外形框_头像));

    // A second pass adds its attempts; the panel shows them on the next visit.
    click(c::按钮_一键领取);
    const int both = attempt_lines();
    click(m::领取记录);
    EXPECT_EQ(view.rows(c::超级列表框_领取记录).size(), static_cast<size_t>(both) + 1);
}

}  // namespace
}  // namespace quillet
