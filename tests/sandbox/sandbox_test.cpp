// The simulator seen from a plain HTTP client: state that a second request sees,
// misbehaviour on demand, the request log and the shapes of the answers the
// program reads by markers.
#include "sandbox/sandbox.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>

#include "sandbox/socket_io.h"
#include "tests/support/gbk_literal.h"
#include "text/gbk.h"

namespace quillet::sandbox {
namespace {

using quillet::testing::gbk;

std::string g_tk(const std::string& skey) {
    uint32_t h = 5381;
    for (unsigned char c : skey) h += (h << 5) + c;
    return std::to_string(h & 0x7FFFFFFF);
}

std::string between(const std::string& text, const std::string& left, const std::string& right) {
    size_t a = text.find(left);
    if (a == std::string::npos) return {};
    a += left.size();
    size_t b = text.find(right, a);
    return b == std::string::npos ? std::string() : text.substr(a, b - a);
}

class SandboxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        port_ = box_.start();
        ASSERT_GT(port_, 0);
        box_.set_today({2016, 8, 15, 9, 5, 31});
    }

    httplib::Client client(int read_timeout_s = 5) {
        httplib::Client c("127.0.0.1", port_);
        c.set_read_timeout(read_timeout_s, 0);
        c.set_connection_timeout(2, 0);
        return c;
    }

    httplib::Headers headers(const std::string& host = "apps.game.qq.com", bool signed_in = true) {
        httplib::Headers h{{"Host", host}};
        if (signed_in) h.emplace("Cookie", box_.account_cookie());
        return h;
    }

    std::string get(const std::string& target, const std::string& host = "apps.game.qq.com",
                    bool signed_in = true) {
        auto c = client();
        auto r = c.Get(target.c_str(), headers(host, signed_in));
        return r ? r->body : "<no answer>";
    }

    std::string ams(const std::string& body, const std::string& cookie = "") {
        auto c = client();
        httplib::Headers h{{"Host", "apps.game.qq.com"},
                           {"Cookie", cookie.empty() ? box_.account_cookie() : cookie}};
        auto r = c.Post("/ams/ame/ame.php", h, body, "application/x-www-form-urlencoded");
        return r ? r->body : "<no answer>";
    }

    std::string gtk() const { return g_tk(box_.account_skey()); }

    Sandbox box_;
    int port_ = 0;
};

TEST_F(SandboxTest, LoginCookieNamesTheAccountAndKeepsSkeyInside) {
    std::string cookie = box_.account_cookie();
    EXPECT_NE(cookie.find("skey=" + box_.account_skey() + ";"), std::string::npos);
    EXPECT_LT(cookie.find("skey="), cookie.find("p_skey="));  // the first "skey=" is the login key
    for (const char* name : {"pt2gguin=", "uin=", "RK=", "ptcz="})
        EXPECT_NE(cookie.find(name), std::string::npos);

    std::string info = get("/comm-cgi-bin/login/LoginReturnInfo.cgi");
    EXPECT_NE(info.find("\"userUin\": \"" + box_.account_qq() + "\""), std::string::npos) << info;
    std::string anonymous =
        get("/comm-cgi-bin/login/LoginReturnInfo.cgi", "apps.game.qq.com", false);
    EXPECT_EQ(anonymous.find("\"errorCode\": 0,"), std::string::npos) << anonymous;
}

