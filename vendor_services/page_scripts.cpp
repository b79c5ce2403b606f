#include "vendor_services/page_scripts.h"

#include <cstdint>
#include <cstdio>

#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

constexpr std::string_view kRemoveTemplate = "$('#{Remove}').remove();";

constexpr std::string_view kScrollLines[] = {
    "function mScroll(id) {",
    "  if(!_mScroll && $(id).length > 0){",
    " _mScroll = true;",
    "  $('html,body').stop(true);",
    "  $('html,body').animate({",
    "    scrollTop: $(id).offset().top",
    "  }, 1000,null,function(){",
    "});",
    "}",
    " ",
    "}",
    "if(typeof _mScroll==\"undefined\"){",
    "_mScroll = false;",
    "}",
    "mScroll('#{Scroll}');",
};

std::string scroll_template() {
    std::string out;
    for (size_t i = 0; i < std::size(kScrollLines); ++i) {
        if (i) out += "\r\n";
        out += kScrollLines[i];
    }
    return out;
}

void append_u16(std::string& out, uint32_t unit) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(unit & 0xFFFF));
    out += buf;
}

// Decodes one UTF-8 sequence at text[i]; advances i. The text comes from the
// GBK converter, so it is well formed; anything odd still yields U+FFFD.
uint32_t next_code_point(std::string_view text, size_t& i) {
    auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    uint8_t b0 = byte(i);
    int extra = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : 0;
    if (b0 >= 0x80 && extra == 0) {
        ++i;
        return 0xFFFD;
    }
    if (extra && i + static_cast<size_t>(extra) >= text.size()) {
        i = text.size();
        return 0xFFFD;
    }
    uint32_t cp = extra == 0   ? b0
                  : extra == 1 ? (b0 & 0x1F)
                  : extra == 2 ? (b0 & 0x0F)
                               : (b0 & 0x07);
    for (int k = 1; k <= extra; ++k) {
        uint8_t b = byte(i + static_cast<size_t>(k));
        if ((b & 0xC0) != 0x80) {
            i += static_cast<size_t>(k);
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += static_cast<size_t>(extra) + 1;
    return cp;
}

}  // namespace

std::string script_string_body(std::string_view gbk_text) {
    const std::string utf8 = gbk_to_utf8(gbk_text);
    std::string out;
    out.reserve(utf8.size() + 8);
    size_t i = 0;
    while (i < utf8.size()) {
        uint32_t cp = next_code_point(utf8, i);
        switch (cp) {
            case '\\':
                out += "\\\\";
                continue;
            case '\'':
                out += "\\'";
                continue;
            case '"':
                out += "\\\"";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '<':
                out += "\\x3C";
                continue;
            default:
                break;
        }
        if (cp >= 0x20 && cp < 0x7F) {
            out += static_cast<char>(cp);
        } else if (cp < 0x10000) {
            append_u16(out, cp);  // controls, DEL, U+2028/2029 and all non-ASCII
        } else {
            cp -= 0x10000;
            append_u16(out, 0xD800 + (cp >> 10));
            append_u16(out, 0xDC00 + (cp & 0x3FF));
        }
    }
    return out;
}

bool usable_selector(std::string_view selector) {
    return !selector.empty() && selector.find('<') == std::string_view::npos;
}

std::optional<std::string> remove_script(std::string_view selector) {
    if (!usable_selector(selector)) return std::nullopt;
    return replace_all(kRemoveTemplate, "#{Remove}", script_string_body(selector));
}

std::optional<std::string> scroll_script(std::string_view selector) {
    if (!usable_selector(selector)) return std::nullopt;
    return replace_all(scroll_template(), "#{Scroll}", script_string_body(selector));
}

}  // namespace quillet
