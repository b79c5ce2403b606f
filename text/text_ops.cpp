#include "text/text_ops.h"

#include <algorithm>
#include <limits>

#include "text/gbk.h"

namespace quillet {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// 0-based index of marker at or after from; npos when absent.
size_t find0(std::string_view text, std::string_view marker, size_t from, bool ignore_case) {
    if (marker.empty() || from > text.size() || marker.size() > text.size() - from)
        return std::string_view::npos;
    if (!ignore_case) return text.find(marker, from);
    auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                          marker.begin(), marker.end(),
                          [](char a, char b) { return lower(a) == lower(b); });
    return it == text.end() ? std::string_view::npos : static_cast<size_t>(it - text.begin());
}

size_t start_index(int start) { return start <= 1 ? 0 : static_cast<size_t>(start - 1); }

// "#引号" (GBK) stands for a double quote inside markers.
const std::string_view kQuoteWord = "#\xD2\xFD\xBA\xC5";

int hex_digit(char c) {
    c = upper(c);
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Lower-cased address with a trailing "/", and its host part (with port).
struct SplitAddress {
    std::string lowered;
    std::string host_part;
};

SplitAddress split_address(std::string_view address) {
    SplitAddress s;
    s.lowered = to_lower_ascii(address);
    if (!ends_with(s.lowered, "/")) s.lowered += '/';
    std::string_view scheme = "https://";
    std::string work = s.lowered;
    if (!starts_with(work, "https://")) {
        scheme = "http://";
        if (!contains(work, "http://")) work = "http://" + work;
    }
    s.host_part = text_between(work, scheme, "/");
    return s;
}

}  // namespace

int find_text(std::string_view text, std::string_view marker, int start, bool ignore_case) {
    size_t at = find0(text, marker, start_index(start), ignore_case);
    return at == std::string_view::npos ? -1 : static_cast<int>(at) + 1;
}

int find_last(std::string_view text, std::string_view marker) {
    if (marker.empty()) return -1;
    size_t at = text.rfind(marker);
    return at == std::string_view::npos ? -1 : static_cast<int>(at) + 1;
}

bool contains(std::string_view text, std::string_view marker, bool ignore_case) {
    return find0(text, marker, 0, ignore_case) != std::string_view::npos;
}

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool ends_with(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t at; (at = text.find(from, pos)) != std::string_view::npos; pos = at + from.size()) {
        out.append(text.substr(pos, at - pos));
        out.append(to);
    }
    out.append(text.substr(pos));
    return out;
}

std::string replace_all_ignore_case(std::string_view text, std::string_view from,
                                    std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    size_t pos = 0;
    for (size_t at; (at = find0(text, from, pos, true)) != std::string_view::npos;
         pos = at + from.size()) {
        out.append(text.substr(pos, at - pos));
        out.append(to);
    }
    out.append(text.substr(pos));
    return out;
}

std::string remove_crlf(std::string_view text) { return replace_all(text, "\r\n", ""); }

std::string to_lower_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lower(c);
    return out;
}

std::string to_upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upper(c);
    return out;
}

