#include "claim/message_cleaner.h"

#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {

void MessageCleaner::set_phrases(std::string_view text) {
    phrases_.clear();
    for (auto& piece : split(text, "\r\n")) phrases_.push_back(std::move(piece));
}

std::string MessageCleaner::clean(std::string_view text) const {
    std::string out(text);
    for (const auto& phrase : phrases_) {
        if (!phrase.empty()) out = replace_all(out, phrase, "");
    }
    return out;
}

std::string MessageCleaner::default_phrases() {
    // Order matters: a longer apology goes before the shorter one it contains,
    // so "很抱歉，" leaves no stray "很". Only the first phrase has an ASCII comma.
    static const std::string phrases = utf8_to_gbk(
        " , 请注意：游戏虚拟道具奖品将会在24小时内到账\r\n"
        "很抱歉，\r\n"
        "非常抱歉，\r\n"
        "抱歉，\r\n"
        "，不能重复领取！\r\n"
        "不好意思，\r\n"
        "，去领取其他礼包吧~\r\n"
        "，明天再来吧\r\n"
        "对不起，\r\n"
        "亲，\r\n"
        "，赶紧开通吧~\r\n"
        "，请下周再来\r\n"
        "，不能领取\r\n"
        "十分你在\r\n"
        "暂时无领取机会，\r\n"
        "暂时无抽奖机会，\r\n"
        "请积极参与\r\n"
        "领取机会不足，\r\n"
        "抽奖机会不足，");
    return phrases;
}

}  // namespace quillet
