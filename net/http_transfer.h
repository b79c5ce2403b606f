#pragma once
// What the request operations hand to the transfer engine (libcurl on Linux,
// WinHTTP on Windows, chosen at build time) and what they get back. Internal
// to net/.
#include <string>
#include <vector>

#include "net/http_client.h"

namespace quillet::http {

struct Plan {
    std::string url;                         // scheme://host:port/path as target_of gives it
    int method = 0;                          // normalised: 0 GET, 1 POST, 2 HEAD
    const std::string* send_body = nullptr;  // null: no body
    // Our header lines in order, as wire_lines gives them: "Name: value", or
    // "Name;" for a line with an empty value. The engine adds none of its own
    // that it can leave out.
    std::vector<std::string> lines;
    const std::string* agent = nullptr;  // null: the header lines carry it
    std::string proxy;                   // host:port
    std::string proxy_user, proxy_password;
    bool server_credentials = false;  // the credentials are the server's, not the proxy's
    bool no_redirect = false;
    bool decode = false;  // the header lines carry an Accept-Encoding line
    int connect_ms = 0;
    int stall_ms = 0;
};

struct Answer {
    std::string body;
    // The raw header block of the final answer (CR LF lines, the status line first).
    std::string header_block;
    // The Set-Cookie lines of the redirects that led to it, in order.
    std::string redirect_headers;
    long status = 0;
};

// A header block larger than this is hostile, not an answer.
inline constexpr size_t kMaxHeaderBlock = 1024 * 1024;
// Redirects followed for one request.
inline constexpr int kMaxRedirects = 20;

}  // namespace quillet::http
