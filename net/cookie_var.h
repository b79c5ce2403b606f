#pragma once
// A cookie text that several jobs may use at once (the session cookie). It is
// read and replaced whole under a lock, and an answer's cookies are folded in
// as one read-merge-write step, so two jobs merging at once never corrupt it.
#include <mutex>
#include <string>
#include <string_view>

namespace quillet {

class CookieVar {
public:
    CookieVar() = default;
    explicit CookieVar(std::string text) : text_(std::move(text)) {}
    CookieVar(const CookieVar&) = delete;
    CookieVar& operator=(const CookieVar&) = delete;

    std::string get() const {
        std::lock_guard lock(mutex_);
        return text_;
    }
    void set(std::string text) {
        std::lock_guard lock(mutex_);
        text_ = std::move(text);
    }
    // cookie := merge_cookies(cookie, fresh), atomically. Returns the result.
    std::string merge(std::string_view fresh);

private:
    mutable std::mutex mutex_;
    std::string text_;
};

}  // namespace quillet
