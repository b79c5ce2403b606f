// The commands of the voucher, menu and configuration panels run as processes
// against the simulator: what each button does to the account, the menu as
// groups and pages, and the two priorities kept in the configuration file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/e2e/e2e_fixture.h"

namespace quillet::e2e {
namespace {

using PanelCommands = CliAgainstSimulator;

std::vector<std::string> messages(const CliRun& run) {
    std::vector<std::string> out;
    for (const auto& e : run.events)
        if (e["message"].kind() == sandbox::Json::Kind::String) out.push_back(e.str("message"));
    return out;
}

TEST_F(PanelCommands, ExchangeSendsTheChosenItemAndReportsTheAnswer) {
    CliRun run = cli({"exchange", "judou", "2"});
    ASSERT_EQ(run.status, 0) << run.dump();
    const auto shown = messages(run);
    ASSERT_EQ(shown.size(), 1u) << run.dump();
    EXPECT_NE(shown[0].find("M4A1-雷神"), std::string::npos) << shown[0];
    // The second item on offer is the 聚豆 list's third entry, after the
    // placeholder: its flow went out.
    bool sent = false;
    for (const auto& r : sb_.requests()) sent = sent || r.body.find("470022") != std::string::npos;
    EXPECT_TRUE(sent);

    // Not on offer: a local problem once the offer is read.
    CliRun missing = cli({"exchange", "judou", "9"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("no item 9"), std::string::npos) << missing.err;
    EXPECT_EQ(cli({"exchange", "gold", "1"}).status, 2);
}

TEST_F(PanelCommands, LotteriesNeedTheConfirmation) {
    // The 帮豆 draw is flow 470039 of the scenario's offer file.
    auto draws = [this] {
        size_t n = 0;
        for (const auto& r : sb_.requests())
            if (r.body.find("470039") != std::string::npos) ++n;
        return n;
    };
    CliRun refused = cli({"lottery", "bang"});
    ASSERT_EQ(refused.status, 0) << refused.dump();
    EXPECT_TRUE(messages(refused).empty());
    EXPECT_EQ(draws(), 0u);

    CliRun accepted = cli({"lottery", "bang", "--yes"});
    ASSERT_EQ(accepted.status, 0) << accepted.dump();
    ASSERT_EQ(messages(accepted).size(), 1u) << accepted.dump();
    EXPECT_EQ(draws(), 1u);
    EXPECT_EQ(cli({"lottery", "month"}).status, 2);
}

TEST_F(PanelCommands, MenuListsTheGroupsAndTheirPages) {
    CliRun run = cli({"menu"});
    ASSERT_EQ(run.status, 0) << run.dump();
    std::vector<std::string> groups;
    size_t pages = 0;
    for (const auto& e : run.events) {
        if (e["group"].kind() != sandbox::Json::Kind::String) continue;
        groups.push_back(e.str("group"));
        pages += e["pages"].size();
    }
    EXPECT_EQ(groups, (std::vector<std::string>{"兑换活动", "幸运活动", "超值低价", "人品活动"}));
    EXPECT_GT(pages, 3u);
}

TEST_F(PanelCommands, ConfigShowsAndStoresThePriorities) {
    CliRun shown = cli({"config"});
    ASSERT_EQ(shown.status, 0) << shown.dump();
    ASSERT_FALSE(shown.events.empty());
    EXPECT_EQ(shown.events[shown.events.size() - 2]["model"].integer(), 0);

    CliRun stored = cli({"config", "2", "5"});
    ASSERT_EQ(stored.status, 0) << stored.dump();
    std::ifstream in(dir_ / "quillet.cfg", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("model=2"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("prop=5"), std::string::npos) << text.str();
    // Read back by the next run, as the panel loads them.
    CliRun again = cli({"config"});
    EXPECT_EQ(again.events.back()["prop"].integer(), 5);
    EXPECT_EQ(cli({"config", "3", "0"}).status, 2);
}

TEST_F(PanelCommands, ScanAndActivitiesStillRunWithoutABoundRegion) {
    // The CF step fails: the bound region has no role.
    sb_.set_bound_area("45056", 326);
    CliRun claim = cli({"claim"});
    EXPECT_EQ(claim.status, 1) << claim.dump();
    CliRun scan = cli({"scan"});
    EXPECT_EQ(scan.status, 0) << scan.dump();
    EXPECT_TRUE(scan.has_log_containing("共扫描到")) << scan.dump();
    CliRun activities = cli({"activities"});
    EXPECT_EQ(activities.status, 0) << activities.dump();
}

}  // namespace
}  // namespace quillet::e2e
