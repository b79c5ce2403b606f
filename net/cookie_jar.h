#pragma once
// Cookie texts ("name=value; name=value") and the platform cookie store that
// the login browser and the activity browser share.
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/clock.h"

namespace quillet {

// Folds fresh (an answer's cookies) into cookie: fresh pairs first in their
// order, then the old pairs not redefined; "=deleted" pairs vanish; spaces are
// removed; exact duplicates dropped. Both arguments are rewritten in place.
std::string merge_cookies(std::string& cookie, std::string& fresh);
std::string merge_cookies_copy(std::string cookie, std::string fresh);

// What is wrong with the text of a cookie file, as the end of one English
// line that begins "the cookie file F "; nothing when it can be used as a
// session cookie. The message never quotes the text. Refused: a line break inside the
// text (one trailing line break is fine), other control bytes, an empty text,
// more than 16 KiB, and a text without a skey cookie.
std::optional<std::string> cookie_file_problem(std::string_view text);

// The platform's cookie store: per host one cookie text including HttpOnly
// cookies; written one cookie at a time with attribute text.
class PlatformCookieStore {
  public:
    virtual ~PlatformCookieStore() = default;
    // The cookie text of an address, without or with HttpOnly cookies.
    virtual std::string read(std::string_view address, bool include_http_only) = 0;
    // Writes one cookie ("value; expires=...; path=/; domain=.x.y").
    virtual bool write(std::string_view address, std::string_view name, std::string_view data) = 0;
};

// An in-memory store (tests, the command line); the GUI backs the port with the
// browser's own store. Cookies are kept per domain; an expiry in the past
// removes the cookie; "HttpOnly" in the data marks it.
class MemoryCookieStore : public PlatformCookieStore {
  public:
    // Expiry dates are compared with clock's time.
    explicit MemoryCookieStore(const Clock& clock = system_clock()) : clock_(clock) {}
    std::string read(std::string_view address, bool include_http_only) override;
    bool write(std::string_view address, std::string_view name, std::string_view data) override;
    // Stores a cookie as a server would set it (tests and the sandbox login).
    void put(std::string_view host, std::string_view name, std::string_view value,
             bool http_only = false);

  private:
    struct Cookie {
        std::string domain;  // lower case, no leading dot
        std::string name;
        std::string value;
        bool http_only = false;
        bool host_only = false;  // set without a domain attribute: that host alone
    };
    void store(Cookie cookie, bool remove);
    const Clock& clock_;
    std::mutex mutex_;
    std::vector<Cookie> cookies_;  // in the order they were first set
};

class CookieJar {
  public:
    explicit CookieJar(PlatformCookieStore& store) : store_(store) {}

    // The pair name=value (name as asked), or the value alone; empty when the
    // cookie is absent or empty. cookie is trimmed and given a final ";".
    static std::string cookie_value(std::string& cookie, std::string_view name,
                                    bool value_only = false);
    static std::string cookie_value_copy(std::string cookie, std::string_view name,
                                         bool value_only = false);
    // "Sun, 8-Aug-2088 8:0:0 GMT": nothing padded, local time written as is.
    static std::string cookie_date(const DateTime& t);

    std::string read_platform_cookies(std::string_view host, std::string_view name = "");
    bool set_platform_cookie(std::string_view address, std::string_view name,
                             std::string_view value, const DateTime& expires);
    void store_cookie_text(std::string_view host, std::string_view cookie,
                           const DateTime& expires = kDefaultExpiry);
    void clear_login_cookies(std::string_view host);

    static constexpr DateTime kDefaultExpiry{2088, 8, 8, 8, 0, 0};
    static constexpr DateTime kDeletionDate{1999, 1, 1, 1, 1, 1};
    static constexpr DateTime kZeroDate{1899, 12, 30, 0, 0, 0};

  private:
    PlatformCookieStore& store_;
};

}  // namespace quillet
