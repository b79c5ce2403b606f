#include <gtest/gtest.h>

#include "claim/claim_pass.h"
#include "tests/support/gbk_literal.h"

namespace quillet {
namespace {

using testing::gbk;

TEST(TodayFilter, KeepsWhatIsOnOfferThatDay) {
    struct Case {
        const char* only;
        const char* today;
        bool kept;
    };
    const Case cases[] = {
        {"", "20160815", true},
        {"date:'20160815'", "20160815", true},
        {"date:'20160815'", "20160816", false},
        {"date:'20160815'", "1000101", false},  // the earliest date: unreadable server date
        {"dates:'20160801-20160831'", "20160731", false},
        {"dates:'20160801-20160831'", "20160801", true},
        {"dates:'20160801-20160831'", "20160831", true},
        {"dates:'20160801-20160831'", "20160901", false},
        {"dates:'20160801-20160831'", "1000101", false},
        {"dates:'20160801'", "20991231", true},             // one part: every day
        {"dates:'20160801-20160815-20160831'", "20000101", true},  // three parts: every day
        {"dates:'20160801-'", "20160815", false},          // empty end reads as 0
        {"date:20160815", "20160815", false},              // no apostrophes: empty value
        {"dates:20160801-20160802", "20170101", true},     // empty value: one part
        {"week:'20160815'", "20000101", true},             // unknown key
        {"'20160815'", "20000101", true},                  // no key at all
        {"date :'20160815'", "20000101", true},            // "date " is another key
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.only) + " on " + c.today);
        ActivityCatalogue catalogue(1);
        catalogue[0].only = c.only;
        EXPECT_EQ(today_filter(catalogue, c.today).size(), c.kept ? 1u : 0u);
    }
}

TEST(TodayFilter, KeepsCatalogueOrder) {
    ActivityCatalogue catalogue(4);
    for (size_t i = 0; i < catalogue.size(); ++i) catalogue[i].aId = std::to_string(i);
    catalogue[1].only = "date:'20160814'";
    const auto kept = today_filter(catalogue, "20160815");
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].aId, "0");
    EXPECT_EQ(kept[1].aId, "2");
    EXPECT_EQ(kept[2].aId, "3");
}

TEST(AttemptPrefix, NamesPositionAndTitles) {
    ActivityEntry e;
    EXPECT_EQ(attempt_prefix(e, 25, 3), gbk("[提示][3/25]"));
    e.t = gbk("A");
    EXPECT_EQ(attempt_prefix(e, 25, 4), gbk("[提示][4/25]【A】"));
    e.item_t = gbk("B");
    EXPECT_EQ(attempt_prefix(e, 7, 5), gbk("[提示][5/7]【A】【B】"));
    e.t.clear();
    EXPECT_EQ(attempt_prefix(e, 1, 1), gbk("[提示][1/1]【B】"));
}

}  // namespace
}  // namespace quillet
