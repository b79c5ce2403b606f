#include "claim/tgp.h"

#include <gtest/gtest.h>

#include "tests/claim/claim_test_support.h"

namespace quillet {
namespace {

using testing::gbk;
using testing::ScriptedServer;
using testing::TestSession;

const std::string kActivity = "/index.php/cf/a20160901";
const std::string kQuery = kActivity + "/index/ajax_get_all";
const std::string kSave = kActivity + "/index/ajax_save_zone";
const std::string kGift = kActivity + "/index/ajax_get_present";
// 2016-08-15 09:05:31.250 China Standard Time.
const std::string kTime = "1471223131250";

ActivityEntry tgp_entry() {
    ActivityEntry e;
    e.type = "7";
    e.aId = "a20160901";
    e.param = "77";
    e.u = "http://act.example/cf/#{aId}/index.html?x=#{aId}";
    return e;
}

TEST(TgpBind, ReadsTheZoneQueryAndTheZoneSave) {
    struct Case {
        const char* name;
        std::string query, save;
        std::string code;
        bool saved;  // a zone save was requested
    };
    const Case cases[] = {
        {"zone bound", R"({"status":"1","data":{"zone":"5"}})", "", "0", false},
        {"any zone counts", R"({"status":"1","data":{"zone":"326"}})", "", "0", false},
        {"zone 0 is unbound", R"({"status":"1","data":{"zone":"0"}})", R"(123({"status":"1"}))",
         "0", true},
        {"zone 0 as a number", R"({"status":1,"data":{"zone":0}})", R"(123({"status":"1"}))", "0",
         true},
        {"query refused", R"({"status":"0"})", R"(123({"status":1}))", "0", true},
        {"query unanswered", "", R"(123({"status":"1"}))", "0", true},
        {"query garbage", "<html>", R"(123({"status":"1"}))", "0", true},
        {"save unanswered", "", "", "-2", true},
        {"save cut at the first )", "", R"J(123({"status":"1","msg":"a(b)"}))J", "-3", true},
        {"save without wrapper", "", R"({"status":"1"})", "-3", true},
        {"save refused", "", R"(123({"status":"0","msg":"x"}))", "-4", true},
        {"save other status", "", R"(123({"status":"2"}))", "-4", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server;
        TestSession s(server.port());
        server.answer(kQuery, {c.query});
        server.answer(kSave, {c.save});
        EXPECT_EQ(tgp_bind(*s, tgp_entry()), c.code);
        EXPECT_EQ(server.seen(kQuery).size(), 1u);
        EXPECT_EQ(server.seen(kSave).size(), c.saved ? 1u : 0u);
        EXPECT_EQ(s->state.tgp_bound_ids.contains_any_area(s->state.qq, "a20160901"),
                  c.code == "0");
    }
}

TEST(TgpBind, SendsThePlatformsAjaxRequests) {
    ScriptedServer server;
    TestSession s(server.port());
    server.answer(kQuery, {R"({"status":"1","data":{"zone":"0"}})"});
    server.answer(kSave, {R"(123({"status":"1"}))"});
    ASSERT_EQ(tgp_bind(*s, tgp_entry()), "0");
    EXPECT_EQ(tgp_bind(*s, tgp_entry()), "0");  // bound in this run: no request
    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].target, kQuery + "?&t=" + kTime);
    // Both time values of the save address are the same.
    EXPECT_EQ(seen[1].target,
              kSave + "/320/%E6%B5%8B%E8%AF%95/?t=" + kTime + "&uin=10001&callback=123&_=" + kTime);
    for (const auto& r : seen) {
        EXPECT_EQ(r.method, "GET");
        EXPECT_EQ(r.header("Host"), HostTable::default_of(Host::TGP_ACT));
        // The pt cookies, not the session cookie.
        EXPECT_TRUE(starts_with(r.header("Cookie"),
                                "pt2gguin=o0010001; RK=rk; ptcz=cz; uin=o0010001; skey=@abcDEF123"))
            << r.header("Cookie");
        EXPECT_TRUE(contains(r.raw_head, "\r\nX-Requested-With:XMLHttpRequest\r\n"));
        EXPECT_TRUE(contains(r.raw_head,
                             "\r\nReferer:http://act.example/cf/a20160901/index.html"
                             "?x=a20160901\r\n"));
        EXPECT_EQ(r.header_count("Referer"), 1);
    }
}

TEST(TgpBind, EmptyRefererStaysEmpty) {
    ScriptedServer server;
    TestSession s(server.port());
    server.answer(kQuery, {R"({"status":"1","data":{"zone":"5"}})"});
    ActivityEntry e = tgp_entry();
    e.u = "";
    ASSERT_EQ(tgp_bind(*s, e), "0");
    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].header_count("Referer"), 1);
    EXPECT_EQ(seen[0].header("Referer"), "");
}