TEST_F(SandboxTest, BindingQueryThenSubmitChangesTheQuery) {
    const std::string query =
        "sign_version=1.0&action_id=103477&iActivityId=61234&iFlowId=421001&g_tk=" + gtk() +
        "&e_code=0&g_code=0&eas_url\r\n=x&eas_refer=&sServiceDepartment=group_f&sServiceType\r\n="
        "cf";
    EXPECT_EQ(between(ams(query), "\"ret\":\"", "\""), "1001");

    // The proof values come from the role service and must travel back unchanged.
    std::string role = get(
        "/comm-cgi-bin/content_admin/activity_center/query_role.cgi?game=cf&callback=1&area=318");
    std::string checkparam = between(role, "checkparam:'", "'");
    std::string md5str = between(role, "md5str:'", "'");
    ASSERT_FALSE(checkparam.empty());
    ASSERT_FALSE(md5str.empty());
    auto submit = [&](const std::string& md5) {
        std::string pct;
        for (unsigned char ch : checkparam) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", ch);
            pct += buf;
        }
        return ams(
            "sign_version=1.0&action_id=103477&user_area=318&user_roleId=" + box_.account_qq() +
            "&user_roleName=%E9%9C%9C&user_areaName=&user_roleLevel=0&user_checkparam=" + pct +
            "&user_md5str=" + md5 + "&user_sex=&iActivityId=61234&iFlowId=421002&g_tk=" + gtk() +
            "&e_code=0&g_code=0&eas_url=&eas_refer=&sServiceDepartment=group_f&sServiceType=cf");
    };
    EXPECT_NE(between(submit("0000"), "\"iRet\":\"", "\""), "0");
    EXPECT_EQ(between(ams(query), "\"ret\":\"", "\""), "1001");
    EXPECT_EQ(between(submit(md5str), "\"iRet\":\"", "\""), "0");
    std::string after = ams(query);
    EXPECT_EQ(between(after, "\"ret\":\"", "\""), "0") << after;
    EXPECT_EQ(between(after, "\"Farea\":\"", "\""), "318");
    EXPECT_EQ(box_.bound_area("61234"), 318);
}

TEST_F(SandboxTest, BoundAreaProbesCheckTheTokenOfTheLoginKey) {
    auto probe = [&](const std::string& aid, const std::string& fid, const std::string& token) {
        return ams("iActivityId=" + aid + "&iFlowId=" + fid + "&g_tk=" + token +
                   "&e_code=0&g_code=0&sServiceDepartment=group_f&sServiceType=cf");
    };
    EXPECT_EQ(probe("45056", "242404", "12345"), "error g_tk");
    EXPECT_EQ(between(probe("45056", "242404", gtk()), "\"ret\":\"", "\""), "1001");
    std::string bound = probe("31126", "188710", gtk());
    EXPECT_EQ(between(bound, "\"ret\":\"", "\""), "0");
    EXPECT_EQ(between(bound, "\"Farea\":\"", "\""), "320");
    box_.set_bound_area("45056", 360);
    EXPECT_EQ(between(probe("45056", "242404", gtk()), "\"Farea\":\"", "\""), "360");
}

TEST_F(SandboxTest, SecondClaimSaysTheGiftWasClaimed) {
    box_.set_bound_area("61234", 320);
    const std::string body =
        "gameId=&sArea=&iSex=&sRoleId=&iGender=&sServiceType=cf&objCustomMsg=&areaname=&roleid="
        "&rolelevel=&rolename=&areaid=&iActivityId=61234&iFlowId=421003&g_tk=" +
        gtk() + "&e_code=0&g_code=0&eas_url=x&eas_refer=&sServiceDepartment=group_f";
    std::string first = ams(body);
    EXPECT_NE(first.find("\"modRet\":{\"iRet\":0,\"sMsg\":\"MODULE OK\""), std::string::npos)
        << first;
    std::string second = ams(body);
    EXPECT_EQ(second.find("modRet"), std::string::npos);
    EXPECT_NE(second.find("已经领取过"), std::string::npos) << second;
    EXPECT_EQ(box_.claims("61234/421003"), 2);

    // Another account's claims are its own; a wrong token is refused outright.
    EXPECT_EQ(ams(body.substr(0, body.find("&g_tk=")) + "&g_tk=1"), "error g_tk");
}

TEST_F(SandboxTest, RoleQueryMarkersAndQueryError) {
    std::string ok =
        get("/comm-cgi-bin/content_admin/activity_center/"
            "query_role.cgi?game=cf&callback=14649452832977635&area=320");
    EXPECT_EQ(between(ok, "_webplat_msg=", "&"), "success");
    EXPECT_EQ(between(ok, "retCode:", ","), "0");
    EXPECT_EQ(between(ok, "cf|yes|" + box_.account_qq() + "|", "|"), "320");
    EXPECT_EQ(between(ok, "szNick_name=", "&"),
              "%E5%A4%9C%E9%9B%A8%E9%A3%9E%E9%9C%9C");  // 夜雨飞霜
    std::string none = get(
        "/comm-cgi-bin/content_admin/activity_center/query_role.cgi?game=cf&callback=1&area=326");
    EXPECT_EQ(between(none, "_webplat_msg=", "&"), "queryerr");
    box_.set_roles({{326, "新角色"}});
    none = get(
        "/comm-cgi-bin/content_admin/activity_center/query_role.cgi?game=cf&callback=1&area=326");
    EXPECT_EQ(between(none, "_webplat_msg=", "&"), "success");
}

