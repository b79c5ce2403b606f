#include "platform/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "platform/daily_task.h"
#include "platform/folders.h"
#include "tests/platform/child_modes.h"
#include "tests/platform/env_scope.h"

namespace quillet::platform {
namespace {

namespace fs = std::filesystem;

// This test program, as the shell of this system wants it written.
std::string self_for_shell() {
    const std::string exe = utf8_of_path(executable_path());
#ifdef _WIN32
    return windows_argument(exe);
#else
    return shell_quote(exe);
#endif
}

TEST(ChildProcess, TheShellCommandGetsItsInputAndItsStatusComesBack) {
    const fs::path file =
        fs::temp_directory_path() / ("quillet-child-input-" + std::to_string(process_id()));
    EnvScope scope;
    scope.set(kChildModeVariable, "input").set(kChildFileVariable, utf8_of_path(file));
    // More than a pipe holds at once, with text that is not ASCII.
    std::string text = "{\"received\":[\"M4A1-雷神(1天)\"]}";
    while (text.size() < (1 << 20)) text += text;
    const ChildResult r = run_shell_command(self_for_shell(), text, 20000);
    EXPECT_TRUE(r.started) << r.error;
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 4);
    std::ifstream in(file, std::ios::binary);
    std::ostringstream got;
    got << in.rdbuf();
    EXPECT_TRUE(got.str() == text) << "got " << got.str().size() << " bytes of " << text.size();
    in.close();
    fs::remove(file);
}

TEST(ChildProcess, AHangingCommandIsCutOffAtTheLimit) {
    EnvScope scope;
    scope.set(kChildModeVariable, "sleep");
    const auto t0 = std::chrono::steady_clock::now();
    const ChildResult r = run_shell_command(self_for_shell(), std::string(1 << 20, 'x'), 500);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_TRUE(r.started) << r.error;
    EXPECT_TRUE(r.timed_out);
    EXPECT_EQ(r.status, -1);
    EXPECT_LT(seconds, 10.0);
}

TEST(ChildProcess, AProgramsOutputAndReportComeBackApart) {
    EnvScope scope;
    scope.set(kChildModeVariable, "report");
    ProgramRun run;
    run.argv = {utf8_of_path(executable_path()), "an argument with \"quotes\" and spaces"};
    run.output = ProgramRun::Output::Capture;
    run.report_variable = kChildReportVariable;
    const ChildResult r = run_program(run);
    EXPECT_TRUE(r.started) << r.error;
    EXPECT_EQ(r.status, 7);
    EXPECT_EQ(r.output.substr(0, 3), "out");
    EXPECT_EQ(r.report, "summary\n");
    EXPECT_EQ(env(kChildReportVariable), std::nullopt) << "the variable is the child's alone";

    // Without a report descriptor the child is told so.
    run.report_variable.clear();
    EXPECT_EQ(run_program(run).status, 8);

    run.argv = {utf8_of_path(executable_path().parent_path() / "no-such-program")};
    EXPECT_EQ(run_program(run).status, 127);
}

}  // namespace
}  // namespace quillet::platform
