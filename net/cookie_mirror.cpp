#include "net/cookie_mirror.h"

#include <algorithm>
#include <ctime>

#include "text/text_ops.h"

namespace quillet {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// A literal IPv4 or IPv6 address: never matched by a parent domain.
bool is_ip_address(std::string_view host) {
    if (host.find(':') != std::string_view::npos) return true;
    return !host.empty() &&
           std::all_of(host.begin(), host.end(), [](char c) { return is_digit(c) || c == '.'; });
}

// The path a cookie without a usable Path attribute gets: the request path up
// to, not including, its last "/" ("/" when that leaves nothing).
std::string default_path(std::string_view request_path) {
    if (request_path.empty() || request_path.front() != '/') return "/";
    size_t last = request_path.rfind('/');
    if (last == 0) return "/";
    return std::string(request_path.substr(0, last));
}

bool same_key(const StoredCookie& a, const StoredCookie& b) {
    return a.name == b.name && a.domain == b.domain && a.host_only == b.host_only &&
           a.path == b.path;
}

// Unix seconds of a UTC calendar date-time.
int64_t utc_seconds(int year, int month, int day, int hour, int minute, int second) {
    return days_from_civil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

// Leading digits of a token, at most max_digits, followed by a non-digit or
// the end; -1 when the token does not have that shape.
int leading_number(std::string_view token, size_t min_digits, size_t max_digits, size_t* used) {
    size_t n = 0;
    while (n < token.size() && is_digit(token[n])) ++n;
    if (n < min_digits || n > max_digits) return -1;
    int v = 0;
    for (size_t i = 0; i < n; ++i) v = v * 10 + (token[i] - '0');
    if (used) *used = n;
    return v;
}

bool parse_time_token(std::string_view token, int& h, int& m, int& s) {
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        size_t used = 0;
        parts[i] = leading_number(token, 1, 2, &used);
        if (parts[i] < 0) return false;
        token.remove_prefix(used);
        if (i < 2) {
            if (token.empty() || token.front() != ':') return false;
            token.remove_prefix(1);
        }
    }
    h = parts[0], m = parts[1], s = parts[2];
    return true;
}

}  // namespace

std::optional<CookieUrl> parse_cookie_url(std::string_view address) {
    size_t colon = address.find("://");
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    CookieUrl url;
    url.scheme = to_lower_ascii(address.substr(0, colon));
    std::string_view rest = address.substr(colon + 3);
    size_t end = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, end);
    if (size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    if (!authority.empty() && authority.front() == '[') {
        size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        url.host = to_lower_ascii(authority.substr(1, close - 1));
    } else {
        url.host = to_lower_ascii(authority.substr(0, authority.find(':')));
    }
    while (!url.host.empty() && url.host.back() == '.') url.host.pop_back();
    if (url.host.empty()) return std::nullopt;
    std::string_view path = end == std::string_view::npos ? "" : rest.substr(end);
    path = path.substr(0, path.find_first_of("?#"));
    url.path = path.empty() ? "/" : std::string(path);
    return url;
}

std::optional<int64_t> parse_cookie_expiry(std::string_view text) {
    auto delimiter = [](unsigned char c) {
        return c == 0x09 || (c >= 0x20 && c <= 0x2F) || (c >= 0x3B && c <= 0x40) ||
               (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E);
    };
    static constexpr const char* kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                              "jul", "aug", "sep", "oct", "nov", "dec"};
    bool have_time = false, have_day = false, have_month = false, have_year = false;
    int hour = 0, minute = 0, second = 0, day = 0, month = 0, year = 0;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && delimiter(static_cast<unsigned char>(text[i]))) ++i;
        size_t begin = i;
        while (i < text.size() && !delimiter(static_cast<unsigned char>(text[i]))) ++i;
        std::string_view token = text.substr(begin, i - begin);
        if (token.empty()) continue;
        int v = -1;
        const auto named_month = [&token] {
            if (token.size() < 3) return std::end(kMonths);
            return std::find(std::begin(kMonths), std::end(kMonths),
                             to_lower_ascii(token.substr(0, 3)));
        };
        if (!have_time && parse_time_token(token, hour, minute, second)) {
            have_time = true;
        } else if (!have_day && (v = leading_number(token, 1, 2, nullptr)) >= 0) {
            have_day = true;
            day = v;
        } else if (const auto m = have_month ? std::end(kMonths) : named_month();
                   m != std::end(kMonths)) {
            have_month = true;
            month = static_cast<int>(m - std::begin(kMonths)) + 1;
        } else if (!have_year && (v = leading_number(token, 2, 4, nullptr)) >= 0) {
            have_year = true;
            year = v;
        }
    }
    if (have_year && year >= 70 && year <= 99) year += 1900;
    if (have_year && year >= 0 && year <= 69) year += 2000;
    if (!have_time || !have_day || !have_month || !have_year) return std::nullopt;
    if (day < 1 || day > 31 || year < 1601 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return utc_seconds(year, month, day, hour, minute, second);
}

