// The activity-management endpoint: one form POST address for bindings, claims,
// role information, CDKEY redemption and the voucher mall, told apart by
// iActivityId and iFlowId.
#include <cstdio>

#include "sandbox/world.h"

namespace quillet::sandbox {

namespace {

// A message written with \uXXXX escapes that survive JSON reading, so the reader
// sees the escapes themselves and has to decode them.
std::string double_escaped(const std::string& utf8) {
    std::string once = json_quote(utf8, true);  // "\u606d..."
    std::string out;
    for (size_t i = 0; i < once.size(); ++i) {
        if (once[i] == '\\' && i + 1 < once.size() && once[i + 1] == 'u') out += '\\';
        out += once[i];
    }
    return out;
}

std::string serial(uint64_t n, const std::string& aid, const std::string& fid) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "AMS-CF-%06llu-%s-%s", static_cast<unsigned long long>(n),
                  aid.c_str(), fid.c_str());
    return buf;
}

// {"ret":"0","msg":"",flowRet:{iRet 0, MODULE OK}, modRet:{sMsg}}: the module ran.
// A module that refuses (a lottery with no draws left) says so in its own
// iRet while the flow still reports 0.
std::string module_answer(const std::string& msg_json, const std::string& serial_no,
                          const std::string& jdata = "", const std::string& module_ret = "0") {
    std::string out =
        "{\"ret\":\"0\",\"msg\":\"\",\"flowRet\":{\"iRet\":\"0\",\"sMsg\":\"MODULE OK\","
        "\"iAlertSerial\":\"0\",\"sLogSerialNum\":\"" +
        serial_no + "\"},\"modRet\":{\"iRet\":" + module_ret + ",\"sMsg\":" + msg_json;
    if (!jdata.empty()) out += ",\"jData\":" + jdata;
    out += ",\"sAmsSerial\":\"" + serial_no + "\"}}";
    return out;
}

// The flow refused before its module ran: the reason is in flowRet only.
std::string refusal(const std::string& code, const std::string& msg_json) {
    return "{\"ret\":\"" + code + "\",\"msg\":" + msg_json + ",\"flowRet\":{\"iRet\":\"" + code +
           "\",\"sMsg\":" + msg_json + ",\"iAlertSerial\":\"0\"}}";
}

Answer ams_text(std::string body) {
    return text_answer(std::move(body), "text/html; charset=utf-8");
}

}  // namespace

Answer World::ams(const Call& c) {
    std::string aid = c.form("iActivityId");
    std::string fid = c.form("iFlowId");
    if (c.method != "POST" || aid.empty()) {
        return ams_text(refusal("-1", json_quote("参数错误", true)));
    }
    // Every request carries the token of its login key; a wrong one is refused
    // before anything else (the bound-area probes rely on this exact text).
    if (c.form("g_tk") != g_tk_of(c.cookie("skey"))) return ams_text("error g_tk");
    Account* a = signed_in(c);
    if (!a) return ams_text(refusal("101", json_quote("非常抱歉，请先登录！", true)));

    if (aid == "8918" && fid == "72798") return ams_cdkey(c, a);
    if (aid == "41615") return ams_points(c, a);

    for (const auto& act : scenario_["ams"].elements()) {
        if (act.str("aId") != aid) continue;
        const Json& bind = act["bind"];
        if (!bind.is_null() && fid == bind.str("query")) return ams_bind_query(c, a, aid);
        if (!bind.is_null() && fid == bind.str("submit")) return ams_bind_submit(c, a, aid, act);
        const Json& flow = act["flows"][fid];
        if (!flow.is_null()) return ams_claim(c, a, aid, fid, flow, !bind.is_null());
    }
    for (const auto& [kind, offer] : scenario_["vouchers"].members()) {
        (void)kind;
        if (offer.str("aId") == aid) return ams_voucher(c, a, aid, fid);
    }
    return ams_text(refusal("-1", json_quote("非常抱歉，活动配置不存在或已下线！", true)));
}

// A binding query (and the bound-area probes): which area the account bound.
Answer World::ams_bound_area_flow(const Call& c, Account* a, const std::string& aid) {
    return ams_bind_query(c, a, aid);
}

Answer World::ams_bind_query(const Call&, Account* a, const std::string& aid) {
    auto it = a->ams_bound.find(aid);
    if (it == a->ams_bound.end() || it->second == 0) {
        return ams_text("{\"ret\":\"1001\",\"msg\":" + json_quote("您尚未绑定大区", true) +
                        ",\"iRet\":\"1001\"}");
    }
    int area = it->second;
    const Role* role = nullptr;
    if (auto r = a->roles.find(area); r != a->roles.end()) role = &r->second;
    std::string fuin = a->qq;
    return ams_text("{\"ret\":\"0\",\"msg\":\"\",\"Farea\":\"" + std::to_string(area) +
                    "\",\"Fuin\":\"" + fuin +
                    "\",\"FroleName\":" + json_quote(role ? role->name : "", true) +
                    ",\"Fpartition\":\"" + std::to_string(area) + "\"}");
}

