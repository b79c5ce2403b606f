// The publisher's account services: login information, roles, server date,
// CF-VIP, consumption records, region scan, ban, activity list, war statistics,
// weapons and the two bean balances.
#include <cstdio>

#include "sandbox/world.h"
#include "text/time_text.h"

namespace quillet::sandbox {

namespace {

std::string two(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string date_text(const DateTime& t) {
    return std::to_string(t.year) + "-" + two(t.month) + "-" + two(t.day);
}

std::string datetime_text(const DateTime& t) {
    return date_text(t) + " " + two(t.hour) + ":" + two(t.minute) + ":" + two(t.second);
}

}  // namespace

// LoginReturnInfo.cgi: JSON with blanks after the separators; texts are
// percent-encoded UTF-8.
Answer World::login_info(const Call& c) {
    Account* a = signed_in(c);
    if (!a) {
        return text_answer("{\"errorCode\": -100, \"errorStr\": \"" +
                               percent_encode_all("登录态失效，请重新登录") +
                               "\", \"userUin\": \"\", \"nickName\": \"\"}",
                           "text/html; charset=gbk");
    }
    return text_answer("{\"errorCode\": 0, \"errorStr\": \"\", \"userUin\": \"" + a->qq +
                           "\", \"nickName\": \"" + percent_encode_all(a->nickname) +
                           "\", \"isAdult\": 1, \"faceUrl\": \"\"}",
                       "text/html; charset=gbk");
}

// query_role.cgi: a script assignment whose members the reader finds by markers;
// the role name is percent-encoded UTF-8, error texts are GBK.
Answer World::query_role(const Call& c) {
    std::string callback = c.query_param("callback");
    std::string head = "var query_role_result_" + callback + "=";
    Account* a = signed_in(c);
    if (!a) {
        return js_answer(
            head + "{data:'',retCode:-2,msg:'" + gbk_of("请先登录") + "',checkparam:'',md5str:''};",
            true);
    }
    int area = std::atoi(c.query_param("area").c_str());
    auto it = a->roles.find(area);
    if (it == a->roles.end()) {
        return js_answer(head + "{data:'_webplat_msg=queryerr&_webplat_msg_code=-1&area=" +
                             std::to_string(area) + "&',retCode:0,msg:'',checkparam:'',md5str:''};",
                         true);
    }
    const Role& r = it->second;
    std::string data = "_webplat_msg=success&_checkparam=" + r.checkparam +
                       "&area=" + std::to_string(area) +
                       "&szNick_name=" + percent_encode_all(r.name) +
                       "&iLevel=" + std::to_string(20 + area % 40) + "&iGender=0&";
    return js_answer(head + "{data:'" + data + "',retCode:0,msg:'',checkparam:'" + r.checkparam +
                         "',md5str:'" + r.md5str + "',infostr:'',checkstr:''};",
                     true);
}

Answer World::server_date(const Call&) {
    DateTime t = today_locked();
    return js_answer("var curdate = '" + date_text(t) + "';\nvar curtime = '" + two(t.hour) + ":" +
                         two(t.minute) + ":" + two(t.second) + "';",
                     true);
}

// getUserInfo.php: "var result = {...}" with no closing semicolon.
Answer World::vip_user_info(const Call& c) {
    Account* a = signed_in(c);
    if (!a)
        return js_answer("var result = {\"ret\":\"101\",\"msg\":\"" + gbk_of("请先登录") + "\"}",
                         true);
    return js_answer("var result = {\"ret\":\"0\",\"msg\":{\"green\":\"" +
                         std::to_string(a->green_level) + "\",\"vip\":\"" +
                         std::to_string(a->vip_level) + "\",\"uin\":\"" + a->qq + "\",\"area\":\"" +
                         c.query_param("sArea") + "\"}}",
                     true);
}

Answer World::vip_status(const Call& c) {
    Account* a = signed_in(c);
    if (!a)
        return text_answer("{\"ret\":-1,\"msg\":\"" + gbk_of("请先登录") + "\"}",
                           "text/html; charset=gbk");
    // "+N" in the scenario: N days after today.
    std::string expiry = a->vip_expiry;
    if (!expiry.empty() && expiry[0] == '+')
        expiry = date_text(add_days(today_locked(), std::atoi(expiry.c_str() + 1)));
    return text_answer(
        "{\"ret\":0,\"msg\":\"" + expiry + "\",\"level\":" + std::to_string(a->vip_level) + "}",
        "text/html; charset=gbk");
}

Answer World::vip_growth(const Call& c) {
    Account* a = signed_in(c);
    if (!a)
        return js_answer("var result = {\"ret\":\"101\",\"msg\":\"" + gbk_of("请先登录") + "\"}",
                         true);
    return js_answer("var result = {\"ret\":\"0\",\"msg\":{\"point\":\"" +
                         std::to_string(a->vip_growth) + "\",\"nextlevelpoint\":\"" +
                         std::to_string(a->vip_next) + "\",\"level\":\"" +
                         std::to_string(a->vip_level) + "\"}}",
                     true);
}

// Consumption records: "|index#name#price#yyyyMMddHHmmss" groups, UTF-8.
Answer World::spend(const Call& c) {
    Account* a = signed_in(c);
    std::string command = percent_decode_bytes(c.query_param("command"));
    if (!a) return text_answer("{\"result\":\"-1\",\"msg\":\"请先登录\",\"data\":\"\"}");
    if (command.find("getCFSpend") == std::string::npos) {
        return text_answer("{\"result\":\"-2\",\"msg\":\"命令错误\",\"data\":\"\"}");
    }
    std::string area_text;
    if (size_t p = command.find("area="); p != std::string::npos) area_text = command.substr(p + 5);
    int area = std::atoi(area_text.c_str());
    if (!a->roles.count(area))
        return text_answer("{\"result\":\"0\",\"msg\":\"\",\"count\":\"0\",\"data\":\"\"}");
    std::string data;
    int n = 0;
    DateTime today = today_locked();
    for (const auto& r : scenario_["spend"].elements()) {
        DateTime d = add_days(today, -static_cast<int>(r.num("days_ago")));
        std::string hms = r.str("time", "120000");
        data += "|" + std::to_string(++n) + "#" + r.str("name") + "#" + r.str("price") + "#" +
                yyyymmdd(d) + hms;
    }
    return text_answer("{\"result\":\"0\",\"msg\":\"\",\"count\":\"" + std::to_string(n) +
                       "\",\"data\":\"" + data + "|\"}");
}

// Region scan: resultcode 0 where the account has a role (blanks as the service writes them).
Answer World::scan(const Call& c) {
    Account* a = signed_in(c);
    if (!a) return text_answer("{\"resultcode\": -1, \"resultinfo\": \"请先登录\"}");
    int area = std::atoi(c.query_param("gamezone").c_str());
    if (a->roles.count(area)) {
        return text_answer("{\"resultcode\": 0, \"resultinfo\": \"ok\", \"gamezone\": " +
                           std::to_string(area) + ", \"roleexist\": 1}");
    }
    return text_answer(
        "{\"resultcode\": 1004, \"resultinfo\": \"该区服下没有角色\", \"gamezone\": " +
        std::to_string(area) + "}");
}

// Ban: {"ret":0,"msg":"<end in Unix seconds>"} or a refusal in words.
Answer World::ban(const Call& c) {
    Account* a = signed_in(c);
    if (!a) return text_answer("{\"ret\":-1,\"msg\":\"请先登录\"}");
    int area = std::atoi(c.query_param("iArea").c_str());
    if (!a->roles.count(area)) return text_answer("{\"ret\":2,\"msg\":\"您在该大区没有角色\"}");
    if (a->ban_end == 0) return text_answer("{\"ret\":1,\"msg\":\"恭喜您，该账号没有封停记录\"}");
    return text_answer("{\"ret\":0,\"msg\":\"" + std::to_string(a->ban_end) +
                       "\",\"reason\":\"使用非法外挂\",\"area\":\"" + std::to_string(area) + "\"}");
}

// Activity list: JSON with every non-ASCII character \u-escaped and the members of
// each activity in alphabetical order; content is a JSON text inside a string.
Answer World::activity_list(const Call&) {
    DateTime today = today_locked();
    Json list = Json::array();
    int id = 90000;
    for (const auto& item : scenario_["activity_list"].elements()) {
        std::string end = item.str("end");
        if (end.rfind("days:", 0) == 0) {
            DateTime e = add_days(today, std::atoi(end.c_str() + 5));
            e.hour = 23, e.minute = 59, e.second = 59;
            end = datetime_text(e);
        } else if (end.rfind("date:", 0) == 0) {
            end = date_text(add_days(today, std::atoi(end.c_str() + 5)));
        }
        Json content = Json::array();
        for (const auto& gift : item["gifts"].elements()) {
            Json g = Json::object();
            g.set("data", Json::string(gift.str("name")));
            g.set("icon", Json::string("http://ossweb-img.example/images/daoju/" +
                                       std::to_string(++id) + ".png"));
            g.set("expired", Json::string(gift.str("days")));
            content.push(std::move(g));
        }
        DateTime start = add_days(today, -static_cast<int>(item.num("started_days_ago", 3)));
        Json o = Json::object();
        o.set("content", Json::string(content.dump()));
        o.set("editorNick", Json::string("CF小编"));
        o.set("editorUin", Json::string("10001"));
        o.set("endtime", Json::string(end));
        o.set("eventtime", Json::string(datetime_text(start)));
        o.set("gameid", Json::string("cf"));
        o.set("iActiveType", Json::string(item.str("type", "1")));
        o.set("iHoldType", Json::string("2"));
        o.set("id", Json::string(std::to_string(++id)));
        o.set("itype", Json::string("0"));
        o.set("limit", Json::string("0"));
        o.set("name", Json::string(item.str("name")));
        o.set("once", Json::string("1"));
        o.set("remindtime", Json::string(""));
        o.set("starttime", Json::string(datetime_text(start)));
        o.set("szHoldName", Json::string(item.str("platform")));
        o.set("uin", Json::string("0"));
        o.set("url", Json::string(item.str("url")));
        list.push(std::move(o));
    }
    std::string body =
        "{\"result\":0,\"msg\":\"ok\",\"data\":{\"count\":" + std::to_string(list.size()) +
        ",\"list\":" + list.dump(true) + "}}";
    // The service writes "/" as "\/".
    std::string out;
    for (char ch : body) {
        if (ch == '/')
            out += "\\/";
        else
            out += ch;
    }
    return text_answer(out, "application/json");
}

// War statistics: an HTML page whose figures sit in exactly 15 <td> cells (GBK).
Answer World::war_stats(const Call& c) {
    Account* a = signed_in(c);
    if (!a)
        return text_answer(gbk_of("<html><body><p>请先登录</p></body></html>"),
                           "text/html; charset=gbk");
    int area = std::atoi(c.query_param("ssn").c_str());
    if (!a->roles.count(area)) {
        return text_answer(gbk_of("<html><body><p>没有找到该大区的角色</p></body></html>"),
                           "text/html; charset=gbk");
    }
    const Json& cells = scenario_["war_stats"];
    std::string html =
        "<html><head><meta charset=\"gbk\"><title>战绩查询</title></head><body>\n"
        "<table class=\"total\"><tr><th>战绩</th><th>胜率</th><th>杀敌/被杀</th><th>K/D</th>"
        "<th>爆头数</th><th>爆头率</th><th>杀死队友</th><th>中途退出</th></tr>\n<tr>";
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i == 8) {
            html +=
                "</tr></table>\n<table "
                "class=\"today\"><tr><th>经验</th><th>游戏币</th><th>战绩</th>"
                "<th>杀敌/被杀</th><th>K/D</th><th>爆头数</th><th>爆头率</th></tr>\n<tr>";
        }
        html += "<td>" + cells[i].text() + "</td>";
    }
    html += "</tr></table>\n</body></html>";
    return text_answer(gbk_of(html), "text/html; charset=gbk");
}

