#include "net/http_headers.h"

#include "text/text_ops.h"

namespace quillet::http {
namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

size_t line_end(std::string_view text, size_t from) {
    for (size_t i = from; i < text.size(); ++i)
        if (text[i] == '\r' || text[i] == '\n') return i;
    return text.size();
}

// Calls f for each line of an answer's header block; any CR or LF ends a line
// (some servers end their lines with LF alone).
template <typename F>
void for_each_line(std::string_view text, F&& f) {
    for (size_t begin = 0; begin <= text.size();) {
        size_t end = line_end(text, begin);
        f(text.substr(begin, end - begin));
        begin = end + 1;
    }
}

// Calls f for each line of a request header text. Only CR LF separates lines;
// a bare CR or LF belongs to a value and is dropped with the other control
// bytes, so it can neither split the line nor reach the wire.
template <typename F>
void for_each_request_line(std::string_view text, F&& f) {
    for (size_t begin = 0; begin <= text.size();) {
        size_t end = text.find("\r\n", begin);
        if (end == std::string_view::npos) end = text.size();
        f(std::string_view(header_value(text.substr(begin, end - begin))));
        begin = end + 2;
    }
}

// The trimmed rest of the line after the first occurrence of marker; empty
// when the marker is absent.
std::string value_after(std::string_view text, std::string_view marker, bool ignore_case) {
    int at = find_text(text, marker, 1, ignore_case);
    if (at < 0) return {};
    size_t begin = static_cast<size_t>(at - 1) + marker.size();
    return std::string(trim_view(text.substr(begin, line_end(text, begin) - begin)));
}

void append_defaults(std::string& headers, std::string_view url) {
    if (headers.empty())
        headers = "Accept: */*";
    else if (!contains(headers, "Accept:"))
        headers += "\r\nAccept: */*";
    if (!contains(headers, "Referer:")) {
        headers += "\r\nReferer: ";
        headers += header_value(url);
    }
    if (!contains(headers, "Accept-Language:")) headers += "\r\nAccept-Language: zh-cn";
    if (!contains(headers, "Content-Type:"))
        headers += "\r\nContent-Type: application/x-www-form-urlencoded";
}

// The host part (with port, lower case) of an address, as url_host reads it;
// the common "http://" and "https://" forms are read without a lowered copy.
std::string host_part_of(std::string_view url) {
    size_t skip = 0;
    if (url.size() >= 8 && iequals(url.substr(0, 8), "https://"))
        skip = 8;
    else if (url.size() >= 7 && iequals(url.substr(0, 7), "http://"))
        skip = 7;
    else
        return url_host(url, true);
    std::string host(url.substr(skip, url.find('/', skip) - skip));
    for (char& c : host) c = lower(c);
    return host;
}

}  // namespace

std::string header_value(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F) continue;
        out += c;
    }
    return out;
}

int normalised_method(int method) {
    return method == 1 || method == 2 ? method : 0;
}

std::string_view method_text(int method) {
    switch (normalised_method(method)) {
        case 1:
            return "POST";
        case 2:
            return "HEAD";
        default:
            return "GET";
    }
}

bool is_secure(std::string_view url) {
    return to_lower_ascii(url.substr(0, 5)) == "https";
}

