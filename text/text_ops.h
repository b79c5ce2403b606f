#pragma once
// The small text primitives every request builder and answer reader uses.
// Texts are GBK byte strings. Positions are 1-based at this interface and a
// failed search gives -1; letter-case rules apply to ASCII letters only.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet {

// --- searching -------------------------------------------------------------
// 1-based position of marker in text, searching from start (values <= 0 mean
// 1); -1 when absent. An empty marker is never found.
int find_text(std::string_view text, std::string_view marker, int start = 1,
              bool ignore_case = false);
// 1-based position of the last occurrence of marker; -1 when absent.
int find_last(std::string_view text, std::string_view marker);
bool contains(std::string_view text, std::string_view marker, bool ignore_case = false);
bool starts_with(std::string_view text, std::string_view prefix);
bool ends_with(std::string_view text, std::string_view suffix);

// --- rewriting -------------------------------------------------------------
std::string replace_all(std::string_view text, std::string_view from, std::string_view to);
std::string replace_all_ignore_case(std::string_view text, std::string_view from,
                                    std::string_view to);
// Removes every CR LF pair (templates are stored with them between fields).
std::string remove_crlf(std::string_view text);
std::string to_lower_ascii(std::string_view text);
std::string to_upper_ascii(std::string_view text);
// Trims blanks (space, tab, CR, LF) on both ends.
std::string trim(std::string_view text);
std::string_view trim_view(std::string_view text);
// Splits at every occurrence of sep; an empty text gives one empty piece.
std::vector<std::string> split(std::string_view text, std::string_view sep);
std::string join(const std::vector<std::string>& parts, std::string_view sep);

// --- templates and markers -------------------------------------------------
using TemplateValue = std::pair<std::string_view, std::string_view>;
// Replaces every "#{name}" by its value, pair by pair in the caller's order;
// values go in unchanged and unknown placeholders stay.
std::string fill_template(std::string_view tmpl, std::initializer_list<TemplateValue> values);
std::string fill_template(std::string_view tmpl, const std::vector<std::pair<std::string, std::string>>& values);

// The text between the left and the right marker, the right one searched after
// the left one; empty when either is missing. "#引号" in a marker stands for a
// double quote.
std::string text_between(std::string_view text, std::string_view left, std::string_view right,
                         int start = 1, bool ignore_case = false);
// The text left of marker; empty when marker is absent.
std::string text_before(std::string_view text, std::string_view marker, int start = 1,
                        bool ignore_case = false);
// The text after the last occurrence of marker; empty when absent.
std::string text_after_last(std::string_view text, std::string_view marker);

// --- addresses -------------------------------------------------------------
std::string url_host(std::string_view address, bool keep_port = false,
                     bool main_domain_only = false);
int url_port(std::string_view address);
std::string url_path(std::string_view address);

// --- numbers and tokens ----------------------------------------------------
// The request token of an skey: 5381-seeded hash with 32-bit wrap-around,
// masked to 31 bits, in decimal.
std::string compute_g_tk(std::string_view skey);
// Leading decimal digits with an optional sign; 0 when there are none.
// Saturates instead of overflowing.
int64_t int_of_text(std::string_view text);
int32_t int32_of_text(std::string_view text);
// Upper-cases and reads base 16; a character outside 0-9A-F is not rejected:
// it contributes -2 (its place in "0123456789ABCDEF", counted from 0, is a
// miss), so any text gives a number and never an error.
int64_t hex_to_int(std::string_view text);
// A TCP port as typed: 1 to 5 decimal digits and nothing else, at most 65535
// (0 included); -1 for anything else.
int port_of_text(std::string_view text);

// Every byte becomes "%" and two upper-case hex digits: "abc" -> "%61%62%63".
std::string percent_encode(std::string_view bytes);
// Decodes %XX (either letter case); "+" stays. A "%" without two hex digits
// after it is copied as it is. With as_utf8 the bytes are then read as UTF-8
// and converted to GBK.
std::string percent_decode(std::string_view text, bool as_utf8);

}  // namespace quillet
