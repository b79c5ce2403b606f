#pragma once
// The embedded ECMAScript engine as the rest of the program sees it. Every
// evaluation of server text runs under a time budget and a memory cap;
// exceeding either is an ordinary failure (empty value), never a hang.
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace quillet {

struct ScriptLimits {
    // Wall-clock time one evaluation may run before it is abandoned.
    std::chrono::milliseconds time_budget{2000};
    // Bytes one engine heap may hold (all its live values together).
    std::size_t memory_cap = std::size_t{64} << 20;
};

// The limits every later evaluation runs under, on every thread.
void set_script_limits(const ScriptLimits& limits);
ScriptLimits script_limits();

namespace script_detail {
struct BudgetState;
}

// One reading's allowance of engine time. Every engine call made through the
// views and hosts that hold the same budget draws on it, so a reader that
// makes many calls over one answer ends within one allowance however the
// answer makes each call spend (getters that never return, endless loops).
// Time spent outside the engine (the network, the window's events) is not
// counted. Copies share the allowance; a budget is used on one thread.
class ScriptBudget {
  public:
    ScriptBudget();  // the configured time budget
    explicit ScriptBudget(std::chrono::milliseconds allowance);

    std::chrono::milliseconds remaining() const;
    // Nothing left: every further call on it fails at once.
    bool spent() const;
    // Starts a fresh allowance for everyone sharing this budget.
    void renew(std::chrono::milliseconds allowance);

    script_detail::BudgetState* state() const { return state_.get(); }

  private:
    std::shared_ptr<script_detail::BudgetState> state_;
};

// One engine instance with its own global scope: what one program defines
// stays defined for later calls on the same host. Texts in and out are GBK.
// A host is used on the thread that created it.
class ScriptHost {
  public:
    ScriptHost();  // every call gets the configured time budget of its own
    // Every call draws on the reader's one budget.
    explicit ScriptHost(const ScriptBudget& budget);
    ~ScriptHost();
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // False when no engine could be created; every call then fails.
    bool available() const;

    // Runs a program in the global scope (its functions and variables stay
    // defined); false when it fails to compile or throws.
    bool execute(std::string_view program);
    // The completion value of an expression or statement list: a string as
    // it is, a number as its decimal text, null and undefined as empty text.
    std::string eval_text(std::string_view expression);
    // ES ToNumber of the completion value; 0 on failure or NaN.
    double eval_number(std::string_view expression);
    // True for any true value; false on failure.
    bool eval_bool(std::string_view expression);
    // Calls the global function of that name without arguments; its result
    // converted as eval_text does.
    std::string run_text(std::string_view function_name);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quillet