Target target_of(std::string_view url) {
    Target t;
    t.secure = is_secure(url);
    // The host part with its port; the port is the number after its last ":".
    std::string host_part = host_part_of(url);
    size_t colon = host_part.rfind(':');
    if (colon == std::string::npos) {
        t.port = t.secure ? 443 : 80;
        t.host = host_part;
    } else {
        t.port = static_cast<int>(int32_of_text(std::string_view(host_part).substr(colon + 1)));
        t.host = host_part.substr(0, host_part.find(':'));
    }
    // The path runs from the first "/" after the scheme's "//" (searching for
    // the host name itself could find it inside the scheme).
    size_t scheme = url.find("://");
    size_t slash = url.find('/', scheme == std::string_view::npos ? 0 : scheme + 3);
    t.path = slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
    if (t.host.empty() || t.port < 1 || t.port > 65535) return t;
    // A host part that still holds a query or spaces cannot be connected to.
    if (t.host.find_first_of("?#@ \t\\[]") != std::string::npos) return t;
    for (unsigned char c : t.host)
        if (c < 0x20 || c == 0x7F) return t;
    t.transfer_url = (t.secure ? "https://" : "http://") + t.host + ":" + std::to_string(t.port);
    // Blanks and control bytes are not allowed raw in a request line.
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : t.path) {
        if (c <= 0x20 || c == 0x7F) {
            t.transfer_url += '%';
            t.transfer_url += kHex[c >> 4];
            t.transfer_url += kHex[c & 15];
        } else {
            t.transfer_url += static_cast<char>(c);
        }
    }
    t.ok = true;
    return t;
}

std::string agent_of(std::string_view headers) {
    if (!contains(headers, "User-Agent:", true)) return std::string(kDefaultAgent);
    std::string agent = value_after(headers, "User-Agent:", false);
    if (agent.empty()) agent = value_after(headers, "User-Agent:", true);
    return agent;
}

void complete_headers(std::string& headers, std::string_view url, std::string_view cookie) {
    append_defaults(headers, url);
    if (!cookie.empty()) {
        headers += "\r\nCookie: ";
        headers += header_value(cookie);
    }
}

void complete_automation_headers(std::string& headers, std::string_view url) {
    append_defaults(headers, url);
    if (!contains(headers, "User-Agent:")) {
        headers += "\r\nUser-Agent: ";
        headers += kDefaultAgent;
    }
}

std::vector<std::string> wire_lines(std::string_view completed) {
    std::vector<std::string> out;
    for_each_request_line(completed, [&](std::string_view raw) {
        std::string_view line = trim_view(raw);
        size_t colon = line.find(':');
        if (colon == std::string_view::npos) return;
        std::string_view name = trim_view(line.substr(0, colon));
        if (name.empty() || iequals(name, "User-Agent")) return;
        if (trim_view(line.substr(colon + 1)).empty())
            out.push_back(std::string(name) + ";");
        else
            out.emplace_back(line);
    });
    return out;
}

std::vector<std::pair<std::string, std::string>> automation_fields(std::string_view completed) {
    std::vector<std::pair<std::string, std::string>> fields;
    for_each_request_line(completed, [&](std::string_view raw) {
        size_t colon = raw.find(':');
        if (colon == std::string_view::npos) return;
        std::string_view name = trim_view(raw.substr(0, colon));
        std::string_view value = trim_view(raw.substr(colon + 1));
        if (name.empty()) return;
        for (auto& f : fields) {
            if (iequals(f.first, name)) {
                f.second = value;
                return;
            }
        }
        fields.emplace_back(name, value);
    });
    return fields;
}

std::string normalise_answer_headers(std::string_view block) {
    // Every spelling has the same length, so the block is rewritten in place.
    static constexpr std::string_view kName = "Set-Cookie";
    std::string out(block);
    for (size_t i = 0; i + kName.size() <= out.size(); ++i) {
        if (lower(out[i]) == 's' && iequals(std::string_view(out).substr(i, kName.size()), kName)) {
            out.replace(i, kName.size(), kName);
            i += kName.size() - 1;
        }
    }
    return out;
}

std::string collect_cookies(std::string_view answer_headers) {
    static constexpr std::string_view kName = "Set-Cookie:";
    std::string cookies;
    for_each_line(answer_headers, [&](std::string_view raw) {
        std::string_view line = trim_view(raw);
        if (line.substr(0, kName.size()) != kName) return;
        std::string_view rest = line.substr(kName.size());
        std::string_view pair = trim_view(rest.substr(0, rest.find(';')));
        if (pair.empty()) return;
        if (!cookies.empty()) cookies += "; ";
        cookies += pair;
    });
    return cookies;
}

}  // namespace quillet::http
