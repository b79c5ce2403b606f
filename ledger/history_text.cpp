#include "ledger/history_text.h"

#include <cstdio>

#include "ledger/json_text.h"
#include "text/clock.h"

namespace quillet {

namespace {

std::string outcome_text(const LedgerRow& r) {
    std::string out(outcome_words(r.outcome));
    if (r.outcome_derived) out += " (derived)";
    if (r.outcome != OutcomeKind::given && !r.code.empty()) out += " " + r.code;
    return out;
}

std::string attempt_line(const LedgerRow& r, const Clock& clock) {
    std::string line = "  " + local_time_text(clock, r.at).substr(11) + " " + r.qq;
    if (!r.account.empty()) line += " " + r.account;
    line += " " + r.area + " " + r.protocol + " " + outcome_text(r) + " ";
    if (!r.group.empty()) line += "【" + r.group + "】";
    if (!r.item.empty()) line += "【" + r.item + "】";
    // A message is one line in the log; keep it one line here too.
    for (char c : r.message) line += (c == '\n' || c == '\r') ? ' ' : c;
    return line + "\n";
}

std::string utc_text(int64_t at) {
    const DateTime t = civil_from_seconds(at);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

}  // namespace

std::string history_plain(const std::vector<LedgerRow>& rows, const Clock& clock) {
    std::string out;
    for (size_t i = 0; i < rows.size();) {
        const std::string day = local_day_text(clock, rows[i].at);
        size_t j = i;
        int counts[3] = {0, 0, 0};
        while (j < rows.size() && local_day_text(clock, rows[j].at) == day)
            ++counts[static_cast<int>(rows[j++].outcome)];
        const int total = static_cast<int>(j - i);
        out += day + ": " + std::to_string(total) + (total == 1 ? " attempt, " : " attempts, ") +
               std::to_string(counts[static_cast<int>(OutcomeKind::given)]) + " given, " +
               std::to_string(counts[static_cast<int>(OutcomeKind::nothing_given)]) +
               " nothing given, " + std::to_string(counts[static_cast<int>(OutcomeKind::failed)]) +
               " failed\n";
        for (; i < j; ++i) out += attempt_line(rows[i], clock);
    }
    return out;
}

std::string history_json(const LedgerRow& r, const Clock& clock) {
    std::string gifts = "[";
    for (size_t i = 0; i < r.gifts.size(); ++i)
        gifts += (i > 0 ? "," : "") + json_quote(r.gifts[i]);
    gifts += "]";
    return "{\"time\":" + json_quote(local_time_text(clock, r.at)) +
           ",\"day\":" + json_quote(local_day_text(clock, r.at)) +
           ",\"utc\":" + json_quote(utc_text(r.at)) + ",\"account\":" + json_quote(r.account) +
           ",\"qq\":" + json_quote(r.qq) + ",\"area\":" + json_quote(r.area) +
           ",\"area_id\":" + std::to_string(r.area_id) + ",\"group\":" + json_quote(r.group) +
           ",\"item\":" + json_quote(r.item) + ",\"protocol\":" + json_quote(r.protocol) +
           ",\"answered\":" + (r.answered() ? "true" : "false") +
           ",\"outcome\":" + json_quote(std::string(outcome_name(r.outcome))) +
           ",\"outcome_derived\":" + (r.outcome_derived ? "true" : "false") +
           ",\"code\":" + json_quote(r.code) + ",\"message\":" + json_quote(r.message) +
           ",\"gifts\":" + gifts + ",\"pass\":" + json_quote(r.pass) + "}";
}

std::string first_day_of(const std::string& today, int days) {
    if (today.size() < 10 || days < 1) return today;
    const int64_t d = days_from_civil(std::stoi(today.substr(0, 4)), std::stoi(today.substr(5, 2)),
                                      std::stoi(today.substr(8, 2)));
    const DateTime t = civil_from_seconds((d - (days - 1)) * 86400);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    return buf;
}

}  // namespace quillet