TEST_F(SandboxTest, VendorFilesCarryTheScenarioDay) {
    std::string data = get("/cf/res/data.js?t=0.123456789012345", "quillet.invalid", false);
    EXPECT_NE(data.find("date:'20160815'"), std::string::npos);
    EXPECT_NE(data.find("dates:'20160808-20160822'"), std::string::npos);
    for (const char* day :
         {"#{today}", "#{yesterday}", "#{tomorrow}", "#{week_ago}", "#{week_later}"}) {
        EXPECT_EQ(data.find(day), std::string::npos) << day;
    }
    EXPECT_NE(data.find("#{g_tk}"), std::string::npos);  // the program's own placeholders stay
    EXPECT_EQ(get("/CommArticle/app/reg/gdate.php", "apps.game.qq.com", false)
                  .find("var curdate = '2016-08-15';"),
              0u);
    box_.set_version("1.1.0.20");
    EXPECT_NE(get("/cf/res/ver.js", "quillet.invalid", false).find("_cfver = {v:'1.1.0.20'"),
              std::string::npos);
    box_.set_vendor_file("menu.js", "[]");
    EXPECT_EQ(get("/cf/res/menu.js", "quillet.invalid", false), "[]");
}

struct MisbehaviourCase {
    const char* name;
    Misbehaviour m;
};

TEST_F(SandboxTest, MisbehavingPathAnswersAsAsked) {
    const std::string path = "/comm-cgi-bin/login/LoginReturnInfo.cgi";
    box_.misbehave(path, Misbehaviour::Empty);
    auto c = client();
    auto r = c.Get(path.c_str(), headers());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_TRUE(r->body.empty());

    box_.misbehave(path, Misbehaviour::ErrorStatus);
    r = client().Get(path.c_str(), headers());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 500);

    box_.misbehave(path, Misbehaviour::Garbage);
    r = client().Get(path.c_str(), headers());
    ASSERT_TRUE(r);
    EXPECT_NE(r->body.find('\0'), std::string::npos);
    EXPECT_EQ(r->body.find("errorCode"), std::string::npos);

    // Other paths and other hosts are unaffected; host-bound rules only hit that host.
    EXPECT_NE(get("/CommArticle/app/reg/gdate.php").find("curdate"), std::string::npos);
    box_.clear_misbehaviour();
    box_.misbehave(path, Misbehaviour::Empty, 0, "other.host");
    EXPECT_NE(get(path).find("errorCode"), std::string::npos);
    EXPECT_TRUE(get(path, "other.host").empty());

    box_.misbehave(path, Misbehaviour::Reset, 0, "other.host");
    r = client().Get(path.c_str(), headers("other.host"));
    EXPECT_FALSE(r);  // the body was cut short

    box_.set_oversized_bytes(3 << 20);
    box_.misbehave(path, Misbehaviour::Oversized);
    r = client().Get(path.c_str(), headers());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body.size(), size_t{3} << 20);
    EXPECT_EQ(r->body.substr(0, 10), "{\"ret\":\"0\"");
}

TEST_F(SandboxTest, StallHoldsTheAnswerAndStopStillReturnsPromptly) {
    box_.misbehave("/ams/", Misbehaviour::Stall);
    auto c = client(1);
    auto started = std::chrono::steady_clock::now();
    auto r =
        c.Post("/ams/ame/ame.php", headers(), "iActivityId=1", "application/x-www-form-urlencoded");
    EXPECT_FALSE(r);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900));

    // A second stalled request is still pending when the sandbox stops.
    std::thread pending(
        [&] { client(30).Post("/ams/ame/ame.php", headers(), "x=1", "text/plain"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto stop_started = std::chrono::steady_clock::now();
    box_.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stop_started, std::chrono::seconds(3));
    pending.join();
}

TEST_F(SandboxTest, DelayThenNormalAnswer) {
    box_.misbehave("/CommArticle/", Misbehaviour::Delay, 300);
    auto started = std::chrono::steady_clock::now();
    EXPECT_NE(get("/CommArticle/app/reg/gdate.php").find("curdate"), std::string::npos);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(280));
}

