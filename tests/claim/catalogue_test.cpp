#include "claim/catalogue.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/claim/claim_test_support.h"
#include "tests/support/short_script_budget.h"
#include "text/gbk.h"

namespace quillet {
namespace {

using testing::gbk;

ActivityCatalogue parse(const std::string& text, int* result = nullptr) {
    ActivityCatalogue c;
    c.resize(2);  // a load always starts from an empty list
    int n = parse_catalogue(text, c);
    if (result) *result = n;
    EXPECT_EQ(n, static_cast<int>(c.size()));
    return c;
}

TEST(Catalogue, ItemsWithDAreLeftOutAndOrderIsKept) {
    const auto c = parse(R"([
        {"t":"G1","type":"1","ds":[{"t":"a","fId":"1"},{"t":"b","d":"x"},{"t":"c","fId":"3"}]},
        {"t":"G2","type":"4","ds":[{"t":"d"}]}])");
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].item_t, "a");
    EXPECT_EQ(c[1].item_t, "c");
    EXPECT_EQ(c[1].fId, "3");
    EXPECT_EQ(c[2].t, "G2");
    EXPECT_EQ(c[2].type, "4");
}

TEST(Catalogue, ExactlySixMembersInheritFromTheGroup) {
    const auto c = parse(R"([{
        "t":"G","u":"http://x/#{aId}","type":"7","only":"date:'20160815'","saId":"S","sfId0":"Q",
        "sfId1":"B","aId":"100","rK":"msg","rS":"=0:ok","vipId":"V","param":"P","fId":"gf",
        "mId":"gm","param1":"g1","param2":"g2","fo":"9","d":"",
        "ds":[
          {"t":"empty"},
          {"t":"own","only":"dates:'1-2'","aId":"200","param":"p2","vipId":"v2","rK":"k2",
           "rS":"=1:x","type":"9","saId":"s2","sfId0":"q2","sfId1":"b2","u":"u2"}
        ]}])");
    ASSERT_EQ(c.size(), 2u);
    const ActivityEntry& inherited = c[0];
    EXPECT_EQ(inherited.only, "date:'20160815'");
    EXPECT_EQ(inherited.aId, "100");
    EXPECT_EQ(inherited.param, "P");
    EXPECT_EQ(inherited.vipId, "V");
    EXPECT_EQ(inherited.rK, "msg");
    EXPECT_EQ(inherited.rS, "=0:ok");
    // Item-only members never come from the group.
    EXPECT_EQ(inherited.fId, "");
    EXPECT_EQ(inherited.mId, "");
    EXPECT_EQ(inherited.param1, "");
    EXPECT_EQ(inherited.param2, "");
    EXPECT_EQ(inherited.fo, 0);

    const ActivityEntry& own = c[1];
    EXPECT_EQ(own.only, "dates:'1-2'");
    EXPECT_EQ(own.aId, "200");
    EXPECT_EQ(own.param, "p2");
    EXPECT_EQ(own.vipId, "v2");
    EXPECT_EQ(own.rK, "k2");
    EXPECT_EQ(own.rS, "=1:x");
    // Group members are never overridden by an item.
    for (const ActivityEntry* e : {&inherited, &own}) {
        EXPECT_EQ(e->t, "G");
        EXPECT_EQ(e->u, "http://x/#{aId}");
        EXPECT_EQ(e->type, "7");
        EXPECT_EQ(e->saId, "S");
        EXPECT_EQ(e->sfId0, "Q");
        EXPECT_EQ(e->sfId1, "B");
    }
}

TEST(Catalogue, ReadsEveryMemberAsText) {
    struct Case {
        const char* item;
        int32_t fo;
        const char* aId;
    };
    const Case cases[] = {
        {R"({"fo":3,"aId":123})", 3, "123"},
        {R"({"fo":"3","aId":"123"})", 3, "123"},
        {R"({"fo":"abc"})", 0, ""},
        {R"({"fo":"5x"})", 5, ""},
        {R"({"fo":-2})", -2, ""},
        {R"({})", 0, ""},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.item);
        const auto c = parse(std::string(R"([{"ds":[)") + k.item + "]}]");
        ASSERT_EQ(c.size(), 1u);
        EXPECT_EQ(c[0].fo, k.fo);
        EXPECT_EQ(c[0].aId, k.aId);
    }
}

