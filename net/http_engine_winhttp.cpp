// The HTTP engine over WinHTTP (the Windows build). It behaves as the libcurl
// engine does, with what WinHTTP itself adds to a request that no option
// removes: its User-Agent line (from the session's agent), Host,
// "Connection: Keep-Alive" and, with a body, Content-Length, all after our
// own lines. WinHTTP's own cookie handling and its redirects are switched off:
// we follow redirects here, so the cookies every answer sets reach the caller.
// Answers are inflated with zlib (WinHTTP's decompression is not there on
// every system that runs us).
#include <windows.h>
#include <winhttp.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "net/http_headers.h"
#include "net/http_transfer.h"
#include "net/stop_signal.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

// Header text is bytes: each byte goes over as the code unit of the same value
// and comes back the same way, whatever the system's code page.
std::wstring widen(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (char c : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}

std::string narrow(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (wchar_t c : wide) out += c < 0x100 ? static_cast<char>(c) : '?';
    return out;
}

struct HandleCloser {
    void operator()(void* h) const {
        if (h) WinHttpCloseHandle(h);
    }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// scheme://host:port/path, as the request operations hand it over.
struct Where {
    bool ok = false;
    bool secure = false;
    std::string host;
    int port = 0;
    std::string path;
};

Where where_of(std::string_view url) {
    Where w;
    http::Target t = http::target_of(url);
    if (!t.ok) return w;
    w.ok = true;
    w.secure = t.secure;
    w.host = t.host;
    w.port = t.port;
    size_t slash = t.transfer_url.find('/', t.transfer_url.find("://") + 3);
    // WinHTTP sends a path's characters as UTF-8: a byte past ASCII (a GBK
    // query value) goes as its escape instead, which the server reads back
    // as the same byte.
    const std::string raw = slash == std::string::npos ? "/" : t.transfer_url.substr(slash);
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            w.path += c;
        } else {
            w.path += '%';
            w.path += kHex[b >> 4];
            w.path += kHex[b & 15];
        }
    }
    return w;
}

// Where a Location value leads from the address that answered it.
std::string redirect_target(const Where& from, std::string_view location) {
    std::string lower = to_lower_ascii(location.substr(0, 8));
    if (lower.starts_with("http://") || lower.starts_with("https://")) return std::string(location);
    std::string origin = std::string(from.secure ? "https://" : "http://") + from.host + ":" +
                         std::to_string(from.port);
    if (location.starts_with("//"))
        return (from.secure ? "https:" : "http:") + std::string(location);
    if (location.starts_with("/")) return origin + std::string(location);
    std::string dir = from.path.substr(0, from.path.find('?'));
    dir = dir.substr(0, dir.rfind('/') + 1);
    return origin + dir + std::string(location);
}

bool is_redirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The value of the first header line called name (any letter case) of a block.
std::string header_of(std::string_view block, std::string_view name) {
    std::string wanted = to_lower_ascii(name) + ":";
    while (!block.empty()) {
        size_t end = block.find("\r\n");
        std::string_view line = block.substr(0, end);
        block.remove_prefix(end == std::string_view::npos ? block.size() : end + 2);
        if (line.size() >= wanted.size() && to_lower_ascii(line.substr(0, wanted.size())) == wanted)
            return trim(std::string(line.substr(wanted.size())));
    }
    return {};
}

// Appends the Set-Cookie lines (any letter case) of a header block to out.
void keep_cookie_lines(std::string_view block, std::string& out) {
    while (!block.empty()) {
        size_t end = block.find("\r\n");
        std::string_view line = block.substr(0, end);
        block.remove_prefix(end == std::string_view::npos ? block.size() : end + 2);
        if (line.size() > 11 && to_lower_ascii(line.substr(0, 11)) == "set-cookie:" &&
            out.size() + line.size() + 2 <= http::kMaxHeaderBlock) {
            out.append(line);
            out += "\r\n";
        }
    }
}

