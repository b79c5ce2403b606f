// What a new user meets first, run as processes in plain output: what a real
// run lacks is said before any request, the exit status tells a scheduler
// what happened, and the CDKEY flow reads the letters of the captcha it saved.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/e2e_fixture.h"

namespace quillet::e2e {
namespace {

using sandbox::Misbehaviour;

const char* const kScanPath = "/cgi-bin/account/ajax_query.cgi";

struct Case {
    const char* name;
    std::vector<std::string> args;  // "{cdkey}", "{port}": filled in
    // The cookie file's text ("{account}": the demo account's cookie text,
    // "{large}": 17 KiB of it); null: no --cookie-file.
    const char* cookies;
    bool route;          // --connect-to every host to the simulator
    const char* config;  // the configuration file's text; null: the fixture's; "{dir}": a folder
    const char* misbehaving_path;
    int status;
    bool on_stderr;                  // where the line is
    const char* shown;               // a part of the line a user sees
    const char* not_shown;           // a text that must not appear on either stream; may be null
    bool simulator_program = false;  // quillet-sandbox instead of quillet-cli
};

// clang-format off
const Case kCases[] = {
    // No cookie file: account commands refuse at once; the others run.
    {"no_cookie_info", {"info"}, nullptr, true, nullptr, nullptr, 2, true, "--save-login", nullptr},
    {"no_cookie_claim", {"claim"}, nullptr, true, nullptr, nullptr, 2, true,
     "README, \"Signing in\"", "[提示]"},
    {"no_cookie_version", {"version"}, nullptr, true, nullptr, nullptr, 0, false,
     "已经是最新版本", "--cookie-file"},
    {"no_cookie_config", {"config"}, nullptr, true, nullptr, nullptr, 0, false, "model = ",
     "--cookie-file"},
    // Cookie files that cannot hold a login.
    {"cookie_without_skey", {"info"}, "uin=o0358791246; p_uin=o0358791246\n", true, nullptr,
     nullptr, 2, true, "holds no skey cookie", "[提示]"},
    {"cookie_empty", {"info"}, " \r\n", true, nullptr, nullptr, 2, true, "is empty", "[提示]"},
    {"cookie_two_lines", {"info"}, "{account}\n{account}\n", true, nullptr, nullptr, 2, true,
     "more than one line", "[提示]"},
    {"cookie_control_byte", {"info"}, "{account}\x01\n", true, nullptr, nullptr, 2, true,
     "control bytes", "[提示]"},
    {"cookie_too_large", {"info"}, "{large}", true, nullptr, nullptr, 2, true,
     "far more than a login's cookie text", "[提示]"},
    {"cookie_with_crlf", {"info"}, "{account}\r\n", true, nullptr, nullptr, 0, false,
     "登录成功", nullptr},
    // Settings: the placeholder vendor host, a configuration that is no INI file.
    {"placeholder_vendor_host", {"version"}, nullptr, false, nullptr, nullptr, 1, true,
     "set [hosts] VENDOR_HOST=... in the configuration file", nullptr},
    {"placeholder_vendor_host_offline", {"config"}, nullptr, false, nullptr, nullptr, 0, false,
     "model = ", "VENDOR_HOST"},
    {"routed_vendor_host", {"config"}, nullptr, true, nullptr, nullptr, 0, false, "model = ",
     "VENDOR_HOST"},
    {"config_not_ini", {"config"}, nullptr, true, "{\"hosts\": {\"VENDOR_HOST\": \"x\"}}\n",
     nullptr, 0, true, "is not an INI file", nullptr},
    {"config_a_folder", {"config"}, nullptr, true, "{dir}", nullptr, 0, true,
     "cannot read the configuration file", nullptr},
    // Exit statuses of work that could not be done.
    {"claim_without_catalogue", {"claim"}, "{account}", true, nullptr, "/cf/res/data.js", 1, true,
     "the activity catalogue could not be loaded", "[提示]开始一键领取"},
    {"scan_stalled", {"scan"}, "{account}", true, nullptr, kScanPath, 1, false,
     "[提示]区服查询服务连续3次无应答，已停止扫描其余大区", nullptr},
    // The CDKEY command's forms.
    {"cdk_old_form", {"cdk", "{cdkey}", "ABCD", "320"}, "{account}", true, nullptr, nullptr, 2,
     true, "usage: cdk KEY AREA_ID", "[提示]"},
    {"cdk_region_without_role", {"cdk", "{cdkey}", "319"}, "{account}", true, nullptr, nullptr, 1,
     false, "message (提示): 未查询到角色信息", "captcha picture"},
    {"cdk_no_letters", {"cdk", "{cdkey}", "320"}, "{account}", true, nullptr, nullptr, 2, true,
     "no captcha letters on standard input", "兑换成功"},
    // The simulator: a port in use is an error, a port must be a number.
    {"cli_sandbox_port_in_use", {"sandbox", "--port", "{port}"}, nullptr, false, nullptr, nullptr,
     1, true, "the port is in use", "listening"},
    {"cli_sandbox_bad_port", {"sandbox", "--port", "abc"}, nullptr, false, nullptr, nullptr, 2,
     true, "usage: quillet-cli sandbox [--port N]", nullptr},
    {"sandbox_port_in_use", {"--port", "{port}"}, nullptr, false, nullptr, nullptr, 1, true,
     "the port is in use", "listening", true},
    {"sandbox_bad_port", {"--port", "12ab"}, nullptr, false, nullptr, nullptr, 2, true,
     "usage: quillet-sandbox [--port N]", nullptr, true},
};
// clang-format on

void PrintTo(const Case* c, std::ostream* os) {
    *os << c->name;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class FirstRun : public CliAgainstSimulator, public ::testing::WithParamInterface<const Case*> {
  protected:
    // Runs the case's program with the files and options it asks for, in
    // plain output (what a user reads), its working folder the test's own.
    CliRun run_case(const Case& c, CliSetup setup = {}) {
        std::vector<std::string> args;
        if (c.cookies) {
            std::string text = c.cookies;
            if (text == "{large}") {
                text.clear();
                while (text.size() < 17 * 1024) text += sb_.account_cookie() + "; ";
            }
            std::ofstream(dir_ / "case.cookies", std::ios::binary | std::ios::trunc)
                << replaced(text, "{account}", sb_.account_cookie());
            args.insert(args.end(), {"--cookie-file", (dir_ / "case.cookies").string()});
        }
        if (c.config && std::string(c.config) == "{dir}") {
            std::filesystem::create_directories(dir_ / "config-folder");
            args.insert(args.end(), {"--config", (dir_ / "config-folder").string()});
        } else {
            if (c.config) std::ofstream(dir_ / "quillet.cfg", std::ios::trunc) << c.config;
            if (!c.simulator_program)
                args.insert(args.end(), {"--config", (dir_ / "quillet.cfg").string()});
        }
        if (c.route)
            args.insert(args.end(), {"--connect-to", "*=127.0.0.1:" + std::to_string(port_)});
        for (const std::string& a : c.args)
            args.push_back(replaced(replaced(a, "{cdkey}", sb_.working_cdkey()), "{port}",
                                    std::to_string(port_)));
        if (c.simulator_program) {
            args.clear();
            for (const std::string& a : c.args)
                args.push_back(replaced(a, "{port}", std::to_string(port_)));
#ifdef QUILLET_SANDBOX_PATH
            setup.program = QUILLET_SANDBOX_PATH;
#endif
        }
        setup.cwd = dir_.string();
        if (c.misbehaving_path) sb_.misbehave(c.misbehaving_path, Misbehaviour::Stall);
        return run_cli(args, 60, setup);
    }
};

TEST_P(FirstRun, ExitStatusAndTheLineAUserSees) {
    const Case& c = *GetParam();
#ifndef QUILLET_SANDBOX_PATH
    if (c.simulator_program) GTEST_SKIP() << "quillet-sandbox is not in this build";
#endif
    const CliRun run = run_case(c);
    ASSERT_FALSE(run.timed_out) << run.dump();
    EXPECT_EQ(run.status, c.status) << run.dump();
    std::string out;
    for (const auto& l : run.lines) out += l + "\n";
    const std::string& stream = c.on_stderr ? run.err : out;
    EXPECT_NE(stream.find(c.shown), std::string::npos) << "expected: " << c.shown << "\n"
                                                       << run.dump();
    if (c.not_shown) {
        EXPECT_EQ(out.find(c.not_shown), std::string::npos) << run.dump();
        EXPECT_EQ(run.err.find(c.not_shown), std::string::npos) << run.dump();
    }
    // Said in one line, and the cookie text never echoed.
    if (c.status == 2 && c.on_stderr) {
        EXPECT_EQ(run.err.find(sb_.account_skey()), std::string::npos) << run.dump();
    }
}

std::vector<const Case*> all_cases() {
    std::vector<const Case*> out;
    for (const auto& c : kCases) out.push_back(&c);
    return out;
}

INSTANTIATE_TEST_SUITE_P(NewUser, FirstRun, ::testing::ValuesIn(all_cases()),
                         [](const auto& p) { return std::string(p.param->name); });

using FirstRunFlows = CliAgainstSimulator;

TEST_F(FirstRunFlows, ARefusedCookieFileSendsNothing) {
    std::ofstream(dir_ / "cookies.txt", std::ios::trunc) << "uin=o0358791246\n";
    sb_.clear_requests();
    const CliRun run = cli({"claim"});
    EXPECT_EQ(run.status, 2) << run.dump();
    EXPECT_TRUE(sb_.requests().empty());
}

TEST_F(FirstRunFlows, AStalledScanStopsAfterThreeSilentRegions) {
    sb_.misbehave(kScanPath, Misbehaviour::Stall);
    const CliRun run = cli({"scan"});
    ASSERT_EQ(run.status, 1) << run.dump();  // the scan could not finish
    size_t asked = 0;
    for (const auto& r : sb_.requests()) asked += r.path == kScanPath;
    EXPECT_EQ(asked, 3u);
    // The usual lines stay; the stop is said in red between them.
    const auto texts = run.log_texts();
    const auto stop = std::find(texts.begin(), texts.end(),
                                "[提示]区服查询服务连续3次无应答，已停止扫描其余大区，请稍后重试");
    ASSERT_NE(stop, texts.end()) << run.dump();
    EXPECT_TRUE(run.has_log(*stop, "red"));
    EXPECT_EQ(texts.back(), "[提示]共扫描到 0 个角色");
    EXPECT_LT(std::find(texts.begin(), texts.end(), "[提示]扫描全区角色信息..."), stop);
}

TEST_F(FirstRunFlows, CdkRedeemsWithTheLettersOfTheSavedPicture) {
    // Random letters: only the picture the command saved tells them, and only
    // the session that came with it accepts them.
    auto redeem = [this](bool read_the_picture) {
        std::string picture;
        CliSetup setup;
        setup.cwd = dir_.string();
        setup.answer = [&](const std::string& out,
                           const std::string&) -> std::optional<std::string> {
            const size_t at = out.find("{\"captcha_file\":");
            if (at == std::string::npos || out.find('\n', at) == std::string::npos)
                return std::nullopt;
            const auto line = sandbox::Json::parse(out.substr(at, out.find('\n', at) - at));
            if (!line) return std::string("\n");
            std::ifstream in(line->str("captcha_file"), std::ios::binary);
            picture.assign(std::istreambuf_iterator<char>(in), {});
            return (read_the_picture ? sb_.captcha_code() : std::string("!!!!")) + "\n";
        };
        CliRun run = cli({"cdk", sb_.working_cdkey(), "320"}, 120, setup);
        EXPECT_TRUE(picture.starts_with("\x89PNG")) << run.dump();
        return run;
    };
    const CliRun good = redeem(true);
    ASSERT_EQ(good.status, 0) << good.dump();
    EXPECT_TRUE(shows(good, "兑换成功")) << good.dump();
    EXPECT_FALSE(shows(good, "验证码错误")) << good.dump();
    EXPECT_TRUE(std::filesystem::exists(dir_ / "quillet-captcha.png") == false)
        << "the spent captcha is removed";

    // A refusal exits 1, its reason in the message box.
    const CliRun wrong = redeem(false);
    ASSERT_EQ(wrong.status, 1) << wrong.dump();
    EXPECT_TRUE(shows(wrong, "验证码错误，请重新输入")) << wrong.dump();
}

}  // namespace
}  // namespace quillet::e2e

namespace quillet::e2e {
namespace {

TEST_F(FirstRunFlows, ProgressOnATerminalOnly) {
    CliSetup terminal;
    terminal.stderr_terminal = true;
    const CliRun on_terminal = cli({"claim"}, 120, terminal);
    ASSERT_EQ(on_terminal.status, 0) << on_terminal.dump();
    // The claim pass counts its entries on one overwritten line, cleared at the end.
    EXPECT_NE(on_terminal.err.find("\r\x1b[K[1/25]"), std::string::npos) << on_terminal.err;
    EXPECT_NE(on_terminal.err.find("\r\x1b[K[24/25]"), std::string::npos) << on_terminal.err;
    EXPECT_TRUE(on_terminal.err.ends_with("\r\x1b[K")) << on_terminal.err;
    const CliRun scan = cli({"scan"}, 120, terminal);
    EXPECT_NE(scan.err.find("[41/42]"), std::string::npos) << scan.err;

    const CliRun piped = cli({"claim"});
    ASSERT_EQ(piped.status, 0) << piped.dump();
    EXPECT_EQ(piped.err.find("[1/25]"), std::string::npos) << piped.err;
    EXPECT_EQ(piped.err.find('\r'), std::string::npos) << piped.err;
}

}  // namespace
}  // namespace quillet::e2e