TEST(Catalogue, GroupWithoutAnItemArrayContributesNothing) {
    const auto c = parse(R"([{"t":"none"},{"t":"object","ds":{"length":2,"0":{"t":"x"}}},
        {"t":"text","ds":"ab"},{"t":"null","ds":null},{"t":"ok","ds":[{"t":"y"}]}])");
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].t, "ok");
}

TEST(Catalogue, UnreadableOrHostileTextFailsTheLoad) {
    std::string many_groups = "[";
    for (int i = 0; i < 6000; ++i) many_groups += R"({"ds":[]},)";
    many_groups += "{}]";
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"empty array", "[]"},
        {"empty text", ""},
        {"garbage", "<html>502 Bad Gateway</html>"},
        {"truncated", R"([{"t":"G","ds":[{"t":"a"})"},
        {"null", "null"},
        {"endless loop", "(function(){for(;;){}})()"},
        {"runaway allocation", "(function(){var a=[];for(;;){a.push(new Array(100000));}})()"},
        {"huge built array", "Array(1000000000)"},
        {"huge built item list", "[{\"ds\":Array(100000000)}]"},
        {"more items than any catalogue", "[{\"ds\":Array(30000)}]"},
        {"more groups than any catalogue", many_groups},
        {"a length the text cannot hold", R"({"length":1e12})"},
        {"an item list claiming a huge length", R"([{"ds":{"length":1e12}}])"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        const auto started = std::chrono::steady_clock::now();
        int n = -1;
        const auto c = parse(k.text, &n);
        EXPECT_EQ(n, 0);
        EXPECT_TRUE(c.empty());
        // Not a timing test: a hang here would never end, this only names it.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    }
}

TEST(Catalogue, MembersThatNeverReturnFailTheLoadWithinOneBudget) {
    // Every member the group is read for, and an item list, never returns:
    // on a budget per call that took 13 budgets; the load has one.
    const testing::ShortScriptBudget budget;
    const std::string group =
        testing::never_returning({"t", "u", "type", "only", "saId", "sfId0", "sfId1", "aId", "rK",
                                  "rS", "vipId", "param", "ds"});
    const std::string item = testing::never_returning({"t", "d", "fo", "aId"});
    const std::string cases[] = {
        "[" + group + "]",
        R"([{"t":"G","ds":[)" + item + "," + item + "," + item + "]}]",
        "[" + group + "," + group + "," + group + "]",
    };
    for (const std::string& text : cases) {
        const auto started = std::chrono::steady_clock::now();
        int n = -1;
        EXPECT_TRUE(parse(text, &n).empty());
        EXPECT_EQ(n, 0);
        // One 300 ms budget and some slack; a budget per call would be 3.9 s.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
    }
}

TEST(Catalogue, LoadFetchesTheVendorFileWithAFreshToken) {
    testing::ScriptedServer server;
    testing::TestSession s(server.port());
    server.answer("/cf/res/data.js",
                  {gbk_to_utf8(gbk(R"([{"t":"每日礼包","ds":[{"t":"a"}]},{"ds":[{"t":"b"}]}])"))});
    ActivityCatalogue c(5);
    const int pumps = s.view.pump_count();
    ASSERT_EQ(load_catalogue(*s, c), 2);
    EXPECT_EQ(c[0].t, gbk("每日礼包"));         // the file is UTF-8, the entry GBK
    EXPECT_GE(s.view.pump_count() - pumps, 2);  // once after each group

    load_catalogue(*s, c);
    const auto seen = server.seen("/cf/res/data.js");
    ASSERT_EQ(seen.size(), 2u);
    for (const auto& r : seen) {
        EXPECT_EQ(r.method, "GET");
        EXPECT_EQ(r.header("Host"), HostTable::default_of(Host::VENDOR));
        EXPECT_EQ(r.header_count("Cookie"), 0);
        const std::string token = r.target.substr(r.target.find("?t=") + 3);
        EXPECT_EQ(r.target.substr(0, r.target.find("?t=")), "/cf/res/data.js");
        EXPECT_EQ(token.size(), 17u);
        EXPECT_EQ(token.substr(0, 2), "0.");
    }
    EXPECT_NE(seen[0].target, seen[1].target);

    server.answer("/cf/res/data.js", {""});
    EXPECT_EQ(load_catalogue(*s, c), 0);
    EXPECT_TRUE(c.empty());
}

}  // namespace
}  // namespace quillet
