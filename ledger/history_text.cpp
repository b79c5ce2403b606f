#include "ledger/history_text.h"

#include <cstdio>

#include "ledger/json_text.h"
#include "text/clock.h"

namespace quillet {

namespace {

std::string attempt_line(const LedgerRow& r) {
    std::string line = "  " + (r.time.size() >= 19 ? r.time.substr(11) : r.time) + " " + r.qq;
    if (!r.account.empty()) line += " " + r.account;
    line += " " + r.area + " " + r.protocol + " " + (r.answered ? "answered" : "failed");
    if (!r.code.empty()) line += " " + r.code;
    line += " ";
    if (!r.group.empty()) line += "【" + r.group + "】";
    if (!r.item.empty()) line += "【" + r.item + "】";
    // A message is one line in the log; keep it one line here too.
    for (char c : r.message) line += (c == '\n' || c == '\r') ? ' ' : c;
    return line + "\n";
}

}  // namespace

std::string history_plain(const std::vector<LedgerRow>& rows) {
    std::string out;
    for (size_t i = 0; i < rows.size();) {
        const std::string day = rows[i].day();
        size_t j = i;
        int answered = 0;
        while (j < rows.size() && rows[j].day() == day) answered += rows[j++].answered ? 1 : 0;
        const int total = static_cast<int>(j - i);
        out += day + ": " + std::to_string(total) + (total == 1 ? " attempt, " : " attempts, ") +
               std::to_string(answered) + " answered, " + std::to_string(total - answered) +
               " failed\n";
        for (; i < j; ++i) out += attempt_line(rows[i]);
    }
    return out;
}

std::string history_json(const LedgerRow& r) {
    return "{\"time\":" + json_quote(r.time) + ",\"day\":" + json_quote(r.day()) +
           ",\"account\":" + json_quote(r.account) + ",\"qq\":" + json_quote(r.qq) +
           ",\"area\":" + json_quote(r.area) + ",\"area_id\":" + std::to_string(r.area_id) +
           ",\"group\":" + json_quote(r.group) + ",\"item\":" + json_quote(r.item) +
           ",\"protocol\":" + json_quote(r.protocol) +
           ",\"answered\":" + (r.answered ? "true" : "false") + ",\"code\":" + json_quote(r.code) +
           ",\"message\":" + json_quote(r.message) + ",\"pass\":" + json_quote(r.pass) + "}";
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
