#pragma once
// The text side of a request and its answer, kept apart from the transfer so
// it can be checked without a network: the user agent a header text names,
// the default header lines, the lines that go on the wire, and the cookies of
// an answer's header block.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet::http {

inline constexpr std::string_view kDefaultAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
inline constexpr std::string_view kHelperAgentLine =
    "\r\nUser-Agent:Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 10.0) QQBrowser/6.0\r\n";

// "GET", "POST" or "HEAD"; any other method number is a GET.
std::string_view method_text(int method);
int normalised_method(int method);
// The address is secure when its first five characters, lower-cased, are "https".
bool is_secure(std::string_view url);

// Where a request goes: host without port, port, path with query, and the
// address handed to the transfer (scheme://host:port/path). ok is false when
// the address has no usable host or port.
struct Target {
    bool ok = false;
    bool secure = false;
    std::string host;
    int port = 0;
    std::string path;
    std::string transfer_url;
};
Target target_of(std::string_view url);

// The user agent a header text asks for: the value of its User-Agent line
// (the exact spelling first, then any letter case), never more than that one
// line; the default agent when the text has no such line.
std::string agent_of(std::string_view headers);

// A value made fit for one header line: CR, LF and the other control bytes
// (tab excepted) are dropped, so a value taken from a file, an answer or the
// user can never start a header line of its own.
std::string header_value(std::string_view value);

// Completes a header text with the default lines (Accept, Referer,
// Accept-Language, Content-Type) and, when cookie is not empty, the Cookie line.
// The Referer (the address) and the cookie go in as one-line values.
void complete_headers(std::string& headers, std::string_view url, std::string_view cookie);
// The automation variant: the same defaults, no Cookie line, and a default
// User-Agent line when the text has none.
void complete_automation_headers(std::string& headers, std::string_view url);

// The header lines a completed text puts on the wire, in order: its non-empty
// lines that have a name, without User-Agent lines (the agent is sent once, as
// the request's own agent). A line with an empty value is kept as "Name;" so it
// still goes out as an empty header.
std::vector<std::string> wire_lines(std::string_view completed);

// The automation variant's header fields: each non-empty line as (name, value),
// both trimmed; a later field of the same name (any letter case) replaces the
// earlier one in its place.
std::vector<std::pair<std::string, std::string>> automation_fields(std::string_view completed);

// Writes every spelling of "Set-Cookie" in an answer header block as "Set-Cookie".
std::string normalise_answer_headers(std::string_view block);
// The name=value pairs of the Set-Cookie lines of a (normalised) header block,
// in header order, joined by "; ", without attributes.
std::string collect_cookies(std::string_view answer_headers);

}  // namespace quillet::http
