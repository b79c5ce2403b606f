#pragma once
// A session whose every host goes to a sandbox on loopback, with the memory
// view, a fixed clock (waits take no time) and a configuration file in a
// fresh temporary folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "net/cookie_jar.h"
#include "net/http_client.h"
#include "sandbox/sandbox.h"
#include "session/memory_view.h"
#include "session/session.h"
#include "tests/support/gbk_literal.h"
#include "text/clock.h"

namespace quillet::testing {

class VendorFixture : public ::testing::Test {
  protected:
    VendorFixture() {
        static std::atomic<int> serial{0};
        dir_ = std::filesystem::temp_directory_path() /
               ("quillet-vendor-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(dir_);
        port_ = sandbox.start(0);
        HttpOptions options;
        options.stall_timeout_ms = 400;  // a stalled server fails quickly here
        options.connect_timeout_ms = 2000;
        options.routing.add("*=127.0.0.1:" + std::to_string(port_));
        http_ = std::make_unique<HttpClient>(options);
        session_ = std::make_unique<Session>(view, clock, *http_, HostTable{}, store,
                                             dir_ / "quillet.cfg");
    }
    ~VendorFixture() override {
        session_.reset();  // joins the jobs first
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    void SetUp() override { ASSERT_GT(port_, 0) << "the sandbox could not start"; }

    Session& s() { return *session_; }
    const std::filesystem::path& dir() const { return dir_; }

    // The requests the sandbox got for a path.
    int requests_for(const std::string& path) const {
        int n = 0;
        for (const auto& r : sandbox.requests())
            if (r.path == path) ++n;
        return n;
    }

    sandbox::Sandbox sandbox;
    MemoryView view;
    FixedClock clock;
    MemoryCookieStore store;

  private:
    std::filesystem::path dir_;
    int port_ = -1;
    std::unique_ptr<HttpClient> http_;
    std::unique_ptr<Session> session_;
};

}  // namespace quillet::testing
