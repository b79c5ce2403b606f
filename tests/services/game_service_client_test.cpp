// The readers of GameServiceClient against scripted answers of a loopback
// server: what they send, how they read, where they stop.
#include "services/game_service_client.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/support/gbk_literal.h"
#include "tests/support/scripted_bed.h"
#include "text/text_ops.h"
#include "text/time_text.h"

namespace quillet {
namespace {

using testing::gbk;
using testing::ScriptedSession;
using testing::Seen;
using testing::utf8;

class GameServiceClientTest : public ::testing::Test, public ScriptedSession {};

// ---------------------------------------------------------------- regions

TEST(RegionTable, HoldsTheFortyTwoRegionsInPickerOrder) {
    const auto& entries = RegionTable::entries();
    ASSERT_EQ(entries.size(), 42u);
    EXPECT_EQ(entries.front().area_id, 320);
    EXPECT_EQ(entries.front().name, gbk("上海电信一区"));
    EXPECT_EQ(entries[28].area_id, 350);
    EXPECT_EQ(entries[28].name, gbk("黑龙江网通区"));
    EXPECT_EQ(entries.back().area_id, 361);
    EXPECT_EQ(entries.back().name, gbk("教育网专区"));
    std::set<int32_t> ids;
    for (const auto& e : entries) {
        ids.insert(e.area_id);
        EXPECT_FALSE(e.name.empty());
        EXPECT_EQ(e.name.find('|'), std::string::npos);
    }
    EXPECT_EQ(ids.size(), 42u);

    EXPECT_EQ(GameServiceClient::area_name(320), gbk("上海电信一区"));
    EXPECT_EQ(GameServiceClient::area_name(345), gbk("河南一区"));
    EXPECT_EQ(GameServiceClient::area_name(361), gbk("教育网专区"));
    EXPECT_EQ(GameServiceClient::area_name(0), gbk("未知大区"));
    EXPECT_EQ(GameServiceClient::area_name(999), gbk("未知大区"));
}

TEST_F(GameServiceClientTest, FillPickersListsEveryRegionInBothPickers) {
    RegionTable::fill_pickers(s);
    for (Control picker : {ctl::main::列表框_大区, ctl::main::组合框_大区列表}) {
        const auto items = view.state(picker).items;
        ASSERT_EQ(items.size(), 42u);
        EXPECT_EQ(items.front(), (ListItem{gbk("上海电信一区"), 320}));
        EXPECT_EQ(items.back(), (ListItem{gbk("教育网专区"), 361}));
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].value, RegionTable::entries()[i].area_id);
        }
    }
    EXPECT_GE(view.pump_count(), 42);
}

// ---------------------------------------------------------------- role