// A binding submit: the area must hold a role of the account, and the proof
// values must be the ones the role service gave for it.
Answer World::ams_bind_submit(const Call& c, Account* a, const std::string& aid, const Json& act) {
    if (auto refuse = act["bind"].str("refuse"); !refuse.empty()) {
        return ams_text("{\"iRet\":\"" + refuse + "\",\"sMsg\":" +
                        json_quote(act["bind"].str("refuse_msg", "系统繁忙，请稍后再试"), true) +
                        "}");
    }
    int area = std::atoi(c.form("user_area").c_str());
    auto r = a->roles.find(area);
    if (r == a->roles.end()) {
        return ams_text("{\"iRet\":\"-1010\",\"sMsg\":" + json_quote("您在该大区没有角色", true) +
                        "}");
    }
    std::string checkparam = percent_decode_bytes(c.form("user_checkparam"));
    if (checkparam != r->second.checkparam || c.form("user_md5str") != r->second.md5str ||
        c.form("user_roleId") != a->qq) {
        return ams_text("{\"iRet\":\"-1020\",\"sMsg\":" +
                        json_quote("角色校验失败，请重新选择角色", true) + "}");
    }
    a->ams_bound[aid] = area;
    return ams_text("{\"iRet\":\"0\",\"sMsg\":" + json_quote("绑定成功", true) + ",\"area\":\"" +
                    std::to_string(area) + "\"}");
}

Answer World::ams_claim(const Call& c, Account* a, const std::string& aid, const std::string& fid,
                        const Json& flow, bool needs_binding) {
    if (needs_binding) {
        auto it = a->ams_bound.find(aid);
        if (it == a->ams_bound.end() || it->second == 0 || !a->roles.count(it->second)) {
            return ams_text(refusal("700", json_quote("对不起，您还没有绑定大区，请先绑定！")));
        }
    }
    if (auto field = flow.str("input_field"); !field.empty()) {
        std::string typed = percent_decode_bytes(c.form(field));
        if (typed != flow.str("input")) {
            return ams_text(refusal("600", json_quote(flow.str("wrong_input", "口令错误"))));
        }
    }
    const Json& answers = flow["answers"];
    std::string key = aid + "/" + fid;
    int n = a->claims[key]++;
    if (answers.size() == 0)
        return ams_text(module_answer("\"MODULE OK\"", serial(++serial_, aid, fid)));
    const Json& ans = answers[std::min<size_t>(static_cast<size_t>(n), answers.size() - 1)];
    if (ans.kind() == Json::Kind::String) {
        return ams_text(module_answer(json_quote(ans.text()), serial(++serial_, aid, fid)));
    }
    if (ans["empty"].truth()) return ams_text("");
    if (!ans["raw"].is_null()) return ams_text(ans.str("raw"));
    if (!ans["json"].is_null()) return ams_text(ans["json"].dump());
    if (!ans["escaped"].is_null()) {
        return ams_text(
            module_answer(double_escaped(ans.str("escaped")), serial(++serial_, aid, fid)));
    }
    if (!ans["flow"].is_null()) {
        return ams_text(refusal(ans.str("code", "600"), json_quote(ans.str("flow"))));
    }
    const std::string module_ret = ans.str("iRet", "0");
    if (module_ret.empty() || module_ret.find_first_not_of("-0123456789") != std::string::npos)
        return ams_text(refusal("-1", json_quote("非常抱歉，活动配置错误！")));
    return ams_text(module_answer(json_quote(ans.str("mod", "MODULE OK")),
                                  serial(++serial_, aid, fid), "", module_ret));
}

// Activity 41615: 227206 reads the role into the session of the activity,
// 230085 answers the account's CF and GP points.
Answer World::ams_points(const Call& c, Account* a) {
    std::string fid = c.form("iFlowId");
    if (fid == "227206") {
        int area = std::atoi(c.form("user_area").c_str());
        if (!a->roles.count(area)) {
            return ams_text(
                "{\"iRet\":\"-1010\",\"sMsg\":" + json_quote("您在该大区没有角色", true) + "}");
        }
        return ams_text("{\"iRet\":\"0\",\"sMsg\":\"ok\"}");
    }
    if (fid == "230085") {
        std::string jdata = "{\"cfPoint\":\"" + a->cf_point + "\",\"gamePoint\":\"" +
                            a->game_point + "\",\"iUin\":\"" + a->qq + "\"}";
        return ams_text(module_answer("\"MODULE OK\"", serial(++serial_, "41615", fid), jdata));
    }
    return ams_text(refusal("-1", json_quote("非常抱歉，活动配置不存在或已下线！", true)));
}

