// The service readers given hostile answers: every one ends within one engine
// budget and reads the answer as unreadable, and no list grows past its cap.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "services/assets.h"
#include "services/game_service_client.h"
#include "tests/support/gbk_literal.h"
#include "tests/support/short_script_budget.h"

namespace quillet {
namespace {

using testing::never_returning;
using Clock = std::chrono::steady_clock;

// One 300 ms budget and some slack; a budget per call would be seconds.
constexpr auto kWithinOneBudget = std::chrono::milliseconds(1500);

TEST(HostileAnswers, WeaponListsFailWithinOneBudgetAndStayBounded) {
    const testing::ShortScriptBudget budget;
    const DateTime today{2026, 12, 10, 12, 0, 0};
    const std::string weapon = never_returning({"EffEndTime", "StaticInfo"});
    const struct {
        const char* name;
        std::string answer;
    } cases[] = {
        {"a length the answer cannot hold", R"(123({"Ret":"0","WeaponStats":{"length":1e12}}))"},
        {"a negative length", R"(123({"Ret":"0","WeaponStats":{"length":-3}}))"},
        {"a built list beyond any account", "123({Ret:'0',WeaponStats:Array(20000).fill({})})"},
        {"weapons that never return",
         "123({Ret:'0',WeaponStats:[" + weapon + "," + weapon + "," + weapon + "]})"},
        {"a Ret that never returns", "123(" + never_returning({"Ret"}) + ")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto started = Clock::now();
        const WeaponStats stats = parse_weapon_stats(c.answer, today);
        EXPECT_LT(Clock::now() - started, kWithinOneBudget);
        EXPECT_FALSE(stats.readable);
        EXPECT_TRUE(stats.rows.empty());
    }

    const WeaponStats good = parse_weapon_stats(
        R"(123({"Ret":"0","WeaponStats":[{"EffEndTime":"0","StaticInfo":{"Name":"AK","Price":"250"}}]}))",
        today);
    ASSERT_TRUE(good.readable);
    ASSERT_EQ(good.rows.size(), 1u);
    EXPECT_EQ(good.rows[0].name, "AK");
    EXPECT_EQ(good.total, 250);
}

TEST(HostileAnswers, JsonAnswersWhoseMembersNeverReturnAreUnreadable) {
    const testing::ShortScriptBudget budget;
    const std::string ams = never_returning({"flowRet", "modRet"});
    const std::string vip = "var result = " + never_returning({"ret", "msg"});
    const std::string vip_msg = "var result = {ret:'0',msg:" +
                                never_returning({"green", "vip", "point", "nextlevelpoint"}) + "}";

    auto started = Clock::now();
    const GamePoints points = parse_points(ams);
    EXPECT_EQ(points.cf, "0");
    EXPECT_EQ(points.gp, "0");
    const GamePoints points_later = parse_points(
        "({flowRet:{iRet:'0'},modRet:{jData:" + never_returning({"cfPoint", "gamePoint"}) + "}})");
    EXPECT_EQ(points_later.cf, "0");
    EXPECT_LT(Clock::now() - started, 2 * kWithinOneBudget);

    for (const std::string& answer : {vip, vip_msg}) {
        started = Clock::now();
        const VipInfo info = parse_vip_info(answer);
        EXPECT_LT(Clock::now() - started, kWithinOneBudget);
        EXPECT_EQ(info.status, -2);
        EXPECT_EQ(info.vip_level, 0);
    }
    VipInfo info;
    info.growth = 7;
    started = Clock::now();
    parse_vip_growth(vip_msg, info);
    EXPECT_LT(Clock::now() - started, kWithinOneBudget);
    EXPECT_EQ(info.growth, 7);  // left as it was

    started = Clock::now();
    bool ok = true;
    EXPECT_EQ(parse_redeem_answer(ams, ok), testing::gbk("解析失败，错误代码：90001"));
    EXPECT_FALSE(ok);
    EXPECT_LT(Clock::now() - started, kWithinOneBudget);
}

TEST(HostileAnswers, RegexListsStopAtTheirCaps) {
    std::string spend;
    for (int i = 0; i < 12000; ++i) spend += "|1#x#2#3";
    std::vector<SpendRecord> records;
    EXPECT_EQ(parse_spend_records(spend, records), 10000);
    EXPECT_EQ(records.size(), 10000u);

    const std::string activity =
        R"("content":"[]","editorNick":"","editorUin":"","endtime":"","eventtime":"","gameid":"",)"
        R"("iActiveType":"","iHoldType":"","id":"","itype":"","limit":"","name":"n","once":"",)"
        R"("remindtime":"","starttime":"","szHoldName":"","uin":"","url":"u")";
    std::string list;
    for (int i = 0; i < 1200; ++i) list += "{" + activity + "},";
    std::vector<ActivityListItem> items;
    EXPECT_EQ(parse_activity_list(list, items), 1000);
    EXPECT_EQ(items.size(), 1000u);
}

}  // namespace
}  // namespace quillet