TEST_F(SandboxTest, RequestLogKeepsHeaderLinesInOrderAndCountsConnections) {
    // Counted before connecting: the server may adopt the socket at any moment after.
    size_t before = box_.connections_accepted();
    socket_io::start();
    socket_t fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port_));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    auto send_request = [&](const std::string& req) {
        ASSERT_EQ(socket_io::send(fd, req.data(), req.size()), static_cast<long long>(req.size()));
        // Read one whole answer (headers + Content-Length body).
        std::string got;
        char buf[4096];
        while (true) {
            size_t end = got.find("\r\n\r\n");
            if (end != std::string::npos) {
                size_t len = std::stoul(between(got, "Content-Length: ", "\r\n"));
                if (got.size() >= end + 4 + len) break;
            }
            long long n = socket_io::recv(fd, buf, sizeof buf);
            ASSERT_GT(n, 0);
            got.append(buf, static_cast<size_t>(n));
        }
    };
    send_request(
        "POST /ams/ame/ame.php?x=1 HTTP/1.1\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0)\r\n"
        "Accept: */*\r\nReferer: http://apps.game.qq.com/ams/ame/ame.php\r\nAccept-Language: "
        "zh-cn\r\n"
        "Content-Type: application/x-www-form-urlencoded\r\nHost: apps.game.qq.com:80\r\n"
        "Content-Length: 5\r\n\r\na=b&c");
    send_request(
        "GET /CommArticle/app/reg/gdate.php HTTP/1.1\r\nHost: apps.game.qq.com\r\nX-Zeta: "
        "1\r\nX-Alpha: 2\r\n\r\n");
    socket_io::close(fd);
    EXPECT_EQ(box_.connections_accepted(), before + 1);  // one connection, two requests

    auto log = box_.requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].target, "/ams/ame/ame.php?x=1");
    EXPECT_EQ(log[0].path, "/ams/ame/ame.php");
    EXPECT_EQ(log[0].host, "apps.game.qq.com");
    EXPECT_EQ(log[0].body, "a=b&c");
    std::vector<std::string> names;
    for (const auto& [k, v] : log[0].headers) names.push_back(k);
    EXPECT_EQ(names, (std::vector<std::string>{"User-Agent", "Accept", "Referer", "Accept-Language",
                                               "Content-Type", "Host", "Content-Length"}));
    EXPECT_EQ(log[0].headers[0].second, "Mozilla/4.0 (compatible; MSIE 9.0)");
    ASSERT_EQ(log[1].headers.size(), 3u);
    EXPECT_EQ(log[1].headers[1].first, "X-Zeta");
    EXPECT_EQ(log[1].header("x-alpha"), "2");
    box_.clear_requests();
    EXPECT_TRUE(box_.requests().empty());
}

TEST_F(SandboxTest, QzoneAnswerIsGzippedWhenTheClientAsks) {
    auto c = client();
    c.set_decompress(false);
    httplib::Headers h = headers("activity.qzone.qq.com");
    h.emplace("Accept-Encoding", "gzip, deflate");
    auto r = c.Post(("/fcg-bin/fcg_qzact_lottery?g_tk=" + gtk() + "&r=0.123").c_str(), h,
                    "actid=2960&ruleid=11037&card_id=&card_code=&format=formsender&uin=" +
                        box_.account_qq() + "&g_tk=" + gtk() + "&qzreferrer=x",
                    "application/x-www-form-urlencoded");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->get_header_value("Content-Encoding"), "gzip");
    EXPECT_EQ(r->body.substr(0, 2), "\x1f\x8b");

    auto plain = client();  // decompresses
    r = plain.Post(("/fcg-bin/fcg_qzact_lottery?g_tk=" + gtk() + "&r=0.1").c_str(), h,
                   "actid=2960&ruleid=11037&g_tk=" + gtk(), "application/x-www-form-urlencoded");
    ASSERT_TRUE(r);
    EXPECT_NE(r->body.find("frameElement.callback({\"code\":-10003,\"subcode\":-10003,"),
              std::string::npos)
        << r->body;
}

