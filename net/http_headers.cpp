#include "net/http_headers.h"

#include "text/text_ops.h"

namespace quillet::http {
namespace {

bool iequals(std::string_view a, std::string_view b) {
    return a.size() == b.size() && to_lower_ascii(a) == to_lower_ascii(b);
}

// The lines of a header text. Any CR or LF ends a line: a bare one inside a
// line would otherwise split a header on the wire behind our back.
std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

// The trimmed rest of the line after the first occurrence of marker; empty
// when the marker is absent.
std::string value_after(std::string_view text, std::string_view marker, bool ignore_case) {
    int at = find_text(text, marker, 1, ignore_case);
    if (at < 0) return {};
    size_t begin = static_cast<size_t>(at - 1) + marker.size();
    size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = text.size();
    return trim(text.substr(begin, end - begin));
}

void append_defaults(std::string& headers, std::string_view url) {
    if (headers.empty())
        headers = "Accept: */*";
    else if (!contains(headers, "Accept:"))
        headers += "\r\nAccept: */*";
    if (!contains(headers, "Referer:")) {
        headers += "\r\nReferer: ";
        headers += url;
    }
    if (!contains(headers, "Accept-Language:")) headers += "\r\nAccept-Language: zh-cn";
    if (!contains(headers, "Content-Type:"))
        headers += "\r\nContent-Type: application/x-www-form-urlencoded";
}

}  // namespace

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
    t.host = url_host(url);
    t.port = url_port(url);
    // The path runs from the first "/" after the scheme's "//" (searching for
    // the host name itself could find it inside the scheme).
    size_t scheme = url.find("://");
    size_t slash = url.find('/', scheme == std::string_view::npos ? 0 : scheme + 3);
    t.path = slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
    if (t.host.empty() || t.port < 1 || t.port > 65535) return t;
    // A host part that still holds a query or spaces cannot be connected to.
    if (t.host.find_first_of("?#@ \t\\[]") != std::string::npos) return t;
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
        headers += cookie;
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
    for (std::string_view raw : lines_of(completed)) {
        std::string line = trim(raw);
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = trim(std::string_view(line).substr(0, colon));
        if (name.empty() || iequals(name, "User-Agent")) continue;
        if (trim(std::string_view(line).substr(colon + 1)).empty())
            out.push_back(name + ";");
        else
            out.push_back(std::move(line));
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> automation_fields(std::string_view completed) {
    std::vector<std::pair<std::string, std::string>> fields;
    for (std::string_view raw : lines_of(completed)) {
        size_t colon = raw.find(':');
        if (colon == std::string_view::npos) continue;
        std::string name = trim(raw.substr(0, colon));
        std::string value = trim(raw.substr(colon + 1));
        if (name.empty()) continue;
        bool replaced = false;
        for (auto& f : fields) {
            if (iequals(f.first, name)) {
                f.second = std::move(value);
                replaced = true;
                break;
            }
        }
        if (!replaced) fields.emplace_back(std::move(name), std::move(value));
    }
    return fields;
}

std::string normalise_answer_headers(std::string_view block) {
    return replace_all_ignore_case(block, "Set-Cookie", "Set-Cookie");
}

std::string collect_cookies(std::string_view answer_headers) {
    static constexpr std::string_view kName = "Set-Cookie:";
    std::string cookies;
    for (const std::string& line : split(answer_headers, "\r\n")) {
        std::string t = trim(line);
        if (!starts_with(t, kName)) continue;
        std::string_view rest = std::string_view(t).substr(kName.size());
        std::string pair = trim(rest.substr(0, rest.find(';')));
        if (pair.empty()) continue;
        if (!cookies.empty()) cookies += "; ";
        cookies += pair;
    }
    return cookies;
}

}  // namespace quillet::http
