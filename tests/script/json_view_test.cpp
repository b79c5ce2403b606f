#include "script/json_view.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "tests/support/gbk_literal.h"

namespace quillet {
namespace {

using testing::gbk;

const char* const kClaimAnswer =
    R"({"ret":"0","iRet":-105,"ok":true,"none":null,"modRet":{"sMsg":"MODULE OK","jData":{"n":0}},)"
    R"("flowRet":{"iRet":"0","sMsg":"done"},"list":[3,"x",false],"text":"abcde"})";
const char* const kArrayAnswer =
    R"([{"type":"ams"},{"type":"tgp"},{"type":"vip"},{"type":"qzone","ds":[{"t":"a"},{"t":"b"}]}])";

TEST(JsonView, ReadsMemberPathsAsTheEngineWouldEvaluateThem) {
    JsonView object_view;
    ASSERT_TRUE(object_view.load(kClaimAnswer));
    JsonView array_view;
    ASSERT_TRUE(array_view.load(kArrayAnswer));

    struct Case {
        const JsonView* view;
        const char* path;
        bool as_json;
        std::string expected;
    };
    const Case cases[] = {
        {&array_view, "[3].type", false, "qzone"},
        {&array_view, "[0].type", false, "ams"},
        {&array_view, "[3].ds[1].t", false, "b"},
        {&array_view, "[9].type", false, ""},  // member of undefined
        {&array_view, "length", false, "4"},
        {&object_view, "modRet.sMsg", false, "MODULE OK"},
        {&object_view, "flowRet.sMsg", false, "done"},
        {&object_view, "ret", false, "0"},
        {&object_view, "iRet", false, "-105"},
        {&object_view, "modRet.jData.n", false, "0"},
        {&object_view, "ok", false, "true"},
        {&object_view, "none", false, ""},
        {&object_view, "absent", false, ""},
        {&object_view, "absent.deeper", false, ""},
        {&object_view, "none.deeper", false, ""},
        {&object_view, "modRet", false, "[object Object]"},
        {&object_view, "list", false, "3,x,false"},
        {&object_view, "text.length", false, "5"},
        {&object_view, "", false, ""},  // "da." is no expression
        {&object_view, "modRet.jData", true, R"({"n":0})"},
        {&object_view, "list", true, R"([3,"x",false])"},
        {&object_view, "ret", true, R"("0")"},
        {&object_view, "absent", true, ""},
        {&object_view, "", true, ""},
        // Paths that are not a plain member chain go to the compiler.
        {&object_view, "['modRet'].sMsg", false, "MODULE OK"},
        {&object_view, "list[ 1 ]", false, "x"},
        {&object_view, "list[0+1]", false, "x"},
        {&object_view, "modRet..sMsg", false, ""},
        {&object_view, "list.1", false, ""},
        {&array_view, "[01].type", false, "tgp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path) + (c.as_json ? " as JSON" : ""));
        EXPECT_EQ(c.view->get_text(c.path, c.as_json), c.expected);
    }
}

TEST(JsonView, CountsTheLengthAtAPath) {
    JsonView view;
    ASSERT_TRUE(view.load(gbk(R"({"list":[1,2,3],"s":"领取","o":{},"items":[{"ds":[1,2]}]})")));
    JsonView array_view;
    ASSERT_TRUE(array_view.load(kArrayAnswer));
    struct Case {
        const JsonView* view;
        const char* path;
        int64_t expected;
    };
    const Case cases[] = {
        {&view, "list", 3},
        {&view, "s", 2},  // characters, not bytes
        {&view, "o", 0},
        {&view, "absent", 0},
        {&view, "absent.deeper", 0},
        {&view, "", 0},  // an object root has no length
        {&view, "items[0].ds", 2},
        {&array_view, "", 4},
        {&array_view, "[3].ds", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.view->count(c.path), c.expected);
    }
}

TEST(JsonView, LoadsExpressionsAndRejectsWhatIsNoValue) {
    struct Case {
        const char* name;
        std::string text;
        bool loaded;
        int64_t count;
    };
    const Case cases[] = {
        {"empty text", "", false, 0},
        {"blank", "  \r\n", false, 0},
        {"null", "null", false, 0},
        {"undefined", "undefined", false, 0},
        {"empty array", "[]", true, 0},
        {"raw line break in a string", "{\"a\":\"x\ny\"}", false, 0},
        {"syntax error", "{\"a\":", false, 0},
        {"truncated array", "[1,2", false, 0},
        {"script array literal", "[{t:'a'},{t:'b'}]", true, 2},
        {"expression", "[1,2].concat([3])", true, 3},
        {"thrown exception", "(function(){throw new Error('x')})()", false, 0},
        {"trailing text", "[1]]", false, 0},
        {"deep nesting", std::string(200000, '[') + std::string(200000, ']'), false, 0},
        {"string evaluated once more", "\"[1,2].length\"", true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        JsonView view;
        EXPECT_EQ(view.load(c.text), c.loaded);
        EXPECT_EQ(view.count(), c.count);
    }
}

TEST(JsonView, AFailedLoadReplacesTheEarlierValue) {
    JsonView view;
    ASSERT_TRUE(view.load(R"({"ret":"0"})"));
    EXPECT_FALSE(view.load("{\"ret\":"));
    EXPECT_EQ(view.get_text("ret"), "");
    ASSERT_TRUE(view.load("[{ret:'1'}]"));
    EXPECT_FALSE(view.load("(function(){throw 1})()"));
    EXPECT_EQ(view.get_text("[0].ret"), "");
    EXPECT_EQ(view.count(), 0);
}

TEST(JsonView, AnEmptyViewHoldsAnEmptyObject) {
    JsonView view;
    EXPECT_EQ(view.get_text("ret"), "");
    EXPECT_EQ(view.get_text("ret", true), "");
    EXPECT_EQ(view.count(), 0);
    EXPECT_EQ(view.get_text("constructor"), view.get_text("['constructor']"));
    EXPECT_NE(view.get_text("constructor"), "");
}

TEST(JsonView, JsonOfAMemberLoadsIntoASecondView) {
    JsonView catalogue;
    ASSERT_TRUE(catalogue.load(
        gbk(R"([{"t":"每日礼包","ds":[{"t":"领取","fo":3},{"t":"it's","d":"x","fo":"abc"}]}])")));
    std::string items = catalogue.get_text("[0].ds", true);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.front(), '[');
    JsonView group;
    ASSERT_TRUE(group.load(items));
    EXPECT_EQ(group.count(), 2);
    EXPECT_EQ(group.get_text("[0].t"), gbk("领取"));
    EXPECT_EQ(group.get_text("[0].fo"), "3");
    EXPECT_EQ(group.get_text("[1].t"), "it's");
    EXPECT_EQ(group.get_text("[1].fo"), "abc");
    EXPECT_EQ(catalogue.get_text("[0].t"), gbk("每日礼包"));
    // The same text loaded again reads the same.
    EXPECT_EQ(group.get_text("", true), "");
    JsonView again;
    ASSERT_TRUE(again.load(catalogue.get_text("[0].ds", true)));
    EXPECT_EQ(again.get_text("[0].t", true), gbk("\"领取\""));
}

TEST(JsonView, ChineseTextsRoundTripAsGbk) {
    JsonView view;
    ASSERT_TRUE(view.load(gbk(R"({"sMsg":"恭喜您获得了礼包：穿越火线","名字":"王者"})")));
    EXPECT_EQ(view.get_text("sMsg"), gbk("恭喜您获得了礼包：穿越火线"));
    EXPECT_EQ(view.get_text(gbk("名字")), gbk("王者"));  // a name beyond ASCII
    // Escaped in the answer, GBK out.
    ASSERT_TRUE(view.load(R"({"sMsg":"\u9886\u53d6\u6210\u529f"})"));
    EXPECT_EQ(view.get_text("sMsg"), gbk("领取成功"));
    // A character GBK lacks becomes "?".
    ASSERT_TRUE(view.load(R"({"e":"a\ud83d\ude00b"})"));
    EXPECT_EQ(view.get_text("e"), "a?b");
}

TEST(JsonView, AViewOwnsItsValueAndAMoveTakesIt) {
    static_assert(!std::is_copy_constructible_v<JsonView> && !std::is_copy_assignable_v<JsonView>);
    JsonView first;
    ASSERT_TRUE(first.load(R"({"ret":"1"})"));
    JsonView moved = std::move(first);
    EXPECT_EQ(moved.get_text("ret"), "1");
    JsonView other;
    ASSERT_TRUE(other.load(R"({"ret":"2"})"));
    moved = std::move(other);
    EXPECT_EQ(moved.get_text("ret"), "2");
    // What is left behind is empty and stays so.
    EXPECT_FALSE(first.load(R"({"ret":"3"})"));  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(first.get_text("ret"), "");        // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(first.count(), 0);                 // NOLINT(bugprone-use-after-move)
}

TEST(JsonView, BoundedCountsAreOnlyThoseTheAnswerCanHold) {
    struct Case {
        const char* text;
        const char* path;
        int64_t maximum;
        int64_t expected;
    } cases[] = {
        {"[1,2,3]", "", 10, 3},
        {"[]", "", 10, 0},
        {"{}", "", 10, 0},  // no length at all: nothing to loop over
        {R"({"a":[1,2]})", "a", 10, 2},
        {"[1,2,3]", "", 2, -1},                         // beyond the reader's maximum
        {R"({"length":1e12})", "", 1000000000000, -1},  // more than the text holds
        {R"({"length":-5})", "", 10, -1},
        {"Array(1e9)", "", 2000000000, -1},
        {"[,,,]", "", 10, 3},
    };
    for (const Case& c : cases) {
        JsonView view;
        view.load(c.text);
        EXPECT_EQ(bounded_count(view, c.path, c.maximum), c.expected) << c.text;
    }
}

TEST(JsonView, WhatOneAnswerDefinesNoOtherViewSees) {
    JsonView hostile;
    ASSERT_TRUE(hostile.load(
        "(Object.prototype.polluted='yes', Array.prototype.join=function(){return 'j'},"
        " leaked=1, {a:[1,2]})"));
    EXPECT_EQ(hostile.get_text("polluted"), "yes");  // its own scope sees it
    EXPECT_EQ(hostile.get_text("a"), "j");

    JsonView plain;
    ASSERT_TRUE(plain.load(R"({"a":[1,2]})"));
    EXPECT_EQ(plain.get_text("polluted"), "");
    EXPECT_EQ(plain.get_text("a"), "1,2");
    JsonView scripted;
    ASSERT_TRUE(scripted.load("({a:[1,2], b:typeof leaked})"));
    EXPECT_EQ(scripted.get_text("polluted"), "");
    EXPECT_EQ(scripted.get_text("a"), "1,2");
    EXPECT_EQ(scripted.get_text("b"), "undefined");
}

TEST(JsonView, ViewsOnManyThreadsAtOnce) {
    constexpr int kThreads = 6;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 200; ++i) {
                std::string id = std::to_string(t * 1000 + i);
                JsonView view;
                bool script = i % 2 == 1;
                std::string text = script ? "[{id:'" + id + "'}]" : R"([{"id":")" + id + "\"}]";
                if (!view.load(text) || view.get_text("[0].id") != id || view.count() != 1)
                    ++failures[static_cast<size_t>(t)];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[static_cast<size_t>(t)], 0) << t;
}

}  // namespace
}  // namespace quillet
