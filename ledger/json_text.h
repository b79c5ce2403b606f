#pragma once
// A JSON string literal of a UTF-8 text, for the ledger's and the summary's
// one-object-per-line output.
#include <string>
#include <string_view>

namespace quillet {

// "\"...\"" with quotes, backslashes and control characters escaped; bytes
// of broken UTF-8 become U+FFFD so the line stays valid JSON.
std::string json_quote(std::string_view utf8);

}  // namespace quillet