TEST_F(GameServiceClientTest, QueryRoleReadsTheAnswerByItsMarkers) {
    const std::string path = "/comm-cgi-bin/content_admin/activity_center/query_role.cgi";
    const std::string role_answer =
        "try{14649452832977635({retCode:0,msg:'',data:'_webplat_msg=ok&_checkparam=cf|yes|"
        "10001|326|1|&szNick_name=%E4%B8%AD%e6%96%87+x&',checkparam:'cf|yes|10001|326|1|"
        "abc|',md5str:'0A1B2C'})}catch(e){}";
    struct Case {
        const char* name;
        std::string answer;
        std::string qq;
        RoleInfo expected;
    };
    const Case cases[] = {
        {"empty answer", "", "10001", {-2, "", 0, "", 0, "", "", ""}},
        {"success",
         role_answer,
         "10001",
         {0, "", 0, "", 326, gbk("中文+x"), "cf|yes|10001|326|1|abc|", "0A1B2C"}},
        {"the region is read for the signed-in QQ only",
         role_answer,
         "10002",
         {0, "", 0, "", 0, gbk("中文+x"), "cf|yes|10001|326|1|abc|", "0A1B2C"}},
        {"queryerr leaves everything else unread",
         "_webplat_msg=queryerr&retCode:-1,msg:'x',szNick_name=abc&cf|yes|10001|326|"
         "md5str:'m',checkparam:'c'",
         "10001",
         {0, "queryerr", 0, "", 0, "", "", ""}},
        {"service error with its message",
         "({retCode:-1,msg:'" + gbk("系统繁忙") + "',szNick_name=abc&})",
         "10001",
         {0, "", -1, gbk("系统繁忙"), 0, "", "", ""}},
        {"markers ignore letter case",
         "RETCODE:0,SZNICK_NAME=ab&CF|YES|10001|320|",
         "10001",
         {0, "", 0, "", 320, "ab", "", ""}},
        {"truncated answer reads as empty values",
         "retCode:0,szNick_name=%E4%B8",
         "10001",
         {0, "", 0, "", 0, "", "", ""}},
        {"no markers at all", "<html>502</html>", "10001", {0, "", 0, "", 0, "", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.answer(path, {c.answer});
        s.state.qq = c.qq;
        const RoleInfo r = client.query_role(s.state.cookie, 326);
        EXPECT_EQ(r.status, c.expected.status);
        EXPECT_EQ(r.webplat_msg, c.expected.webplat_msg);
        EXPECT_EQ(r.ret_code, c.expected.ret_code);
        EXPECT_EQ(utf8(r.msg), utf8(c.expected.msg));
        EXPECT_EQ(r.area_id, c.expected.area_id);
        EXPECT_EQ(utf8(r.role_name), utf8(c.expected.role_name));
        EXPECT_EQ(r.checkparam, c.expected.checkparam);
        EXPECT_EQ(r.md5str, c.expected.md5str);
    }
    const auto seen = server.seen();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().method, "GET");
    EXPECT_EQ(seen.back().target, path + "?game=cf&callback=14649452832977635&area=326");
    EXPECT_NE(seen.back().header("Cookie").find("skey=@abcdefgh"), std::string::npos);
}

// ---------------------------------------------------------------- login

TEST_F(GameServiceClientTest, QueryLoginInfoReadsErrorOrAccount) {
    const std::string path = "/comm-cgi-bin/login/LoginReturnInfo.cgi";
    struct Case {
        const char* name;
        std::string answer;
        LoginInfo expected;
    };
    const Case cases[] = {
        {"empty answer", "", {-2, 0, "", "", ""}},
        {"service error, message percent-encoded UTF-8",
         R"({"errorCode": 3, "errorStr": "%E7%99%BB%E5%BD%95%E6%80%81%E5%A4%B1%E6%95%88"})",
         {0, 3, gbk("登录态失效"), "", ""}},
        {"account; blanks and apostrophes are dropped before reading",
         R"({"errorCode": 0, "userUin": "10001", "nickName": "%E5%B0%8F'%E6%98%8E%20"})",
         {0, 0, "", "10001", gbk("小明 ")}},
        {"garbage reads as an account without values", "\x01\x02zz", {0, 0, "", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.answer(path, {c.answer});
        const LoginInfo li = client.query_login_info();
        EXPECT_EQ(li.status, c.expected.status);
        EXPECT_EQ(li.error_code, c.expected.error_code);
        EXPECT_EQ(utf8(li.error_str), utf8(c.expected.error_str));
        EXPECT_EQ(li.user_uin, c.expected.user_uin);
        EXPECT_EQ(utf8(li.nick_name), utf8(c.expected.nick_name));
    }
    EXPECT_NE(server.seen().back().header("Cookie").find("uin=o0010001"), std::string::npos);
}

// ---------------------------------------------------------------- bound area

TEST_F(GameServiceClientTest, FindBoundAreaAsksTheFlowsInOrderAndStops) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> by_flow;  // iFlowId -> answer; others empty
        size_t requests;
        AreaProbe expected;
    };
    const Case cases[] = {
        {"first flow knows the region",
         {{"242404", R"({"ret":"0","Farea":"326"})"}},
         1,
         {0, 0, 326}},
        {"g_tk rejected on the third flow",
         {{"242404", R"({"ret":"101"})"},
          {"119250", R"({"ret":"101"})"},
          {"188710", "error g_tk"},
          {"214206", R"({"ret":"0","Farea":"320"})"}},
         3,
         {-3, 0, 0}},
        {"fifth flow after empty answers",
         {{"184901", R"({"ret":"0","Farea":"333"})"}},
         5,
         {0, 0, 333}},
        {"no flow knows it: the last answer",
         {{"242404", R"({"ret":"1"})"}, {"258548", R"({"ret":"600","Farea":"320"})"}},
         7,
         {0, 600, 0}},
        {"every answer empty", {}, 7, {-2, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.answer("/ams/ame/ame.php", [&](const testing::Seen& req) {
            const std::string flow = text_between(req.body, "iFlowId=", "&");
            auto it = c.by_flow.find(flow);
            return it == c.by_flow.end() ? std::string() : it->second;
        });
        server.forget();
        const AreaProbe ap = client.find_bound_area(s.state.cookie, "12345");
        EXPECT_EQ(server.seen().size(), c.requests);
        EXPECT_EQ(ap.status, c.expected.status);
        EXPECT_EQ(ap.ret, c.expected.ret);
        EXPECT_EQ(ap.area_id, c.expected.area_id);
    }
    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 7u);
    EXPECT_EQ(seen[0].method, "POST");
    EXPECT_EQ(seen[0].body,
              "iActivityId=45056&iFlowId=242404&g_tk=12345&e_code=0&g_code=0"
              "&sServiceDepartment=group_f&sServiceType=cf");
    EXPECT_EQ(seen[6].body.substr(0, 37), "iActivityId=49862&iFlowId=258548&g_tk");
}

// ---------------------------------------------------------------- spend

TEST_F(GameServiceClientTest, QuerySpendEncodesTheCommandAndReadsEveryRecord) {
    server.answer("/cgi-bin/common",
                  {"{\"data\":\"|1#AK47-火麒麟#888#20161018120000|2#M4A1#100#20161019010203\"}"});
    std::vector<SpendRecord> records{{"kept", "1", "20160101000000"}};
    EXPECT_EQ(client.query_spend(s.state.cookie, 320, records), 2);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].item_name, "kept");
    EXPECT_EQ(utf8(records[1].item_name), "AK47-火麒麟");
    EXPECT_EQ(records[1].price, "888");
    EXPECT_EQ(records[1].bought_at, "20161018120000");
    EXPECT_EQ(records[2].item_name, "M4A1");
    EXPECT_EQ(records[2].bought_at, "20161019010203");

    const Seen req = server.seen().back();
    EXPECT_TRUE(starts_with(req.target, "/cgi-bin/common?rand=0."));
    EXPECT_TRUE(ends_with(req.target,
                          "&command=command%3DC00006%26fromtype%3Dkfweb%26fromtoolid%3Dkfweb514"
                          "%26type%3DgetCFSpend%26area%3D320"));
    EXPECT_EQ(req.header("Referer"), s.http_url(Host::KF, "/game/consume_records.html?code=cf"));
    EXPECT_FALSE(req.header("Cookie").empty());

    server.answer("/cgi-bin/common", {""});
    EXPECT_EQ(client.query_spend(s.state.cookie, 320, records), 0);
    EXPECT_EQ(records.size(), 3u);
}

