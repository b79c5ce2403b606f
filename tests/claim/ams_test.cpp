#include "claim/ams.h"

#include <gtest/gtest.h>

#include "tests/claim/claim_test_support.h"
#include "text/gbk.h"

namespace quillet {
namespace {

using testing::gbk;
using testing::ScriptedServer;
using testing::TestSession;

const std::string kAms = "/ams/ame/ame.php";

std::string game_site() {
    return std::string(HostTable::default_of(Host::GAME_SITE));
}

ActivityEntry bound_entry() {
    ActivityEntry e;
    e.aId = "AID";
    e.saId = "SA";
    e.sfId0 = "SF0";
    e.sfId1 = "SF1";
    e.fId = "F1";
    return e;
}

// Which body a recorded AMS request carried.
bool is_query(const testing::Seen& r) {
    return contains(r.body, "iFlowId=SF0");
}
bool is_submit(const testing::Seen& r) {
    return contains(r.body, "iFlowId=SF1");
}

TEST(AmsBind, ReadsTheQueryAndSubmitsWhenTheAreaDiffers) {
    struct Case {
        const char* name;
        std::vector<std::string> answers;  // query, then submit
        std::string code;
        int requests;
        bool bound;
    };
    const Case cases[] = {
        {"bound to this area", {R"({"ret":"0","Farea":"320"})"}, "0", 1, true},
        {"bound elsewhere", {R"({"ret":"0","Farea":"326"})", R"({"iRet":"0"})"}, "0", 2, true},
        {"not bound yet", {R"({"ret":"1001","Farea":"320"})", R"({"iRet":"0"})"}, "0", 2, true},
        {"submit refused", {R"({"ret":"1001"})", R"({"iRet":"-1","sMsg":"x"})"}, "-1", 2, false},
        {"submit unanswered", {R"({"ret":"1001"})", ""}, "", 2, false},
        {"submit with numeric iRet", {R"({"ret":"1001"})", R"({"iRet":0})"}, "0", 2, true},
        {"query unanswered", {""}, "-2", 1, false},
        {"query error, same area", {R"({"ret":"-9","Farea":"320"})"}, "-9", 1, false},
        {"query error, no area", {R"({"ret":"-9"})", R"({"iRet":"0"})"}, "0", 2, true},
        {"numeric ret, other area",
         {R"({"ret":-5,"Farea":"326"})", R"({"iRet":"0"})"},
         "0",
         2,
         true},
        // A bare-number ret is read too, so a confirmed binding is not a failure.
        {"numeric ret, this area", {R"({"ret":0,"Farea":"320"})"}, "0", 1, true},
        {"numeric error, this area", {R"({"ret":-9,"Farea":"320"})"}, "-9", 1, false},
        {"ret not found", {R"({"Farea":"320"})"}, "", 1, false},
        {"garbage", {"<html>oops</html>", R"({"iRet":"0"})"}, "0", 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server;
        TestSession s(server.port());
        server.answer(kAms, c.answers);
        BoundIds bound;
        const ActivityEntry e = bound_entry();
        EXPECT_EQ(ams_bind(*s, e.aId, e.saId, e.sfId0, e.sfId1, bound), c.code);
        const auto seen = server.seen(kAms);
        ASSERT_EQ(static_cast<int>(seen.size()), c.requests);
        EXPECT_TRUE(is_query(seen[0]));
        if (c.requests == 2) {
            EXPECT_TRUE(is_submit(seen[1]));
        }
        EXPECT_EQ(bound.contains(s->state.qq, "AID", s->state.area_id), c.bound);
    }
}

TEST(AmsBind, NeedsNoRequestWhenBoundOrWithoutBindingIds) {
    ScriptedServer server;
    TestSession s(server.port());
    server.answer(kAms, {R"({"ret":"0","Farea":"320"})"});
    ActivityEntry e = bound_entry();
    for (std::string ActivityEntry::*field :
         {&ActivityEntry::aId, &ActivityEntry::saId, &ActivityEntry::sfId0}) {
        ActivityEntry missing = e;
        missing.*field = "";
        EXPECT_EQ(ams_bind(*s, missing), "0");
    }
    EXPECT_TRUE(server.seen().empty());

    EXPECT_EQ(ams_bind(*s, e), "0");  // confirmed: into the session's list
    EXPECT_TRUE(s->state.ams_bound_ids.contains(s->state.qq, "AID", s->state.area_id));
    EXPECT_EQ(ams_bind(*s, e), "0");
    EXPECT_EQ(server.seen().size(), 1u);
}

TEST(AmsBind, SendsTheQueryAndSubmitBodiesAsTheServiceExpects) {
    ScriptedServer server;
    TestSession s(server.port());
    server.answer(kAms, {R"({"ret":"1001"})", R"({"iRet":"0"})"});
    ASSERT_EQ(ams_bind(*s, bound_entry()), "0");
    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 2u);
    for (const auto& r : seen) {
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.target, kAms);
        EXPECT_EQ(r.header("Host"), HostTable::default_of(Host::AMS));
        EXPECT_EQ(r.header("Cookie"), "uin=o0010001; skey=@abcDEF123; p_uin=o0010001");
    }
    // The query keeps its two CR LF pairs inside the body.
    EXPECT_EQ(seen[0].body,
              "sign_version=1.0&action_id=SA&iActivityId=AID&iFlowId=SF0&g_tk=1234567&e_code=0"
              "&g_code=0&eas_url\r\n=http%253A%252F%252F" +
                  game_site() +
                  "%252Fcp%252Fa20160511yj%252F&eas_refer=&sServiceDepartment=group_f"
                  "&sServiceType\r\n=cf");
    EXPECT_EQ(seen[1].body,
              "sign_version=1.0&action_id=SA&user_area=320&user_roleId=10001"
              "&user_roleName=%E6%B5%8B%E8%AF%95"
              "&user_areaName=%E4%B8%8A%E6%B5%B7%E7%94%B5%E4%BF%A1%E4%B8%80%E5%8C%BA"
              "&user_roleLevel=0"
              "&user_checkparam=%63%66%7C%79%65%73%7C%31%30%30%30%31%7C%33%32%30%7C%61%20%62"
              "&user_md5str=ABCDEF0123456789&user_sex=&iActivityId=AID&iFlowId=SF1&g_tk=1234567"
              "&e_code=0&g_code=0&eas_url=&eas_refer=&sServiceDepartment=group_f&sServiceType=cf");
}

TEST(AmsClaim, ReadsTheAnswer) {
    MessageCleaner cleaner;
    cleaner.set_phrases(MessageCleaner::default_phrases());
    struct Case {
        const char* name;
        std::string answer;
        std::string rK;
        std::string message;
        OutcomeKind kind;
        std::string code;
        std::vector<std::string> gifts;
    };
    constexpr auto G = OutcomeKind::given, N = OutcomeKind::nothing_given, F = OutcomeKind::failed;
    const Case cases[] = {
        {"no answer", "", "", gbk("领取失败，网络错误 50001"), F, "50001", {}},
        {"not JSON", "<html>busy</html>", "", gbk("领取失败，解析错误 50002"), F, "50002", {}},
        {"not JSON with rK", "{ret:", "msg", gbk("领取失败，解析错误 50002"), F, "50002", {}},
        {"module ok",
         R"({"ret":"0","modRet":{"sMsg":"MODULE OK"}})",
         "",
         gbk("领取成功"),
         G,
         "0",
         {}},
        {"no message", R"({"ret":"0"})", "", gbk("领取失败，配置错误 50003"), F, "50003", {}},
        // By the codes: the flow's ret, then the module's own iRet.
        {"prize named",
         gbk(R"({"ret":"0","modRet":{"iRet":0,"sMsg":"恭喜您抽中：200GP"}})"),
         "",
         gbk("恭喜您抽中：200GP"),
         G,
         "0",
         {"200GP"}},
        {"package named apart",
         gbk(R"J({"ret":"0","modRet":{"iRet":"0","sMsg":"MODULE OK","sPackageName":"AK47(3天)"}})J"),
         "",
         gbk("领取成功"),
         G,
         "0",
         {gbk("AK47(3天)")}},
        {"module refuses under a flow that ran",
         gbk(R"({"ret":"0","modRet":{"iRet":-1012,"sMsg":"非常抱歉，您今天的抽奖次数已用完"}})"),
         "",
         gbk("您今天的抽奖次数已用完"),
         N,
         "-1012",
         {}},
        {"flow refuses, whatever the words",
         gbk(R"({"ret":"600","flowRet":{"iRet":"600","sMsg":"恭喜您获得：AK"}})"),
         "",
         gbk("恭喜您获得：AK"),
         N,
         "600",
         {}},
        {"flow code without ret",
         R"({"flowRet":{"iRet":"700","sMsg":"x"}})",
         "",
         "x",
         N,
         "700",
         {}},
        {"rK with a yes",
         gbk(R"({"ret":"0","msg":"心悦特权礼包已发放至您的游戏仓库"})"),
         "msg",
         gbk("心悦特权礼包已发放至您的游戏仓库"),
         G,
         "0",
         {}},
        {"rK with a no",
         gbk(R"({"ret":"600","msg":"特权礼包每周限领一次"})"),
         "msg",
         gbk("特权礼包每周限领一次"),
         N,
         "600",
         {}},
        // Without codes the words decide, and only words of success give.
        {"flow success", R"({"flowRet":{"sMsg":"success"}})", "", gbk("领取成功"), G, "", {}},
        {"other letter case is a message",
         R"({"modRet":{"sMsg":"Success"}})",
         "",
         "Success",
         N,
         "",
         {}},
        {"flow fallback", R"({"modRet":{"sMsg":""},"flowRet":{"sMsg":"x"}})", "", "x", N, "", {}},
        {"module first", R"({"modRet":{"sMsg":"m"},"flowRet":{"sMsg":"f"}})", "", "m", N, "", {}},
        {"escaped twice", R"({"modRet":{"sMsg":"\\u606d\\u559c"}})", "", gbk("恭喜"), G, "", {}},
        {"cleaned",
         gbk(R"({"modRet":{"sMsg":"很抱歉，您已领取过该礼包，不能重复领取！"}})"),
         "",
         gbk("您已领取过该礼包"),
         N,
         "",
         {}},
        {"only phrases",
         gbk(R"({"modRet":{"sMsg":"非常抱歉，领取机会不足，"}})"),
         "",
         "",
         N,
         "",
         {}},
        {"rK taken as it is",
         gbk(R"({"msg":"很抱歉，\\u606d"})"),
         "msg",
         gbk("很抱歉，\\u606d"),
         N,
         "",
         {}},
        {"rK path", R"({"data":{"name":"AK"}})", "data.name", "AK", N, "", {}},
        {"rK absent", R"({"modRet":{"sMsg":"MODULE OK"}})", "msg", "", N, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ClaimOutcome o = ams_read_claim_answer(c.answer, c.rK, cleaner);
        EXPECT_EQ(testing::utf8(o.message), testing::utf8(c.message));
        EXPECT_EQ(o.kind, c.kind);
        EXPECT_EQ(o.code, c.code);
        EXPECT_EQ(o.gifts, c.gifts);
    }
}

TEST(AmsClaim, PostsTheStandardBodyAndDecodesTheUtf8Answer) {
    ScriptedServer server;
    TestSession s(server.port());
    server.answer(kAms, {gbk_to_utf8(gbk(R"({"modRet":{"sMsg":"恭喜获得M4A1"}})"))});
    MessageCleaner cleaner;
    const ClaimOutcome o = ams_claim(*s, bound_entry(), cleaner);
    EXPECT_EQ(testing::utf8(o.message), "恭喜获得M4A1");
    EXPECT_TRUE(o.answered());
    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "POST");
    EXPECT_EQ(seen[0].body,
              "gameId=&sArea=&iSex=&sRoleId=&iGender=&sServiceType=cf&objCustomMsg=&areaname="
              "&roleid=&rolelevel=&rolename=&areaid=&iActivityId=AID&iFlowId=F1&g_tk=1234567"
              "&e_code=0&g_code=0&eas_url=http%253A%252F%252F" +
                  game_site() +
                  "%252Fcp%252Fa20160511yj%252F&eas_refer=&sServiceDepartment=group_f");
    EXPECT_EQ(seen[0].body, ams_standard_body("AID", "F1", "1234567"));
}

TEST(AmsClaim, CustomBodyAsksForTheInputOnlyWhenItHasAPlace) {
    struct Case {
        const char* name;
        std::string param;
        std::optional<std::string> typed;  // nullopt: the box is cancelled
        std::string body;
        bool asked;
    };
    const Case cases[] = {
        {"answered",
         "iActivityId=#{aId}\r\n&sCode=#{input}\r\n&again=#{input}&iFlowId=#{fId}"
         "&g_tk=#{g_tk}",
         gbk("暗号"),
         "iActivityId=AID&sCode=" + gbk("暗号") + "&again=" + gbk("暗号") +
             "&iFlowId=F1&g_tk=1234567",
         true},
        {"cancelled", "sCode=#{input}&iActivityId=#{aId}", std::nullopt,
         "sCode=#{input}&iActivityId=AID", true},
        {"no input", "a=#{aId}\r\n&b=2", std::nullopt, "a=AID&b=2", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server;
        TestSession s(server.port());
        server.answer(kAms, {R"({"modRet":{"sMsg":"MODULE OK"}})"});
        s.view.set_recording(true);
        s.view.push_input_answer(c.typed);
        ActivityEntry e = bound_entry();
        e.param = c.param;
        e.param1 = gbk("输入暗号");
        e.param2 = gbk("请输入今日暗号");
        MessageCleaner cleaner;
        EXPECT_TRUE(ams_claim(*s, e, cleaner).answered());
        const auto seen = server.seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].body, c.body);

        std::vector<ViewEvent> inputs;
        for (const auto& ev : s.view.events())
            if (ev.op == "input") inputs.push_back(ev);
        ASSERT_EQ(inputs.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(inputs[0].target, e.param1);  // title
            EXPECT_EQ(inputs[0].value, e.param2);   // prompt
            EXPECT_EQ(inputs[0].values.at(0), "");  // initial text
        }
    }
}

}  // namespace
}  // namespace quillet
