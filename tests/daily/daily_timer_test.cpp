// The daily timer's units, checked by systemd's own verifier, and the
// crontab line offered where no user service manager runs.
#include "main/daily_timer.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace quillet {
namespace {

namespace fs = std::filesystem;

bool have_program(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; its exit status and everything it wrote.
int run(const std::string& command, std::string& output) {
    std::FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return -1;
    char buf[512];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) output.append(buf, n);
    const int status = ::pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DailyTimer, ClockTimes) {
    struct Case {
        const char* text;
        bool ok;
        int hour, minute;
    };
    const Case cases[] = {{"08:30", true, 8, 30}, {"8:05", true, 8, 5},   {"23:59", true, 23, 59},
                          {"00:00", true, 0, 0},  {"24:00", false, 0, 0}, {"12:60", false, 0, 0},
                          {"12:5", false, 0, 0},  {"1230", false, 0, 0},  {"ab:cd", false, 0, 0},
                          {"", false, 0, 0},      {"-1:30", false, 0, 0}, {"123:00", false, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int h = -1, m = -1;
        EXPECT_EQ(parse_clock_time(c.text, h, m), c.ok);
        if (c.ok) {
            EXPECT_EQ(h, c.hour);
            EXPECT_EQ(m, c.minute);
        }
    }
}

TEST(DailyTimer, UnitsForEveryOptionPassTheVerifierAndRemoveLeavesNothing) {
    const fs::path dir =
        fs::path(::testing::TempDir()) / ("quillet_timer_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    // The verifier checks that ExecStart names an executable file.
    const fs::path program = fs::canonical("/proc/self/exe");
    const std::vector<std::vector<std::string>> option_sets = {
        {"--account", "main", "claim"},
        {"claim", "--all-accounts"},
        {"--notify-cmd", "curl -s -d @- 'https://example.org/hook?x=1%20$HOME'", "--account", "alt",
         "claim"},
    };
    const bool verifier = have_program("systemd-analyze");
    for (const auto& args : option_sets) {
        SCOPED_TRACE(args.front());
        DailyTimer t{7, 5, program, args};
        std::string error;
        ASSERT_TRUE(write_timer_units(dir, t, error)) << error;
        const auto installed = read_timer_units(dir);
        ASSERT_TRUE(installed);
        EXPECT_NE(installed->timer.find("OnCalendar=*-*-* 07:05:00\n"), std::string::npos);
        EXPECT_NE(installed->timer.find("Persistent=true\n"), std::string::npos);
        EXPECT_NE(installed->timer.find("RandomizedDelaySec=300\n"), std::string::npos);
        EXPECT_NE(installed->service.find("ExecStart=\"" + program.string() + "\""),
                  std::string::npos);
        if (verifier) {
            std::string out;
            const int rc = run("systemd-analyze verify '" + (dir / kTimerUnit).string() + "' '" +
                                   (dir / kServiceUnit).string() + "'",
                               out);
            EXPECT_EQ(rc, 0) << out;
            EXPECT_EQ(out, "") << installed->service;
        }
    }
    // Specifier and variable characters reach the program as typed.
    const auto installed = read_timer_units(dir);
    EXPECT_NE(installed->service.find("x=1%%20$$HOME"), std::string::npos) << installed->service;

    std::string error;
    ASSERT_TRUE(remove_timer_units(dir, error)) << error;
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_FALSE(read_timer_units(dir));
    EXPECT_TRUE(remove_timer_units(dir, error)) << "removing nothing is no error";
    fs::remove_all(dir);
    if (!verifier) GTEST_SKIP() << "systemd-analyze is not installed: units not verified";
}

TEST(DailyTimer, CrontabLineQuotesForTheShellAndEscapesPercent) {
    DailyTimer t{
        8, 30, "/usr/bin/quillet-cli", {"--notify-cmd", "mail -s 'done 100%' me", "claim"}};
    EXPECT_EQ(crontab_line(t),
              "30 8 * * * /usr/bin/quillet-cli --notify-cmd 'mail -s '\\''done 100\\%'\\'' me' "
              "claim");
    std::string out;
    // The line's command, as cron would hand it to sh (with cron's \% undone).
    std::string command = crontab_line(t).substr(std::string("30 8 * * * ").size());
    for (size_t p; (p = command.find("\\%")) != std::string::npos;) command.erase(p, 1);
    ASSERT_EQ(run("set -- " + command + "; printf '%s|' \"$@\"", out), 0);
    EXPECT_EQ(out, "/usr/bin/quillet-cli|--notify-cmd|mail -s 'done 100%' me|claim|");
}

}  // namespace
}  // namespace quillet
