// The two stand-alone operations that run beside the views: the random
// cache-busting value and the decoding of \uXXXX escapes in server messages.
#include <cstdint>
#include <random>
#include <string>

#include "script/duk_engine.h"
#include "script/json_view.h"
#include "text/gbk.h"

namespace quillet {
namespace {

using script_detail::Engine;

void replace_all(std::string& text, std::string_view from, std::string_view to) {
    std::size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}

constexpr std::string_view kLineBreakMark = "{$}";
constexpr std::string_view kRightQuote = "\xE2\x80\x99";  // U+2019 in UTF-8

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int hex_run(std::string_view text, std::size_t pos, std::size_t digits) {
    if (pos + digits > text.size()) return -1;
    int value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        int digit = hex_value(text[pos + i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

// The built-in decoder: "%u" and four hex digits is a UTF-16 code unit,
// "%" and two hex digits a character of that code, anything else is copied,
// left to right. Works on UTF-8; surrogate pairs are joined, a lone one
// becomes U+FFFD.
std::string decode_escapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::uint32_t pending_high = 0;
    auto flush_high = [&] {
        if (pending_high != 0) append_utf8(out, 0xFFFD);
        pending_high = 0;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        int unit = -1;
        std::size_t used = 1;
        if (text[i] == '%') {
            if (i + 1 < text.size() && text[i + 1] == 'u') {
                unit = hex_run(text, i + 2, 4);
                used = 6;
            }
            if (unit < 0) {
                unit = hex_run(text, i + 1, 2);
                used = 3;
            }
        }
        if (unit < 0) {
            flush_high();
            out += text[i];
            ++i;
            continue;
        }
        auto code = static_cast<std::uint32_t>(unit);
        if (code >= 0xD800 && code <= 0xDBFF) {
            flush_high();
            pending_high = code;
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            if (pending_high != 0)
                append_utf8(out, 0x10000u + ((pending_high - 0xD800u) << 10) + (code - 0xDC00u));
            else
                append_utf8(out, 0xFFFD);
            pending_high = 0;
        } else {
            flush_high();
            append_utf8(out, code);
        }
        i += used;
    }
    flush_high();
    return out;
}

// unescape() of the text read as a single-quoted string literal, so other
// backslash sequences are the literal's escapes ("\/" gives "/"); any text
// that cannot be such a literal fails and gives the empty text.
std::string engine_unescape(const std::string& utf8) {
    auto engine = Engine::for_this_thread();
    if (!engine) return {};
    std::string program = "(function(){var x='" + utf8 + "';return unescape(x);})()";
    duk_context* ctx = engine->context();
    bool ok = engine->call(
        ctx,
        [](duk_context* c, void* udata) -> duk_ret_t {
            auto* source = static_cast<const std::string*>(udata);
            duk_eval_lstring(c, source->data(), source->size());
            script_detail::to_result_text(c);
            return 1;
        },
        &program, 0, 1);
    if (!ok) {
        duk_pop(ctx);
        return {};
    }
    duk_size_t size = 0;
    const char* text = duk_get_lstring(ctx, -1, &size);
    std::string out = text != nullptr ? script_detail::engine_utf8(text, size) : std::string();
    duk_pop(ctx);
    return out;
}

}  // namespace

std::string make_random_token() {
    // "0." and 15 digits, the first and the last non-zero: the shape of a
    // random fraction written with 15 significant digits and no trailing
    // zero, drawn uniformly among such texts.
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<int> any_digit(0, 9);
    std::uniform_int_distribution<int> non_zero(1, 9);
    std::string token = "0.";
    token += static_cast<char>('0' + non_zero(generator));
    for (int i = 0; i < 13; ++i) token += static_cast<char>('0' + any_digit(generator));
    token += static_cast<char>('0' + non_zero(generator));
    return token;
}

std::string unescape_unicode(std::string_view text) {
    // Worked on as UTF-8: in GBK a backslash byte can be the second byte of
    // a character, which a byte-wise "\u" search would split.
    std::string work = script_detail::to_engine(text);
    replace_all(work, "\r\n", kLineBreakMark);  // a literal cannot hold a line break
    if (!work.empty() && work.front() == '\r') work.erase(0, 1);
    replace_all(work, "\\u", "%u");
    replace_all(work, "'", kRightQuote);  // so the text cannot end the literal
    std::string result = engine_unescape(work);
    if (result.empty()) result = decode_escapes(work);
    replace_all(result, kRightQuote, "'");
    replace_all(result, kLineBreakMark, "\r\n");
    return script_detail::from_engine(result.data(), result.size());
}

}  // namespace quillet
