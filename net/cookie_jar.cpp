#include "net/cookie_jar.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

#include "net/cookie_var.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

// The name of a pair: the trimmed text before its first "=", or the whole
// trimmed pair when it has none.
std::string name_of(std::string_view pair) {
    size_t eq = pair.find('=');
    return trim(eq == std::string_view::npos ? pair : pair.substr(0, eq));
}

// The ";"-separated pairs of a cookie text, as views. Empty pieces carry
// nothing and are left out (a trailing ";" would otherwise become a stray "; ").
std::vector<std::string_view> pair_views(std::string_view text) {
    std::vector<std::string_view> pairs;
    for (size_t begin = 0; begin <= text.size();) {
        size_t end = text.find(';', begin);
        if (end == std::string_view::npos) end = text.size();
        std::string_view piece = text.substr(begin, end - begin);
        if (!trim_view(piece).empty()) pairs.push_back(piece);
        begin = end + 1;
    }
    return pairs;
}

std::string_view name_view(std::string_view pair) {
    return trim_view(pair.substr(0, pair.find('=')));
}

constexpr size_t kScanLimit = 24;

// "a.b.qq.com" -> "qq.com"; a host with fewer labels stays as it is.
std::string last_two_labels(std::string_view host) {
    size_t last = host.rfind('.');
    if (last == std::string_view::npos || last == 0) return std::string(host);
    size_t before = host.rfind('.', last - 1);
    return std::string(before == std::string_view::npos ? host : host.substr(before + 1));
}

DateTime clamp_date(const DateTime& t) {
    static constexpr DateTime kLatest{9999, 12, 31, 23, 59, 59};
    DateTime earliest = earliest_datetime();
    if (t < earliest) return earliest;
    if (t > kLatest) return kLatest;
    return t;
}

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// Reads "Fri, 1-Jan-1999 1:1:1 GMT" and "Wed, 21 Oct 2015 07:28:00 GMT": the
// month by name, then day, year, hour, minute, second in that order.
bool parse_cookie_date(std::string_view text, DateTime& out) {
    std::vector<int> numbers;
    int month = 0;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            int64_t v = 0;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9' && v < 100000)
                v = v * 10 + (text[i++] - '0');
            numbers.push_back(static_cast<int>(v));
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            size_t begin = i;
            while (i < text.size() &&
                   ((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z')))
                ++i;
            std::string word = to_lower_ascii(text.substr(begin, i - begin));
            for (int m = 0; m < 12; ++m)
                if (word.size() >= 3 && word.substr(0, 3) == to_lower_ascii(kMonths[m]))
                    month = m + 1;
        } else {
            ++i;
        }
    }
    if (month == 0 || numbers.size() < 5) return false;
    out = DateTime{numbers[1], month, numbers[0], numbers[2], numbers[3], numbers[4]};
    return true;
}

}  // namespace

// --- cookie texts ----------------------------------------------------------

std::string merge_cookies(std::string& cookie, std::string& fresh) {
    std::erase(cookie, ' ');
    std::erase(fresh, ' ');
    std::vector<std::string_view> merged = pair_views(fresh);
    const size_t fresh_count = merged.size();
    // Small texts are scanned; an answer with many cookies gets a set.
    std::unordered_set<std::string_view> fresh_names;
    if (fresh_count > kScanLimit)
        for (std::string_view p : merged) fresh_names.insert(name_view(p));
    auto redefined = [&](std::string_view name) {
        if (fresh_count > kScanLimit) return fresh_names.count(name) > 0;
        for (size_t i = 0; i < fresh_count; ++i)
            if (name_view(merged[i]) == name) return true;
        return false;
    };
    for (std::string_view old : pair_views(cookie))
        if (!redefined(name_view(old))) merged.push_back(old);

    std::vector<std::string_view> kept;
    std::unordered_set<std::string_view> seen;
    const bool use_set = merged.size() > kScanLimit;
    for (std::string_view p : merged) {
        if (ends_with(p, "=deleted")) continue;
        if (use_set ? !seen.insert(p).second : std::find(kept.begin(), kept.end(), p) != kept.end())
            continue;
        kept.push_back(p);
    }
    std::string result;
    for (std::string_view p : kept) {
        if (!result.empty()) result += "; ";
        result += p;
    }
    cookie = std::move(result);
    return cookie;
}

