#pragma once
// A simulator in the test process and quillet-cli pointed at it as a user
// would point it at the real services: a cookie file, a configuration file and
// a connect-to rule.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sandbox/sandbox.h"
#include "tests/e2e/cli_runner.h"

namespace quillet::e2e {

// A file's whole text; empty when it cannot be read.
inline std::string read_text(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class CliAgainstSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        port_ = sb_.start(0);
        ASSERT_GT(port_, 0);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("quillet_e2e_" + std::to_string(getpid()) + "_" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::ofstream(dir_ / "cookies.txt") << sb_.account_cookie() << "\n";
        // Short timeouts so that a stalled server costs a second, not half a minute.
        std::ofstream(dir_ / "quillet.cfg")
            << "[net]\r\nconnect_timeout_ms=1000\r\nstall_timeout_ms=600\r\n";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    CliRun cli(std::vector<std::string> args, int bound_seconds = 120, const CliSetup& setup = {}) {
        std::vector<std::string> full{"--json",
                                      "--connect-to",
                                      "*=127.0.0.1:" + std::to_string(port_),
                                      "--cookie-file",
                                      (dir_ / "cookies.txt").string(),
                                      "--config",
                                      (dir_ / "quillet.cfg").string()};
        full.insert(full.end(), args.begin(), args.end());
        return run_cli(full, bound_seconds, setup);
    }

    sandbox::Sandbox sb_;
    int port_ = 0;
    std::filesystem::path dir_;
};

// Every text a user sees: log lines, captions, message boxes, the version line.
inline bool shows(const CliRun& run, const std::string& text) {
    for (const auto& e : run.events) {
        for (const char* key : {"text", "caption", "message"})
            if (e[key].kind() == sandbox::Json::Kind::String &&
                e.str(key).find(text) != std::string::npos)
                return true;
    }
    return false;
}

}  // namespace quillet::e2e
