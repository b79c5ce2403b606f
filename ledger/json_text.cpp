#include "ledger/json_text.h"

#include <cstdio>

namespace quillet {
namespace {

// Length of the valid UTF-8 sequence starting at s[i]; 0 when broken.
size_t utf8_length(std::string_view s, size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n = 0;
    unsigned min = 0;
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) {
        n = 2;
        min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3;
        min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    unsigned cp = b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

std::string json_quote(std::string_view utf8) {
    std::string out = "\"";
    for (size_t i = 0; i < utf8.size();) {
        const char c = utf8[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20 || u == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else if (u >= 0x80) {
            const size_t n = utf8_length(utf8, i);
            if (n == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
                continue;
            }
            out.append(utf8.substr(i, n));
            i += n;
            continue;
        } else {
            out += c;
        }
        ++i;
    }
    return out + "\"";
}

}  // namespace quillet
