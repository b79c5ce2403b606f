#pragma once
// Perl-syntax regular expressions over byte texts (GBK answers), with limits:
// a server answer can be hostile, and a lazy pattern run over it must not take
// unbounded time. Every scan has a step budget shared by all its match
// attempts, besides the engine's own match and depth limits per attempt; a
// scan that hits one stops and reports what it found so far.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct RegexLimits {
    uint32_t match_limit = 2'000'000;  // per attempt, the engine's own counter
    uint32_t depth_limit = 20'000;     // per attempt, backtracking depth
    uint32_t heap_limit_kib = 32 * 1024;
    uint64_t step_budget = 20'000'000;  // per scan, over every attempt
};

// One match: group 0 is the whole match; a group that did not take part is
// empty.
class RegexMatch {
  public:
    size_t size() const { return groups_.size(); }
    std::string_view group(size_t i) const {
        return i < groups_.size() ? groups_[i] : std::string_view{};
    }
    std::string str(size_t i) const { return std::string(group(i)); }

  private:
    friend class Regex;
    std::vector<std::string_view> groups_;
};

enum class RegexScan {
    Complete,      // the whole subject was searched
    Stopped,       // the visitor asked to stop
    LimitReached,  // a limit cut the search short
    Invalid,       // the pattern did not compile
};

class Regex {
  public:
    // Case-sensitive; "." does not match line breaks (Perl defaults).
    explicit Regex(std::string_view pattern, RegexLimits limits = {});
    ~Regex();
    Regex(Regex&&) noexcept;
    Regex& operator=(Regex&&) noexcept;

    bool valid() const;

    // Visits every non-overlapping match left to right; the visitor returns
    // false to stop. The match's views point into subject.
    RegexScan for_each(std::string_view subject,
                       const std::function<bool(const RegexMatch&)>& visit) const;
    // Every match's groups as texts (what a scan found before a limit, too).
    std::vector<std::vector<std::string>> find_all(std::string_view subject,
                                                   RegexScan* scan = nullptr) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quillet
