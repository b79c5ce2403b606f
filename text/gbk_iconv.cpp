// GBK conversions through glibc iconv ("CP936"); code page 936 itself on
// Windows (gbk_cp936.cpp).
#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "text/gbk.h"

namespace quillet {
namespace {

// Length of the UTF-8 sequence that starts with byte b (1 for a stray byte).
size_t utf8_length(unsigned char b) {
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) return 2;
    if ((b & 0xF0) == 0xE0) return 3;
    if ((b & 0xF8) == 0xF0) return 4;
    return 1;
}

// Length of the GBK character that starts with byte b.
size_t gbk_length(unsigned char b) {
    return (b >= 0x81 && b <= 0xFE) ? 2 : 1;
}

size_t utf16_length(std::string_view in, size_t pos) {
    if (pos + 1 >= in.size()) return in.size() - pos;
    auto unit = static_cast<unsigned>(static_cast<unsigned char>(in[pos])) |
                static_cast<unsigned>(static_cast<unsigned char>(in[pos + 1])) << 8;
    if (unit >= 0xD800 && unit <= 0xDBFF && pos + 3 < in.size()) return 4;
    return 2;
}

// Converts with glibc iconv; on an unconvertible or malformed character the
// replacement is written and the character skipped, so the result is never
// truncated. step(pos) tells how many input bytes one character occupies.
template <typename Step>
std::string convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement, Step step) {
    std::string out;
    if (in.empty()) return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return out;
    out.reserve(in.size() * 2);
    char buffer[4096];
    size_t pos = 0;
    while (pos < in.size()) {
        char* src = const_cast<char*>(in.data() + pos);
        size_t src_left = in.size() - pos;
        char* dst = buffer;
        size_t dst_left = sizeof buffer;
        size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
        int err = errno;
        out.append(buffer, static_cast<size_t>(dst - buffer));
        pos = in.size() - src_left;
        if (rc != static_cast<size_t>(-1)) break;
        if (err == E2BIG) continue;
        // EILSEQ (no mapping or malformed) or EINVAL (incomplete at the end).
        out.append(replacement);
        size_t skip = step(pos);
        pos += skip == 0 ? 1 : skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state (none for these encodings, but harmless).
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dst_left);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    iconv_close(cd);
    return out;
}

}  // namespace

std::string utf8_to_gbk(std::string_view utf8) {
    return convert("CP936", "UTF-8", utf8, "?", [&](size_t pos) {
        return std::min(utf8_length(static_cast<unsigned char>(utf8[pos])), utf8.size() - pos);
    });
}

std::string gbk_to_utf8(std::string_view gbk) {
    return convert("UTF-8", "CP936", gbk, "?", [&](size_t pos) {
        return std::min(gbk_length(static_cast<unsigned char>(gbk[pos])), gbk.size() - pos);
    });
}

std::string utf16_to_gbk(std::string_view utf16le) {
    size_t end = 0;
    while (end + 1 < utf16le.size() && (utf16le[end] != 0 || utf16le[end + 1] != 0)) end += 2;
    std::string_view in = utf16le.substr(0, end);
    return convert("CP936", "UTF-16LE", in, "?", [&](size_t pos) { return utf16_length(in, pos); });
}

std::string gbk_to_utf16(std::string_view gbk, bool drop_terminator) {
    std::string out =
        convert("UTF-16LE", "CP936", gbk, std::string_view("?\0", 2), [&](size_t pos) {
            return std::min(gbk_length(static_cast<unsigned char>(gbk[pos])), gbk.size() - pos);
        });
    if (!drop_terminator) out.append(2, '\0');
    return out;
}

}  // namespace quillet
