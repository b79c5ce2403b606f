// GBK conversions through Windows' own code page 936, giving the bytes glibc's
// CP936 gives. The system turns a character it cannot map into one "?" per
// UTF-16 unit, and stops at nothing: a text that does not convert cleanly as a
// whole is converted one character at a time, so each bad or unmappable
// character becomes exactly one "?", as it does on Linux.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "text/gbk.h"

namespace quillet {
namespace {

constexpr UINT kGbk = 936;

size_t gbk_length(unsigned char b) {
    return (b >= 0x81 && b <= 0xFE) ? 2 : 1;
}

size_t utf8_length(unsigned char b) {
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) return 2;
    if ((b & 0xF0) == 0xE0) return 3;
    if ((b & 0xF8) == 0xF0) return 4;
    return 1;
}

// The code point of the UTF-8 sequence at pos, or -1 when it is malformed,
// overlong, a surrogate or past U+10FFFF. used: the bytes it takes (a
// malformed sequence takes the length its first byte announces).
long decode_utf8(std::string_view in, size_t pos, size_t& used) {
    auto lead = static_cast<unsigned char>(in[pos]);
    size_t n = utf8_length(lead);
    used = std::min(n, in.size() - pos);
    if (n == 1) return lead < 0x80 ? lead : -1;
    if (in.size() - pos < n) return -1;
    static constexpr unsigned long kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    unsigned long cp = lead & (0x7F >> n);
    for (size_t i = 1; i < n; ++i) {
        auto b = static_cast<unsigned char>(in[pos + i]);
        if ((b & 0xC0) != 0x80) return -1;
        cp = cp << 6 | (b & 0x3F);
    }
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
    return static_cast<long>(cp);
}

void append_units(std::wstring& out, unsigned long cp) {
    if (cp < 0x10000) {
        out += static_cast<wchar_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 | (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 | (cp & 0x3FF));
    }
}

// UTF-16 -> GBK of a whole text; false when any character did not map.
bool wide_to_gbk(std::wstring_view wide, std::string& out) {
    if (wide.empty()) return true;
    int n = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(),
                                static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    std::string bytes(static_cast<size_t>(n), '\0');
    BOOL used_default = FALSE;
    WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        bytes.data(), n, "?", &used_default);
    if (used_default) return false;
    out += bytes;
    return true;
}

// GBK -> UTF-16 of a whole text; false when any byte sequence is not GBK.
bool gbk_to_wide_whole(std::string_view gbk, std::wstring& out) {
    if (gbk.empty()) return true;
    int n = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data(),
                                static_cast<int>(gbk.size()), nullptr, 0);
    if (n <= 0) return false;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()),
                        wide.data(), n);
    out += wide;
    return true;
}

// A whole text of characters, each given as its UTF-16 units: converted in
// one call when it can be, otherwise one character at a time.
std::string chars_to_gbk(const std::wstring& wide, const std::vector<size_t>& starts) {
    std::string out;
    if (wide_to_gbk(wide, out)) return out;
    out.clear();
    for (size_t i = 0; i < starts.size(); ++i) {
        size_t begin = starts[i], end = i + 1 < starts.size() ? starts[i + 1] : wide.size();
        std::wstring_view one(wide.data() + begin, end - begin);
        // A lone surrogate or an unmapped character.
        if (one.empty() || (one.size() == 1 && one[0] >= 0xD800 && one[0] <= 0xDFFF) ||
            !wide_to_gbk(one, out))
            out += '?';
    }
    return out;
}

std::wstring gbk_to_wide(std::string_view gbk) {
    std::wstring out;
    if (gbk_to_wide_whole(gbk, out)) return out;
    out.clear();
    for (size_t pos = 0; pos < gbk.size();) {
        size_t n = std::min(gbk_length(static_cast<unsigned char>(gbk[pos])), gbk.size() - pos);
        if (!gbk_to_wide_whole(gbk.substr(pos, n), out)) out += L'?';
        pos += n;
    }
    return out;
}

}  // namespace

std::string utf8_to_gbk(std::string_view utf8) {
    // Malformed sequences are "?" already; the rest is mapped as one text.
    std::wstring wide;
    std::vector<size_t> starts;
    wide.reserve(utf8.size());
    starts.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        size_t used = 1;
        long cp = decode_utf8(utf8, pos, used);
        starts.push_back(wide.size());
        append_units(wide, cp < 0 ? '?' : static_cast<unsigned long>(cp));
        pos += used;
    }
    return chars_to_gbk(wide, starts);
}

std::string gbk_to_utf8(std::string_view gbk) {
    std::wstring wide = gbk_to_wide(gbk);
    std::string out;
    out.reserve(wide.size() * 3);
    for (size_t i = 0; i < wide.size(); ++i) {
        unsigned long cp = static_cast<unsigned long>(wide[i]);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<unsigned long>(wide[++i]) - 0xDC00);
        append_utf8(out, static_cast<std::uint32_t>(cp));
    }
    return out;
}

std::string utf16_to_gbk(std::string_view utf16le) {
    std::wstring wide;
    std::vector<size_t> starts;
    for (size_t pos = 0; pos + 1 < utf16le.size(); pos += 2) {
        auto unit = static_cast<wchar_t>(static_cast<unsigned char>(utf16le[pos]) |
                                         static_cast<unsigned char>(utf16le[pos + 1]) << 8);
        if (unit == 0) break;
        // The low half of a pair belongs to the character its high half started.
        bool low_after_high = unit >= 0xDC00 && unit <= 0xDFFF && !wide.empty() &&
                              wide.back() >= 0xD800 && wide.back() <= 0xDBFF &&
                              starts.back() == wide.size() - 1;
        if (!low_after_high) starts.push_back(wide.size());
        wide += unit;
    }
    return chars_to_gbk(wide, starts);
}

std::string gbk_to_utf16(std::string_view gbk, bool drop_terminator) {
    std::wstring wide = gbk_to_wide(gbk);
    std::string out;
    out.reserve(wide.size() * 2 + 2);
    for (wchar_t unit : wide) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>((unit >> 8) & 0xFF);
    }
    if (!drop_terminator) out.append(2, '\0');
    return out;
}

}  // namespace quillet
