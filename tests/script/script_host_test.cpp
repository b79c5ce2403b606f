#include "script/script_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "script/json_view.h"
#include "tests/support/gbk_literal.h"

namespace quillet {
namespace {

using testing::gbk;

// Shorter limits keep the hostile cases quick; the defaults come back after.
class ScriptLimitsFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = script_limits();
        ScriptLimits limits;
        limits.time_budget = std::chrono::milliseconds(250);
        limits.memory_cap = std::size_t{16} << 20;
        set_script_limits(limits);
    }
    void TearDown() override { set_script_limits(saved_); }

  private:
    ScriptLimits saved_;
};

using HostileScripts = ScriptLimitsFixture;

TEST_F(HostileScripts, FailWithinTheBudgetAndTheNextEvaluationWorks) {
    struct Case {
        const char* name;
        const char* text;
        bool loads;        // the text itself may evaluate; the read then fails
        const char* path;  // read after loading
    };
    const Case cases[] = {
        {"endless loop", "(function(){for(;;){}})()", false, "a"},
        {"loop swallowing the timeout",
         "(function(){for(;;){try{for(;;){}}catch(e){}finally{for(;;){}}}})()", false, "a"},
        {"runaway allocation",
         "(function(){var a=[];for(;;)a.push({n:a.length,s:'x'+a.length})})()", false, "a"},
        {"doubling string", "(function(){var s='x';for(;;)s+=s})()", false, "a"},
        {"allocation failure swallowed",
         "(function(){var a=[];for(;;){try{a.push(new Array(100000).join('y'))}catch(e){}}})()",
         false, "a"},
        {"long built-in call swallowed",
         "(function(){for(;;){try{[].indexOf.call({length:1e12},1)}catch(e){}}})()", false, "a"},
        {"endless recursion", "(function f(){return f()})()", false, "a"},
        {"looping getter", "({get a(){for(;;){}}})", true, "a"},
        {"looping toString", "({a:{toString:function(){for(;;){}}}})", true, "a"},
        {"looping length", "({a:{get length(){while(true){}}, toString:function(){for(;;){}}}})",
         true, "a"},
        {"finaliser hook", "(Duktape.fin({}, function(){for(;;){}}), {a:1})", false, "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto start = std::chrono::steady_clock::now();
        {
            JsonView view;
            EXPECT_EQ(view.load(c.text), c.loads);
            EXPECT_EQ(view.get_text(c.path), "");
            EXPECT_EQ(view.count(c.path), 0);
        }
        // A generous bound: the point is that nothing runs away, not speed.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));

        JsonView next;
        ASSERT_TRUE(next.load(R"({"ret":"0","list":[1,2]})"));
        EXPECT_EQ(next.get_text("ret"), "0");
        EXPECT_EQ(next.count("list"), 2);
    }
}

TEST_F(HostileScripts, OneBudgetBoundsEveryCallOfAReader) {
    // Thirteen members that never return: each read alone would take the
    // whole 250 ms; drawn from one budget the lot ends once it is spent.
    std::string file = "({";
    for (int i = 0; i < 13; ++i) file += "get m" + std::to_string(i) + "(){for(;;){}},";
    file += "ok:'1'})";
    const auto start = std::chrono::steady_clock::now();
    ScriptBudget budget;
    JsonView view(budget);
    ASSERT_TRUE(view.load(file));
    EXPECT_EQ(view.get_text("ok"), "1");
    for (int i = 0; i < 13; ++i) EXPECT_EQ(view.get_text("m" + std::to_string(i)), "");
    EXPECT_TRUE(budget.spent());
    EXPECT_TRUE(view.budget_spent());
    // A second view and a host on the same budget fail at once.
    JsonView second(budget);
    EXPECT_FALSE(second.load(R"({"ret":"0"})"));
    ScriptHost host(budget);
    EXPECT_EQ(host.eval_text("'x'"), "");
    // 13 separate budgets would need 3.25 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));

    // A view of its own gets a fresh budget at each load.
    JsonView own;
    ASSERT_TRUE(own.load(file));
    EXPECT_EQ(own.get_text("m0"), "");
    EXPECT_TRUE(own.budget_spent());
    ASSERT_TRUE(own.load(R"({"ret":"0"})"));
    EXPECT_EQ(own.get_text("ret"), "0");
}

TEST_F(HostileScripts, TheMemoryCapFailsOneEvaluationOnly) {
    JsonView kept;
    ASSERT_TRUE(kept.load(R"({"ret":"kept"})"));
    JsonView big;
    // 32 MiB of text does not fit under a 16 MiB cap.
    EXPECT_FALSE(big.load("[new Array(1<<25).join('z')]"));
    JsonView small;
    EXPECT_TRUE(small.load("[new Array(1<<10).join('z')]"));
    EXPECT_EQ(small.count("[0]"), 1023);
    EXPECT_EQ(kept.get_text("ret"), "kept");
}

TEST_F(HostileScripts, AnEngineLeftFullIsReplacedForNewViews) {
    // 13 MiB held under a 16 MiB cap: the next big evaluation fails, and
    // later views get a fresh engine while the old view still reads. Filling
    // the engine takes longer than the short budget under a slow runtime (the
    // thread checker): only the cap may fail these loads.
    ScriptLimits limits = script_limits();
    limits.time_budget = std::chrono::milliseconds(2000);
    set_script_limits(limits);
    JsonView full;
    ASSERT_TRUE(full.load(
        "(function(){var a=[];for(var i=0;i<13;i++)a.push('a'.repeat(1<<20));return a})()"));
    JsonView failing;
    EXPECT_FALSE(failing.load("['b'.repeat(8<<20)]"));
    JsonView fresh;
    ASSERT_TRUE(fresh.load("['c'.repeat(3<<20)]"));
    EXPECT_EQ(fresh.count("[0]"), 3 << 20);
    EXPECT_EQ(full.count("[12]"), 1 << 20);
}

TEST(ScriptHost, KeepsDefinitionsForLaterCalls) {
    ScriptHost host;
    ASSERT_TRUE(host.available());
    EXPECT_TRUE(host.execute("function time(){return 0.5} var n=-105;"));
    EXPECT_EQ(host.run_text("time"), "0.5");
    EXPECT_EQ(host.eval_text("n"), "-105");
    EXPECT_EQ(host.eval_number("n*2"), -210);
    EXPECT_TRUE(host.eval_bool("n<0"));
    EXPECT_EQ(host.eval_text("var a=1; a+1"), "2");  // a statement list's completion value
    EXPECT_EQ(host.eval_text("null"), "");
    EXPECT_EQ(host.eval_text("[1,'b']"), "1,b");
    EXPECT_EQ(host.eval_text(gbk("'领取'+1")), gbk("领取1"));
}

TEST(ScriptHost, FailuresGiveEmptyValues) {
    ScriptHost host;
    EXPECT_FALSE(host.execute("function ("));
    EXPECT_FALSE(host.execute("throw new Error('x')"));
    EXPECT_EQ(host.eval_text("missing.member"), "");
    EXPECT_EQ(host.eval_number("'abc'"), 0);
    EXPECT_FALSE(host.eval_bool("undefinedName"));
    EXPECT_EQ(host.run_text("noSuchFunction"), "");
    EXPECT_TRUE(host.execute("var ok=1"));
    EXPECT_EQ(host.eval_text("ok"), "1");
}

TEST(ScriptHost, EachHostHasItsOwnGlobalScope) {
    ScriptHost first;
    ScriptHost second;
    ASSERT_TRUE(first.execute("var shared='first'; String.prototype.tag='t';"));
    EXPECT_EQ(second.eval_text("typeof shared"), "undefined");
    EXPECT_EQ(second.eval_text("'x'.tag"), "");
    EXPECT_EQ(first.eval_text("'x'.tag"), "t");
}

}  // namespace
}  // namespace quillet
