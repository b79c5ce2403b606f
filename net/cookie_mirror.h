#pragma once
// A cookie store that keeps cookies as a browser does (name, value, domain,
// host-only, path, secure, HttpOnly, expiry) and answers, per address, the
// cookies a browser would send, in the order it sends them: longer paths
// first, then the earlier created. The desktop program keeps one in step with
// the embedded browser's own store (whose cookies can only be read
// asynchronously), so the login can read the login host's cookies at once.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/cookie_jar.h"
#include "text/clock.h"

namespace quillet {

struct StoredCookie {
    std::string name;
    std::string value;
    std::string domain;  // lower case, no leading dot
    bool host_only = true;
    std::string path = "/";
    bool secure = false;
    bool http_only = false;
    std::optional<int64_t> expires;  // Unix seconds (UTC); none: a session cookie
    uint64_t created = 0;            // order of creation, kept across overwrites
};

// The parts of an address a cookie is matched against.
struct CookieUrl {
    std::string scheme;  // lower case
    std::string host;    // lower case, without port
    std::string path;    // "/" when absent, without query and fragment
};
std::optional<CookieUrl> parse_cookie_url(std::string_view address);

// A cookie date ("Sun, 8-Aug-2088 8:0:0 GMT", "Wed, 21 Oct 2015 07:28:00 GMT")
// read with the lenient date grammar browsers use, as Unix seconds (UTC).
std::optional<int64_t> parse_cookie_expiry(std::string_view text);

// Whether host lies in domain (both lower case, domain without leading dot).
bool cookie_domain_matches(std::string_view host, std::string_view domain);
// Whether a request path lies under a cookie path.
bool cookie_path_matches(std::string_view request_path, std::string_view cookie_path);

class CookieMirror : public PlatformCookieStore {
  public:
    explicit CookieMirror(Clock& clock = system_clock());

    // A Set-Cookie line as the server at address sends it ("n=v; Path=/; ...").
    // The cookie it would store, with expired ones marked by an expiry in the
    // past; nullopt when a browser ignores the line (malformed, a domain the
    // host does not lie in, a Secure cookie over plain HTTP).
    std::optional<StoredCookie> parse_set_cookie(std::string_view address,
                                                 std::string_view line) const;
    // Stores a line from address; false when it is ignored. An expired
    // cookie deletes the stored one of the same name, domain and path.
    bool set_cookie(std::string_view address, std::string_view line);

    // Reports from the browser's store (from its signals): a cookie added (or
    // the new half of an overwrite) and a cookie removed. A removal followed
    // at once by the addition of the same cookie is an overwrite and keeps the
    // cookie's place.
    void added(StoredCookie cookie);
    void removed(const std::string& name, const std::string& domain, bool host_only,
                 const std::string& path);
    void clear();

    // The cookies a browser sends to address, in its order; HttpOnly ones
    // only when asked for.
    std::vector<StoredCookie> cookies_for(std::string_view address,
                                          bool include_http_only = true) const;
    // Every cookie held, expired ones left out.
    std::vector<StoredCookie> all() const;

    // --- PlatformCookieStore: "name=value; name=value" and one cookie written
    // with attribute text ("value; expires=...; path=/; domain=.x.y").
    std::string read(std::string_view address, bool include_http_only) override;
    bool write(std::string_view address, std::string_view name, std::string_view data) override;

    // Unix seconds (UTC) of the clock's local now.
    int64_t now_utc() const;

  private:
    bool expired(const StoredCookie& c, int64_t now) const;
    void store_locked(StoredCookie cookie, bool remove);

    Clock& clock_;
    mutable std::mutex mutex_;
    std::vector<StoredCookie> cookies_;
    uint64_t next_created_ = 1;
    // The cookie just removed, so that an overwrite reported as removal then
    // addition keeps its creation order.
    std::optional<StoredCookie> just_removed_;
};

}  // namespace quillet
