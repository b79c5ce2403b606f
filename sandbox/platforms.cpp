// The three other gift platforms: TGP activity pages (zone binding and gifts,
// GBK, one answer JSONP-wrapped), QQ-VIP AMS 3.0 (GBK, optionally wrapped) and
// the Qzone lottery (an HTML page calling frameElement.callback, UTF-8).
#include "sandbox/world.h"

namespace quillet::sandbox {

namespace {

std::vector<std::string> segments(const std::string& path) {
    std::vector<std::string> out;
    size_t pos = 1;
    while (pos <= path.size()) {
        size_t slash = path.find('/', pos);
        if (slash == std::string::npos) slash = path.size();
        out.push_back(path.substr(pos, slash - pos));
        pos = slash + 1;
    }
    return out;
}

Answer gbk_json(const std::string& utf8) {
    return text_answer(gbk_of(utf8), "application/json; charset=gbk");
}

}  // namespace

// /index.php/cf/<aId>/index/<action>/<args...>
Answer World::tgp(const Call& c) {
    auto seg = segments(c.path);  // index.php, cf, aId, index, action, ...
    if (seg.size() < 5 || seg[3] != "index") {
        Answer a = text_answer("<html><body>404</body></html>");
        a.status = 404;
        return a;
    }
    const std::string& aid = seg[2];
    const std::string& action = seg[4];
    bool wrapped = action == "ajax_save_zone";
    auto reply = [&](const std::string& json) {
        return gbk_json(wrapped ? "123(" + json + ")" : json);
    };

    // The platform's pages make these calls as AJAX requests with the login cookies.
    if (ascii_lower(c.header("X-Requested-With")) != "xmlhttprequest") {
        return reply("{\"status\":\"0\",\"data\":\"-1\",\"msg\":\"非法请求\"}");
    }
    Account* a = signed_in(c);
    if (!a) return reply("{\"status\":\"-1\",\"data\":\"-100\",\"msg\":\"请先登录\"}");
    const Json& act = [&]() -> const Json& {
        for (const auto& t : scenario_["tgp"].elements()) {
            if (t.str("aId") == aid) return t;
        }
        static const Json none;
        return none;
    }();
    if (act.is_null()) return reply("{\"status\":\"0\",\"data\":\"-105\",\"msg\":\"活动不存在\"}");

    if (action == "ajax_get_all") {
        int zone = a->tgp_zone.count(aid) ? a->tgp_zone[aid] : 0;
        return reply("{\"status\":\"1\",\"data\":{\"zone\":\"" + std::to_string(zone) +
                     "\",\"uin\":\"" + a->qq + "\",\"is_tgp\":\"1\"}}");
    }
    if (action == "ajax_save_zone") {
        int area = seg.size() > 5 ? std::atoi(seg[5].c_str()) : 0;
        std::string name = seg.size() > 6 ? percent_decode_bytes(seg[6]) : "";
        auto r = a->roles.find(area);
        if (r == a->roles.end())
            return reply("{\"status\":\"0\",\"data\":\"-2\",\"msg\":\"该大区没有角色\"}");
        if (r->second.name != name)
            return reply("{\"status\":\"0\",\"data\":\"-3\",\"msg\":\"角色名不匹配\"}");
        a->tgp_zone[aid] = area;
        return reply("{\"status\":\"1\",\"data\":{\"zone\":\"" + std::to_string(area) + "\"}}");
    }
    if (action == "ajax_get_present") {
        std::string gift = seg.size() > 5 ? seg[5] : "";
        if (!a->tgp_zone.count(aid) || a->tgp_zone[aid] == 0) {
            return reply("{\"status\":\"0\",\"data\":\"-101\",\"msg\":\"请先选择大区\"}");
        }
        const Json& g = act["gifts"][gift];
        if (g.is_null())
            return reply("{\"status\":\"0\",\"data\":\"-104\",\"msg\":\"礼包不存在\"}");
        int n = a->claims["tgp:" + aid + "/" + gift]++;
        const Json& answers = g["answers"];
        std::string code =
            answers.size() == 0
                ? (n == 0 ? "gift" : "-99")
                : answers[std::min<size_t>(static_cast<size_t>(n), answers.size() - 1)].text();
        // The platform behind a broken proxy, or a dropped connection.
        if (code == "broken") {
            Answer bad = text_answer(
                "<html><head><title>502 Bad Gateway</title></head><body>502 Bad Gateway</body>"
                "</html>");
            bad.status = 502;
            return bad;
        }
        if (code == "empty") return text_answer("");
        if (code == "gift") {
            return reply("{\"status\":\"1\",\"data\":{\"name\":" + json_quote(g.str("name")) +
                         ",\"id\":\"" + gift + "\"}}");
        }
        return reply("{\"status\":\"0\",\"data\":\"" + code + "\"}");
    }
    return reply("{\"status\":\"0\",\"data\":\"-404\"}");
}

// /ams3.0.php?...&actid=N...: the answer to the nth request of the activity.
Answer World::vip_ams(const Call& c) {
    std::string actid = c.query_param("actid");
    bool wrapped = c.query_param("callback") == "123";
    auto reply = [&](const std::string& json) {
        return gbk_json(wrapped ? "123(" + json + ")" : json);
    };
    Account* a = signed_in(c);
    if (!a || c.query_param("g_tk") != g_tk_of(a->skey)) {
        return reply("{\"ret\":\"-3000\",\"msg\":\"登录态失效，请重新登录\"}");
    }
    for (const auto& v : scenario_["vip"].elements()) {
        if (v.str("actid") != actid) continue;
        const Json& answers = v["answers"];
        int n = a->claims["vip:" + actid]++;
        if (answers.size() == 0) return reply("{\"ret\":\"0\",\"msg\":\"ok\"}");
        const Json& ans = answers[std::min<size_t>(static_cast<size_t>(n), answers.size() - 1)];
        if (ans["empty"].truth()) return text_answer("");
        if (!ans["raw"].is_null()) return text_answer(ans.str("raw"));
        return reply(ans.dump());
    }
    return reply("{\"ret\":\"-1\",\"msg\":\"活动不存在\"}");
}

// The Qzone lottery answers the form post of its page with an HTML page.
Answer World::qzone(const Call& c) {
    auto page = [](const std::string& json) {
        return text_answer(
            "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />"
            "</head><body><script type=\"text/javascript\">document.domain=\"qq.com\";"
            "frameElement.callback(" +
                json + ");</script></body></html>",
            "text/html; charset=utf-8");
    };
    Account* a = signed_in(c);
    if (!a || c.query_param("g_tk") != g_tk_of(a->skey)) {
        return page(
            "{\"code\":-3000,\"subcode\":-4001,\"message\":\"请先登录\",\"notice\":0,\"time\":0,"
            "\"data\":[]}");
    }
    std::string actid = c.form("actid");
    std::string ruleid = c.form("ruleid");
    for (const auto& q : scenario_["qzone"].elements()) {
        if (q.str("actid") != actid) continue;
        const Json& rule = q["rules"][ruleid];
        if (rule.is_null()) break;
        const Json& answers = rule["answers"];
        int n = a->claims["qzone:" + actid + "/" + ruleid]++;
        if (answers.size() == 0) break;
        const Json& ans = answers[std::min<size_t>(static_cast<size_t>(n), answers.size() - 1)];
        if (ans["empty"].truth()) return text_answer("");
        if (!ans["raw"].is_null()) return text_answer(ans.str("raw"));
        long long sub = ans.num("subcode");
        Json data = Json::array();
        if (sub == 0) {
            Json prize = Json::object();
            prize.set("name", Json::string(ans.str("name")));
            prize.set("id", Json::number(std::to_string(1000 + n)));
            prize.set("num", Json::number("1"));
            data.push(std::move(prize));
        }
        return page("{\"code\":" + std::to_string(sub) + ",\"subcode\":" + std::to_string(sub) +
                    ",\"message\":" + json_quote(ans.str("message")) + ",\"notice\":0,\"time\":" +
                    std::to_string(serial_++) + ",\"data\":" + data.dump() + "}");
    }
    return page(
        "{\"code\":-1,\"subcode\":-10000,\"message\":\"活动不存在或已结束\",\"notice\":0,\"data\":["
        "]}");
}

}  // namespace quillet::sandbox
