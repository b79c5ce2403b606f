// quillet-cli login against a simulator in the test process, over HTTPS as
// the real login server is reached: the code drawn in the terminal, the
// phone's part played by a request to the simulator, the profile written,
// expired codes, Ctrl-C, and the polls as the simulator received them.
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "sandbox/login_page.h"
#include "sandbox/sandbox.h"
#include "tests/e2e/cli_runner.h"
#include "tests/support/qr_drawing.h"

namespace quillet::e2e {
namespace {

namespace fs = std::filesystem;

class QrLogin : public ::testing::Test {
  protected:
    void SetUp() override {
        port_ = sb_.start(0);
        tls_ = sb_.start_tls(0);
        ASSERT_GT(port_, 0);
        ASSERT_GT(tls_, 0);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(::testing::TempDir()) /
               ("quillet_qr_" + std::to_string(getpid()) + "_" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::ofstream(dir_ / "quillet.cfg")
            << "[net]\r\nconnect_timeout_ms=1000\r\nstall_timeout_ms=2000\r\nca_file="
            << (sandbox::default_certificate_dir() / "sandbox-cert.pem").string() << "\r\n";
    }
    void TearDown() override { fs::remove_all(dir_); }

    // quillet-cli pointed at the simulator: the login server's hosts at its
    // HTTPS listener, everything else at its HTTP one.
    CliRun cli(std::vector<std::string> args, const CliSetup& setup = {}) {
        const std::string tls = "127.0.0.1:" + std::to_string(tls_);
        std::vector<std::string> full{"--config",     (dir_ / "quillet.cfg").string(),
                                      "--connect-to", "ssl.ptlogin2.qq.com=" + tls,
                                      "--connect-to", "xui.ptlogin2.qq.com=" + tls,
                                      "--connect-to", "*=127.0.0.1:" + std::to_string(port_)};
        full.insert(full.end(), args.begin(), args.end());
        return run_cli(full, 60, setup);
    }

    // The phone's part: scan and confirm the latest code, as a person would
    // with the command the simulator prints.
    void confirm_latest() {
        const auto codes = sb_.qr_codes();
        ASSERT_FALSE(codes.empty());
        httplib::Client client("127.0.0.1", port_);
        auto res =
            client.Get("/sandbox/qr/confirm?code=" + codes.back() + "&qq=" + sb_.account_qq());
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200) << res->body;
    }

    static int count(const std::string& text, const std::string& part) {
        int n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }

