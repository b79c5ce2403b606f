#include "claim/message_cleaner.h"

#include <gtest/gtest.h>

#include "tests/support/gbk_literal.h"

namespace quillet {
namespace {

using testing::gbk;

MessageCleaner program_cleaner() {
    MessageCleaner c;
    c.set_phrases(MessageCleaner::default_phrases());
    return c;
}

TEST(MessageCleaner, ProgramListHoldsTheNineteenPhrasesInOrder) {
    const MessageCleaner cleaner = program_cleaner();
    const auto& p = cleaner.phrases();
    ASSERT_EQ(p.size(), 19u);
    EXPECT_EQ(p[0], gbk(" , 请注意：游戏虚拟道具奖品将会在24小时内到账"));
    EXPECT_EQ(p[1], gbk("很抱歉，"));
    EXPECT_EQ(p[3], gbk("抱歉，"));
    EXPECT_EQ(p[13], gbk("十分你在"));
    EXPECT_EQ(p[18], gbk("抽奖机会不足，"));
    // Full-width commas (A3 AC) everywhere but in the first phrase.
    EXPECT_EQ(p[1].substr(p[1].size() - 2), "\xA3\xAC");
    EXPECT_EQ(p[0].substr(0, 3), " , ");
    for (size_t i = 1; i < p.size(); ++i) EXPECT_EQ(p[i].find(','), std::string::npos) << i;
}

TEST(MessageCleaner, RemovesEveryPhraseInListOrder) {
    const MessageCleaner c = program_cleaner();
    struct Case {
        const char* name;
        std::string message;
        std::string expected;
    };
    const Case cases[] = {
        {"apology and suffix around the words", gbk("很抱歉，您已领取过该礼包，不能重复领取！"),
         gbk("您已领取过该礼包")},
        // "很抱歉，" goes whole before "抱歉，" is tried: no stray "很".
        {"longer apology first", gbk("很抱歉，今日已领完"), gbk("今日已领完")},
        // Phrase 3 removes itself, phrase 4 no longer occurs, phrase 18 takes the rest.
        {"only phrases", gbk("非常抱歉，领取机会不足，"), ""},
        {"a phrase twice", gbk("亲，亲，明天见，明天再来吧"), gbk("明天见")},
        {"the ASCII-comma notice", gbk("获得道具A , 请注意：游戏虚拟道具奖品将会在24小时内到账"),
         gbk("获得道具A")},
        {"a phrase cut short stays", gbk("很抱歉今日已领完"), gbk("很抱歉今日已领完")},
        {"nothing to remove", gbk("恭喜获得M4A1"), gbk("恭喜获得M4A1")},
        // Removal can join the halves of a later phrase, which then goes too.
        {"joined by an earlier removal", gbk("暂时无抽奖亲，机会，请积极参与"), ""},
    };
    for (const auto& c_ : cases) {
        SCOPED_TRACE(c_.name);
        EXPECT_EQ(testing::utf8(clean_message(c, c_.message)), testing::utf8(c_.expected));
    }
}

TEST(MessageCleaner, SetPhrasesReplacesTheListAndClearEmptiesIt) {
    MessageCleaner c = program_cleaner();
    c.set_phrases("ab\r\ncd");
    EXPECT_EQ(c.clean(gbk("ab很抱歉，cd")), gbk("很抱歉，"));
    c.clear();
    EXPECT_EQ(c.clean("abcd"), "abcd");
}

}  // namespace
}  // namespace quillet