std::string merge_cookies_copy(std::string cookie, std::string fresh) {
    return merge_cookies(cookie, fresh);
}

std::string CookieVar::merge(std::string_view fresh) {
    std::string f(fresh);
    std::lock_guard lock(mutex_);
    return merge_cookies(text_, f);
}

std::string CookieJar::cookie_value(std::string& cookie, std::string_view name, bool value_only) {
    cookie = trim(cookie);
    if (!ends_with(cookie, ";")) cookie += ';';
    std::string lowered_name = to_lower_ascii(name);
    for (const std::string& piece : split(cookie, ";")) {
        std::string pair = trim(piece);
        size_t eq = pair.find('=');
        std::string pair_name = eq == std::string::npos ? pair : pair.substr(0, eq);
        if (to_lower_ascii(pair_name) != lowered_name) continue;
        std::string value;
        if (eq != std::string::npos) {
            if (pair.find(':') != std::string::npos) {
                size_t colon = pair.find(':', eq + 1);
                if (colon != std::string::npos) value = pair.substr(eq + 1, colon - eq - 1);
            } else {
                value = pair.substr(pair.rfind('=') + 1);
            }
        }
        if (value.empty()) return {};
        return value_only ? value : std::string(name) + "=" + value;
    }
    return {};
}

std::string CookieJar::cookie_value_copy(std::string cookie, std::string_view name,
                                         bool value_only) {
    return cookie_value(cookie, name, value_only);
}

std::string CookieJar::cookie_date(const DateTime& t) {
    int month = std::clamp(t.month, 1, 12);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s, %d-%s-%d %d:%d:%d GMT", kWeekdays[weekday_of(t)], t.day,
                  kMonths[month - 1], t.year, t.hour, t.minute, t.second);
    return buf;
}

std::optional<std::string> cookie_file_problem(std::string_view text) {
    constexpr size_t kMaxBytes = 16 * 1024;
    if (text.size() > kMaxBytes)
        return std::string(
            "is larger than 16 KiB, far more than a login's cookie text; is it the "
            "right file?");
    // One line break (LF or CR LF) may end the file.
    std::string_view body = text;
    if (!body.empty() && body.back() == '\n') body.remove_suffix(1);
    if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
    for (char c : body) {
        if (c == '\r' || c == '\n')
            return std::string(
                "holds a line break inside its text (more than one line); it must "
                "hold the cookie text of one login on one line");
    }
    for (char c : body) {
        auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F)
            return std::string(
                "holds control bytes; it must hold the cookie text of one login "
                "(name=value pairs separated by \"; \")");
    }
    if (trim_view(body).empty()) return std::string("is empty");
    if (CookieJar::cookie_value_copy(std::string(body), "skey", true).empty())
        return std::string(
            "holds no skey cookie; it must hold the cookie text a QQ login leaves "
            "(uin=...; skey=...)");
    return std::nullopt;
}

// --- the platform store ----------------------------------------------------

std::string CookieJar::read_platform_cookies(std::string_view host, std::string_view name) {
    std::string address = "http://" + std::string(host);
    std::string plain = store_.read(address, false);
    std::string with_http_only = store_.read(address, true);
    std::string merged = merge_cookies(plain, with_http_only);
    if (name.empty()) return merged;
    return cookie_value(merged, name);
}

bool CookieJar::set_platform_cookie(std::string_view address, std::string_view name,
                                    std::string_view value, const DateTime& expires) {
    std::string host = url_host(address);
    if (name.empty()) return true;
    std::string data(value);
    DateTime when = expires;
    if (value.empty()) {
        data = "delete";
        when = kDeletionDate;
    }
    when = clamp_date(when);
    if (when != clamp_date(kZeroDate)) data += "; expires=" + cookie_date(when);
    data += "; path=/";
    std::string where = "http://" + host;
    store_.write(where, name, data);
    data += "; domain=." + last_two_labels(host);
    return store_.write(where, name, data);
}

