#include "claim/ams.h"

#include "claim/outcome_text.h"
#include "script/json_view.h"
#include "services/game_service_client.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

std::string ams_url(const Session& s) {
    return s.http_url(Host::AMS, "/ams/ame/ame.php");
}

// The game site's activity page, percent-encoded twice: the server only logs it.
std::string eas_url(const std::string& game_site_host) {
    return "http%253A%252F%252F" + game_site_host + "%252Fcp%252Fa20160511yj%252F";
}

// The query keeps its two CR LF pairs (after "eas_url" and "sServiceType"):
// the server has always been sent them this way.
constexpr const char* kBindQuery =
    "sign_version=1.0&action_id=#{saId}&iActivityId=#{aId}&iFlowId=#{sfId0}&g_tk=#{g_tk}"
    "&e_code=0&g_code=0&eas_url\r\n=#{easUrl}&eas_refer=&sServiceDepartment=group_f"
    "&sServiceType\r\n=cf";

constexpr const char* kBindSubmit =
    "sign_version=1.0\r\n&action_id=#{action_id}\r\n&user_area=#{area}\r\n&user_roleId=#{uin}"
    "\r\n&user_roleName=#{roleName}\r\n&user_areaName=#{areaName}\r\n&user_roleLevel=#{roleLevel}"
    "\r\n&user_checkparam=#{checkparam}\r\n&user_md5str=#{md5str}\r\n&user_sex=\r\n"
    "&iActivityId=#{iActivityId}\r\n&iFlowId=#{iFlowId}\r\n&g_tk=#{g_tk}\r\n&e_code=0\r\n"
    "&g_code=0\r\n&eas_url=\r\n&eas_refer=\r\n&sServiceDepartment=group_f\r\n&sServiceType=cf";

constexpr const char* kStandardClaim =
    "gameId=\r\n&sArea=\r\n&iSex=\r\n&sRoleId=\r\n&iGender=\r\n&sServiceType=cf\r\n"
    "&objCustomMsg=\r\n&areaname=\r\n&roleid=\r\n&rolelevel=\r\n&rolename=\r\n&areaid=\r\n"
    "&iActivityId=#{iActivityId}\r\n&iFlowId=#{iFlowId}\r\n&g_tk=#{g_tk}\r\n&e_code=0\r\n"
    "&g_code=0\r\n&eas_url=#{easUrl}\r\n&eas_refer=\r\n&sServiceDepartment=group_f";

// "ret" and "iRet" are normally quoted strings; an answer that carries one as
// a bare number is read too, so a confirmed binding is not reported as a
// failure with an empty code.
std::string read_code(const std::string& answer, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    std::string code = text_between(answer, key + "\"", "\"");
    if (!code.empty()) return code;
    const int at = find_text(answer, key);
    if (at < 0) return {};
    size_t i = static_cast<size_t>(at - 1) + key.size();
    while (i < answer.size() && answer[i] == ' ') ++i;
    const size_t begin = i;
    if (i < answer.size() && answer[i] == '-') ++i;
    const size_t digits = i;
    while (i < answer.size() && answer[i] >= '0' && answer[i] <= '9') ++i;
    if (i == digits) return {};
    return answer.substr(begin, i - begin);
}

// The outcome of a readable claim answer: by its codes where it has them,
// by its words where it has none. message is the server's text, shown what
// the log line shows.
ClaimOutcome decide(const std::string& ret, const std::string& module_ret,
                    const std::string& message, const std::string& shown) {
    OutcomeKind kind;
    std::string code = ret;
    if (ret.empty()) {
        kind = outcome_of_text("AMS", gbk_to_utf8(shown));
    } else if (ret != "0") {
        kind = OutcomeKind::nothing_given;
    } else if (!module_ret.empty() && module_ret != "0") {
        kind = OutcomeKind::nothing_given;
        code = module_ret;
    } else {
        kind = OutcomeKind::given;
    }
    ClaimOutcome outcome{shown, kind, code, {}};
    if (kind == OutcomeKind::given) {
        if (std::string gift = gift_named_in(gbk_to_utf8(message)); !gift.empty())
            outcome.gifts = {utf8_to_gbk(gift)};
    }
    return outcome;
}

}  // namespace

std::string ams_standard_body(const std::string& aId, const std::string& fId,
                              const std::string& g_tk, const std::string& game_site_host) {
    return fill_template(remove_crlf(kStandardClaim), {{"iActivityId", aId},
                                                       {"iFlowId", fId},
                                                       {"g_tk", g_tk},
                                                       {"easUrl", eas_url(game_site_host)}});
}

std::string ams_standard_body(const std::string& aId, const std::string& fId,
                              const std::string& g_tk) {
    return ams_standard_body(aId, fId, g_tk, std::string(HostTable::default_of(Host::GAME_SITE)));
}

std::string ams_bind_query_body(const std::string& aId, const std::string& saId,
                                const std::string& sfId0, const std::string& g_tk,
                                const std::string& game_site_host) {
    return fill_template(kBindQuery, {{"saId", saId},
                                      {"aId", aId},
                                      {"sfId0", sfId0},
                                      {"g_tk", g_tk},
                                      {"easUrl", eas_url(game_site_host)}});
}