// Inflates a gzip, zlib or raw deflate body; false when it is none of them or
// grows past the cap.
bool inflate_body(std::string& body, int64_t cap) {
    for (int window : {15 + 32, -15}) {
        z_stream z{};
        if (inflateInit2(&z, window) != Z_OK) return false;
        std::string out;
        char buffer[16384];
        z.next_in = reinterpret_cast<Bytef*>(body.data());
        z.avail_in = static_cast<uInt>(body.size());
        int rc = Z_OK;
        bool too_big = false;
        while (rc == Z_OK) {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            rc = inflate(&z, Z_NO_FLUSH);
            out.append(buffer, sizeof buffer - z.avail_out);
            if (cap > 0 && static_cast<int64_t>(out.size()) > cap) too_big = true;
            if (too_big || (rc == Z_BUF_ERROR && z.avail_in == 0)) break;
        }
        inflateEnd(&z);
        if (too_big) return false;
        if (rc == Z_STREAM_END || (rc == Z_BUF_ERROR && !out.empty())) {
            body = std::move(out);
            return true;
        }
    }
    return false;
}

// "Basic " + base64 of user:password.
std::string basic_credentials(const std::string& user, const std::string& password) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string in = user + ":" + password, out = "Basic ";
    for (size_t i = 0; i < in.size(); i += 3) {
        uint32_t n = static_cast<unsigned char>(in[i]) << 16;
        if (i + 1 < in.size()) n |= static_cast<unsigned char>(in[i + 1]) << 8;
        if (i + 2 < in.size()) n |= static_cast<unsigned char>(in[i + 2]);
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < in.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += i + 2 < in.size() ? kAlphabet[n & 63] : '=';
    }
    return out;
}

}  // namespace

struct HttpClient::Impl {
    HttpOptions options;
    // One session per agent and proxy: WinHTTP names the agent per session and
    // keeps each session's connections for reuse.
    std::mutex sessions_mutex;
    std::map<std::pair<std::string, std::string>, Handle> sessions;

    explicit Impl(HttpOptions o) : options(std::move(o)) {}

    HINTERNET session(const std::string& agent, const std::string& proxy) {
        std::lock_guard guard(sessions_mutex);
        auto key = std::make_pair(agent, proxy);
        auto found = sessions.find(key);
        if (found != sessions.end()) return found->second.get();
        std::wstring wide_agent = widen(agent), wide_proxy = widen(proxy);
        HINTERNET s = WinHttpOpen(
            wide_agent.c_str(),
            proxy.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY,
            proxy.empty() ? WINHTTP_NO_PROXY_NAME : wide_proxy.c_str(), WINHTTP_NO_PROXY_BYPASS, 0);
        if (!s) return nullptr;
        sessions.emplace(key, Handle(s));
        return s;
    }

    // One exchange on the calling thread while it watches the caller's stop
    // request. A blocked WinHTTP call does not return everywhere when its
    // handle is closed (wine waits for the timeouts), so the exchange runs on
    // a thread of its own; on a stop request the caller returns at once and
    // the abandoned exchange ends by itself, on its own copies of everything.
    bool stoppable_exchange(const http::Plan& plan, const Where& w, int method,
                            const std::string* body, const std::vector<std::string>& lines,
                            HINTERNET s, http::Answer& a) {
        const StopSignal* stop = current_stop_signal();
        if (stop == nullptr) return exchange(options, plan, w, method, body, lines, s, a);
        struct Shared {
            HttpOptions options;
            http::Plan plan;
            Where w;
            bool has_body = false;
            std::string body;
            std::vector<std::string> lines;
            std::mutex mutex;
            std::condition_variable finished;
            bool done = false;
            bool ok = false;
            http::Answer answer;
        };
        auto shared = std::make_shared<Shared>();
        shared->options = options;
        shared->plan = plan;
        shared->plan.send_body = nullptr;  // (the exchange reads neither pointer)
        shared->plan.agent = nullptr;
        shared->w = w;
        shared->has_body = body != nullptr;
        if (body) shared->body = *body;
        shared->lines = lines;
        std::thread([shared, method, s] {
            bool ok = exchange(shared->options, shared->plan, shared->w, method,
                               shared->has_body ? &shared->body : nullptr, shared->lines, s,
                               shared->answer);
            {
                std::lock_guard guard(shared->mutex);
                shared->ok = ok;
                shared->done = true;
            }
            shared->finished.notify_all();
        }).detach();
        std::unique_lock lock(shared->mutex);
        while (!shared->done) {
            if (stop->requested()) return false;
            shared->finished.wait_for(lock, std::chrono::milliseconds(20));
        }
        if (!shared->ok) return false;
        a = std::move(shared->answer);
        return true;
    }