// CDKEY redemption: the captcha session cookie must be the one issued with the
// picture, the letters must match it (each picture is good for one try), and
// the key must be unused.
Answer World::ams_cdkey(const Call& c, Account* a) {
    std::string session = c.cookie("verifysession");
    std::string code = c.form("sVerifyCode");
    auto it = captchas_.find(session);
    bool captcha_ok = !session.empty() && it != captchas_.end() &&
                      ascii_lower(it->second) == ascii_lower(code) &&
                      c.form("verifysession") == session;
    if (it != captchas_.end()) captchas_.erase(it);
    if (!captcha_ok) return ams_text(refusal("-1", json_quote("验证码错误，请重新输入")));
    int area = std::atoi(c.form("sArea").c_str());
    auto r = a->roles.find(area);
    if (r == a->roles.end() || c.form("md5str") != r->second.md5str ||
        percent_decode_bytes(c.form("checkparam")) != r->second.checkparam) {
        return ams_text(refusal("-1020", json_quote("角色信息校验失败，请重新选择大区")));
    }
    std::string key = c.form("sCdKey");
    const Json& entry = scenario_["cdkeys"][key];
    if (entry.is_null()) {
        return ams_text(module_answer(json_quote("CDKEY无效，请确认后重新输入"),
                                      serial(++serial_, "8918", "72798"), "", "-1011"));
    }
    if (a->used_cdkeys.count(key) || entry.str("state") == "used") {
        return ams_text(module_answer(json_quote("该CDKEY已被使用"),
                                      serial(++serial_, "8918", "72798"), "", "-1012"));
    }
    a->used_cdkeys.insert(key);
    return ams_text(module_answer(json_quote(entry.str("message", "兑换成功")),
                                  serial(++serial_, "8918", "72798")));
}

// The voucher mall: exchanges cost the offer's currency, lotteries draw prizes in turn.
Answer World::ams_voucher(const Call& c, Account* a, const std::string& aid,
                          const std::string& fid) {
    for (const auto& [kind, offer] : scenario_["vouchers"].members()) {
        if (offer.str("aId") != aid) continue;
        int* balance = kind == "judou" ? &a->judou : kind == "bangdou" ? &a->bangdou : nullptr;
        std::string currency = kind == "judou" ? "聚豆" : kind == "bangdou" ? "帮豆" : "月券";
        if (!offer["bind"].is_null()) {
            auto it = a->ams_bound.find(aid);
            if (it == a->ams_bound.end() || it->second == 0) {
                return ams_text(refusal("700", json_quote("对不起，您还没有绑定大区，请先绑定！")));
            }
        }
        if (kind == "judou" && c.form("sServiceDepartment") != "djc") {
            return ams_text(refusal("-1", json_quote("非常抱歉，参数错误！")));
        }
        int cost = 0;
        std::string prize;
        if (fid == offer.str("lottery")) {
            cost = static_cast<int>(offer.num("lottery_cost"));
            const Json& prizes = offer["prizes"];
            if (prizes.size() > 0)
                prize =
                    prizes[static_cast<size_t>(a->claims[aid + "/lottery"]) % prizes.size()].text();
        } else {
            const Json& item = offer["items"][fid];
            if (item.is_null())
                return ams_text(refusal("-1", json_quote("非常抱歉，该道具已下架！")));
            cost = static_cast<int>(item.num("price"));
            prize = item.str("name");
        }
        int have = balance ? *balance : 0;
        if (have < cost) {
            return ams_text(refusal("600", json_quote("非常抱歉，您的" + currency + "余额不足！")));
        }
        if (balance) *balance -= cost;
        a->claims[aid + "/" + (fid == offer.str("lottery") ? std::string("lottery") : fid)]++;
        std::string msg = fid == offer.str("lottery")
                              ? "恭喜您抽中了【" + prize + "】，道具将在24小时内到账"
                              : "恭喜您成功兑换【" + prize + "】，道具将在24小时内到账";
        return ams_text(module_answer(double_escaped(msg), serial(++serial_, aid, fid)));
    }
    return ams_text(refusal("-1", json_quote("非常抱歉，活动配置不存在或已下线！", true)));
}

}  // namespace quillet::sandbox