// ---------------------------------------------------------------- scan

TEST_F(GameServiceClientTest, ScanAreasReportsRegionsWithARoleInTableOrder) {
    server.answer("/cgi-bin/account/ajax_query.cgi", [](const testing::Seen& req) {
        const std::string zone = req.query_param("gamezone");
        if (zone == "361" || zone == "326") return std::string(R"({"resultcode" : 0 , "x":1})");
        if (zone == "320") return std::string();
        return std::string(R"({"resultcode":1001,"msg":"none"})");
    });
    std::vector<std::pair<std::string, int32_t>> found;
    const int32_t n = client.scan_areas(
        s.state.cookie, [&](const std::string& name, int32_t id) { found.emplace_back(name, id); });
    EXPECT_EQ(n, 2);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], std::make_pair(gbk("上海电信二区"), 326));
    EXPECT_EQ(found[1], std::make_pair(gbk("教育网专区"), 361));

    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 42u);
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_NE(seen[i].target.find(
                      "&gamezone=" + std::to_string(RegionTable::entries()[i].area_id) + "&"),
                  std::string::npos);
    }
    EXPECT_NE(seen[0].target.find("game_scene=dq_pay&cmd=20&"), std::string::npos);
    EXPECT_NE(seen[0].target.find("&service_code=-CFDQ&friend_uin=&r=0."), std::string::npos);
}

// ---------------------------------------------------------------- ban