// The activity list must match the reader's pattern once its \u escapes are
// decoded the way a script string literal decodes them.
TEST_F(SandboxTest, ActivityListMatchesTheListPattern) {
    auto c = client();
    auto r = c.Post("/actcenter/queryActList", httplib::Headers{{"Host", "bang.qq.com"}},
                    "game=cf&index=0&count=50&type=2", "application/x-www-form-urlencoded");
    ASSERT_TRUE(r);
    for (unsigned char ch : r->body) ASSERT_LT(ch, 0x80u);
    std::string decoded;
    const std::string& s = r->body;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'u') {
            unsigned cp = static_cast<unsigned>(std::stoul(s.substr(i + 2, 4), nullptr, 16));
            std::string utf8;
            if (cp < 0x80)
                utf8 = char(cp);
            else if (cp < 0x800)
                utf8 = {char(0xC0 | (cp >> 6)), char(0x80 | (cp & 0x3F))};
            else
                utf8 = {char(0xE0 | (cp >> 12)), char(0x80 | ((cp >> 6) & 0x3F)),
                        char(0x80 | (cp & 0x3F))};
            decoded += utf8;
            i += 5;
        } else if (s[i] == '\\' && i + 1 < s.size()) {
            decoded += s[++i];
        } else {
            decoded += s[i];
        }
    }
    std::regex item(
        "\"content\":\"\\[(.*?)\\]\",\"editorNick\":\"(.*?)\",\"editorUin\":\"(.*?)\",\"endtime\":"
        "\"(.*?)\",\"eventtime\":"
        "\".*?\",\"gameid\":\".*?\",\"iActiveType\":\".*?\",\"iHoldType\":\".*?\",\"id\":\".*?\","
        "\"itype\":\".*?\","
        "\"limit\":\".*?\",\"name\":\"(.*?)\",\"once\":\".*?\",\"remindtime\":\".*?\","
        "\"starttime\":\"(.*?)\","
        "\"szHoldName\":\"(.*?)\",\"uin\":\".*?\",\"url\":\"(.*?)\"");
    std::vector<std::string> ends, contents;
    for (auto it = std::sregex_iterator(decoded.begin(), decoded.end(), item);
         it != std::sregex_iterator(); ++it) {
        ends.push_back((*it)[4]);
        contents.push_back((*it)[1]);
        EXPECT_EQ((*it)[8].str().rfind("http://", 0), 0u);
    }
    EXPECT_EQ(ends, (std::vector<std::string>{"2016-08-15 23:59:59", "2016-08-16 23:59:59",
                                              "2099-12-31 23:59:59", "2016-08-20",
                                              "2016-08-14 23:59:59"}));
    ASSERT_EQ(contents.size(), 5u);
    std::regex gift("\"data\":\"(.*?)\",.*?\"expired\":\"(.*?)\"");
    std::vector<std::string> gifts;
    for (auto it = std::sregex_iterator(contents[2].begin(), contents[2].end(), gift);
         it != std::sregex_iterator(); ++it) {
        gifts.push_back((*it)[1].str() + "/" + (*it)[2].str());
    }
    EXPECT_EQ(gifts, (std::vector<std::string>{"AK47-火麒麟/0", "M4A1-雷神/7"}));
    EXPECT_TRUE(contents[3].empty());
}

