#include "claim/vip.h"

#include <optional>

#include "claim/outcome_text.h"
#include "script/json_view.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"
#include "text/time_text.h"

namespace quillet {
namespace {

// The message of a rule that matches ret, or nullopt.
std::optional<std::string> rule_message(const std::string& rule, const std::string& ret) {
    bool negated;
    if (starts_with(rule, "!="))
        negated = true;
    else if (starts_with(rule, "="))
        negated = false;
    else
        return std::nullopt;
    const std::string code = text_between(rule, "=", ":");
    if ((code == ret) == negated) return std::nullopt;
    // The message is what follows the ":" that ends the code.
    const size_t eq = rule.find('=');
    const size_t colon = rule.find(':', eq + 1);
    return colon == std::string::npos ? std::string() : rule.substr(colon + 1);
}

}  // namespace

std::string vip_url(const Session& s, const ActivityEntry& e, const std::string& time) {
    const SessionState& st = s.state;
    return s.http_url(Host::VIP_AMS, "/ams3.0.php?") +
           fill_template(e.param, {{"aId", e.aId},
                                   {"g_tk", st.g_tk},
                                   {"uin", st.qq},
                                   {"area", std::to_string(st.area_id)},
                                   {"roleName", st.role_name},
                                   {"vipId", e.vipId},
                                   {"time", time}});
}

ClaimOutcome vip_read_answer(const std::string& answer, const std::string& rS) {
    static const std::string kNetwork = utf8_to_gbk("领取失败，网络错误 80001");
    static const std::string kParse = utf8_to_gbk("领取失败，解析错误 80002");
    static const std::string kNoRule = utf8_to_gbk("领取失败，解析错误 80003");

    if (answer.empty()) return ClaimOutcome::failure(kNetwork, "80001");
    std::string json = text_between(answer, "123(", ")");
    if (json.empty()) json = answer;
    JsonView view;
    if (!view.load(json)) return ClaimOutcome::failure(kParse, "80002");

    const std::string ret = view.get_text("ret");
    std::string message;
    for (const auto& rule : split(rS, "|")) {
        if (auto m = rule_message(rule, ret)) {
            message = *m;
            break;
        }
    }
    if (message.empty()) return ClaimOutcome::failure(kNoRule, "80003");
    if (starts_with(message, "j:")) message = view.get_text(text_after_last(message, ":"));
    // The activity's rules only pick the words; "ret" 0 is the system's yes
    // whatever they say. An answer without "ret" is read by its words.
    OutcomeKind kind = ret == "0" ? OutcomeKind::given : OutcomeKind::nothing_given;
    if (ret.empty()) kind = outcome_of_text("VIP", gbk_to_utf8(message));
    ClaimOutcome outcome{message, kind, ret, {}};
    if (kind == OutcomeKind::given) {
        if (std::string gift = gift_named_in(gbk_to_utf8(message)); !gift.empty())
            outcome.gifts = {utf8_to_gbk(gift)};
    }
    return outcome;
}

ClaimOutcome vip_claim(Session& s, const ActivityEntry& e) {
    const std::string answer =
        s.http.get_text(vip_url(s, e, unix_time_text(s.clock)), false, &s.state.cookie);
    return vip_read_answer(answer, e.rS);
}

}  // namespace quillet
