#pragma once
// The two clean-up scripts run in a manual activity page after it has loaded:
// one removes the elements a selector matches, the other scrolls once to the
// first element a selector matches. The selectors come from the vendor's menu
// file over plain HTTP and the scripts run inside signed-in publisher pages,
// so a selector goes in only as the contents of one escaped string literal.
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// The body of a single- or double-quoted script string literal whose value is
// the GBK text: backslash, both quotes, line ends (CR, LF, U+2028, U+2029) and
// every other control character are escaped, "<" becomes \x3C (so neither
// "</script" nor "<!--" can appear) and every non-ASCII character is written
// as \uXXXX, which keeps the script plain ASCII whatever the page's encoding.
// Bytes that are not valid GBK come out as "?".
std::string script_string_body(std::string_view gbk_text);

// Whether a selector may be handed to the page's $(): it is not empty and
// holds no "<" ($() reads text with a tag in it as HTML to build, which would
// run the markup's handlers).
bool usable_selector(std::string_view selector);

// "$('" + selector + "').remove();" with the selector escaped; nullopt when the
// selector is not usable.
std::optional<std::string> remove_script(std::string_view selector);
// The 15-line scroll script (lines joined by CR LF) ending in
// "mScroll('" + selector + "');"; nullopt when the selector is not usable.
std::optional<std::string> scroll_script(std::string_view selector);

}  // namespace quillet
