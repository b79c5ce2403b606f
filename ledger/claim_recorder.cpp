#include "ledger/claim_recorder.h"

#include <atomic>
#include <cstdio>

#include "platform/folders.h"
#include "session/session.h"
#include "text/gbk.h"

namespace quillet {

std::string ledger_time_now(const Session& s) {
    const DateTime t = s.clock.now();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

ClaimRecorder::ClaimRecorder(Session& s, Ledger* ledger, std::string account)
    : s_(s), ledger_(ledger) {
    summary_.account = std::move(account);
    summary_.started = ledger_time_now(s);
    // Time and process tell passes apart across runs; the count within one
    // process (a second pass in the same second, a frozen test clock).
    static std::atomic<int> passes{0};
    pass_ = summary_.started + " " + std::to_string(platform::process_id()) + "." +
            std::to_string(++passes);
    s_.on_claim_attempt = [this](const ClaimAttempt& a) { on_attempt(a); };
}

ClaimRecorder::~ClaimRecorder() {
    s_.on_claim_attempt = nullptr;
}

LedgerRow ClaimRecorder::row_of(const Session& s, const ClaimAttempt& a, const std::string& account,
                                const std::string& pass) {
    LedgerRow r;
    r.at = s.clock.utc_of(s.clock.now());
    r.utc_offset = utc_offset_at(s.clock, r.at);
    r.account = account;
    r.qq = s.state.qq;
    r.area = gbk_to_utf8(s.state.area_name);
    r.area_id = s.state.area_id;
    r.group = gbk_to_utf8(a.group);
    r.item = gbk_to_utf8(a.item);
    r.protocol = a.protocol;
    r.outcome = a.kind;
    r.code = a.code;
    r.message = gbk_to_utf8(a.message);
    for (const std::string& g : a.gifts) r.gifts.push_back(gbk_to_utf8(g));
    r.pass = pass;
    return r;
}

void ClaimRecorder::on_attempt(const ClaimAttempt& a) {
    const LedgerRow row = row_of(s_, a, summary_.account, pass_);
    std::lock_guard lock(mutex_);
    if (ledger_ != nullptr && ledger_->is_open()) {
        std::string error;
        if (!ledger_->record(row, error) && ledger_error_.empty()) ledger_error_ = error;
    }
    ++summary_.tried;
    switch (row.outcome) {
        case OutcomeKind::given:
            ++summary_.given;
            if (!row.gifts.empty()) {
                summary_.received.insert(summary_.received.end(), row.gifts.begin(),
                                         row.gifts.end());
            } else {
                // "领取成功" names nothing: the entry's own title is the gift.
                summary_.received.push_back(!row.item.empty() ? row.item : row.group);
            }
            break;
        case OutcomeKind::nothing_given:
            ++summary_.nothing_given;
            break;
        case OutcomeKind::failed:
            ++summary_.failed;
            break;
    }
}

PassSummary ClaimRecorder::summary() const {
    std::lock_guard lock(mutex_);
    PassSummary out = summary_;
    out.qq = s_.state.qq;
    out.area = gbk_to_utf8(s_.state.area_name);
    out.finished = ledger_time_now(s_);
    return out;
}

std::string ClaimRecorder::ledger_error() const {
    std::lock_guard lock(mutex_);
    return ledger_error_;
}

}  // namespace quillet