TEST_F(SandboxTest, AccountLookupsHaveTheShapesTheirReadersCut) {
    std::string war = get("/cgi-bin/cf/userinfo/userinfo.cgi?ssn=320");
    std::regex td("<td>(.*?)</td>");
    EXPECT_EQ(
        std::distance(std::sregex_iterator(war.begin(), war.end(), td), std::sregex_iterator()),
        15);
    EXPECT_NE(war.find(gbk("1520胜/1377负")), std::string::npos);  // GBK page

    std::string vip =
        get("/cf/a20141126main/getUserInfo.php?action=initQuery&sArea=320&time=0.1&_=1");
    ASSERT_EQ(vip.rfind("var result = ", 0), 0u);
    EXPECT_EQ(vip.back(), '}');  // nothing after the object literal
    EXPECT_NE(vip.find("\"vip\":\"3\""), std::string::npos);
    EXPECT_FALSE(
        between(get("/cgi-bin/cf/cfvip/checkCFvipStatue.cgi?rd=0.1&_=1"), "\"msg\":\"", "\"")
            .empty());

    std::string judou = get(
        "/daoju/appmarket/daoju_promotion/cloud_ticket/QueryCloudTicket.php?acctid=1001&id=210");
    EXPECT_EQ(between(judou, "var sCLOUDJF_RES = ", "}}") + "}}",
              "{\"ret\":\"0\",\"msg\":\"\",\"data\":{\"acctid\":\"1001\",\"ticket\":\"120\"}}");

    std::string spend =
        get("/cgi-bin/"
            "common?rand=0.1&command=command%3DC00006%26fromtype%3Dkfweb%26fromtoolid%3Dkfweb514"
            "%26type%3DgetCFSpend%26area%3D320",
            "kf.qq.com");
    std::regex record("\\|\\d+#(.*?)#(\\d+)#(\\d+)");
    std::vector<std::string> prices, days;
    for (auto it = std::sregex_iterator(spend.begin(), spend.end(), record);
         it != std::sregex_iterator(); ++it) {
        prices.push_back((*it)[2]);
        days.push_back((*it)[3].str().substr(0, 8));
    }
    EXPECT_EQ(prices,
              (std::vector<std::string>{"9999999", "1200", "999999999", "99999999", "3000", "0"}));
    EXPECT_EQ(days.back(), "20160815");

    box_.set_ban_end(1471190400);
    std::string ban = get("/cf/a20150820fwg/getFeng.php?action=initQuery&iArea=320&iUin=1&r=0.1");
    EXPECT_EQ(between(ban, "\"ret\":", ","), "0");
    EXPECT_EQ(between(ban, "\"msg\":\"", "\""), "1471190400");

    std::string weapons =
        get("/cf/info_proxy/weapon_stat_info?&&zone_id=320&WorldID=320&Type=1&callback=123&_=1",
            "api.tgp.qq.com");
    std::string inner = between(weapons, "123(", ")");
    EXPECT_EQ(inner + ")", weapons.substr(4));  // no ")" inside the object
    EXPECT_NE(inner.find("\"EffEndTime\":\"0\""), std::string::npos);
}

TEST_F(SandboxTest, CdkeyNeedsTheCaptchaOfItsSession) {
    auto c = client();
    auto pic = c.Get("/getimage?aid=210001040.123456789012345",
                     httplib::Headers{{"Host", "captcha.qq.com"}});
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->body.substr(1, 3), "PNG");
    std::string session = between(pic->get_header_value("Set-Cookie") + ";", "verifysession=", ";");
    ASSERT_FALSE(session.empty());
    std::string role = get(
        "/comm-cgi-bin/content_admin/activity_center/query_role.cgi?game=cf&callback=1&area=320");
    auto redeem = [&](const std::string& code) {
        return ams("sArea=320&sRoleId=" + box_.account_qq() + "&sCdKey=" + box_.working_cdkey() +
                       "&iUin=" + box_.account_qq() + "&sVerifyCode=" + code +
                       "&isVerifyCode=1&verifysession=" + session +
                       "&iVerifyId=21000104&iActivityId=8918&iFlowId=72798&g_tk=" + gtk() +
                       "&e_code=0&g_code=0&sServiceDepartment=group_f&sServiceType=cf&sPartition="
                       "320&sAreaName=&sRoleName="
                       "&md5str=" +
                       between(role, "md5str:'", "'") +
                       "&ams_checkparam=" + between(role, "checkparam:'", "'") +
                       "&checkparam=" + between(role, "checkparam:'", "'"),
                   box_.account_cookie() + "; verifysession=" + session);
    };
    std::string code = box_.captcha_code();
    ASSERT_EQ(code.size(), 4u);
    std::string ok = redeem(code);
    EXPECT_NE(ok.find("CDKEY兑换成功"), std::string::npos) << ok;
    EXPECT_NE(redeem(code).find("验证码错误"), std::string::npos);  // a picture is good for one try
}

