#pragma once
// The one way the program talks HTTP. Requests look like a browser's (fixed
// default header lines, a browser user agent, the address as Referer), carry
// the caller's cookie text and fold the answer's Set-Cookie values into it.
// No operation throws or reports an error: a failure is an empty answer.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "net/cookie_var.h"
#include "net/hosts.h"

namespace quillet {
namespace http {
struct Plan;
struct Answer;
}  // namespace http

struct HttpRequest {
    std::string url;
    int method = 0;  // 0 GET, 1 POST, 2 HEAD; anything else GET
    std::string body;
    // The caller's cookie variable; "passed" when not null (even if empty):
    // then no platform cookie is used and the answer's cookies merge into it.
    CookieVar* cookie = nullptr;
    std::string headers;  // extra header lines, CR LF separated
    bool no_redirect = false;
    std::string byte_body;  // sent instead of body when not empty
    std::string proxy;      // host:port of an HTTP proxy
    // Automation variant only.
    int timeout_s = 0;  // -1 service defaults, < 1 15 s, else seconds
    std::string proxy_user, proxy_password;
    int proxy_flag = 1;
};

struct HttpResponse {
    std::string body;             // raw answer bytes (possibly empty)
    std::string answer_cookies;   // "a=1; b=2"
    std::string request_headers;  // the request header text as completed and sent
    std::string answer_headers;   // raw answer header block, CR LF separated
    int status = 0;               // status code (automation variant)
};

struct HttpOptions {
    int connect_timeout_ms = 15000;
    int stall_timeout_ms = 30000;  // no byte for this long: the request fails
    int64_t max_body_bytes = 32LL * 1024 * 1024;
    Routing routing;      // connect-to rules
    std::string ca_file;  // extra CA bundle (tests with a loopback TLS server)
};

class IniFile;
// Reads the timeouts of section "net" of the configuration file
// (connect_timeout_ms, stall_timeout_ms) into options; absent or unreadable
// entries keep the defaults, values below 100 ms are raised to 100 ms. And
// ca_file: the certificate bundle (PEM file) to trust instead of the system's.
void load_network_settings(HttpOptions& options, const IniFile& config);

class HttpClient {
  public:
    explicit HttpClient(HttpOptions options = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpResponse request(const HttpRequest& request);
    HttpResponse request_automation(const HttpRequest& request);

    // GET / POST with the helper user-agent line appended to headers (in place
    // when given); the cookie always counts as passed (a temporary when null).
    // utf8: the answer is converted UTF-8 -> GBK, else taken as GBK up to the
    // first NUL byte.
    std::string get_text(const std::string& url, bool utf8, CookieVar* cookie = nullptr,
                         std::string* headers = nullptr);
    std::string post_text(const std::string& url, const std::string& body, bool utf8,
                          CookieVar* cookie = nullptr, std::string* headers = nullptr);
    // GET with every parameter defaulted (no cookie): the answer bytes.
    std::string get_bytes(const std::string& url);

    const HttpOptions& options() const;

  private:
    // Runs one transfer on the engine this build was made with (libcurl or
    // WinHTTP); false when nothing usable was answered.
    bool perform(const http::Plan& plan, http::Answer& answer);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Decodes an answer as the text helpers do.
std::string decode_answer(std::string_view bytes, bool utf8);

}  // namespace quillet
