#include "ledger/pass_summary.h"

#include "ledger/json_text.h"

namespace quillet {

std::string summary_json(const PassSummary& s) {
    std::string out = "{\"account\":" + json_quote(s.account) + ",\"qq\":" + json_quote(s.qq) +
                      ",\"area\":" + json_quote(s.area) + ",\"started\":" + json_quote(s.started) +
                      ",\"finished\":" + json_quote(s.finished) +
                      ",\"tried\":" + std::to_string(s.tried) +
                      ",\"given\":" + std::to_string(s.given) +
                      ",\"nothing_given\":" + std::to_string(s.nothing_given) +
                      ",\"answered\":" + std::to_string(s.answered()) +
                      ",\"failed\":" + std::to_string(s.failed) + ",\"received\":[";
    for (size_t i = 0; i < s.received.size(); ++i)
        out += (i > 0 ? "," : "") + json_quote(s.received[i]);
    out += "],\"status\":" + std::to_string(s.status);
    if (!s.error.empty()) out += ",\"error\":" + json_quote(s.error);
    if (!s.interrupted.empty())
        out += ",\"interrupted\":" + json_quote(s.interrupted) +
               ",\"entries_done\":" + std::to_string(s.entries_done) +
               ",\"entries\":" + std::to_string(s.entries);
    return out + "}";
}

std::string summary_line(const PassSummary& s) {
    std::string who = s.qq.empty() ? std::string("?") : s.qq;
    if (!s.account.empty()) who = s.account + " (" + who + ")";
    if (!s.error.empty()) return who + ": " + s.error;
    std::string line = who + ": " + std::to_string(s.tried) + " tried, " + std::to_string(s.given) +
                       " given, " + std::to_string(s.nothing_given) + " nothing given, " +
                       std::to_string(s.failed) + " failed";
    if (!s.received.empty()) {
        line += "; received: ";
        for (size_t i = 0; i < s.received.size(); ++i) line += (i > 0 ? ", " : "") + s.received[i];
    }
    if (!s.interrupted.empty())
        line += "; interrupted (" + s.interrupted + ") after " + std::to_string(s.entries_done) +
                " of " + std::to_string(s.entries) + " entries";
    return line;
}

}  // namespace quillet