bool cookie_domain_matches(std::string_view host, std::string_view domain) {
    if (host == domain) return true;
    if (domain.empty() || is_ip_address(host) || host.size() <= domain.size()) return false;
    return host.substr(host.size() - domain.size()) == domain &&
           host[host.size() - domain.size() - 1] == '.';
}

bool cookie_path_matches(std::string_view request_path, std::string_view cookie_path) {
    if (request_path == cookie_path) return true;
    if (request_path.substr(0, cookie_path.size()) != cookie_path) return false;
    return (!cookie_path.empty() && cookie_path.back() == '/') ||
           (request_path.size() > cookie_path.size() && request_path[cookie_path.size()] == '/');
}

CookieMirror::CookieMirror(Clock& clock) : clock_(clock) {}

int64_t CookieMirror::now_utc() const {
    const DateTime t = clock_.now();
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&tm));
}

bool CookieMirror::expired(const StoredCookie& c, int64_t now) const {
    return c.expires && *c.expires <= now;
}

std::optional<StoredCookie> CookieMirror::parse_set_cookie(std::string_view address,
                                                           std::string_view line) const {
    const std::optional<CookieUrl> url = parse_cookie_url(address);
    if (!url) return std::nullopt;
    const size_t semi = line.find(';');
    const std::string_view pair = line.substr(0, semi);
    const size_t eq = pair.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    StoredCookie c;
    c.name = std::string(trim_view(pair.substr(0, eq)));
    c.value = std::string(trim_view(pair.substr(eq + 1)));
    if (c.name.empty()) return std::nullopt;

    std::optional<int64_t> expires, max_age_expiry;
    std::optional<std::string> domain;
    std::optional<std::string> path;
    std::string_view rest = semi == std::string_view::npos ? "" : line.substr(semi + 1);
    while (!rest.empty()) {
        const size_t next = rest.find(';');
        const std::string_view attr = rest.substr(0, next);
        rest = next == std::string_view::npos ? "" : rest.substr(next + 1);
        const size_t aeq = attr.find('=');
        const std::string key = to_lower_ascii(trim_view(attr.substr(0, aeq)));
        const std::string_view val =
            aeq == std::string_view::npos ? std::string_view() : trim_view(attr.substr(aeq + 1));
        if (key == "expires") {
            if (auto t = parse_cookie_expiry(val)) expires = *t;
        } else if (key == "max-age") {
            if (val.empty() || !(is_digit(val.front()) || val.front() == '-')) continue;
            if (!std::all_of(val.begin() + 1, val.end(), is_digit)) continue;
            int64_t seconds = 0;
            for (char ch : val.substr(val.front() == '-' ? 1 : 0))
                seconds = std::min<int64_t>(seconds * 10 + (ch - '0'), int64_t{1} << 40);
            max_age_expiry = val.front() == '-' || seconds == 0 ? 0 : now_utc() + seconds;
        } else if (key == "domain") {
            std::string d = to_lower_ascii(val);
            while (!d.empty() && d.front() == '.') d.erase(0, 1);
            if (!d.empty()) domain = d;
        } else if (key == "path") {
            if (!val.empty() && val.front() == '/')
                path = std::string(val);
            else
                path = default_path(url->path);
        } else if (key == "secure") {
            c.secure = true;
        } else if (key == "httponly") {
            c.http_only = true;
        }
    }
    c.expires = max_age_expiry ? max_age_expiry : expires;
    if (domain && *domain != url->host) {
        // A host sets cookies for itself and the domains above it, never for a
        // bare top-level name.
        if (!cookie_domain_matches(url->host, *domain)) return std::nullopt;
        if (domain->find('.') == std::string::npos) return std::nullopt;
        c.domain = *domain;
        c.host_only = false;
    } else {
        c.domain = url->host;
        c.host_only = !domain;
    }
    c.path = path ? *path : default_path(url->path);
    // A Secure cookie comes only over a secure connection.
    if (c.secure && url->scheme != "https") return std::nullopt;
    return c;
}

