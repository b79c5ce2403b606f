// quillet-cli as a user or a script runs it: exit statuses, the usage text,
// and well-formed JSON lines for a cookie-file sign-in against the simulator.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sandbox/json.h"
#include "sandbox/sandbox.h"

namespace quillet::testing {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

class CliProcess : public ::testing::Test {
  protected:
    CliProcess() {
        static std::atomic<int> serial{0};
        dir_ = fs::temp_directory_path() /
               ("quillet-cli-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        fs::create_directories(dir_);
    }
    ~CliProcess() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Runs quillet-cli with the arguments (single-quoted for the shell).
    Outcome run(const std::vector<std::string>& args) {
        std::string command = QUILLET_CLI_PATH;
        for (const std::string& a : args) command += " '" + a + "'";
        const fs::path out = dir_ / "out", err = dir_ / "err";
        command += " </dev/null >'" + out.string() + "' 2>'" + err.string() + "'";
        Outcome r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = read(out);
        r.err = read(err);
        return r;
    }
    static std::string read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> result;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) result.push_back(line);
        return result;
    }
    fs::path config() const { return dir_ / "quillet.cfg"; }

    fs::path dir_;
};

TEST_F(CliProcess, HelpListsEveryCommandAndExitsZero) {
    const Outcome r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* usage :
         {"version", "info", "claim", "bind AREA_ID", "scan", "assets [1-4]", "spend", "stats",
          "ban", "activities", "vouchers", "cdk KEY AREA_ID", "sandbox [--port N]"})
        EXPECT_NE(r.out.find("\n  " + std::string(usage) + " "), std::string::npos) << usage;
}

TEST_F(CliProcess, UsageErrorsExitTwoWithAMessage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"no-such-command"},
        {"--no-such-option", "info"},
        {"--connect-to", "broken", "info"},
        {"--cookie-file", (dir_ / "missing").string(), "info"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.empty() ? "(nothing)" : args.front());
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("quillet-cli: "), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(CliProcess, JsonLinesFromACookieFileSignInNeverShowTheCookies) {
    sandbox::Sandbox sim;
    const int port = sim.start(0);
    ASSERT_GT(port, 0);
    const fs::path cookie_file = dir_ / "cookies.txt";
    std::ofstream(cookie_file) << sim.account_cookie() << "\n";

    const Outcome r =
        run({"--cookie-file", cookie_file.string(), "--config", config().string(), "--connect-to",
             "*=127.0.0.1:" + std::to_string(port), "--json", "info"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto out = lines(r.out);
    ASSERT_FALSE(out.empty());
    int log_lines = 0;
    for (const std::string& line : out) {
        std::string error;
        const auto json = sandbox::Json::parse(line, &error);
        ASSERT_TRUE(json && json->is_object()) << line << ": " << error;
        if (!(*json)["time"].is_null()) {
            ++log_lines;
            EXPECT_EQ((*json)["time"].text().size(), 8u) << line;
            EXPECT_FALSE((*json)["colour"].text().empty()) << line;
        }
    }
    EXPECT_GT(log_lines, 3);
    // The account was signed in from the file: the QQ line names its number.
    EXPECT_NE(r.out.find(sim.account_qq()), std::string::npos);
    EXPECT_EQ(r.out.find(sim.account_skey()), std::string::npos);
    EXPECT_EQ(r.err.find(sim.account_skey()), std::string::npos);
}

TEST_F(CliProcess, PlainOutputIsWhatAPlayerReadsAndVerboseAddsTheControls) {
    // Plain: only stamped log lines (info shows no panel), no colour codes
    // when the output is a file. Verbose (the option may follow the command):
    // the same lines plus indented control changes and window lines.
    const Outcome plain = run({"--sandbox", "--config", config().string(), "info"});
    const Outcome verbose = run({"--sandbox", "info", "--config", config().string(), "--verbose"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(verbose.status, 0) << verbose.err;
    auto stamped = [](const std::string& line) {
        return line.size() > 10 && line[0] == '[' && line[3] == ':' && line[6] == ':' &&
               line[9] == ']';
    };
    int plain_lines = 0;
    for (const std::string& line : lines(plain.out)) {
        EXPECT_TRUE(stamped(line)) << line;
        ++plain_lines;
    }
    EXPECT_GT(plain_lines, 3);
    EXPECT_EQ(plain.out.find('\x1b'), std::string::npos);

    int verbose_stamped = 0, controls = 0;
    for (const std::string& line : lines(verbose.out)) {
        if (stamped(line))
            ++verbose_stamped;
        else if (line.rfind("  ", 0) == 0 || line.rfind("window ", 0) == 0)
            ++controls;
        else
            ADD_FAILURE() << line;
    }
    EXPECT_EQ(verbose_stamped, plain_lines);
    EXPECT_GT(controls, 5);
}

}  // namespace
}  // namespace quillet::testing