TEST_F(GameServiceClientTest, QueryBanTellsWhetherTheBanHasEnded) {
    const std::string path = "/cf/a20150820fwg/getFeng.php";
    const std::string end = std::to_string(unix_seconds_of({2016, 10, 19, 12, 0, 0}));
    struct Case {
        const char* name;
        DateTime now;
        std::string answer;
        std::string expected;  // UTF-8
    };
    const Case cases[] = {
        {"ended",
         {2016, 10, 20, 0, 0, 0},
         R"({"ret":0,"msg":")" + end + R"("})",
         "【2016-10-19 12:00:00】 - 【已解封】"},
        {"still running",
         {2016, 10, 18, 0, 0, 0},
         R"({"ret":0,"msg":")" + end + R"("})",
         "【2016-10-19 12:00:00】 - 【未解封】"},
        {"service message",
         {2016, 10, 18, 0, 0, 0},
         R"({"ret":-1,"msg":"该账号未被封停"})",
         "该账号未被封停"},
        {"empty answer", {2016, 10, 18, 0, 0, 0}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clock.set(c.now);
        server.answer(path, {c.answer});
        EXPECT_EQ(utf8(client.query_ban(s.state.cookie, "10001", 326)), c.expected);
    }
    EXPECT_TRUE(starts_with(server.seen().back().target,
                            path + "?action=initQuery&iArea=326&iUin=10001&r=0."));
}

// ---------------------------------------------------------------- activities

TEST_F(GameServiceClientTest, QueryActivityListReadsTitlesPlatformsAndItems) {
    auto activity = [](const std::string& content, const std::string& name, const std::string& hold,
                       const std::string& end, const std::string& url) {
        return R"({"content":"[)" + content +
               R"(]","editorNick":"ed","editorUin":"1","endtime":")" + end +
               R"(","eventtime":"e","gameid":"cf","iActiveType":"1","iHoldType":"2","id":"9",)"
               R"("itype":"0","limit":"0","name":")" +
               name + R"(","once":"0","remindtime":"0","starttime":"2016-10-01","szHoldName":")" +
               hold + R"(","uin":"0","url":")" + url + R"("})";
    };
    const std::string answer =
        R"({"list":[)" +
        activity(
            R"({"data":"AK47","expired":"0"},{"data":"\u706b\u9e92\u9e9f","x":"1","expired":"7"})",
            R"(\u56fd\u5e86\u6d3b\u52a8)", R"(\u638c\u4e0a\u7a7f\u8d8a)", "2016-10-31",
            "http://act/1") +
        "," + activity("", "Empty", "TGP", "2016-11-01", "http://act/2") + "]}";
    server.answer("/actcenter/queryActList", {answer});

    std::vector<ActivityListItem> list{{"old", "old", "old", "old", "old"}};
    ASSERT_EQ(client.query_activity_list(list), 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(utf8(list[0].title), "国庆活动");
    EXPECT_EQ(utf8(list[0].platform), "掌上穿越");
    EXPECT_EQ(list[0].end_time, "2016-10-31");
    EXPECT_EQ(list[0].url, "http://act/1");
    EXPECT_EQ(utf8(list[0].items), "AK47,火麒麟(7天)");
    EXPECT_EQ(list[1].title, "Empty");
    EXPECT_EQ(list[1].items, "");

    const Seen req = server.seen().back();
    EXPECT_EQ(req.method, "POST");
    EXPECT_EQ(req.body, "game=cf&index=0&count=50&type=2");
    EXPECT_EQ(req.header("Cookie").find("skey"), std::string::npos);

    server.answer("/actcenter/queryActList", {""});
    EXPECT_EQ(client.query_activity_list(list), 0);
    EXPECT_TRUE(list.empty());
}

TEST_F(GameServiceClientTest, QueryActivityListSurvivesAHostileAnswer) {
    // Thousands of near-activities that share every delimiter but never
    // complete: unbounded backtracking without the scan's limits.
    std::string hostile;
    for (int i = 0; i < 3000; ++i) {
        hostile += R"("content":"[x]","editorNick":"a","editorUin":"b","endtime":"c",)"
                   R"("eventtime":"d","gameid":"e","iActiveType":"f",)";
    }
    const std::string good =
        R"("content":"[{"data":"A","expired":"1"}]","editorNick":"n","editorUin":"u",)"
        R"("endtime":"t","eventtime":"","gameid":"","iActiveType":"","iHoldType":"","id":"",)"
        R"("itype":"","limit":"","name":"First","once":"","remindtime":"","starttime":"",)"
        R"("szHoldName":"H","uin":"","url":"U",)";
    server.answer("/actcenter/queryActList", {good + hostile});
    std::vector<ActivityListItem> list;
    EXPECT_EQ(client.query_activity_list(list), 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].title, "First");
    EXPECT_EQ(utf8(list[0].items), "A(1天)");
}