    // One exchange (no redirect followed); false when nothing was answered.
    static bool exchange(const HttpOptions& options, const http::Plan& plan, const Where& w,
                         int method, const std::string* body, const std::vector<std::string>& lines,
                         HINTERNET s, http::Answer& a) {
        std::string connect_host = w.host;
        int connect_port = w.port;
        bool routed = false;
        if (auto route = options.routing.route_for(w.host)) {
            connect_host = route->address;
            connect_port = route->port;
            routed = true;
        }
        Handle connection(WinHttpConnect(s, widen(connect_host).c_str(),
                                         static_cast<INTERNET_PORT>(connect_port), 0));
        if (!connection) return false;
        std::wstring verb = widen(http::method_text(method));
        std::wstring path = widen(w.path);
        // (No WINHTTP_FLAG_REFRESH: WinHTTP keeps no cache, and the flag only adds
        // Pragma and Cache-Control lines.)
        DWORD flags = WINHTTP_FLAG_ESCAPE_DISABLE | WINHTTP_FLAG_ESCAPE_DISABLE_QUERY |
                      (w.secure ? WINHTTP_FLAG_SECURE : 0);
        HINTERNET request =
            WinHttpOpenRequest(connection.get(), verb.c_str(), path.c_str(), L"HTTP/1.1",
                               WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
        if (!request) return false;
        Handle owned(request);

        DWORD off =
            WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_AUTHENTICATION;
        WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &off, sizeof off);
        const int connect_ms = std::max(plan.connect_ms, 1), stall_ms = std::max(plan.stall_ms, 1);
        WinHttpSetTimeouts(request, connect_ms, connect_ms, stall_ms, stall_ms);
        // The wait for the answer's header has a timeout of its own, which
        // the one above does not set everywhere (wine keeps its default and
        // waits on a silent server that long).
        DWORD answer_ms = static_cast<DWORD>(stall_ms);
        WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &answer_ms,
                         sizeof answer_ms);

        std::string text;
        for (const std::string& line : lines) {
            // "Name;" is a line with an empty value.
            text += line.ends_with(';') && line.find(':') == std::string::npos
                        ? line.substr(0, line.size() - 1) + ":"
                        : line;
            text += "\r\n";
        }
        // A routed request names the real host; the connection goes elsewhere.
        if (routed) {
            bool default_port = w.port == (w.secure ? 443 : 80);
            text += "Host: " + w.host + (default_port ? "" : ":" + std::to_string(w.port)) + "\r\n";
        }
        if (!plan.proxy_user.empty()) {
            text += (plan.server_credentials ? "Authorization: " : "Proxy-Authorization: ") +
                    basic_credentials(plan.proxy_user, plan.proxy_password) + "\r\n";
        }
        if (!text.empty()) {
            std::wstring wide = widen(text);
            if (!WinHttpAddRequestHeaders(request, wide.c_str(), static_cast<DWORD>(wide.size()),
                                          WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
                return false;
        }

        static const std::string kEmpty;
        const std::string& out = body ? *body : kEmpty;
        if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                const_cast<char*>(out.data()), static_cast<DWORD>(out.size()),
                                static_cast<DWORD>(out.size()), 0))
            return false;
        if (!WinHttpReceiveResponse(request, nullptr)) return false;

