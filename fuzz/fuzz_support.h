#pragma once
// What every harness shares: the input as a text, a smaller engine time
// budget (a spent budget is an ordinary outcome for hostile input, and at
// 100 ms it stays far inside the per-input timeout the runs use), and a way
// to split one input into several texts.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/script_host.h"

namespace quillet::fuzz {

inline void use_short_budget() {
    static const bool done = [] {
        ScriptLimits limits = script_limits();
        limits.time_budget = std::chrono::milliseconds(100);
        set_script_limits(limits);
        return true;
    }();
    (void)done;
}

inline std::string_view text_of(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The input cut at each NUL byte into at most n parts; missing parts are empty.
inline std::vector<std::string_view> parts_of(std::string_view input, size_t n) {
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < n) {
        const size_t cut = input.find('\0');
        if (cut == std::string_view::npos) break;
        parts.push_back(input.substr(0, cut));
        input.remove_prefix(cut + 1);
    }
    parts.push_back(input);
    parts.resize(n);
    return parts;
}

// A finding the sanitizers cannot see: a broken promise of the code.
#define QUILLET_FUZZ_CHECK(cond)       \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

}  // namespace quillet::fuzz
