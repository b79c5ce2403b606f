// Every quillet-cli command run as a process against the simulator, checked
// for the events a user relies on.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/e2e_fixture.h"

namespace quillet::e2e {
namespace {

using Commands = CliAgainstSimulator;

int count_logs_starting(const CliRun& run, const std::string& prefix) {
    auto texts = run.log_texts();
    return static_cast<int>(std::count_if(
        texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(prefix, 0) == 0; }));
}

size_t rows_of(const CliRun& run, const std::string& control) {
    size_t n = 0;
    for (const auto& e : run.control_events(control))
        if (e["row"].is_array()) ++n;
    return n;
}

TEST(CommandsBuiltIn, SandboxClaimShowsAFullPass) {
    CliRun run = run_cli({"--sandbox", "--json", "claim"}, 120);
    ASSERT_EQ(run.status, 0) << run.dump();
    EXPECT_TRUE(run.unparsed.empty()) << run.dump();
    EXPECT_TRUE(run.has_log("[提示]开始一键领取...", "navy")) << run.dump();
    EXPECT_TRUE(
        run.has_log("[提示]一键领取结束，点击[Quillet]→[消费记录]可查近7天获得道具", "green"));
    EXPECT_GE(count_logs_starting(run, "[提示]["), 20) << run.dump();
    // The pass ends with the controls unlocked.
    auto events = run.control_events("按钮_一键领取");
    ASSERT_FALSE(events.empty());
    EXPECT_TRUE(events.back()["enabled"].truth());
}

TEST(CommandsBuiltIn, UsageErrorsExitTwoPromptly) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"--sandbox", "frobnicate"}, {"--sandbox", "assets", "5"}, {"--connect-to"}}) {
        CliRun run = run_cli(args, 30);
        EXPECT_EQ(run.status, 2) << run.dump();
        EXPECT_FALSE(run.timed_out);
    }
}

TEST_F(Commands, InfoShowsTheAccount) {
    CliRun run = cli({"info"});
    ASSERT_EQ(run.status, 0) << run.dump();
    EXPECT_TRUE(run.has_log("[提示]QQ：【358791246】 - 【夜雨飞霜】 登录成功", "green"));
    EXPECT_TRUE(run.has_log("[提示]CF：【上海电信一区】 - 【夜雨飞霜】", "green"));
    EXPECT_TRUE(run.has_log("[提示]【Quillet】信息初始化成功", "green"));
    auto area = run.control_events("标签_头像_大区");
    ASSERT_FALSE(area.empty());
    EXPECT_EQ(area.back().str("caption"), "上海电信一区");
    // Cookies are credentials: the output never carries them.
    for (const auto& line : run.lines) EXPECT_EQ(line.find(sb_.account_skey()), std::string::npos);
}

TEST_F(Commands, InfoWithAnExpiredLoginExitsThree) {
    std::ofstream(dir_ / "cookies.txt") << "uin=o0358791246; skey=@expired00\n";
    CliRun run = cli({"info"});
    EXPECT_EQ(run.status, 3) << run.dump();
    EXPECT_TRUE(run.has_log_containing("[提示]QQ信息获取失败")) << run.dump();
}

TEST_F(Commands, BindAnotherArea) {
    CliRun run = cli({"bind", "318"});
    ASSERT_EQ(run.status, 0) << run.dump();
    EXPECT_TRUE(run.has_log_containing("[提示]CF：【广东电信一区】")) << run.dump();
    bool bound = false;
    for (const auto& r : sb_.requests())
        if (r.body.find("iActivityId=45056") != std::string::npos &&
            r.body.find("user_area=318") != std::string::npos)
            bound = true;
    EXPECT_TRUE(bound);
}

TEST_F(Commands, ASecondPassGetsAlreadyClaimedAnswers) {
    CliRun first = cli({"claim"});
    CliRun second = cli({"claim"});
    ASSERT_EQ(first.status, 0) << first.dump();
    ASSERT_EQ(second.status, 0) << second.dump();
    auto first_line = [](const CliRun& run) {
        for (const auto& t : run.log_texts())
            if (t.rfind("[提示][1/", 0) == 0) return t;
        return std::string();
    };
    EXPECT_NE(first_line(first).find("领取成功"), std::string::npos) << first.dump();
    EXPECT_EQ(first_line(second).find("领取成功"), std::string::npos) << second.dump();
}

