// The window sequence: version check, login, main window and the switch of
// account; and the three jobs of the main window's first activation.
#include "main/start_sequence.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "tests/support/session_bed.h"

namespace quillet::testing {
namespace {

class WindowLoop : public ::testing::Test, public SessionBed {};

TEST_F(WindowLoop, ClosingTheVersionWindowWithoutAcceptanceEndsTheProgram) {
    view.set_window_script([](Window) {});
    run_program(s);
    EXPECT_EQ(view.shown_windows(), std::vector<Window>{Window::Version});
}

TEST_F(WindowLoop, ClosingTheLoginWithoutSigningInEndsTheProgram) {
    view.set_window_script([this](Window w) {
        if (w == Window::Version) s.state.version_ok = true;
    });
    run_program(s);
    EXPECT_EQ(view.shown_windows(), (std::vector<Window>{Window::Version, Window::Login}));
}

TEST_F(WindowLoop, SwitchingAccountShowsTheLoginAgainAndClosingItEnds) {
    int logins = 0, mains = 0;
    view.set_window_script([&](Window w) {
        switch (w) {
            case Window::Version:
                s.state.version_ok = true;
                break;
            case Window::Login:
                // The first login succeeds; the user closes the second one.
                s.state.logged_in = false;
                if (++logins == 1) s.state.logged_in = true;
                break;
            case Window::Main:
                ++mains;
                switch_account(s);
                break;
            default:
                break;
        }
    });
    run_program(s);
    EXPECT_EQ(view.shown_windows(),
              (std::vector<Window>{Window::Version, Window::Login, Window::Main, Window::Login}));
    EXPECT_EQ(mains, 1);
    EXPECT_FALSE(s.state.relogin_requested);
}

TEST_F(WindowLoop, ClosingTheMainWindowEndsTheProgram) {
    view.set_window_script([&](Window w) {
        if (w == Window::Version) s.state.version_ok = true;
        if (w == Window::Login) s.state.logged_in = true;
    });
    run_program(s);
    EXPECT_EQ(view.shown_windows(),
              (std::vector<Window>{Window::Version, Window::Login, Window::Main}));
}

TEST_F(WindowLoop, TheNextLoginWaitsForTheJobsOfTheClosedMainWindow) {
    std::atomic<bool> switched{false};
    std::atomic<bool> job_done{false};
    std::atomic<bool> done_at_second_login{false};
    int logins = 0;
    view.set_window_script([&](Window w) {
        if (w == Window::Version) s.state.version_ok = true;
        if (w == Window::Login) {
            s.state.logged_in = ++logins == 1;
            if (logins == 2) done_at_second_login = job_done.load();
        }
        if (w == Window::Main) {
            // A job that runs on past the switch of account: it writes the
            // old account's number once the switch has forgotten it (the
            // switch itself never runs beside a job that writes the account).
            s.jobs.start([&] {
                while (!switched) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                s.state.qq = "123";  // a late write of the old account
                job_done = true;
            });
            switch_account(s);
            switched = true;
        }
    });
    run_program(s);
    EXPECT_TRUE(done_at_second_login);
}

TEST_F(WindowLoop, FirstActivationStartsThreeJobsAndUnlocksAfterTheInitialisation) {
    std::atomic<bool> scroll{false}, menu{false};
    std::atomic<bool> initialised_before_unlock{false};
    MainWindowJobs jobs;
    jobs.scroll = [&](Session&) { scroll = true; };
    jobs.initialise = [&](Session& session) {
        // Still locked while the account is being read.
        initialised_before_unlock = !view.is_enabled(ctl::main::按钮_更换账号);
        session.state.area_bound = false;
    };
    jobs.remote_menu = [&](Session&) { menu = true; };
    on_main_window_first_activated(s, jobs);
    s.jobs.join_all();
    EXPECT_TRUE(scroll);
    EXPECT_TRUE(menu);
    EXPECT_TRUE(initialised_before_unlock);
    // unlock_controls with area_bound, here false.
    EXPECT_TRUE(view.is_enabled(ctl::main::按钮_更换账号));
    EXPECT_FALSE(view.is_enabled(ctl::main::按钮_一键领取));
}

TEST_F(WindowLoop, DestroyingTheMainWindowClosesTheOpenPopUps) {
    view.show_window(Window::ActivityBrowser, false);
    view.show_window(Window::Notice, false);
    on_main_window_destroyed(s);
    EXPECT_FALSE(view.is_loaded(Window::ActivityBrowser));
    EXPECT_FALSE(view.is_loaded(Window::Notice));
    view.clear_events();
    on_main_window_destroyed(s);
    EXPECT_TRUE(view.events_of("close").empty());
}

}  // namespace
}  // namespace quillet::testing
