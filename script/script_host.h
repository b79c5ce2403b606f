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

// One engine instance with its own global scope: what one program defines
// stays defined for later calls on the same host. Texts in and out are GBK.
// A host is used on the thread that created it.
class ScriptHost {
public:
    ScriptHost();
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