std::string_view trim_view(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    size_t b = 0, e = text.size();
    while (b < e && blank(text[b])) ++b;
    while (e > b && blank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

std::string trim(std::string_view text) { return std::string(trim_view(text)); }

std::vector<std::string> split(std::string_view text, std::string_view sep) {
    std::vector<std::string> parts;
    if (sep.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    size_t pos = 0;
    for (size_t at; (at = text.find(sep, pos)) != std::string_view::npos; pos = at + sep.size())
        parts.emplace_back(text.substr(pos, at - pos));
    parts.emplace_back(text.substr(pos));
    return parts;
}

std::string join(const std::vector<std::string>& parts, std::string_view sep) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out.append(sep);
        out.append(parts[i]);
    }
    return out;
}

std::string fill_template(std::string_view tmpl, std::initializer_list<TemplateValue> values) {
    std::string out(tmpl);
    for (const auto& [name, value] : values)
        out = replace_all(out, "#{" + std::string(name) + "}", value);
    return out;
}

std::string fill_template(std::string_view tmpl,
                          const std::vector<std::pair<std::string, std::string>>& values) {
    std::string out(tmpl);
    for (const auto& [name, value] : values) out = replace_all(out, "#{" + name + "}", value);
    return out;
}

std::string text_between(std::string_view text, std::string_view left, std::string_view right,
                         int start, bool ignore_case) {
    std::string l = replace_all(left, kQuoteWord, "\"");
    std::string r = replace_all(right, kQuoteWord, "\"");
    size_t at = find0(text, l, start_index(start), ignore_case);
    if (at == std::string_view::npos) return {};
    size_t content = at + l.size();
    size_t end = find0(text, r, content, ignore_case);
    if (end == std::string_view::npos) return {};
    return std::string(text.substr(content, end - content));
}

std::string text_before(std::string_view text, std::string_view marker, int start,
                        bool ignore_case) {
    size_t at = find0(text, marker, start_index(start), ignore_case);
    if (at == std::string_view::npos) return {};
    return std::string(text.substr(0, at));
}

std::string text_after_last(std::string_view text, std::string_view marker) {
    int at = find_last(text, marker);
    if (at < 0) return {};
    return std::string(text.substr(static_cast<size_t>(at - 1) + marker.size()));
}

std::string url_host(std::string_view address, bool keep_port, bool main_domain_only) {
    std::string host = split_address(address).host_part;
    if (main_domain_only) {
        auto labels = split(host, ".");
        if (labels.size() >= 2)
            host = labels[labels.size() - 2] + "." + labels[labels.size() - 1];
    }
    if (!keep_port) {
        size_t colon = host.find(':');
        if (colon != std::string::npos) host.resize(colon);
    }
    return host;
}

int url_port(std::string_view address) {
    SplitAddress s = split_address(address);
    size_t colon = s.host_part.rfind(':');
    if (colon == std::string::npos) return starts_with(s.lowered, "https") ? 443 : 80;
    return int32_of_text(std::string_view(s.host_part).substr(colon + 1));
}

std::string url_path(std::string_view address) {
    std::string host = url_host(address, true);
    size_t at = find0(address, host, 0, true);
    if (host.empty() || at == std::string_view::npos) return "/";
    size_t slash = address.find('/', at + host.size());
    if (slash == std::string_view::npos) return "/";
    return std::string(address.substr(slash));
}

std::string compute_g_tk(std::string_view skey) {
    uint32_t h = 5381;
    for (char c : skey) h = h + (h << 5) + static_cast<unsigned char>(c);
    return std::to_string(h & 0x7FFFFFFFu);
}

int64_t int_of_text(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int64_t value = 0;
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int digit = text[i] - '0';
        if (value > (kMax - digit) / 10) {
            value = kMax;
            break;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

int32_t int32_of_text(std::string_view text) {
    int64_t v = int_of_text(text);
    v = std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(v);
}

int64_t hex_to_int(std::string_view text) {
    uint64_t v = 0;  // unsigned arithmetic: long inputs wrap instead of overflowing
    for (char c : text) {
        int d = hex_digit(c);
        v = v * 16 + static_cast<uint64_t>(static_cast<int64_t>(d < 0 ? -2 : d));
    }
    return static_cast<int64_t>(v);
}

int port_of_text(std::string_view text) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string_view::npos)
        return -1;
    const int64_t v = int_of_text(text);
    return v <= 65535 ? static_cast<int>(v) : -1;
}

std::string percent_encode(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char b : bytes) {
        out += '%';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string percent_decode(std::string_view text, bool as_utf8) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 &&
            hex_digit(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return as_utf8 ? utf8_to_gbk(out) : out;
}

}  // namespace quillet