TEST(TgpBind, APageAddressWithALineBreakStaysOneReferer) {
    // The catalogue comes over plain HTTP: its page address must not add lines.
    ScriptedServer server;
    TestSession s(server.port());
    server.answer(kQuery, {R"({"status":"1","data":{"zone":"5"}})"});
    ActivityEntry e = tgp_entry();
    e.u = "http://act.example/#{aId}\r\nX-Injected: 1\nX-Other: 2";
    ASSERT_EQ(tgp_bind(*s, e), "0");
    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].header_count("Referer"), 1);
    EXPECT_EQ(seen[0].header("Referer"), "http://act.example/a20160901X-Injected: 1X-Other: 2");
    EXPECT_EQ(seen[0].header_count("X-Injected"), 0);
    EXPECT_EQ(seen[0].header_count("X-Other"), 0);
}

TEST(TgpClaim, ReadsTheGiftAnswerAndWhatItGave) {
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
        {"no answer", "", gbk("领取失败，网络错误 60001"), F, "60001", {}},
        {"not JSON", "Service Unavailable", gbk("领取失败，解析错误 60002"), F, "60002", {}},
        {"gift",
         gbk(R"({"status":"1","data":{"name":"黄金AK"}})"),
         gbk("黄金AK"),
         G,
         "1",
         {gbk("黄金AK")}},
        {"gift without name", R"({"status":"1","data":{}})", "", G, "1", {}},
        {"claimed before",
         R"({"status":"0","data":"-99"})",
         gbk("您已经领取过该礼包"),
         N,
         "-99",
         {}},
        {"code as number", R"({"status":0,"data":-99})", gbk("您已经领取过该礼包"), N, "-99", {}},
        {"not released", R"({"status":"0","data":"-105"})", gbk("新版本暂未发布"), N, "-105", {}},
        {"not started",
         R"({"status":"0","data":"-103"})",
         gbk("您在今天还未通过TGP启动过CF游戏"),
         N,
         "-103",
         {}},
        {"other code", R"({"status":"0","data":"-1"})", "", N, "-1", {}},
        // Not signed in: the platform refused, whatever "data" says.
        {"other status", R"({"status":"-1","data":"-99"})", "", N, "-1", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ClaimOutcome o = tgp_read_gift_answer(c.answer);
        EXPECT_EQ(testing::utf8(o.message), testing::utf8(c.message));
        EXPECT_EQ(o.kind, c.kind);
        EXPECT_EQ(o.code, c.code);
        EXPECT_EQ(o.gifts, c.gifts);
    }
}

TEST(TgpClaim, RequestsTheGiftAsGbk) {
    ScriptedServer server;
    TestSession s(server.port());
    server.answer(kGift, {gbk(R"({"status":"1","data":{"name":"黄金AK"}})")});
    const ClaimOutcome o = tgp_claim(*s, tgp_entry());
    EXPECT_EQ(o.message, gbk("黄金AK"));  // the answer is GBK, taken as it is
    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].target, kGift + "/77?t=" + kTime + "&uin=10001");
    EXPECT_TRUE(contains(seen[0].raw_head, "\r\nX-Requested-With:XMLHttpRequest\r\n"));
}

}  // namespace
}  // namespace quillet
