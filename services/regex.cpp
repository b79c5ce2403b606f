#include "services/regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace quillet {

namespace {

struct CodeDeleter {
    void operator()(pcre2_code* c) const { pcre2_code_free(c); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* d) const { pcre2_match_data_free(d); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* c) const { pcre2_match_context_free(c); }
};

// The step counter behind the scan budget: the pattern is compiled with an
// automatic callout before each item, so every step of every attempt passes
// here, whichever start position the engine is trying.
struct Budget {
    uint64_t left = 0;
    bool exhausted = false;
};

int count_step(pcre2_callout_block*, void* data) {
    auto* budget = static_cast<Budget*>(data);
    if (budget->left == 0) {
        budget->exhausted = true;
        return PCRE2_ERROR_MATCHLIMIT;  // abandons the whole match call
    }
    --budget->left;
    return 0;
}

}  // namespace

struct Regex::Impl {
    std::unique_ptr<pcre2_code, CodeDeleter> code;
    RegexLimits limits;
};

Regex::Regex(std::string_view pattern, RegexLimits limits) : impl_(std::make_unique<Impl>()) {
    impl_->limits = limits;
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_AUTO_CALLOUT, &error, &offset, nullptr);
    impl_->code.reset(code);
}

Regex::~Regex() = default;
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;

bool Regex::valid() const {
    return impl_ && impl_->code;
}

RegexScan Regex::for_each(std::string_view subject,
                          const std::function<bool(const RegexMatch&)>& visit) const {
    if (!valid()) return RegexScan::Invalid;
    pcre2_code* code = impl_->code.get();
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(code, nullptr));
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(
        pcre2_match_context_create(nullptr));
    if (!data || !context) return RegexScan::LimitReached;

    Budget budget{impl_->limits.step_budget, false};
    pcre2_set_match_limit(context.get(), impl_->limits.match_limit);
    pcre2_set_depth_limit(context.get(), impl_->limits.depth_limit);
    pcre2_set_heap_limit(context.get(), impl_->limits.heap_limit_kib);
    pcre2_set_callout(context.get(), count_step, &budget);

    const auto* bytes = reinterpret_cast<PCRE2_SPTR>(subject.data());
    PCRE2_SIZE start = 0;
    RegexMatch match;
    while (start <= subject.size()) {
        int rc = pcre2_match(code, bytes, subject.size(), start, 0, data.get(), context.get());
        if (rc == PCRE2_ERROR_NOMATCH) return RegexScan::Complete;
        if (rc < 0) return RegexScan::LimitReached;  // match, depth, heap limit or budget
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data.get());
        uint32_t pairs = pcre2_get_ovector_count(data.get());
        match.groups_.assign(pairs, std::string_view{});
        for (uint32_t i = 0; i < pairs; ++i) {
            PCRE2_SIZE b = ov[2 * i], e = ov[2 * i + 1];
            if (b == PCRE2_UNSET || e == PCRE2_UNSET || b > e || e > subject.size()) continue;
            match.groups_[i] = subject.substr(b, e - b);
        }
        if (!visit(match)) return RegexScan::Stopped;
        PCRE2_SIZE end = ov[1];
        // An empty match would be found again at the same place: step past it.
        start = end > ov[0] ? end : end + 1;
    }
    return RegexScan::Complete;
}

std::vector<std::vector<std::string>> Regex::find_all(std::string_view subject,
                                                      RegexScan* scan) const {
    std::vector<std::vector<std::string>> found;
    RegexScan result = for_each(subject, [&](const RegexMatch& m) {
        std::vector<std::string> groups;
        groups.reserve(m.size());
        for (size_t i = 0; i < m.size(); ++i) groups.emplace_back(m.group(i));
        found.push_back(std::move(groups));
        return true;
    });
    if (scan) *scan = result;
    return found;
}

}  // namespace quillet
