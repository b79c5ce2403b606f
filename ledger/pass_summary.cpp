#include "ledger/pass_summary.h"

#include <array>
#include <string_view>

#include "ledger/json_text.h"

namespace quillet {

std::string summary_json(const PassSummary& s) {
    std::string out = "{\"account\":" + json_quote(s.account) + ",\"qq\":" + json_quote(s.qq) +
                      ",\"area\":" + json_quote(s.area) + ",\"started\":" + json_quote(s.started) +
                      ",\"finished\":" + json_quote(s.finished) +
                      ",\"tried\":" + std::to_string(s.tried) +
                      ",\"answered\":" + std::to_string(s.answered) +
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
    std::string line = who + ": " + std::to_string(s.tried) + " tried, " +
                       std::to_string(s.answered) + " answered, " + std::to_string(s.failed) +
                       " failed";
    if (!s.received.empty()) {
        line += "; received: ";
        for (size_t i = 0; i < s.received.size(); ++i) line += (i > 0 ? ", " : "") + s.received[i];
    }
    if (!s.interrupted.empty())
        line += "; interrupted (" + s.interrupted + ") after " + std::to_string(s.entries_done) +
                " of " + std::to_string(s.entries) + " entries";
    return line;
}

bool counts_as_received(const std::string& message) {
    // The refusals the services word differently from one activity to the
    // next all say one of these.
    static constexpr std::array<std::string_view, 16> kRefusal = {
        "抱歉", "对不起", "已经领取", "已领取", "已抽取", "明天再", "不能", "限领",
        "不足", "不是",   "不符合",   "繁忙",   "失败",   "错误",   "未",   "后可领取"};
    if (message.empty()) return false;
    for (std::string_view r : kRefusal)
        if (message.find(r) != std::string::npos) return false;
    return true;
}

std::string failure_code(bool answered, const std::string& code, const std::string& message) {
    if (answered) return {};
    if (!code.empty()) return code;
    size_t end = message.size();
    while (end > 0 && (message[end - 1] == ' ' || message[end - 1] == ')')) --end;
    size_t begin = end;
    while (begin > 0 && message[begin - 1] >= '0' && message[begin - 1] <= '9') --begin;
    if (begin == end) return {};
    if (begin > 0 && message[begin - 1] == '-') --begin;
    return message.substr(begin, end - begin);
}

}  // namespace quillet