TEST_F(Commands, ScanListsRegionsInTableOrder) {
    CliRun run = cli({"scan"});
    ASSERT_EQ(run.status, 0) << run.dump();
    std::vector<std::string> found;
    for (const auto& t : run.log_texts())
        if (t.find("该大区有角色创建记录") != std::string::npos) found.push_back(t);
    EXPECT_EQ(found, (std::vector<std::string>{"[提示]【上海电信一区】该大区有角色创建记录",
                                               "[提示]【广东电信一区】该大区有角色创建记录",
                                               "[提示]【移动专区】该大区有角色创建记录"}));
    EXPECT_TRUE(run.has_log("[提示]共扫描到 3 个角色", "green"));
}

TEST_F(Commands, AssetsFillThePanel) {
    CliRun run = cli({"assets"});
    ASSERT_EQ(run.status, 0) << run.dump();
    EXPECT_TRUE(run.has_log("[提示]资产信息取出成功", "green")) << run.dump();
    EXPECT_GT(rows_of(run, "超级列表框_我的资产"), 0u);
    auto total = run.control_events("标签_我的资产_总价值");
    ASSERT_FALSE(total.empty());
    EXPECT_EQ(total.back().str("caption").rfind("￥ ", 0), 0u);
}

TEST_F(Commands, SpendListsRecordsWithTodaysInRed) {
    CliRun run = cli({"spend"});
    ASSERT_EQ(run.status, 0) << run.dump();
    EXPECT_TRUE(run.has_log_containing("[提示]共取出CF消费记录 ")) << run.dump();
    EXPECT_GT(rows_of(run, "超级列表框_消费列表"), 0u);
    bool red = false;
    for (const auto& e : run.control_events("超级列表框_消费列表"))
        if (e["cell"].is_array() && e.str("colour") == "red") red = true;
    EXPECT_TRUE(red) << run.dump();
}

TEST_F(Commands, StatsBanActivitiesAndVouchers) {
    CliRun stats = cli({"stats"});
    EXPECT_TRUE(stats.has_log("[提示]战绩信息查询成功", "green")) << stats.dump();
    auto total = stats.control_events("标签_总战绩信息");
    ASSERT_FALSE(total.empty());
    EXPECT_EQ(total.back().str("caption").rfind("战绩：", 0), 0u);

    CliRun ban = cli({"ban"});
    EXPECT_TRUE(ban.has_log_containing("[提示]封停期限　【")) << ban.dump();
    EXPECT_TRUE(ban.has_log_containing("【已解封】"));

    CliRun activities = cli({"activities"});
    EXPECT_TRUE(activities.has_log_containing("[提示]共取出CF活动 ")) << activities.dump();
    bool long_term = false;
    for (const auto& e : activities.control_events("超级列表框_活动列表"))
        if (e["row"].is_array() && e["row"][2].text() == "长期") long_term = true;
    EXPECT_TRUE(long_term);

    CliRun vouchers = cli({"vouchers"});
    EXPECT_TRUE(vouchers.has_log("[提示]【月券 - 】【聚豆 - 120】【帮豆 - 35】", "green"))
        << vouchers.dump();
    for (const CliRun* run : {&stats, &ban, &activities, &vouchers}) EXPECT_EQ(run->status, 0);
}

TEST_F(Commands, VersionAcceptedOrNot) {
    CliRun ok = cli({"version"});
    EXPECT_EQ(ok.status, 0) << ok.dump();
    EXPECT_TRUE(shows(ok, "已经是最新版本，当前版本 v1.1.0.19"));
    sb_.set_version("1.1.0.20");
    CliRun newer = cli({"version"});
    EXPECT_EQ(newer.status, 1) << newer.dump();
    EXPECT_TRUE(shows(newer, "发现新版本 v1.1.0.20")) << newer.dump();
}

}  // namespace
}  // namespace quillet::e2e