std::string ams_bind_submit_body(const Session& s, const std::string& aId, const std::string& saId,
                                 const std::string& sfId1) {
    const SessionState& st = s.state;
    const std::string area = std::to_string(st.area_id);
    const std::string role = percent_encode(gbk_to_utf8(st.role_name));
    const std::string area_name =
        percent_encode(gbk_to_utf8(GameServiceClient::area_name(st.area_id)));
    const std::string checkparam = percent_encode(st.checkparam);
    return fill_template(remove_crlf(kBindSubmit), {{"action_id", saId},
                                                    {"area", area},
                                                    {"uin", st.qq},
                                                    {"roleName", role},
                                                    {"areaName", area_name},
                                                    {"roleLevel", "0"},
                                                    {"checkparam", checkparam},
                                                    {"md5str", st.md5str},
                                                    {"iActivityId", aId},
                                                    {"iFlowId", sfId1},
                                                    {"g_tk", st.g_tk}});
}

std::string ams_bind(Session& s, const std::string& aId, const std::string& saId,
                     const std::string& sfId0, const std::string& sfId1, BoundIds& bound) {
    const std::string qq = s.state.qq;
    const int32_t area_id = s.state.area_id;
    if (bound.contains(qq, aId, area_id)) return "0";
    if (aId.empty() || sfId0.empty() || saId.empty()) return "0";

    const std::string url = ams_url(s);
    const std::string query =
        ams_bind_query_body(aId, saId, sfId0, s.state.g_tk, s.hosts[Host::GAME_SITE]);
    const std::string answer = s.http.post_text(url, query, false, &s.state.cookie);
    if (answer.empty()) return "-2";

    const std::string ret = read_code(answer, "ret");
    const std::string farea = text_between(answer, "\"Farea\":\"", "\"");
    const std::string area = std::to_string(area_id);
    if (ret == "0" && farea == area) {
        bound.add(qq, aId, area_id);
        return "0";
    }
    if (ret == "1001" || farea != area) {
        const std::string submit = ams_bind_submit_body(s, aId, saId, sfId1);
        const std::string reply = s.http.post_text(url, submit, false, &s.state.cookie);
        const std::string iret = read_code(reply, "iRet");
        if (iret == "0") bound.add(qq, aId, area_id);
        return iret;
    }
    return ret;
}

std::string ams_bind(Session& s, const ActivityEntry& e) {
    return ams_bind(s, e.aId, e.saId, e.sfId0, e.sfId1, s.state.ams_bound_ids);
}

ClaimOutcome ams_read_claim_answer(const std::string& answer, const std::string& rK,
                                   const MessageCleaner& cleaner) {
    static const std::string kNetwork = utf8_to_gbk("领取失败，网络错误 50001");
    static const std::string kParse = utf8_to_gbk("领取失败，解析错误 50002");
    static const std::string kConfig = utf8_to_gbk("领取失败，配置错误 50003");
    static const std::string kClaimed = utf8_to_gbk("领取成功");

    if (answer.empty()) return ClaimOutcome::failure(kNetwork, "50001");
    JsonView view;
    if (!view.load(answer)) return ClaimOutcome::failure(kParse, "50002");
    // "ret" is the flow's verdict; a flow that ran its module also tells the
    // module's own in modRet.iRet (a lottery with no draws left refuses there).
    const std::string ret = view.get_text("ret");
    if (!rK.empty()) {
        std::string message = view.get_text(rK);
        return decide(ret, {}, message, message);
    }

    std::string message = view.get_text("modRet.sMsg");
    if (message.empty()) message = view.get_text("flowRet.sMsg");
    message = unescape_unicode(message);
    if (message.empty()) return ClaimOutcome::failure(kConfig, "50003");
    const std::string code = !ret.empty() ? ret : view.get_text("flowRet.iRet");
    const std::string shown =
        message == "MODULE OK" || message == "success" ? kClaimed : clean_message(cleaner, message);
    ClaimOutcome outcome = decide(code, view.get_text("modRet.iRet"), message, shown);
    if (outcome.kind == OutcomeKind::given) {
        // A module that names its package says so apart from the message.
        const std::string package = unescape_unicode(view.get_text("modRet.sPackageName"));
        if (!package.empty()) outcome.gifts = {package};
    }
    return outcome;
}

ClaimOutcome ams_claim(Session& s, const ActivityEntry& e, const MessageCleaner& cleaner) {
    std::string body;
    if (e.param.empty()) {
        body = ams_standard_body(e.aId, e.fId, s.state.g_tk, s.hosts[Host::GAME_SITE]);
    } else {
        body = remove_crlf(e.param);
        if (contains(body, "#{input}")) {
            // A cancelled box leaves the placeholder in the body, as typed by the vendor.
            if (auto typed = s.view.input_box(e.param1, e.param2, ""))
                body = replace_all(body, "#{input}", *typed);
        }
        body = fill_template(body, {{"aId", e.aId}, {"fId", e.fId}, {"g_tk", s.state.g_tk}});
    }
    const std::string answer = s.http.post_text(ams_url(s), body, true, &s.state.cookie);
    return ams_read_claim_answer(answer, e.rK, cleaner);
}

}  // namespace quillet