void CookieJar::store_cookie_text(std::string_view host, std::string_view cookie,
                                  const DateTime& expires) {
    for (const std::string& pair : split(cookie, ";")) {
        size_t eq = pair.find('=');
        if (eq == std::string::npos) continue;
        std::string name = trim(std::string_view(pair).substr(0, eq));
        // The value runs from the first "=": a value that itself holds "="
        // (base64 padding) must not be cut, or an empty rest would delete it.
        std::string value = trim(std::string_view(pair).substr(eq + 1));
        set_platform_cookie(host, name, value, expires);
    }
}

void CookieJar::clear_login_cookies(std::string_view host) {
    const std::string data1 = "deleted; expires=Fri, 1-Jan-1999 1:1:1 GMT; path=/;";
    const std::string data2 = data1 + " domain=" + last_two_labels(url_host(host));
    std::string address = "http://" + std::string(host);
    for (const std::string& pair : split(read_platform_cookies(host), ";")) {
        std::string name = name_of(pair);
        if (name.empty()) continue;
        store_.write(address, name, data1);
        store_.write(address, name, data2);
    }
}

// --- the in-memory store ---------------------------------------------------

void MemoryCookieStore::store(Cookie cookie, bool remove) {
    std::lock_guard lock(mutex_);
    // A cookie is known by its name and domain, as a browser keeps them; whether
    // it was set host-only is a property, so a host-only write replaces or
    // deletes a cookie that was put for the same host.
    auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& c) {
        return c.domain == cookie.domain && c.name == cookie.name;
    });
    if (remove) {
        if (same != cookies_.end()) cookies_.erase(same);
    } else if (same != cookies_.end()) {
        same->value = std::move(cookie.value);
        same->http_only = cookie.http_only;
        same->host_only = cookie.host_only;
    } else {
        cookies_.push_back(std::move(cookie));
    }
}

std::string MemoryCookieStore::read(std::string_view address, bool include_http_only) {
    std::string host = url_host(address);
    std::string text;
    std::lock_guard lock(mutex_);
    for (const Cookie& c : cookies_) {
        bool matches = host == c.domain || (!c.host_only && ends_with(host, "." + c.domain));
        if (!matches || (c.http_only && !include_http_only)) continue;
        if (!text.empty()) text += "; ";
        text += c.name + "=" + c.value;
    }
    return text;
}

bool MemoryCookieStore::write(std::string_view address, std::string_view name,
                              std::string_view data) {
    std::string host = url_host(address);
    std::string cookie_name = trim(name);
    if (host.empty() || cookie_name.empty()) return false;
    std::vector<std::string> parts = split(data, ";");
    Cookie cookie;
    cookie.name = cookie_name;
    cookie.value = trim(parts.front());
    bool expired = false;
    std::string domain;
    for (size_t i = 1; i < parts.size(); ++i) {
        std::string attr = trim(parts[i]);
        size_t eq = attr.find('=');
        std::string key = to_lower_ascii(trim(std::string_view(attr).substr(0, eq)));
        std::string val =
            eq == std::string::npos ? "" : trim(std::string_view(attr).substr(eq + 1));
        if (key == "expires") {
            DateTime when;
            if (parse_cookie_date(val, when) && when < clock_.now()) expired = true;
        } else if (key == "max-age") {
            if (!val.empty() && int_of_text(val) <= 0) expired = true;
        } else if (key == "domain") {
            domain = to_lower_ascii(val);
            while (!domain.empty() && domain.front() == '.') domain.erase(0, 1);
        } else if (key == "httponly") {
            cookie.http_only = true;
        }
    }
    if (domain.empty()) {
        cookie.domain = host;
        cookie.host_only = true;
    } else {
        // A host may set cookies for itself and its parent domains only.
        if (host != domain && !ends_with(host, "." + domain)) return false;
        cookie.domain = domain;
    }
    store(std::move(cookie), expired);
    return true;
}

void MemoryCookieStore::put(std::string_view host, std::string_view name, std::string_view value,
                            bool http_only) {
    std::string domain = to_lower_ascii(trim(host));
    while (!domain.empty() && domain.front() == '.') domain.erase(0, 1);
    store(Cookie{domain, std::string(name), std::string(value), http_only, false}, false);
}

}  // namespace quillet