// Weapons of one class: 123({...}) in UTF-8; end times relative to today.
Answer World::weapons(const Call& c) {
    Account* a = signed_in(c);
    std::string type = c.query_param("Type");
    if (!a) return js_answer("123({\"Ret\":-1,\"Msg\":\"请先登录\"})");
    int area = std::atoi(c.query_param("zone_id").c_str());
    if (!a->roles.count(area)) return js_answer("123({\"Ret\":0,\"WeaponStats\":[]})");
    DateTime today = today_locked();
    Json stats = Json::array();
    int item_id = 10000 * std::atoi(type.c_str());
    for (const auto& w : scenario_["weapons"][type].elements()) {
        Json o = Json::object();
        o.set("ItemId", Json::number(std::to_string(++item_id)));
        std::string end = "0";
        if (!w["hours"].is_null()) {
            DateTime e = civil_from_seconds(seconds_of(today) + w.num("hours") * 3600);
            end = std::to_string(unix_seconds(e));
        }
        o.set("EffEndTime", Json::string(end));
        Json info = Json::object();
        info.set("Name", Json::string(w.str("name")));
        info.set("Price", Json::string(w.str("price")));
        info.set("Type", Json::string(type));
        o.set("StaticInfo", std::move(info));
        stats.push(std::move(o));
    }
    return js_answer("123({\"Ret\":0,\"Msg\":\"\",\"WeaponStats\":" + stats.dump() + "})");
}