        DWORD size = 0;
        WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                            WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
        if (size == 0 || size > http::kMaxHeaderBlock * sizeof(wchar_t)) return false;
        std::wstring raw(size / sizeof(wchar_t), L'\0');
        if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF,
                                 WINHTTP_HEADER_NAME_BY_INDEX, raw.data(), &size,
                                 WINHTTP_NO_HEADER_INDEX))
            return false;
        raw.resize(size / sizeof(wchar_t));
        a.header_block = narrow(raw);
        DWORD status = 0, status_size = sizeof status;
        WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size,
                            WINHTTP_NO_HEADER_INDEX);
        a.status = static_cast<long>(status);

        a.body.clear();
        if (method == 2) return true;
        const int64_t cap = options.max_body_bytes;
        // The body's declared length; a body declared over the cap is not read.
        std::optional<unsigned long long> declared;
        if (const std::string length = header_of(a.header_block, "Content-Length");
            !length.empty() && header_of(a.header_block, "Transfer-Encoding").empty()) {
            char* end = nullptr;
            const unsigned long long n = std::strtoull(length.c_str(), &end, 10);
            if (end != length.c_str()) declared = n;
        }
        if (declared && cap > 0 && *declared > static_cast<unsigned long long>(cap)) return false;
        char buffer[16384];
        for (;;) {
            DWORD got = 0;
            if (!WinHttpReadData(request, buffer, sizeof buffer, &got)) return false;
            if (got == 0) break;
            if (cap > 0 && static_cast<int64_t>(a.body.size() + got) > cap) return false;
            a.body.append(buffer, got);
        }
        // A connection reset mid-body can end the reads as if the body were
        // whole: an answer shorter than its declared length is no answer.
        if (declared && a.body.size() < *declared) return false;
        if (plan.decode && !a.body.empty()) {
            std::string coding = to_lower_ascii(header_of(a.header_block, "Content-Encoding"));
            if ((coding == "gzip" || coding == "deflate") && !inflate_body(a.body, cap))
                return false;
        }
        return true;
    }
};

HttpClient::HttpClient(HttpOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}
HttpClient::~HttpClient() = default;

const HttpOptions& HttpClient::options() const {
    return impl_->options;
}

bool HttpClient::perform(const http::Plan& plan, http::Answer& answer) {
    if (stop_requested_here()) return false;
    // WinHTTP names the agent per session: the agent line of the automation
    // variant becomes the session's agent instead of a second line.
    std::vector<std::string> lines;
    std::string agent = plan.agent ? *plan.agent : std::string();
    for (const std::string& line : plan.lines) {
        if (!plan.agent && to_lower_ascii(line.substr(0, 11)) == "user-agent:") {
            agent = trim(line.substr(11));
            continue;
        }
        lines.push_back(line);
    }
    HINTERNET s = impl_->session(agent, plan.proxy);
    if (!s) return false;

    Where w = where_of(plan.url);
    int method = plan.method;
    const std::string* body = plan.send_body;
    for (int hop = 0;; ++hop) {
        if (!w.ok) return false;
        http::Answer one;
        if (!impl_->stoppable_exchange(plan, w, method, body, lines, s, one)) return false;
        std::string location = header_of(one.header_block, "Location");
        if (plan.no_redirect || !is_redirect(one.status) || location.empty() ||
            hop == http::kMaxRedirects) {
            answer.status = one.status;
            answer.body = std::move(one.body);
            answer.header_block = std::move(one.header_block);
            return true;
        }
        keep_cookie_lines(one.header_block, answer.redirect_headers);
        // As browsers do: a POST answered 301, 302 or 303 goes on as a GET
        // without its body; 307 and 308 repeat the request as it was.
        if (one.status == 303 || ((one.status == 301 || one.status == 302) && method == 1)) {
            if (method != 2) method = 0;
            body = nullptr;
        }
        std::string next = redirect_target(w, location);
        std::string scheme = to_lower_ascii(next.substr(0, 8));
        if (!scheme.starts_with("http://") && !scheme.starts_with("https://")) return false;
        w = where_of(next);
    }
}

}  // namespace quillet
