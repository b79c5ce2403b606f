#pragma once
// The application object as a start-up builds it, over the recording view and
// the built-in simulator, with its configuration file (and anything else a
// test puts there) in a fresh folder of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "main/application.h"
#include "net/cookie_jar.h"
#include "sandbox/sandbox.h"
#include "session/session.h"
#include "tests/support/recording_view.h"

namespace quillet::testing {

class AppBed : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("quillet-app-" + std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        before_start();
        AppOptions o;
        o.sandbox = true;
        o.config = (dir_ / "quillet.cfg").string();
        std::string error;
        ASSERT_TRUE(app.start(o, error)) << error;
    }
    void TearDown() override {
        app.stop_jobs();
        std::filesystem::remove_all(dir_);
    }
    // What a test sets up before the application starts (its environment).
    virtual void before_start() {}

    Session& s() { return app.session(); }
    sandbox::Sandbox& sim() { return *app.simulator(); }
    // Every job ended, the window's queued work done meanwhile.
    void wait() {
        s().jobs.wait_idle([this] { view.pump_events(); });
    }

    std::filesystem::path dir_;
    RecordingView view;
    MemoryCookieStore store;
    Application app{view, store};
};

}  // namespace quillet::testing
