#include "app/quillet-cli/cli_options.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(CliOptions, ParsesOptionsThenTheCommandAndItsArguments) {
    const CliParse p = parse_cli_options({"quillet-cli", "--cookie-file", "c.txt", "--config=q.cfg",
                                          "--connect-to", "*=127.0.0.1:8080", "--connect-to",
                                          "a.qq.com=10.0.0.1:80", "--json", "--input", "文本",
                                          "--sandbox", "sandbox", "--port", "9000"});
    ASSERT_EQ(p.error, "");
    const CliOptions& o = p.options;
    EXPECT_EQ(o.cookie_file, "c.txt");
    EXPECT_EQ(o.config, "q.cfg");
    EXPECT_EQ(o.connect_to, (std::vector<std::string>{"*=127.0.0.1:8080", "a.qq.com=10.0.0.1:80"}));
    EXPECT_TRUE(o.json);
    EXPECT_EQ(o.input, "文本");
    EXPECT_TRUE(o.sandbox);
    EXPECT_EQ(o.command, "sandbox");
    EXPECT_EQ(o.args, (std::vector<std::string>{"--port", "9000"}));
}

TEST(CliOptions, UsageErrors) {
    struct Case {
        std::vector<std::string> argv;
        const char* error_part;
    };
    const Case cases[] = {
        {{"q"}, "no command"},
        {{"q", "--json"}, "no command"},
        {{"q", "--verbos", "info"}, "unknown option"},
        {{"q", "info", "--jsn"}, "unknown option"},
        {{"q", "--config"}, "needs a value"},
        {{"q", "--connect-to", "nohost", "info"}, "HOST=ADDR:PORT"},
        {{"q", "--connect-to=*=1.2.3.4", "info"}, "HOST=ADDR:PORT"},
        // Options that contradict each other.
        {{"q", "--all-accounts", "--cookie-file", "c.txt", "claim"}, "excludes --cookie-file"},
        {{"q", "claim", "--all-accounts", "--account", "alt"}, "excludes --account"},
        {{"q", "--json", "-v", "info"}, "exclude each other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.back());
        const CliParse p = parse_cli_options(c.argv);
        EXPECT_NE(p.error.find(c.error_part), std::string::npos) << p.error;
    }
}

TEST(CliOptions, OptionsMayFollowTheCommand) {
    const CliParse p =
        parse_cli_options({"q", "assets", "2", "--json", "--config", "x.cfg", "--", "--3"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.command, "assets");
    EXPECT_TRUE(p.options.json);
    EXPECT_EQ(p.options.config, "x.cfg");
    EXPECT_EQ(p.options.args, (std::vector<std::string>{"2", "--3"}));
}

TEST(CliOptions, HelpNeedsNoCommand) {
    for (const char* flag : {"-h", "--help"}) {
        const CliParse p = parse_cli_options({"q", flag});
        EXPECT_EQ(p.error, "");
        EXPECT_TRUE(p.options.help);
    }
}

}  // namespace
}  // namespace quillet
