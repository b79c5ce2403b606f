#include "claim/claim_pass.h"

#include <algorithm>

#include "claim/ams.h"
#include "claim/qzone.h"
#include "claim/tgp.h"
#include "claim/vip.h"
#include "services/game_service_client.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"
#include "text/time_text.h"

namespace quillet {
namespace {

// The vendor's repeat counts are small (a few draws); a runaway value in the
// file must not keep the pass running for days.
constexpr int kMaxRepeat = 100;

bool on_offer(const std::string& only, const std::string& today) {
    if (only.empty()) return true;
    const std::string key = text_before(only, ":");
    const std::string value = text_between(only, "'", "'");
    if (key == "date") return value == today;
    if (key == "dates") {
        const auto parts = split(value, "-");
        if (parts.size() != 2) return true;
        const int64_t day = int_of_text(today);
        return int_of_text(parts[0]) <= day && day <= int_of_text(parts[1]);
    }
    return true;
}

void log_outcome(Session& s, const std::string& prefix, const ClaimOutcome& outcome) {
    s.log.append(prefix + outcome.message, outcome.answered() ? colour::green : colour::red);
}

// Tells the session's watcher (if any) what the attempt's log line said and
// what it got the player.
void report(Session& s, const ActivityEntry& e, int n, int i, const char* protocol,
            const ClaimOutcome& outcome) {
    if (!s.on_claim_attempt) return;
    s.on_claim_attempt(ClaimAttempt{i, n, e.t, e.item_t, protocol, outcome.kind, outcome.code,
                                    outcome.message, outcome.gifts});
}

}  // namespace

ActivityCatalogue today_filter(const ActivityCatalogue& catalogue, const std::string& today) {
    ActivityCatalogue kept;
    for (const auto& e : catalogue)
        if (on_offer(e.only, today)) kept.push_back(e);
    return kept;
}

ActivityCatalogue today_filter(const ActivityCatalogue& catalogue, GameServiceClient& client) {
    return today_filter(catalogue, format_datetime(client.server_date(), 6));
}

std::string attempt_prefix(const ActivityEntry& entry, int n, int i) {
    static const std::string kNotice = utf8_to_gbk("[提示][");
    static const std::string kOpen = utf8_to_gbk("【");
    static const std::string kClose = utf8_to_gbk("】");
    std::string prefix = kNotice + std::to_string(i) + "/" + std::to_string(n) + "]";
    if (!entry.t.empty()) prefix += kOpen + entry.t + kClose;
    if (!entry.item_t.empty()) prefix += kOpen + entry.item_t + kClose;
    return prefix;
}

void dispatch_entry(Session& s, const ActivityEntry& entry, int n, int i,
                    const MessageCleaner& cleaner) {
    static const std::string kBindFailed = utf8_to_gbk("领取失败，绑定错误，错误码：");
    const std::string& type = entry.type;
    if (type == "1" || type.empty()) {
        const std::string prefix = attempt_prefix(entry, n, i);
        const std::string code = ams_bind(s, entry);
        const ClaimOutcome outcome =
            code != "0" ? ClaimOutcome::failure(kBindFailed + "1" + code, "1" + code)
                        : ams_claim(s, entry, cleaner);
        log_outcome(s, prefix, outcome);
        report(s, entry, n, i, "AMS", outcome);
    } else if (type == "7") {
        const std::string prefix = attempt_prefix(entry, n, i);
        const std::string code = tgp_bind(s, entry);
        const ClaimOutcome outcome =
            code != "0" ? ClaimOutcome::failure(kBindFailed + "2" + code, "2" + code)
                        : tgp_claim(s, entry);
        log_outcome(s, prefix, outcome);
        report(s, entry, n, i, "TGP", outcome);
    } else if (type == "4") {
        const ClaimOutcome outcome = vip_claim(s, entry);
        log_outcome(s, attempt_prefix(entry, n, i), outcome);
        report(s, entry, n, i, "VIP", outcome);
    } else if (type == "5") {
        const ClaimOutcome outcome = qzone_claim(s, entry);
        log_outcome(s, attempt_prefix(entry, n, i), outcome);
        report(s, entry, n, i, "Qzone", outcome);
    }
    // Type "3" and any other type have no protocol: no request, no line.
}

void run_claim_pass(Session& s, ActivityCatalogue& catalogue, const MessageCleaner& cleaner,
                    GameServiceClient& client) {
    static const std::string kStart = utf8_to_gbk("[提示]开始一键领取...");
    static const std::string kEnd =
        utf8_to_gbk("[提示]一键领取结束，点击[Quillet]→[消费记录]可查近7天获得道具");

    if (!s.state.catalogue_ready) {
        s.state.catalogue_ready = load_catalogue(s, catalogue) > 0;
        if (!s.state.catalogue_ready) {
            unlock_controls(s, s.state.logged_in);
            return;
        }
    }
    s.log.append(kStart, colour::navy);

    const ActivityCatalogue working = today_filter(catalogue, client);
    const int n = static_cast<int>(working.size());
    // A closing window stops the pass between two claims; the claim under way
    // gets an empty answer from the engine.
    for (int i = 1; i <= n && !s.jobs.stop_requested(); ++i) {
        const ActivityEntry entry = working[static_cast<size_t>(i - 1)];
        const int times = entry.fo > 0 ? std::min(entry.fo, kMaxRepeat) : 1;
        for (int k = 0; k < times && !s.jobs.stop_requested(); ++k) {
            dispatch_entry(s, entry, n, i, cleaner);
            s.pump();
        }
        s.report_progress(i, n);
    }
    s.report_progress(n, n);

    if (!s.jobs.stop_requested()) s.log.append(kEnd, colour::green);
    unlock_controls(s, s.state.logged_in);
}

}  // namespace quillet