// 聚豆: "var sCLOUDJF_RES = {...}};" whose nested object closes the text.
Answer World::judou_balance(const Call& c) {
    Account* a = signed_in(c);
    if (!a)
        return js_answer("var sCLOUDJF_RES = {\"ret\":\"-1\",\"msg\":\"" + gbk_of("请先登录") +
                             "\",\"data\":{}};",
                         true);
    return js_answer("var sCLOUDJF_RES = {\"ret\":\"0\",\"msg\":\"\",\"data\":{\"acctid\":\"" +
                         c.query_param("acctid") + "\",\"ticket\":\"" + std::to_string(a->judou) +
                         "\"}};",
                     true);
}

// 帮豆: a plain JSON object (GBK), after the binding of the offer's activity.
Answer World::bangdou_balance(const Call& c) {
    Account* a = signed_in(c);
    if (!a)
        return text_answer("{\"ret\":-1,\"msg\":\"" + gbk_of("请先登录") + "\"}",
                           "application/json; charset=gbk");
    return text_answer("{\"ret\":0,\"msg\":\"\",\"data\":{\"score\":\"" +
                           std::to_string(a->bangdou) + "\",\"level\":\"2\",\"uin\":\"" + a->qq +
                           "\"}}",
                       "application/json; charset=gbk");
}

}  // namespace quillet::sandbox
