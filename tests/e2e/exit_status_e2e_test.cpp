// The exit statuses of quillet-cli as a scheduler sees them, run as processes:
// local problems (2) said before any request, refusals of the services (1)
// with their reason, and SIGINT / SIGTERM (130 / 143) stopping the work
// between requests with a closing line, the ledger rows of the attempts made
// and the notification. Also: the simulator's runs keep to its own ledger,
// and the output conventions every command keeps.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ledger/ledger.h"
#include "tests/e2e/e2e_fixture.h"

namespace quillet::e2e {
namespace {

namespace fs = std::filesystem;

size_t count_of(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// The simulator in the test process, private data and configuration folders.
class ExitStatus : public CliAgainstSimulator {
  protected:
    void SetUp() override {
        CliAgainstSimulator::SetUp();
        ::setenv("QUILLET_DATA_HOME", (dir_ / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    }

    // quillet-cli routed to the simulator, no account chosen.
    CliRun bare(std::vector<std::string> args, const CliSetup& setup = {}) {
        std::vector<std::string> full{"--connect-to", "*=127.0.0.1:" + std::to_string(port_),
                                      "--config", (dir_ / "quillet.cfg").string()};
        full.insert(full.end(), args.begin(), args.end());
        return run_cli(full, 120, setup);
    }

    void write_profile(const std::string& name, mode_t mode = 0600) {
        const fs::path folder = dir_ / "config" / "quillet" / "accounts";
        fs::create_directories(folder);
        const fs::path file = folder / (name + ".cookie");
        std::ofstream(file) << sb_.account_cookie() << "\n";
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
    }

    std::vector<LedgerRow> rows(const fs::path& file) {
        Ledger ledger;
        std::string error;
        EXPECT_TRUE(ledger.open(file, error)) << error;
        return ledger.all_rows(error);
    }
};

// Signals the process once its output holds `after` `times` times.
CliSetup signal_after(int sig, std::string after, size_t times) {
    CliSetup setup;
    setup.signal = [=](const std::string& out, const std::string& err) {
        return count_of(out, after) + count_of(err, after) >= times ? sig : 0;
    };
    return setup;
}

TEST_F(ExitStatus, LocalProblemsExitTwoBeforeAnyRequestAndRefusalsExitOne) {
    write_profile("open", 0644);
    std::ofstream(dir_ / "a-file") << "x";
    struct Case {
        const char* name;
        std::vector<std::string> args;
        bool cookie;  // --cookie-file, else no account at all
        int status;
        const char* err;  // a part of stderr; null: see out
        const char* out;  // a part of stdout; may be null
    };
    const std::string unwritable = (dir_ / "a-file" / "quillet.cfg").string();
    const Case cases[] = {
        {"missing profile", {"--account", "nobody", "info"}, false, 2, "nobody", nullptr},
        {"profile others may read", {"--account", "open", "claim"}, false, 2, "chmod 600", nullptr},
        {"unwritable configuration",
         {"--config", unwritable, "config", "1", "2"},
         true,
         2,
         "cannot write the configuration file",
         nullptr},
        {"all accounts and a cookie file",
         {"claim", "--all-accounts"},
         true,
         2,
         "excludes",
         nullptr},
        {"json and verbose",
         {"--json", "--verbose", "info"},
         true,
         2,
         "exclude each other",
         nullptr},
        // The panel keeps 月券 exchanges disabled: its balance line is the reason.
        {"month vouchers unavailable", {"exchange", "month", "1"}, true, 1, "暂不可用", nullptr},
        {"refused exchange", {"exchange", "bang", "2"}, true, 1, nullptr, "帮豆余额不足"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sb_.clear_requests();
        std::vector<std::string> args = c.args;
        if (c.cookie) args.insert(args.begin(), {"--cookie-file", (dir_ / "cookies.txt").string()});
        CliRun run = bare(args);
        EXPECT_EQ(run.status, c.status) << run.dump();
        if (c.err) {
            EXPECT_NE(run.err.find(c.err), std::string::npos) << run.dump();
        }
        std::string out;
        for (const auto& l : run.lines) out += l + "\n";
        if (c.out) {
            EXPECT_NE(out.find(c.out), std::string::npos) << run.dump();
        }
        // Said before any request.
        if (c.status == 2) {
            EXPECT_TRUE(sb_.requests().empty()) << run.dump();
        }
    }
    // No profiles at all.
    fs::remove_all(dir_ / "config");
    CliRun none = bare({"claim", "--all-accounts"});
    EXPECT_EQ(none.status, 2) << none.dump();
    EXPECT_NE(none.err.find("no accounts in"), std::string::npos) << none.dump();
}

TEST_F(ExitStatus, SigintStopsTheClaimPassBetweenRequests) {
    // Each AMS request waits, so the pass is still busy when the signal comes.
    sb_.misbehave("/ams/ame/ame.php", sandbox::Misbehaviour::Delay, 150);
    const fs::path ledger = dir_ / "ledger.sqlite3";
    const fs::path got = dir_ / "got.json";
    CliRun run = cli(
        {"--ledger-file", ledger.string(), "--notify-cmd", "cat > '" + got.string() + "'", "claim"},
        120, signal_after(SIGINT, "\"text\":\"[提示][", 3));
    ASSERT_FALSE(run.timed_out) << run.dump();
    EXPECT_EQ(run.status, 130) << run.dump();

    size_t attempts = 0;
    for (const std::string& t : run.log_texts())
        if (t.rfind("[提示][", 0) == 0) ++attempts;
    EXPECT_GE(attempts, 3u);
    // Stopped well before the end, and the end's line is not claimed.
    EXPECT_LT(attempts, 15u) << run.dump();
    EXPECT_FALSE(run.has_log_containing("一键领取结束")) << run.dump();
    EXPECT_NE(run.err.find("claim interrupted by SIGINT after "), std::string::npos) << run.err;
    EXPECT_EQ(rows(ledger).size(), attempts);

    const sandbox::Json* summary = nullptr;
    for (const auto& e : run.events)
        if (e["summary"].is_object()) summary = &e["summary"];
    ASSERT_NE(summary, nullptr) << run.dump();
    EXPECT_EQ(summary->str("interrupted"), "SIGINT");
    EXPECT_EQ(summary->num("status"), 130);
    EXPECT_EQ(summary->num("tried"), static_cast<long long>(attempts));
    EXPECT_GT(summary->num("entries"), summary->num("entries_done"));

    const auto told = sandbox::Json::parse(read_text(got));
    ASSERT_TRUE(told) << read_text(got);
    EXPECT_EQ(told->str("interrupted"), "SIGINT");
    EXPECT_EQ(told->num("status"), 130);
    EXPECT_EQ(told->num("tried"), static_cast<long long>(attempts));
}

TEST_F(ExitStatus, SigtermStopsTheRegionScanAndAllAccountsAfterTheCurrentOne) {
    sb_.misbehave("/cgi-bin/account/ajax_query.cgi", sandbox::Misbehaviour::Delay, 100);
    CliRun scan = cli({"scan"}, 120, signal_after(SIGTERM, "[提示]扫描全区角色信息", 1));
    ASSERT_FALSE(scan.timed_out) << scan.dump();
    EXPECT_EQ(scan.status, 143) << scan.dump();
    EXPECT_NE(scan.err.find("quillet-cli: scan interrupted by SIGTERM"), std::string::npos)
        << scan.err;
    EXPECT_FALSE(scan.has_log_containing("共扫描到")) << scan.dump();

    // The parent alone is told: the account under way finishes, no other starts.
    sb_.clear_misbehaviour();
    write_profile("first");
    write_profile("second");
    CliRun all = bare({"claim", "--all-accounts"}, signal_after(SIGTERM, "[提示][", 1));
    ASSERT_FALSE(all.timed_out) << all.dump();
    EXPECT_EQ(all.status, 143) << all.dump();
    ASSERT_EQ(all.lines.size(), 1u) << all.dump();
    EXPECT_EQ(all.lines[0].rfind("first (358791246): ", 0), 0u) << all.lines[0];
    EXPECT_NE(all.err.find("interrupted by SIGTERM after 1 of 2 accounts"), std::string::npos)
        << all.err;
}

TEST_F(ExitStatus, SandboxRunsKeepToTheSandboxLedger) {
    write_profile("main");
    CliRun run = run_cli({"--sandbox", "claim", "--all-accounts"}, 120);
    ASSERT_EQ(run.status, 0) << run.dump();
    EXPECT_FALSE(fs::exists(dir_ / "data" / "ledger.sqlite3"));
    const auto demo = rows(dir_ / "data" / "sandbox-ledger.sqlite3");
    EXPECT_GE(demo.size(), 20u);
    for (const auto& r : demo) EXPECT_EQ(r.account, "main");

    CliRun history = run_cli({"--sandbox", "--json", "history", "--account", "main"}, 60);
    EXPECT_EQ(history.status, 0) << history.dump();
    EXPECT_EQ(history.events.size(), demo.size());
    CliRun real = run_cli({"history", "--account", "main"}, 60);
    EXPECT_EQ(real.status, 0);
    EXPECT_TRUE(real.lines.empty()) << real.dump();
}

TEST_F(ExitStatus, TheSimulatorWritesItsCookieFileForTheUserAlone) {
    const fs::path file = dir_ / "demo.cookie";
    std::ofstream(file) << "old text";
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    CliRun run = run_cli({"sandbox", "--port", "0", "--cookie-file", file.string()}, 60,
                         signal_after(SIGTERM, "listening", 1));
    EXPECT_EQ(run.status, 0) << run.dump();
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(read_text(file), sb_.account_cookie());
}

TEST_F(ExitStatus, EveryCommandPrintsOnlyJsonLinesWithJson) {
    write_profile("main");
    const std::vector<std::vector<std::string>> commands = {
        {"accounts"}, {"config"},  {"schedule", "--show"}, {"version"},
        {"menu"},     {"history"}, {"vouchers"},           {"assets", "3"},
    };
    cli({"claim"});  // something for history
    for (const auto& args : commands) {
        SCOPED_TRACE(args.front());
        CliRun run = cli(args);
        EXPECT_EQ(run.status, 0) << run.dump();
        EXPECT_FALSE(run.lines.empty()) << run.dump();
        EXPECT_TRUE(run.unparsed.empty()) << run.dump();
    }
}

TEST_F(ExitStatus, ThePlaceholderVendorWarningOnlyForCommandsThatSendRequests) {
    // No routing: the vendor's host is the placeholder.
    for (const char* command : {"history", "config", "accounts"}) {
        CliRun run = run_cli({command}, 60);
        EXPECT_EQ(run.status, 0) << run.dump();
        EXPECT_EQ(run.err.find("VENDOR_HOST"), std::string::npos) << command << run.dump();
    }
    CliRun version = run_cli({"--config", (dir_ / "quillet.cfg").string(), "version"}, 60);
    EXPECT_NE(version.err.find("VENDOR_HOST"), std::string::npos) << version.dump();
}

TEST_F(ExitStatus, AssetsOfEveryClassTellTheirOpeningAndClosingLines) {
    // The demo account has no throwing weapons: that class says so in red and
    // exits 1, as the main weapons would.
    for (const char* weapon_class : {"1", "2", "4"}) {
        SCOPED_TRACE(weapon_class);
        const bool empty = weapon_class[0] == '4';
        CliRun run = cli({"assets", weapon_class});
        EXPECT_EQ(run.status, empty ? 1 : 0) << run.dump();
        EXPECT_TRUE(run.has_log("[提示]查询我的资产...", "navy")) << run.dump();
        EXPECT_EQ(run.has_log("[提示]无资产信息或取出失败，请重试", "red"), empty) << run.dump();
        EXPECT_TRUE(run.has_log("[提示]资产信息取出成功", "green")) << run.dump();
    }
}

TEST_F(ExitStatus, BothSimulatorCommandsPrintTheirUsageWithHelp) {
    std::vector<CliSetup> programs(1);
#ifdef QUILLET_SANDBOX_PATH
    programs.emplace_back().program = QUILLET_SANDBOX_PATH;
#endif
    for (const CliSetup& p : programs) {
        const bool cli_program = p.program == QUILLET_CLI_PATH;
        CliRun run = run_cli(cli_program ? std::vector<std::string>{"sandbox", "--help"}
                                         : std::vector<std::string>{"--help"},
                             30, p);
        EXPECT_EQ(run.status, 0) << run.dump();
        ASSERT_FALSE(run.lines.empty()) << run.dump();
        EXPECT_EQ(run.lines[0].rfind("usage: quillet-", 0), 0u) << run.dump();
        EXPECT_NE(run.lines[0].find("--cookie-file F"), std::string::npos) << run.dump();
    }
}

}  // namespace
}  // namespace quillet::e2e