void CookieMirror::store_locked(StoredCookie cookie, bool remove) {
    auto same = std::find_if(cookies_.begin(), cookies_.end(),
                             [&](const StoredCookie& c) { return same_key(c, cookie); });
    if (remove) {
        if (same != cookies_.end()) cookies_.erase(same);
        return;
    }
    if (same != cookies_.end()) {
        cookie.created = same->created;
        *same = std::move(cookie);
    } else {
        cookie.created = next_created_++;
        cookies_.push_back(std::move(cookie));
    }
}

bool CookieMirror::set_cookie(std::string_view address, std::string_view line) {
    std::optional<StoredCookie> c = parse_set_cookie(address, line);
    if (!c) return false;
    const bool is_secure_origin = parse_cookie_url(address)->scheme == "https";
    std::lock_guard lock(mutex_);
    just_removed_.reset();
    const int64_t now = now_utc();
    // Plain HTTP leaves a Secure cookie of the same name alone.
    if (!is_secure_origin) {
        for (const StoredCookie& old : cookies_)
            if (old.secure && old.name == c->name && !expired(old, now) &&
                (cookie_domain_matches(old.domain, c->domain) ||
                 cookie_domain_matches(c->domain, old.domain)) &&
                cookie_path_matches(c->path, old.path))
                return false;
    }
    const bool remove = expired(*c, now);
    store_locked(std::move(*c), remove);
    return true;
}

void CookieMirror::added(StoredCookie cookie) {
    std::lock_guard lock(mutex_);
    if (just_removed_ && same_key(*just_removed_, cookie)) {
        cookie.created = just_removed_->created;
        just_removed_.reset();
        auto same = std::find_if(cookies_.begin(), cookies_.end(),
                                 [&](const StoredCookie& c) { return same_key(c, cookie); });
        if (same != cookies_.end())
            *same = std::move(cookie);
        else
            cookies_.push_back(std::move(cookie));
        return;
    }
    just_removed_.reset();
    store_locked(std::move(cookie), false);
}

void CookieMirror::removed(const std::string& name, const std::string& domain, bool host_only,
                           const std::string& path) {
    std::lock_guard lock(mutex_);
    StoredCookie key;
    key.name = name;
    key.domain = domain;
    key.host_only = host_only;
    key.path = path;
    just_removed_.reset();
    auto same = std::find_if(cookies_.begin(), cookies_.end(),
                             [&](const StoredCookie& c) { return same_key(c, key); });
    if (same == cookies_.end()) return;
    just_removed_ = *same;
    cookies_.erase(same);
}

void CookieMirror::clear() {
    std::lock_guard lock(mutex_);
    cookies_.clear();
    just_removed_.reset();
}

std::vector<StoredCookie> CookieMirror::cookies_for(std::string_view address,
                                                    bool include_http_only) const {
    std::vector<StoredCookie> out;
    const std::optional<CookieUrl> url = parse_cookie_url(address);
    if (!url) return out;
    const bool secure = url->scheme == "https" || url->scheme == "wss";
    std::lock_guard lock(mutex_);
    const int64_t now = now_utc();
    for (const StoredCookie& c : cookies_) {
        if (expired(c, now)) continue;
        if (c.host_only ? url->host != c.domain : !cookie_domain_matches(url->host, c.domain))
            continue;
        if (!cookie_path_matches(url->path, c.path)) continue;
        if ((c.secure && !secure) || (c.http_only && !include_http_only)) continue;
        out.push_back(c);
    }
    std::stable_sort(out.begin(), out.end(), [](const StoredCookie& a, const StoredCookie& b) {
        if (a.path.size() != b.path.size()) return a.path.size() > b.path.size();
        return a.created < b.created;
    });
    return out;
}

std::vector<StoredCookie> CookieMirror::all() const {
    std::lock_guard lock(mutex_);
    std::vector<StoredCookie> out;
    const int64_t now = now_utc();
    for (const StoredCookie& c : cookies_)
        if (!expired(c, now)) out.push_back(c);
    return out;
}

std::string CookieMirror::read(std::string_view address, bool include_http_only) {
    std::string text;
    for (const StoredCookie& c : cookies_for(address, include_http_only)) {
        if (!text.empty()) text += "; ";
        text += c.name + "=" + c.value;
    }
    return text;
}

bool CookieMirror::write(std::string_view address, std::string_view name, std::string_view data) {
    std::string line(trim_view(name));
    if (line.empty()) return false;
    line += "=";
    line += data;
    return set_cookie(address, line);
}

}  // namespace quillet
