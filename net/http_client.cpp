#include "net/http_client.h"

#include <algorithm>
#include <vector>

#include "net/http_headers.h"
#include "net/http_transfer.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

bool names_encoding(const std::vector<std::string>& lines) {
    static constexpr std::string_view kName = "accept-encoding";
    for (const std::string& line : lines) {
        if (line.size() <= kName.size()) continue;
        char after = line[kName.size()];
        if (after != ':' && after != ';') continue;
        bool same = true;
        for (size_t i = 0; i < kName.size() && same; ++i) {
            char c = line[i];
            same = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == kName[i];
        }
        if (same) return true;
    }
    return false;
}

// The answer's cookies are those of every answer on the way, redirects
// included, in the order they came; the header block is the final answer's.
void fill_answer(HttpResponse& r, http::Answer& a, CookieVar* cookie) {
    r.status = static_cast<int>(a.status);
    r.body = std::move(a.body);
    r.answer_headers = http::normalise_answer_headers(a.header_block);
    std::string on_the_way =
        http::collect_cookies(http::normalise_answer_headers(a.redirect_headers));
    std::string own = http::collect_cookies(r.answer_headers);
    r.answer_cookies = on_the_way.empty() ? own
                       : own.empty()      ? on_the_way
                                          : on_the_way + "; " + own;
    if (cookie) cookie->merge(r.answer_cookies);
}

}  // namespace

HttpResponse HttpClient::request(const HttpRequest& req) {
    HttpResponse r;
    std::string headers = req.headers;
    const std::string cookie = req.cookie ? req.cookie->get() : std::string();
    const std::string agent = http::agent_of(headers);
    http::complete_headers(headers, req.url, cookie);
    r.request_headers = headers;

    http::Target target = http::target_of(req.url);
    if (!target.ok) return r;
    const int method = http::normalised_method(req.method);
    const std::string& body = req.byte_body.empty() ? req.body : req.byte_body;
    http::Plan plan;
    plan.url = target.transfer_url;
    plan.method = method;
    // POST always carries its body (possibly empty); HEAD only a non-empty one.
    if (method == 1 || (method == 2 && !body.empty())) plan.send_body = &body;
    plan.lines = http::wire_lines(headers);
    plan.decode = names_encoding(plan.lines);
    plan.agent = &agent;
    plan.proxy = req.proxy;
    plan.no_redirect = req.no_redirect;
    plan.connect_ms = options().connect_timeout_ms;
    plan.stall_ms = options().stall_timeout_ms;

    http::Answer answer;
    if (!perform(plan, answer)) return r;
    fill_answer(r, answer, req.cookie);
    return r;
}

HttpResponse HttpClient::request_automation(const HttpRequest& req) {
    HttpResponse r;
    std::string headers = req.headers;
    const std::string cookie = req.cookie ? req.cookie->get() : std::string();
    http::complete_automation_headers(headers, req.url);
    r.request_headers = headers;

    http::Target target = http::target_of(req.url);
    if (!target.ok) return r;
    auto fields = http::automation_fields(headers);
    if (!cookie.empty()) {
        auto same = std::find_if(fields.begin(), fields.end(),
                                 [](const auto& f) { return to_lower_ascii(f.first) == "cookie"; });
        if (same != fields.end())
            same->second = http::header_value(cookie);
        else
            fields.emplace_back("Cookie", http::header_value(cookie));
    }
    std::vector<std::string> lines;
    for (const auto& [name, value] : fields)
        lines.push_back(value.empty() ? name + ";" : name + ": " + value);

    int timeout_ms;
    if (req.timeout_s == -1) {
        timeout_ms = -1;
    } else if (req.timeout_s < 1) {
        timeout_ms = 15000;
    } else {
        timeout_ms = std::min(req.timeout_s, 24 * 3600) * 1000;
    }

    const std::string& body = req.byte_body.empty() ? req.body : req.byte_body;
    http::Plan plan;
    plan.url = target.transfer_url;
    plan.method = http::normalised_method(req.method);
    // This variant sends its body with any method, GET included.
    if (!body.empty() || plan.method == 1) plan.send_body = &body;
    plan.decode = names_encoding(lines);
    plan.lines = std::move(lines);
    plan.proxy = req.proxy;
    if (!req.proxy.empty()) {
        plan.proxy_user = req.proxy_user;
        plan.proxy_password = req.proxy_password;
        plan.server_credentials = req.proxy_flag == 0;
    }
    plan.no_redirect = req.no_redirect;
    plan.connect_ms = timeout_ms < 0 ? options().connect_timeout_ms : timeout_ms;
    plan.stall_ms = timeout_ms < 0 ? options().stall_timeout_ms : timeout_ms;

    http::Answer answer;
    if (!perform(plan, answer)) return r;
    fill_answer(r, answer, req.cookie);
    return r;
}

std::string decode_answer(std::string_view bytes, bool utf8) {
    if (utf8) return utf8_to_gbk(bytes);
    return std::string(bytes.substr(0, bytes.find('\0')));
}

std::string HttpClient::get_text(const std::string& url, bool utf8, CookieVar* cookie,
                                 std::string* headers) {
    CookieVar temporary;
    HttpRequest req;
    req.url = url;
    req.method = 0;
    req.cookie = cookie ? cookie : &temporary;
    req.headers = (headers ? *headers : std::string()) + std::string(http::kHelperAgentLine);
    HttpResponse r = request(req);
    if (headers) *headers = r.request_headers;
    return decode_answer(r.body, utf8);
}

std::string HttpClient::post_text(const std::string& url, const std::string& body, bool utf8,
                                  CookieVar* cookie, std::string* headers) {
    CookieVar temporary;
    HttpRequest req;
    req.url = url;
    req.method = 1;
    req.body = body;
    req.cookie = cookie ? cookie : &temporary;
    req.headers = (headers ? *headers : std::string()) + std::string(http::kHelperAgentLine);
    HttpResponse r = request(req);
    if (headers) *headers = r.request_headers;
    return decode_answer(r.body, utf8);
}

std::string HttpClient::get_bytes(const std::string& url) {
    HttpRequest req;
    req.url = url;
    return request(req).body;
}

}  // namespace quillet