    sandbox::Sandbox sb_;
    int port_ = 0, tls_ = 0;
    fs::path dir_;
};

const char* kScan = "请用QQ手机版扫描二维码";

TEST_F(QrLogin, DrawsTheCodeSignsInOnConfirmationAndWritesAPrivateProfile) {
    const fs::path file = dir_ / "new.cookie";
    bool confirmed = false;
    CliSetup setup;
    setup.answer = [&](const std::string& out, const std::string&) -> std::optional<std::string> {
        if (!confirmed && out.find(kScan) != std::string::npos) {
            confirmed = true;
            confirm_latest();
        }
        return std::nullopt;
    };
    const CliRun run = cli({"login", "--cookie-file", file.string()}, setup);
    ASSERT_EQ(run.status, 0) << run.dump();

    std::string out;
    for (const auto& l : run.lines) out += l + "\n";
    // The terminal drawing reads back as the code the simulator served,
    // inside a light quiet zone of four modules.
    const auto codes = sb_.qr_codes();
    ASSERT_EQ(codes.size(), 1u);
    const auto modules = sb_.qr_modules(codes[0]);
    const auto drawn = testing::modules_of_drawing(out);
    const int n = static_cast<int>(modules.size()), side = n + 8;
    ASSERT_EQ(static_cast<int>(drawn.size()), side + side % 2) << out;
    for (int r = 0; r < static_cast<int>(drawn.size()); ++r)
        for (int c = 0; c < side; ++c) {
            const bool inside = r >= 4 && c >= 4 && r < n + 4 && c < n + 4;
            ASSERT_EQ(drawn[r][c], inside && modules[r - 4][c - 4]) << r << "," << c;
        }
    // Each state once, in order.
    const size_t scan = out.find(kScan),
                 scanned = out.find("scanned: confirm the login on the phone"),
                 signed_in = out.find("signed in as QQ " + sb_.account_qq() + " (" +
                                      sb_.account_nickname() + ")");
    EXPECT_EQ(count(out, kScan), 1);
    EXPECT_EQ(count(out, "scanned: confirm"), 1);
    EXPECT_EQ(count(out, "signed in as QQ"), 1);
    EXPECT_LT(scan, scanned);
    EXPECT_LT(scanned, signed_in);
    EXPECT_NE(out.find("the login is saved in " + file.string()), std::string::npos);

    // The profile: the user's alone, and the account commands sign in with it.
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const CliRun info = cli({"--json", "--cookie-file", file.string(), "info"});
    EXPECT_EQ(info.status, 0) << info.dump();
    EXPECT_TRUE(info.has_log_containing("信息初始化成功")) << info.dump();
}

// Every poll as the simulator received it: the token made from the code's
// qrsig, the qrsig cookie, the login page's signature and the page's fields.
TEST_F(QrLogin, PollsCarryTheTokenOfQrsigTheCookieAndThePagesFields) {
    sb_.set_qr_auto_confirm(sb_.account_qq());
    CliSetup on_terminal;
    on_terminal.stderr_terminal = true;
    const CliRun run =
        cli({"--json", "login", "--cookie-file", (dir_ / "c").string()}, on_terminal);
    ASSERT_EQ(run.status, 0) << run.dump();
    // With --json the code is still drawn for someone watching the terminal.
    const auto modules = sb_.qr_modules(sb_.qr_codes().at(0));
    const auto drawn = testing::modules_of_drawing(run.err);
    ASSERT_EQ(drawn.size(), modules.size() + 9) << run.err;
    for (size_t r = 0; r < modules.size(); ++r)
        for (size_t c = 0; c < modules.size(); ++c) ASSERT_EQ(drawn[r + 4][c + 4], modules[r][c]);

    std::string login_sig, qrsig;
    std::vector<sandbox::RecordedRequest> polls;
    for (const auto& r : sb_.requests()) {
        if (r.path == "/cgi-bin/xlogin") {
            EXPECT_EQ(r.host, "xui.ptlogin2.qq.com");
        }
        if (r.path == "/ptqrshow") {
            EXPECT_EQ(r.host, "ssl.ptlogin2.qq.com");
            EXPECT_TRUE(std::regex_match(
                r.target,
                std::regex(R"(/ptqrshow\?appid=21000124&e=2&l=M&s=3&d=72&v=4&t=0\.\d{16}.*)")))
                << r.target;
        }
        if (r.path == "/ptqrlogin") polls.push_back(r);
    }
    ASSERT_EQ(polls.size(), 3u);  // 66, 67, 0
    for (const auto& p : polls) {
        SCOPED_TRACE(p.target);
        EXPECT_EQ(p.host, "ssl.ptlogin2.qq.com");
        std::smatch m;
        const std::string cookie = p.header("Cookie");
        ASSERT_TRUE(std::regex_search(cookie, m, std::regex(R"((?:^|; )qrsig=([^;]+))"))) << cookie;
        qrsig = m[1];
        // The page's signature goes back in the query; the simulator knows
        // every one its page gave and refuses any other.
        ASSERT_TRUE(std::regex_search(p.target, m, std::regex(R"(&login_sig=([0-9A-F]+)&)")))
            << p.target;
        login_sig = m[1];
        uint64_t h = 0;
        for (unsigned char c : qrsig) h = (h * 33 + c) % (uint64_t{1} << 32);
        const std::string token = std::to_string(h & 0x7FFFFFFF);
        EXPECT_TRUE(std::regex_match(
            p.target,
            std::regex(R"(/ptqrlogin\?u1=http%3A%2F%2Fapps\.game\.qq\.com&ptqrtoken=)" + token +
                       R"(&ptredirect=0&h=1&t=1&g=1&from_ui=1&ptlang=2052&action=0-0-\d{13})"
                       R"(&js_type=1&login_sig=)" +
                       login_sig + R"(&pt_uistyle=40&aid=21000124)")));
    }
}

TEST_F(QrLogin, ExpiredCodesAreReplacedThreeTimesThenTheLoginFails) {
    sb_.set_qr_lifetime(std::chrono::milliseconds(0));
    const fs::path file = dir_ / "never.cookie";
    const CliRun run = cli({"--json", "login", "--cookie-file", file.string()});
    EXPECT_EQ(run.status, 1) << run.dump();
    int pictures = 0;
    for (const auto& e : run.events)
        if (e["qr_file"].kind() == sandbox::Json::Kind::String) {
            ++pictures;
            EXPECT_EQ(e.num("code"), pictures);
            EXPECT_TRUE(fs::exists(e.str("qr_file")));
        }
    EXPECT_EQ(pictures, 4);
    EXPECT_EQ(sb_.qr_codes().size(), 4u);
    EXPECT_NE(run.err.find("the QR code expired 4 times"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(QrLogin, CtrlCStopsWith130AndWritesNoProfile) {
    const fs::path file = dir_ / "interrupted.cookie";
    CliSetup setup;
    setup.signal = [](const std::string& out, const std::string&) {
        return out.find(kScan) != std::string::npos ? SIGINT : 0;
    };
    const CliRun run = cli({"login", "--cookie-file", file.string()}, setup);
    EXPECT_EQ(run.status, 130) << run.dump();
    EXPECT_LT(run.seconds, 10);
    EXPECT_NE(run.err.find("interrupted; nothing was written"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(file));
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename().string().find(".interrupted.cookie"), std::string::npos);
}

TEST_F(QrLogin, TheBuiltInSimulatorShowsTheWholeFlowForTheDemoAccount) {
    // The profile goes to this test's own configuration folder.
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string kept = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    const CliRun run = run_cli({"--sandbox", "--json", "login", "--account", "demo"}, 60);
    const CliRun info = run_cli({"--sandbox", "--json", "--account", "demo", "info"}, 60);
    if (old)
        ::setenv("XDG_CONFIG_HOME", kept.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");

    ASSERT_EQ(run.status, 0) << run.dump();
    std::vector<std::string> states;
    for (const auto& e : run.events)
        if (e["state"].kind() == sandbox::Json::Kind::String) states.push_back(e.str("state"));
    EXPECT_EQ(states, (std::vector<std::string>{"waiting", "scanned", "signed_in"}));
    EXPECT_LT(run.seconds, 15);
    struct stat st {};
    ASSERT_EQ(::stat((dir_ / "config/quillet/accounts/demo.cookie").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(info.status, 0) << info.dump();
}

}  // namespace
}  // namespace quillet::e2e

namespace quillet::e2e {
namespace {

// `quillet-cli sandbox` tells, for each code it serves, the command that
// scans and confirms it; that command works as printed.
TEST(QrLoginSandboxCommand, PrintsForEachCodeTheCommandThatConfirmsIt) {
    bool fetched = false;
    std::string confirmed;
    CliSetup setup;
    // Once it has answered, the simulator is stopped as a user would stop it.
    const auto done = [&](const std::string& out) {
        std::smatch m;
        if (!fetched) {
            if (!std::regex_search(out, m, std::regex(R"(listening on 127\.0\.0\.1:(\d+))")))
                return false;
            fetched = true;
            httplib::Client c("127.0.0.1", std::stoi(m[1]));
            auto pic = c.Get("/ptqrshow?appid=21000124&s=3", {{"Host", "ssl.ptlogin2.qq.com"}});
            return !pic;  // no picture: nothing more to wait for
        }
        if (!std::regex_search(out, m, std::regex(R"(confirm it as QQ \d+ with: (curl [^\n]+)\n)")))
            return false;
        if (FILE* p = popen(m[1].str().c_str(), "r")) {
            char buf[256];
            while (fgets(buf, sizeof buf, p)) confirmed += buf;
            pclose(p);
        }
        return true;
    };
    setup.signal = [&](const std::string& out, const std::string&) {
        return done(out) ? SIGINT : 0;
    };
    const CliRun run = run_cli({"sandbox", "--port", "0"}, 30, setup);
    EXPECT_FALSE(run.timed_out) << run.dump();
    EXPECT_TRUE(fetched) << run.dump();
    EXPECT_NE(confirmed.find("confirmed as QQ"), std::string::npos) << confirmed << run.dump();
}

}  // namespace
}  // namespace quillet::e2e
