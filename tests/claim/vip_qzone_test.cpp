#include <gtest/gtest.h>

#include "claim/qzone.h"
#include "claim/vip.h"
#include "tests/claim/claim_test_support.h"
#include "text/gbk.h"

namespace quillet {
namespace {

using testing::gbk;
using testing::ScriptedServer;
using testing::TestSession;

TEST(VipClaim, ReadsTheAnswerByTheEntrysRules) {
    const std::string rules = gbk("=0:领取成功|=-1:活动已结束|!=0:j:msg");
    constexpr auto G = OutcomeKind::given, N = OutcomeKind::nothing_given, F = OutcomeKind::failed;
    struct Case {
        const char* name;
        std::string answer;
        std::string rS;
        std::string message;
        OutcomeKind kind;
        std::string code;
    };
    // "ret" 0 is the activity system's yes, whatever words the rules pick.
    const Case cases[] = {
        {"no answer", "", rules, gbk("领取失败，网络错误 80001"), F, "80001"},
        {"not JSON", "<html>", rules, gbk("领取失败，解析错误 80002"), F, "80002"},
        {"wrapped, first rule", R"(123({"ret":"0"}))", rules, gbk("领取成功"), G, "0"},
        {"ret as number", R"(123({"ret":0}))", rules, gbk("领取成功"), G, "0"},
        {"second rule first to match", R"({"ret":"-1","msg":"X"})", rules, gbk("活动已结束"), N,
         "-1"},
        {"j: path", gbk(R"({"ret":"5","msg":"今日已领"})"), rules, gbk("今日已领"), N, "5"},
        {"j: path absent", R"({"ret":"5"})", rules, "", N, "5"},
        {"j: takes the text after the last colon", R"({"ret":"5","a":{"b":"deep"}})", "!=0:j:x:a.b",
         "deep", N, "5"},
        {"empty rules", R"({"ret":"0"})", "", gbk("领取失败，解析错误 80003"), F, "80003"},
        {"no rule matches", R"({"ret":"7"})", "=0:ok|=1:no", gbk("领取失败，解析错误 80003"), F,
         "80003"},
        {"matching rule without message", R"({"ret":"0"})", "=0:|=0:later",
         gbk("领取失败，解析错误 80003"), F, "80003"},
        {"rule of another form never matches", R"({"ret":"0"})", "0:zero|==0:x|=0:ok", "ok", G,
         "0"},
        {"message keeps its colons", R"({"ret":"0"})", "=0:a:b", "a:b", G, "0"},
        // Without a code only the words tell.
        {"absent ret equals the empty code", R"({"msg":"m"})", "=:none|!=:some", "none", N, ""},
        {"absent ret, words of success", gbk(R"({"msg":"恭喜您获得：黄钻7天"})"), "=:j:msg",
         gbk("恭喜您获得：黄钻7天"), G, ""},
        {"wrapper cut at the first )", R"J(123({"ret":"0","msg":"(x)"}))J", rules,
         gbk("领取失败，解析错误 80002"), F, "80002"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ClaimOutcome o = vip_read_answer(c.answer, c.rS);
        EXPECT_EQ(testing::utf8(o.message), testing::utf8(c.message));
        EXPECT_EQ(o.kind, c.kind);
        EXPECT_EQ(o.code, c.code);
    }
    EXPECT_EQ(vip_read_answer(gbk(R"({"msg":"恭喜您获得：黄钻7天"})"), "=:j:msg").gifts,
              std::vector<std::string>{gbk("黄钻7天")});
}

TEST(VipClaim, FillsTheEntrysQueryAndSendsTheSessionCookie) {
    ScriptedServer server;
    TestSession s(server.port());
    server.answer("/ams3.0.php", {gbk(R"({"ret":"0","msg":"成功"})")});
    ActivityEntry e;
    e.type = "4";
    e.aId = "9001";
    e.vipId = "V7";
    e.rS = "=0:j:msg";
    e.param =
        "actid=#{aId}&g_tk=#{g_tk}&uin=#{uin}&area=#{area}&role=#{roleName}&vip=#{vipId}"
        "&t=#{time}&again=#{aId}";
    ClaimOutcome o = vip_claim(*s, e);
    EXPECT_EQ(o.message, gbk("成功"));  // GBK answer taken as it is
    EXPECT_EQ(o.kind, OutcomeKind::given);
    e.param = "plain=1";
    vip_claim(*s, e);

    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].header("Host"), HostTable::default_of(Host::VIP_AMS));
    // The role name goes in as GBK bytes, not encoded; WinHTTP cannot send a
    // byte past ASCII in a path and sends its escape.
#ifdef _WIN32
    const std::string role = "%B2%E2%CA%D4";
#else
    const std::string role = gbk("测试");
#endif
    EXPECT_EQ(seen[0].target, "/ams3.0.php?actid=9001&g_tk=1234567&uin=10001&area=320&role=" +
                                  role + "&vip=V7&t=1471223131250&again=9001");
    EXPECT_EQ(seen[0].header("Cookie"), "uin=o0010001; skey=@abcDEF123; p_uin=o0010001");
    EXPECT_EQ(seen[1].target, "/ams3.0.php?plain=1");
}

TEST(QzoneClaim, ReadsTheCallbackArgumentAndThePrizes) {
    constexpr auto G = OutcomeKind::given, N = OutcomeKind::nothing_given, F = OutcomeKind::failed;
    struct Case {
        const char* name;
        std::string answer;
        std::string message;
        OutcomeKind kind;
        std::string code;
        std::vector<std::string> gifts;
    };
    const Case cases[] = {
        {"no answer", "", gbk("领取失败，网络错误 90001"), F, "90001", {}},
        {"no callback", R"({"subcode":0})", gbk("领取失败，解析错误 90002"), F, "90002", {}},
        {"unterminated callback",
         R"(frameElement.callback({"subcode":0})",
         gbk("领取失败，解析错误 90002"),
         F,
         "90002",
         {}},
        {"drawn before, number",
         "<script>frameElement.callback({\"subcode\":-7029,\"message\":\"m\"});</script>",
         gbk("您已抽取过该奖励，请明天再试"),
         N,
         "-7029",
         {}},
        {"drawn before, text",
         R"(frameElement.callback({"subcode":"-7029"});)",
         gbk("您已抽取过该奖励，请明天再试"),
         N,
         "-7029",
         {}},
        {"prize",
         gbk(R"(frameElement.callback({"subcode":0,"data":[{"name":"QQ会员"}]});)"),
         gbk("QQ会员"),
         G,
         "0",
         {gbk("QQ会员")}},
        {"two prizes in one draw",
         gbk(R"(frameElement.callback({"subcode":0,"data":[{"name":"A"},{"name":"B"}]});)"),
         "A",
         G,
         "0",
         {"A", "B"}},
        {"markers in another letter case",
         R"(FRAMEELEMENT.Callback({"subcode":0,"data":[{"name":"P"}]});)",
         "P",
         G,
         "0",
         {"P"}},
        {"server's words",
         gbk(R"(frameElement.callback({"subcode":-1,"message":"活动未开始"});)"),
         gbk("活动未开始"),
         N,
         "-1",
         {}},
        {"no subcode", R"(frameElement.callback({"message":"m"});)", "m", N, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ClaimOutcome o = qzone_read_answer(c.answer);
        EXPECT_EQ(testing::utf8(o.message), testing::utf8(c.message));
        EXPECT_EQ(o.kind, c.kind);
        EXPECT_EQ(o.code, c.code);
        EXPECT_EQ(o.gifts, c.gifts);
    }
}

TEST(QzoneClaim, PostsTheLotteryFormWithTheSevenHeaderLines) {
    ScriptedServer server;
    TestSession s(server.port());
    server.answer(
        "/fcg-bin/fcg_qzact_lottery",
        {gbk_to_utf8(gbk(R"(frameElement.callback({"subcode":0,"data":[{"name":"黄钻"}]});)"))});
    ActivityEntry e;
    e.type = "5";
    e.aId = "1040";
    e.param = "2207";
    const ClaimOutcome o = qzone_claim(*s, e);
    EXPECT_EQ(o.message, gbk("黄钻"));  // the UTF-8 answer is decoded
    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 1u);
    const auto& r = seen[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "/fcg-bin/fcg_qzact_lottery");
    const std::string prefix = "/fcg-bin/fcg_qzact_lottery?g_tk=1234567&r=";
    ASSERT_EQ(r.target.substr(0, prefix.size()), prefix);
    const std::string token = r.target.substr(prefix.size());
    EXPECT_EQ(token.size(), 17u);
    EXPECT_EQ(token.substr(0, 2), "0.");
    EXPECT_EQ(r.body,
              "actid=1040&ruleid=2207&card_id=&card_code=&format=formsender&uin=10001"
              "&g_tk=1234567&qzreferrer=http%3a%2f%2f" +
                  std::string(HostTable::default_of(Host::QZONE_PAGE)) +
                  "%2fmeteor%2fpc%2findex.html%3frid%3d1040");
    EXPECT_EQ(r.header("Cookie"), "uin=o0010001; skey=@abcDEF123; p_uin=o0010001");

    // The lines the engine passes through are sent as written, in this order;
    // Host and User-Agent are the engine's own lines, carrying the given values.
    const std::vector<std::string> lines = {
        "Accept:text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8",
        "Accept-Encoding:gzip, deflate",
        "Accept-Language:zh-CN,zh;q=0.8,en-US;q=0.5,en;q=0.3",
        "Connection:keep-alive",
        "Referer:http://" + std::string(HostTable::default_of(Host::QZONE_STATIC)) +
            "/qzone/mall/v8/lib/mall/misc/formsender.htm?max_age=2592000",
    };
    size_t last = 0;
    for (const auto& line : lines) {
        SCOPED_TRACE(line);
        const size_t at = r.raw_head.find("\r\n" + line + "\r\n");
        ASSERT_NE(at, std::string::npos) << r.raw_head;
        EXPECT_GT(at, last);
        last = at;
    }
    EXPECT_EQ(r.header("Host"), HostTable::default_of(Host::QZONE_ACT));
    EXPECT_EQ(r.header("User-Agent"),
              "Mozilla/5.0 (Windows NT 10.0; WOW64; rv:47.0) Gecko/20100101 Firefox/47.0");
    for (const char* name :
         {"Host", "User-Agent", "Referer", "Accept", "Accept-Language", "Accept-Encoding"})
        EXPECT_EQ(r.header_count(name), 1) << name;
}

TEST(QzoneClaim, CompressedAnswerIsDecodedBeforeItIsRead) {
    ScriptedServer server;
    server.gzip_when_asked(true);
    TestSession s(server.port());
    const std::string answer =
        gbk_to_utf8(gbk(R"(frameElement.callback({"subcode":0,"data":[{"name":"黄钻7天"}]});)"));
    ASSERT_NE(ScriptedServer::gzip(answer), answer);
    server.answer("/fcg-bin/fcg_qzact_lottery", {answer});
    ActivityEntry e;
    e.aId = "1040";
    e.param = "2207";
    const ClaimOutcome o = qzone_claim(*s, e);
    EXPECT_EQ(testing::utf8(o.message), "黄钻7天");
    EXPECT_EQ(o.kind, OutcomeKind::given);
    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].header("Accept-Encoding"), "gzip, deflate");
}

}  // namespace
}  // namespace quillet
