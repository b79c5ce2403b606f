// The every-day options of quillet-cli's parser: values checked where they
// are read, so a typo is a usage error before anything runs.
#include <gtest/gtest.h>

#include "app/quillet-cli/cli_options.h"

namespace quillet {
namespace {

TEST(DailyOptions, ParsedOrRefused) {
    struct Case {
        std::vector<std::string> args;
        std::string error_part;  // empty: accepted
    };
    const Case cases[] = {
        {{"--account", "main", "claim"}, ""},
        {{"claim", "--all-accounts", "--notify-cmd", "cat > /tmp/x"}, ""},
        {{"history", "--days", "30", "--ledger-file=/tmp/l.sqlite3"}, ""},
        {{"schedule", "--at", "08:30", "--account", "alt"}, ""},
        {{"--account", "../etc", "claim"}, "--account"},
        {{"--account", "a", "--cookie-file", "f", "claim"}, "exclude"},
        {{"history", "--days", "0"}, "--days"},
        {{"history", "--days", "7x"}, "--days"},
        {{"history", "--days"}, "needs a value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + (c.args.size() > 1 ? c.args[1] : ""));
        std::vector<std::string> argv{"quillet-cli"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const CliParse p = parse_cli_options(argv);
        if (c.error_part.empty()) {
            EXPECT_EQ(p.error, "");
        } else {
            EXPECT_NE(p.error.find(c.error_part), std::string::npos) << p.error;
        }
    }
    const CliParse p =
        parse_cli_options({"quillet-cli", "history", "--days", "30", "--account", "alt", "--json"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.command, "history");
    EXPECT_TRUE(p.options.args.empty());
    EXPECT_EQ(p.options.days, 30);
    EXPECT_EQ(p.options.account, "alt");
    EXPECT_TRUE(p.options.json);
}

}  // namespace
}  // namespace quillet
