#pragma once
// A shorter engine time budget for the tests that feed hostile answers to a
// reader, so that one spent budget costs little; the earlier limits come back
// when it goes.
#include <chrono>
#include <initializer_list>
#include <string>

#include "script/script_host.h"

namespace quillet::testing {

class ShortScriptBudget {
  public:
    explicit ShortScriptBudget(std::chrono::milliseconds budget = std::chrono::milliseconds(300))
        : saved_(script_limits()) {
        ScriptLimits limits = saved_;
        limits.time_budget = budget;
        set_script_limits(limits);
    }
    ~ShortScriptBudget() { set_script_limits(saved_); }
    ShortScriptBudget(const ShortScriptBudget&) = delete;
    ShortScriptBudget& operator=(const ShortScriptBudget&) = delete;

  private:
    ScriptLimits saved_;
};

// An object literal whose named members are getters that never return,
// followed by the members in rest (without braces).
inline std::string never_returning(std::initializer_list<const char*> names,
                                   const std::string& rest = "") {
    std::string text = "{";
    for (const char* name : names) text += std::string("get ") + name + "(){while(1){}},";
    text += rest;
    return text + "}";
}

}  // namespace quillet::testing