TEST_F(SandboxTest, TgpBindsTheZoneThenGivesTheGiftOnce) {
    httplib::Headers h{{"Host", "act.tgp.qq.com"},
                       {"Cookie", box_.account_cookie()},
                       {"X-Requested-With", "XMLHttpRequest"}};
    auto c = client();
    const std::string base = "/index.php/cf/a20160816tgp/index/";
    auto r = c.Get((base + "ajax_get_all?&t=1").c_str(), h);
    ASSERT_TRUE(r);
    EXPECT_NE(r->body.find("\"zone\":\"0\""), std::string::npos);
    r = c.Get(
        (base +
         "ajax_save_zone/320/%E5%A4%9C%E9%9B%A8%E9%A3%9E%E9%9C%9C/?t=1&uin=1&callback=123&_=1")
            .c_str(),
        h);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body, "123({\"status\":\"1\",\"data\":{\"zone\":\"320\"}})");
    r = c.Get((base + "ajax_get_present/1801?t=1&uin=1").c_str(), h);
    ASSERT_TRUE(r);
    EXPECT_NE(r->body.find(gbk("\"name\":\"TGP每日启动礼包")), std::string::npos);
    r = c.Get((base + "ajax_get_present/1801?t=1&uin=1").c_str(), h);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body, "{\"status\":\"0\",\"data\":\"-99\"}");
}

TEST(SandboxScenario, DefaultFolderIsFoundAndServesAnEmptyWorldWhenMissing) {
    EXPECT_TRUE(std::filesystem::exists(default_scenario_dir() / "scenario.json"));
    Sandbox empty(std::filesystem::temp_directory_path() / "no-such-quillet-scenario");
    int port = empty.start();
    ASSERT_GT(port, 0);
    httplib::Client c("127.0.0.1", port);
    auto r = c.Get("/comm-cgi-bin/login/LoginReturnInfo.cgi");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body.find("\"errorCode\": 0,"), std::string::npos);
    empty.stop();
    empty.stop();  // idempotent
}

TEST(SandboxScenario, AMalformedTodayIsRefusedWithAClearMessage) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("quillet-today-scenario-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto write_today = [&](const std::string& today_json) {
        std::ofstream(dir / "scenario.json", std::ios::binary | std::ios::trunc)
            << R"({"today": )" << today_json << R"(, "accounts": [{"qq": "10001", "skey": "@k"}]})";
    };
    const char* const bad[] = {
        R"("2016-13-01")", R"("2016-02-30")", R"("2015-02-29")", R"("2016-00-10")",
        R"("20161019")",   R"("2016-1-5")",   R"("abcd-ef-gh")", R"("2016-10-1x")",
        R"(20161019)",     R"("+1-10-19")",   R"("2016/10/19")",
    };
    for (const char* today : bad) {
        SCOPED_TRACE(today);
        write_today(today);
        std::unique_ptr<Sandbox> sb;
        ASSERT_NO_THROW(sb = std::make_unique<Sandbox>(dir));
        const std::string why = sb->scenario_error();
        EXPECT_NE(why.find("\"today\" must be a date written YYYY-MM-DD"), std::string::npos)
            << why;
        EXPECT_NE(why.find("scenario.json"), std::string::npos) << why;
        ASSERT_NO_THROW(sb->reset());
        EXPECT_FALSE(sb->scenario_error().empty());
    }

    // Empty: the machine's date.
    write_today(R"("")");
    EXPECT_EQ(Sandbox(dir).scenario_error(), "");

    write_today(R"("2016-02-29")");
    Sandbox good(dir);
    EXPECT_EQ(good.scenario_error(), "");
    const quillet::DateTime day = good.today();
    EXPECT_EQ((std::array<int, 3>{day.year, day.month, day.day}),
              (std::array<int, 3>{2016, 2, 29}));
    EXPECT_EQ(good.account_qq(), "10001");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quillet::sandbox
