// quillet-cli as a process for the every-day features: the claim ledger and
// its history, a pass killed half-way, the expired login, several accounts,
// the daily timer and the notification command.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "ledger/ledger.h"
#include "tests/e2e/e2e_fixture.h"

extern char** environ;

namespace quillet::e2e {
namespace {

namespace fs = std::filesystem;

// The simulator in the test process, a private data and configuration folder,
// and quillet-cli pointed at both.
class Daily : public CliAgainstSimulator {
  protected:
    void SetUp() override {
        CliAgainstSimulator::SetUp();
        ledger_ = dir_ / "data" / "ledger.sqlite3";
        ::setenv("QUILLET_DATA_HOME", (dir_ / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        ::unsetenv("XDG_RUNTIME_DIR");
        ::unsetenv("QUILLET_SYSTEMCTL");
    }

    // quillet-cli with routing and configuration, no account chosen.
    CliRun bare(std::vector<std::string> args, int bound_seconds = 120) {
        std::vector<std::string> full{"--connect-to", "*=127.0.0.1:" + std::to_string(port_),
                                      "--config", (dir_ / "quillet.cfg").string()};
        full.insert(full.end(), args.begin(), args.end());
        return run_cli(full, bound_seconds);
    }

    void write_profile(const std::string& name, const std::string& cookie, mode_t mode = 0600) {
        const fs::path folder = dir_ / "config" / "quillet" / "accounts";
        fs::create_directories(folder);
        const fs::path file = folder / (name + ".cookie");
        std::ofstream(file) << cookie << "\n";
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
    }

    std::vector<LedgerRow> rows(const std::string& account = "") {
        Ledger ledger;
        std::string error;
        EXPECT_TRUE(ledger.open(ledger_, error)) << error;
        EXPECT_EQ(ledger.integrity_check(), "ok");
        return ledger.rows(INT64_MIN, account, error);
    }

    fs::path ledger_;
};

// "[提示][i/n]" lines of a run: the attempts.
std::vector<std::string> attempt_texts(const CliRun& run) {
    std::vector<std::string> out;
    for (const std::string& t : run.log_texts())
        if (t.rfind("[提示][", 0) == 0) out.push_back(t);
    return out;
}

// The text of an attempt's log line without its "[提示][i/n]" part.
std::string without_counter(const std::string& text) {
    const size_t close = text.find(']', text.find("]") + 1);
    return text.substr(close + 1);
}

std::string row_text(const LedgerRow& r) {
    std::string t;
    if (!r.group.empty()) t += "【" + r.group + "】";
    if (!r.item.empty()) t += "【" + r.item + "】";
    return t + r.message;
}

const sandbox::Json* summary_of(const CliRun& run) {
    for (const auto& e : run.events)
        if (e["summary"].is_object()) return &e["summary"];
    return nullptr;
}

TEST_F(Daily, LedgerRowsAreThePassLinesAndHistoryShowsTheSecondPassRefusals) {
    CliRun first = cli({"claim"});
    ASSERT_EQ(first.status, 0) << first.dump();
    const auto lines = attempt_texts(first);
    ASSERT_GE(lines.size(), 20u);
    const auto written = rows();
    ASSERT_EQ(written.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(row_text(written[i]), without_counter(lines[i]));
        EXPECT_EQ(written[i].qq, "358791246");
    }
    const sandbox::Json* summary = summary_of(first);
    ASSERT_NE(summary, nullptr) << first.dump();
    EXPECT_EQ(summary->num("tried"), static_cast<long long>(lines.size()));
    EXPECT_EQ(summary->num("answered") + summary->num("failed"), summary->num("tried"));
    EXPECT_EQ(summary->num("given") + summary->num("nothing_given"), summary->num("answered"));
    // The ledger never holds the login.
    EXPECT_EQ(read_text(ledger_).find(sb_.account_skey()), std::string::npos);

    CliRun second = cli({"claim"});
    ASSERT_EQ(second.status, 0) << second.dump();
    CliRun history = cli({"history", "--days", "1"});
    ASSERT_EQ(history.status, 0) << history.dump();
    ASSERT_EQ(history.events.size(), written.size() * 2) << history.dump();
    size_t refusals = 0;
    for (size_t i = written.size(); i < history.events.size(); ++i)
        if (history.events[i].str("message").find("已经领取过") != std::string::npos) ++refusals;
    EXPECT_GE(refusals, 2u) << history.dump();
    EXPECT_NE(history.events.front().str("pass"), history.events.back().str("pass"));

    // Plain: a heading per day, then one line per attempt.
    CliRun plain = bare({"history"});
    ASSERT_EQ(plain.status, 0) << plain.dump();
    ASSERT_EQ(plain.lines.size(), written.size() * 2 + 1) << plain.dump();
    EXPECT_NE(plain.lines[0].find(": " + std::to_string(written.size() * 2) + " attempts, "),
              std::string::npos)
        << plain.lines[0];
    EXPECT_NE(plain.lines[1].find("358791246"), std::string::npos);
    EXPECT_NE(plain.lines[1].find(row_text(written[0])), std::string::npos) << plain.lines[1];

    CliRun other = cli({"history", "--account", "nobody"});
    EXPECT_NE(other.status, 0) << "an unknown profile is an error, not an empty history";
}

TEST_F(Daily, APassKilledHalfWayKeepsEveryAttemptMadeBeforeTheKill) {
    // Each AMS request waits, so the pass is still busy when it is killed.
    sb_.misbehave("/ams/ame/ame.php", sandbox::Misbehaviour::Delay, 150);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args{QUILLET_CLI_PATH, "--json",
                                  "--connect-to",   "*=127.0.0.1:" + std::to_string(port_),
                                  "--cookie-file",  (dir_ / "cookies.txt").string(),
                                  "--config",       (dir_ / "quillet.cfg").string(),
                                  "claim"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    constexpr int kAttempts = 3;
    int seen = 0;
    std::string pending;
    char buf[4096];
    while (seen < kAttempts) {
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        pending.append(buf, static_cast<size_t>(n));
        for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1))
            if (pending.substr(0, nl).find("[提示][") != std::string::npos) ++seen;
    }
    // The row follows its line at once; the next attempt waits on the server.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(out[0]);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(seen, kAttempts);
    EXPECT_EQ(rows().size(), static_cast<size_t>(kAttempts));

    // The next pass writes to the same file after the crash.
    sb_.clear_misbehaviour();
    CliRun again = cli({"claim"});
    ASSERT_EQ(again.status, 0) << again.dump();
    EXPECT_EQ(rows().size(), kAttempts + attempt_texts(again).size());
}

TEST_F(Daily, AnExpiredLoginExitsThreeAndSaysHowToSignInAgain) {
    std::ofstream(dir_ / "cookies.txt") << "uin=o0358791246; skey=@expired00\n";
    for (const char* command : {"claim", "info", "bind"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> args{command};
        if (std::string(command) == "bind") args.push_back("318");
        CliRun run = cli(args);
        EXPECT_EQ(run.status, 3) << run.dump();
        const std::string file = (dir_ / "cookies.txt").string();
        EXPECT_NE(run.err.find("the QQ login has expired; sign in again with: quillet-cli "
                               "login --cookie-file " +
                               file + " (or in the window: quillet --save-login " + file + ")"),
                  std::string::npos)
            << run.err;
    }
    // A profile's line names the profile's file.
    write_profile("main", "uin=o0358791246; skey=@expired00");
    CliRun profile = bare({"--account", "main", "info"});
    EXPECT_EQ(profile.status, 3) << profile.dump();
    EXPECT_NE(profile.err.find("(account main); sign in again with: quillet-cli login --account "
                               "main (or in the window: quillet --save-login " +
                               (dir_ / "config/quillet/accounts/main.cookie").string() + ")"),
              std::string::npos)
        << profile.err;

    // No answer at all is a network failure: status 1, no word of expiry.
    std::ofstream(dir_ / "cookies.txt") << sb_.account_cookie() << "\n";
    sb_.misbehave("/comm-cgi-bin/login/LoginReturnInfo.cgi", sandbox::Misbehaviour::Stall);
    CliRun stalled = cli({"claim"});
    EXPECT_EQ(stalled.status, 1) << stalled.dump();
    EXPECT_EQ(stalled.err.find("expired"), std::string::npos) << stalled.err;
}

TEST_F(Daily, AllAccountsClaimsEachProfileInTurnWithItsOwnRows) {
    write_profile("main", sb_.account_cookie());
    write_profile("second", "uin=o0417852963; skey=@Rt7cVm3Qa; RK=Pq7Wm2Zx4c");
    CliRun run = bare({"--json", "claim", "--all-accounts"});
    ASSERT_EQ(run.status, 0) << run.dump();
    ASSERT_EQ(run.events.size(), 2u) << "one summary line per account\n" << run.dump();
    EXPECT_EQ(run.events[0]["summary"].str("account"), "main");
    EXPECT_EQ(run.events[0]["summary"].str("qq"), "358791246");
    EXPECT_EQ(run.events[1]["summary"].str("account"), "second");
    EXPECT_EQ(run.events[1]["summary"].str("qq"), "417852963");
    const auto main_rows = rows("main"), second_rows = rows("second");
    EXPECT_EQ(static_cast<long long>(main_rows.size()), run.events[0]["summary"].num("tried"));
    EXPECT_EQ(static_cast<long long>(second_rows.size()), run.events[1]["summary"].num("tried"));
    EXPECT_GE(second_rows.size(), 20u);
    for (const auto& r : second_rows) EXPECT_EQ(r.qq, "417852963");
    EXPECT_GT(sb_.claims("61234/421003", "417852963"), 0);

    // Plain: one line each. A profile others may read is refused (a local
    // problem: 2); the other account still claims and the worst status is
    // the run's.
    write_profile("second", "uin=o0417852963; skey=@Rt7cVm3Qa", 0644);
    CliRun plain = bare({"claim", "--all-accounts"});
    EXPECT_EQ(plain.status, 2) << plain.dump();
    ASSERT_EQ(plain.lines.size(), 2u) << plain.dump();
    EXPECT_EQ(plain.lines[0].rfind("main (358791246): ", 0), 0u) << plain.lines[0];
    EXPECT_EQ(plain.lines[1].rfind("second", 0), 0u) << plain.lines[1];
    const std::string file = (dir_ / "config/quillet/accounts/second.cookie").string();
    EXPECT_NE(plain.err.find("chmod 600 " + file), std::string::npos) << plain.err;
    CliRun refused = bare({"--account", "second", "info"});
    EXPECT_EQ(refused.status, 2) << refused.dump();
    EXPECT_NE(refused.err.find("chmod 600 " + file), std::string::npos) << refused.err;
    EXPECT_EQ(refused.err.find("@Rt7cVm3Qa"), std::string::npos);
}

TEST_F(Daily, ScheduleWritesVerifiedUnitsShowsAndRemovesThem) {
    // A stand-in systemctl that records its calls and says the manager runs.
    const fs::path fake = dir_ / "systemctl";
    std::ofstream(fake) << "#!/bin/sh\necho \"$@\" >> '" << (dir_ / "calls").string()
                        << "'\n[ \"$2\" = is-system-running ] && echo running\nexit 0\n";
    fs::permissions(fake, fs::perms::owner_all);
    ::setenv("QUILLET_SYSTEMCTL", fake.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    const fs::path units = dir_ / "config" / "systemd" / "user";
    write_profile("main", sb_.account_cookie());

    struct Case {
        std::vector<std::string> args;
        std::string exec_tail;
    };
    const Case cases[] = {
        {{"--account", "main"}, "\"--account\" \"main\" \"claim\"\n"},
        {{"--all-accounts", "--notify-cmd", "cat >/dev/null"},
         "\"--notify-cmd\" \"cat >/dev/null\" \"claim\" \"--all-accounts\"\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"schedule", "--at", "07:30"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliRun run = bare(args);
        ASSERT_EQ(run.status, 0) << run.dump();
        const std::string service = read_text(units / "quillet-daily.service");
        const std::string timer = read_text(units / "quillet-daily.timer");
        EXPECT_NE(timer.find("OnCalendar=*-*-* 07:30:00\n"), std::string::npos) << timer;
        EXPECT_NE(service.find("ExecStart=\"" + fs::canonical(QUILLET_CLI_PATH).string() + "\""),
                  std::string::npos)
            << service;
        EXPECT_NE(service.find(c.exec_tail), std::string::npos) << service;
        if (std::system("command -v systemd-analyze >/dev/null 2>&1") == 0) {
            const std::string verify = "systemd-analyze verify '" +
                                       (units / "quillet-daily.timer").string() + "' '" +
                                       (units / "quillet-daily.service").string() + "' 2>&1";
            EXPECT_EQ(std::system(verify.c_str()), 0);
        }
    }
    const std::string calls = read_text(dir_ / "calls");
    EXPECT_NE(calls.find("--user enable --now quillet-daily.timer"), std::string::npos) << calls;

    CliRun show = bare({"schedule", "--show"});
    EXPECT_EQ(show.status, 0);
    EXPECT_NE(show.lines.size(), 0u);
    CliRun removed = bare({"schedule", "--remove"});
    EXPECT_EQ(removed.status, 0) << removed.dump();
    EXPECT_TRUE(fs::is_empty(units));
    EXPECT_NE(read_text(dir_ / "calls").find("--user disable --now quillet-daily.timer"),
              std::string::npos);

    // No user manager: the crontab line, and nothing written.
    ::unsetenv("XDG_RUNTIME_DIR");
    CliRun cron = bare({"schedule", "--at", "7:05", "--account", "main"});
    EXPECT_EQ(cron.status, 0) << cron.dump();
    ASSERT_EQ(cron.lines.size(), 2u) << cron.dump();
    EXPECT_EQ(cron.lines[1].rfind("5 7 * * * ", 0), 0u) << cron.lines[1];
    EXPECT_NE(cron.lines[1].find(" --account main claim"), std::string::npos) << cron.lines[1];
    EXPECT_TRUE(fs::is_empty(units));
    CliRun bad = bare({"schedule", "--at", "25:00", "--account", "main"});
    EXPECT_EQ(bad.status, 2);
}

TEST_F(Daily, TheNotifyCommandGetsTheSummaryAndAHangingOneIsCutOff) {
    const fs::path got = dir_ / "got.json";
    CliRun run = cli({"--notify-cmd", "cat > '" + got.string() + "'", "claim"});
    ASSERT_EQ(run.status, 0) << run.dump();
    const std::string text = read_text(got);
    const auto json = sandbox::Json::parse(text);
    ASSERT_TRUE(json) << text;
    EXPECT_EQ(json->num("tried"), static_cast<long long>(attempt_texts(run).size()));
    EXPECT_EQ(json->str("qq"), "358791246");
    EXPECT_EQ(json->num("status"), 0);
    // The gifts the answers named, a lottery's three prizes among them, and
    // the refusals counted apart from them.
    const std::vector<std::string> gifts = {
        "每日签到礼包", "M4A1-雷神(1天)",      "经验加成卡(1天)",
        "200GP",        "AK47-火麒麟(3天)",    "AK47-火麒麟体验(1天)",
        "开学季礼包",   "心悦特权礼包",        "TGP每日启动礼包：火麒麟(1天)",
        "会员每日礼包", "CF黄金礼包(雷神1天)",
    };
    std::vector<std::string> received;
    for (const auto& g : (*json)["received"].elements()) received.push_back(g.text());
    EXPECT_EQ(received, gifts);
    EXPECT_EQ(json->num("given"), 11);
    EXPECT_EQ(json->num("nothing_given"), 7);
    EXPECT_EQ(json->num("failed"), 7);
    EXPECT_EQ(json->num("answered"), 18);
    EXPECT_EQ(text.find(sb_.account_skey()), std::string::npos);

    // A pass that cannot run is told too (a timer's owner learns of the expiry).
    std::ofstream(dir_ / "cookies.txt") << "uin=o0358791246; skey=@expired00\n";
    CliRun expired = cli({"--notify-cmd", "cat > '" + got.string() + "'", "claim"});
    EXPECT_EQ(expired.status, 3);
    const auto told = sandbox::Json::parse(read_text(got));
    ASSERT_TRUE(told);
    EXPECT_EQ(told->num("status"), 3);
    EXPECT_NE(told->str("error").find("expired"), std::string::npos);

    // The one slow test: a command that sleeps is stopped at 10 s and the
    // pass's result stands.
    std::ofstream(dir_ / "cookies.txt") << sb_.account_cookie() << "\n";
    sb_.clear_claims();
    CliRun hanging = cli({"--notify-cmd", "sleep 60", "claim"}, 60);
    EXPECT_EQ(hanging.status, 0) << hanging.dump();
    EXPECT_FALSE(hanging.timed_out);
    EXPECT_GE(hanging.seconds, 9.5);
    EXPECT_LT(hanging.seconds, 20.0);
    EXPECT_NE(hanging.err.find("stopped after 10 s"), std::string::npos) << hanging.err;
    EXPECT_EQ(attempt_texts(hanging).size(), attempt_texts(run).size());
    const sandbox::Json* summary = summary_of(hanging);
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(summary->num("tried"), json->num("tried"));
}

}  // namespace
}  // namespace quillet::e2e
