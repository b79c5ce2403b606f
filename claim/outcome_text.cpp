#include "claim/outcome_text.h"

#include <array>

namespace quillet {
namespace {

bool has(const std::string& text, std::string_view phrase) {
    return text.find(phrase) != std::string::npos;
}

template <size_t N>
bool has_any(const std::string& text, const std::array<std::string_view, N>& phrases) {
    for (std::string_view p : phrases)
        if (has(text, p)) return true;
    return false;
}

// How the services say no, once the clean-up list has shortened the text.
constexpr std::array<std::string_view, 29> kRefusal = {
    "抱歉",   "对不起", "已经领取", "已领取",     "领取过",    "已抽取", "抽取过",   "用完",
    "明天再", "下周再", "不能",     "限领",       "不足",      "不是",   "不符合",   "没有",
    "尚未",   "还未",   "暂未",     "失败",       "错误",      "繁忙",   "后可领取", "已结束",
    "请先",   "不存在", "已满",     "无领取机会", "无抽奖机会"};

// How the activity systems (AMS and QQ-VIP's AMS 3.0) say yes.
constexpr std::array<std::string_view, 6> kAmsGiven = {"恭喜", "领取成功", "已发放",
                                                       "获得", "抽中",     "兑换成功"};

// The platform's own refusals; anything else it shows is the gift's name.
constexpr std::array<std::string_view, 3> kTgpRefusal = {"您已经领取过该礼包", "新版本暂未发布",
                                                         "您在今天还未通过TGP启动过CF游戏"};

// A won prize is shown by its name; the lottery's refusals are its own words.
constexpr std::array<std::string_view, 1> kQzoneRefusal = {"您已抽取过该奖励，请明天再试"};

std::string trimmed(std::string s) {
    for (;;) {
        if (!s.empty() && (s.back() == ' ' || s.back() == '!' || s.back() == '.')) {
            s.pop_back();
        } else if (s.size() >= 3 && (s.ends_with("！") || s.ends_with("。") || s.ends_with("~"))) {
            s.resize(s.size() - (s.ends_with("~") ? 1 : 3));
        } else {
            break;
        }
    }
    size_t b = 0;
    while (b < s.size() && s[b] == ' ') ++b;
    return s.substr(b);
}

}  // namespace

OutcomeKind outcome_of_text(std::string_view protocol, const std::string& message) {
    if (message.empty()) return OutcomeKind::nothing_given;
    if (protocol == "TGP")
        return has_any(message, kTgpRefusal) ? OutcomeKind::nothing_given : OutcomeKind::given;
    if (protocol == "Qzone") {
        return has_any(message, kQzoneRefusal) || has_any(message, kRefusal)
                   ? OutcomeKind::nothing_given
                   : OutcomeKind::given;
    }
    // AMS and VIP: a refusal word wins over a word of success ("领取成功后..."
    // never made anyone richer); a text that says neither gave nothing.
    if (has_any(message, kRefusal)) return OutcomeKind::nothing_given;
    return has_any(message, kAmsGiven) ? OutcomeKind::given : OutcomeKind::nothing_given;
}

std::string gift_named_in(const std::string& message) {
    static constexpr std::array<std::string_view, 5> kNamingLead = {"获得", "抽中", "礼包", "奖励",
                                                                    "恭喜"};
    for (std::string_view colon : {std::string_view("："), std::string_view(":")}) {
        const size_t at = message.find(colon);
        if (at == std::string::npos) continue;
        if (!has_any(message.substr(0, at), kNamingLead)) continue;
        return trimmed(message.substr(at + colon.size()));
    }
    static constexpr std::array<std::string_view, 8> kLead = {
        "恭喜您获得了", "恭喜您获得",   "恭喜你获得了", "恭喜你获得",
        "恭喜获得",     "恭喜您抽中了", "恭喜您抽中",   "恭喜抽中"};
    for (std::string_view lead : kLead)
        if (message.starts_with(lead)) return trimmed(message.substr(lead.size()));
    return {};
}

}  // namespace quillet