// ---------------------------------------------------------------- date

TEST_F(GameServiceClientTest, ServerDateReadsThePublishersDate) {
    const std::string path = "/CommArticle/app/reg/gdate.php";
    struct Case {
        const char* name;
        std::string answer;
        DateTime expected;
    };
    const Case cases[] = {
        {"plain date", "var curdate = '2016-06-02';", {2016, 6, 2, 0, 0, 0}},
        {"blanks inside are dropped", "var curdate = ' 2016-06-02 ';", {2016, 6, 2, 0, 0, 0}},
        {"unreadable", "var curdate = 'soon';", earliest_datetime()},
        {"no marker", "<html></html>", earliest_datetime()},
        {"empty answer: the local date-time", "", clock.now()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.answer(path, {c.answer});
        EXPECT_EQ(client.server_date(), c.expected);
    }
    EXPECT_EQ(earliest_datetime(), (DateTime{100, 1, 1, 0, 0, 0}));
}

// ---------------------------------------------------------------- VIP

TEST_F(GameServiceClientTest, QueryVipInfoAsksForDetailsOnlyForAVipLevel) {
    const std::string info_path = "/cf/a20141126main/getUserInfo.php";
    const std::string status_path = "/cgi-bin/cf/cfvip/checkCFvipStatue.cgi";
    const std::string growth_path = "/cf/cfvip/doCfVip.php";
    struct Case {
        const char* name;
        std::string info, status, growth;
        size_t requests;
        VipInfo expected;
    };
    const Case cases[] = {
        {"level 0",
         R"(var result = {"ret":"0","msg":{"green":"5","vip":"0"}})",
         "x",
         "x",
         1,
         {0, 5, 0, 0, 0, ""}},
        {"level 3",
         R"(var result = {"ret":"0","msg":{"green":"2","vip":"3"}})",
         R"({"ret":0,"msg":"2017-01-01"})",
         R"(var result = {"ret":"0","msg":{"point":"1200","nextlevelpoint":"3000"}})",
         3,
         {0, 2, 3, 1200, 3000, "2017-01-01"}},
        {"level 3, details unanswered",
         R"(var result = {"ret":"0","msg":{"vip":"3"}})",
         "",
         "",
         3,
         {0, 0, 3, 0, 0, gbk("获取失败")}},
        {"service error",
         R"(var result = {"ret":"-5","msg":"busy"})",
         "",
         "",
         1,
         {-5, 0, 0, 0, 0, ""}},
        {"unreadable", "<html>oops", "", "", 1, {-2, 0, 0, 0, 0, ""}},
        {"without ret", R"(var result = {"msg":{"vip":"2"}})", "", "", 1, {-2, 0, 0, 0, 0, ""}},
        {"empty answer", "", "", "", 1, {-1, 0, 0, 0, 0, ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.answer(info_path, {c.info});
        server.answer(status_path, {c.status});
        server.answer(growth_path, {c.growth});
        server.forget();
        const VipInfo vi = client.query_vip_info(326);
        EXPECT_EQ(server.seen().size(), c.requests);
        EXPECT_EQ(vi.status, c.expected.status);
        EXPECT_EQ(vi.green_level, c.expected.green_level);
        EXPECT_EQ(vi.vip_level, c.expected.vip_level);
        EXPECT_EQ(vi.growth, c.expected.growth);
        EXPECT_EQ(vi.next_level_growth, c.expected.next_level_growth);
        EXPECT_EQ(utf8(vi.expiry), utf8(c.expected.expiry));
    }
    server.answer(info_path, {R"(var result = {"ret":"0","msg":{"vip":"1"}})"});
    server.forget();
    client.query_vip_info(326);
    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(starts_with(seen[0].target, info_path + "?action=initQuery&sArea=326&time=0."));
    EXPECT_EQ(seen[0].target.size() - seen[0].target.rfind("&_=") - 3, 13u);
    EXPECT_TRUE(starts_with(seen[1].target, status_path + "?rd=0."));
    EXPECT_TRUE(starts_with(seen[2].target, growth_path + "?action=getCfVipInfo&rd=0."));
    for (const auto& r : seen)
        EXPECT_NE(r.header("Cookie").find("skey=@abcdefgh"), std::string::npos);
}

}  // namespace
}  // namespace quillet
