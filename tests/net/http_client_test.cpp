// The HTTP client against a loopback server that records the raw bytes it
// received: the exact header lines, cookies in and out, faults and routing.
#include "net/http_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "net/http_headers.h"
#include "net/stop_signal.h"
#include "tests/net/wire_server.h"
#include "tests/support/gbk_literal.h"

namespace quillet {
namespace {

using testing::http_answer;
using testing::reply;
using testing::WireAction;
using testing::WireServer;

#ifdef _WIN32
constexpr bool kWinHttp = true;
#else
constexpr bool kWinHttp = false;
#endif

constexpr const char* kIeAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

HttpOptions quick_options() {
    HttpOptions o;
    o.connect_timeout_ms = 2000;
    o.stall_timeout_ms = 300;
    return o;
}

// The Host line the client sends for the fixture.
std::string host_line(const WireServer& s) {
    return "Host: " + s.address() + "\r\n";
}

// One request's bytes as each engine sends it. Both send our lines unchanged
// and in order; what differs is what the engine adds and where. libcurl puts
// Host and the agent line first and Content-Length after our lines. WinHTTP
// puts the agent, Host, Content-Length and "Connection: Keep-Alive" after our
// lines (no option removes or moves them); it takes header names in any
// letter case as one, so a caller's "accept" line gives way to the default
// "Accept" line, and it writes an empty value as "Name: ".
struct Sent {
    std::string curl;
    std::string winhttp;
};

// A request whose agent line is the engine's own: start is the request line,
// ours our lines (each ending in CRLF) as each engine keeps them.
Sent sent_by_engines(const std::string& start, const WireServer& s, const std::string& agent,
                     const std::string& ours_curl, const std::string& ours_winhttp,
                     const std::string* body = nullptr) {
    const std::string length =
        body ? "Content-Length: " + std::to_string(body->size()) + "\r\n" : std::string();
    const std::string tail = body ? *body : std::string();
    return {start + "\r\n" + host_line(s) + "User-Agent: " + agent + "\r\n" + ours_curl + length +
                "\r\n" + tail,
            start + "\r\n" + ours_winhttp + "User-Agent: " + agent + "\r\n" + host_line(s) +
                length + "Connection: Keep-Alive\r\n\r\n" + tail};
}

// Checks a request against this build's engine's bytes; a failure shows the
// other engine's beside it.
void expect_sent(const std::string& got, const Sent& sent) {
#ifdef _WIN32
    EXPECT_EQ(got, sent.winhttp) << "libcurl would send:\n" << sent.curl;
#else
    EXPECT_EQ(got, sent.curl) << "WinHTTP sends:\n" << sent.winhttp;
#endif
}

// The values of a raw request's header lines called name, in order.
std::vector<std::string> header_values(const std::string& raw, const std::string& name) {
    std::vector<std::string> values;
    const std::string head = raw.substr(0, raw.find("\r\n\r\n") + 2);
    const std::string wanted = "\r\n" + name + ": ";
    for (size_t at = head.find(wanted); at != std::string::npos;
         at = head.find(wanted, at + wanted.size())) {
        const size_t begin = at + wanted.size();
        values.push_back(head.substr(begin, head.find("\r\n", begin) - begin));
    }
    return values;
}

// What follows a raw request's header block.
std::string body_of(const std::string& raw) {
    const size_t end = raw.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : raw.substr(end + 4);
}

TEST(HttpClientWire, GetWithEmptyHeadersSendsExactlyTheDefaultLines) {
    WireServer server;
    HttpClient client(quick_options());
    HttpRequest req;
    req.url = server.url("/cgi/x?a=1&b=2");
    HttpResponse r = client.request(req);

    EXPECT_EQ(r.body, "ok");
    const std::string ours = "Accept: */*\r\nReferer: " + req.url +
                             "\r\nAccept-Language: zh-cn\r\n"
                             "Content-Type: application/x-www-form-urlencoded\r\n";
    expect_sent(server.last_request(),
                sent_by_engines("GET /cgi/x?a=1&b=2 HTTP/1.1", server, kIeAgent, ours, ours));
    EXPECT_EQ(r.request_headers, "Accept: */*\r\nReferer: " + req.url +
                                     "\r\nAccept-Language: zh-cn\r\n"
                                     "Content-Type: application/x-www-form-urlencoded");
}

TEST(HttpClientWire, PostKeepsCallerLinesAddsDefaultsAndCookie) {
    WireServer server;
    HttpClient client(quick_options());
    CookieVar cookie("uin=o123; skey=@abc");
    HttpRequest req;
    req.url = server.url("/post");
    req.method = 1;
    req.body = "a=1&b=2";
    req.cookie = &cookie;
    // A lower-case accept line does not count as the Accept line.
    req.headers = "accept: text/html\r\nX-Empty:\r\nuser-agent: Agent/1.0";
    HttpResponse r = client.request(req);

    EXPECT_EQ(r.body, "ok");
    const std::string defaults = "Accept: */*\r\nReferer: " + req.url +
                                 "\r\nAccept-Language: zh-cn\r\n"
                                 "Content-Type: application/x-www-form-urlencoded\r\n"
                                 "Cookie: uin=o123; skey=@abc\r\n";
    expect_sent(server.last_request(),
                sent_by_engines("POST /post HTTP/1.1", server, "Agent/1.0",
                                "accept: text/html\r\nX-Empty:\r\n" + defaults,
                                "X-Empty: \r\n" + defaults, &req.body));
    EXPECT_EQ(r.request_headers, req.headers + "\r\nAccept: */*\r\nReferer: " + req.url +
                                     "\r\nAccept-Language: zh-cn"
                                     "\r\nContent-Type: application/x-www-form-urlencoded"
                                     "\r\nCookie: uin=o123; skey=@abc");
}

// The names of the header lines of a raw request, in order.
std::vector<std::string> header_names(const std::string& raw) {
    std::vector<std::string> names;
    size_t begin = raw.find("\r\n");
    const size_t end = raw.find("\r\n\r\n");
    while (begin != std::string::npos && begin < end) {
        begin += 2;
        size_t next = raw.find("\r\n", begin);
        std::string line = raw.substr(begin, next - begin);
        names.push_back(line.substr(0, line.find_first_of(":;")));
        begin = next;
    }
    return names;
}

// One AMS claim as it leaves each engine, byte for byte. Both engines send our
// lines unchanged and in order; what differs is what the engine itself adds and
// where: libcurl puts Host and the agent first; WinHTTP puts the agent, Host,
// Content-Length and "Connection: Keep-Alive" after our lines (no option
// removes them).
TEST(HttpClientWire, AnAmsClaimOnTheWireOfEachEngine) {
    WireServer server;
    HttpClient client(quick_options());
    const std::string path =
        "/ams/ame/"
        "ame.php?ameVersion=0.3&sServiceType=cf&iActivityId=1&sServiceDepartment=group_f&set_info="
        "group_f";
    const std::string url = server.url(path);
    const std::string body =
        "gameId=&sArea=1&iGender=&sPlatId=&iFlowId=2&g_tk=98765&e_code=0&g_code=0&eas_url"
        "\r\n=http%3A%2F%2Fcf.qq.com%2F&eas_refer=&sServiceDepartment=group_f&sServiceType=cf";
    CookieVar cookie("uin=o358791246; skey=@SbX1a2b3c");
    client.post_text(url, body, false, &cookie);

    const std::string agent = "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 10.0) QQBrowser/6.0";
    const std::string ours = "Accept: */*\r\nReferer: " + url +
                             "\r\nAccept-Language: zh-cn\r\n"
                             "Content-Type: application/x-www-form-urlencoded\r\n"
                             "Cookie: uin=o358791246; skey=@SbX1a2b3c\r\n";
    const Sent sent =
        sent_by_engines("POST " + path + " HTTP/1.1", server, agent, ours, ours, &body);
    EXPECT_EQ(sent.curl, "POST " + path + " HTTP/1.1\r\n" + host_line(server) +
                             "User-Agent: " + agent + "\r\n" + ours +
                             "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    expect_sent(server.last_request(), sent);
}

TEST(HttpClientWire, NoValueEverAddsAHeaderLine) {
    // Every value below tries to smuggle in "X-Injected: 1" (and a blank line
    // that would end the header block early).
    const std::string evil = "\r\nX-Injected: 1\r\n\r\nGET /smuggled HTTP/1.1";
    struct Case {
        const char* name;
        std::string cookie;   // the caller's cookie variable
        std::string headers;  // the caller's header text
        std::string path;     // appended to the address (and so to the Referer)
        bool automation;
    };
    const Case cases[] = {
        {"cookie with CR LF", "skey=@k" + evil, "", "/p", false},
        {"cookie with bare LF", "skey=@k\nX-Injected: 1", "", "/p", false},
        {"cookie with bare CR", "skey=@k\rX-Injected: 1", "", "/p", false},
        {"address with CR LF goes into the Referer", "", "", "/p" + evil, false},
        {"header value with a bare LF", "", "X-A: 1\nX-Injected: 1", "/p", false},
        {"header value with a bare CR", "", "X-A: 1\rX-Injected: 1", "/p", false},
        {"one-line value a caller built", "",
         "Referer: " + http::header_value("http://page/" + evil), "/p", false},
        {"agent line with a bare LF", "", "User-Agent: A/1\nX-Injected: 1", "/p", false},
        {"automation cookie with CR LF", "skey=@k" + evil, "", "/p", true},
        {"automation address with CR LF", "", "", "/p" + evil, true},
        {"automation header value with a bare LF", "", "X-A: 1\nX-Injected: 1", "/p", true},
    };
    WireServer server;
    HttpClient client(quick_options());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CookieVar cookie(c.cookie);
        HttpRequest req;
        req.url = server.url(c.path);
        req.cookie = &cookie;
        req.headers = c.headers;
        const size_t before = server.requests().size();
        HttpResponse r = c.automation ? client.request_automation(req) : client.request(req);
        EXPECT_EQ(r.body, "ok");
        ASSERT_EQ(server.requests().size(), before + 1) << "one request, none smuggled";
        const std::string raw = server.last_request();
        EXPECT_EQ(raw.find("\r\nX-Injected"), std::string::npos) << raw;
        EXPECT_EQ(raw.find("\r\nGET /smuggled"), std::string::npos) << raw;
        // Only the engine's own lines and the caller's named ones go out, each once.
        std::vector<std::string> names = header_names(raw);
        std::vector<std::string> expected = {"Host",    "User-Agent",      "Accept",
                                             "Referer", "Accept-Language", "Content-Type"};
#ifdef _WIN32
        expected.push_back("Connection");  // WinHTTP's own line
#endif
        if (!c.cookie.empty()) expected.push_back("Cookie");
        if (c.headers.starts_with("X-A")) expected.push_back("X-A");
        std::sort(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected) << raw;
    }
}

TEST(HttpClientWire, ByteBodyWinsAndHeadSendsItWithoutReadingAnAnswerBody) {
    WireServer server([](const std::string& request) {
        // A HEAD answer announces a length but carries no body.
        if (request.starts_with("HEAD"))
            return reply("HTTP/1.1 200 X\r\nContent-Length: 50\r\n\r\n");
        return reply(http_answer("got"));
    });
    HttpClient client(quick_options());
    HttpRequest req;
    req.url = server.url("/h");
    req.method = 2;
    req.body = "text";
    req.byte_body = std::string("b\0y", 3);
    auto started = std::chrono::steady_clock::now();
    HttpResponse r = client.request(req);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(r.body, "");
    std::string got = server.last_request();
    EXPECT_TRUE(got.starts_with("HEAD /h HTTP/1.1\r\n")) << got;
    EXPECT_EQ(header_values(got, "Content-Length"), std::vector<std::string>{"3"}) << got;
    EXPECT_EQ(body_of(got), std::string("b\0y", 3));

    // Any method number but 1 and 2 is a GET, which sends no body.
    req.method = 7;
    EXPECT_EQ(client.request(req).body, "got");
    got = server.last_request();
    EXPECT_EQ(got.substr(0, 15), "GET /h HTTP/1.1");
    EXPECT_EQ(got.find("Content-Length"), std::string::npos);
}

TEST(HttpClientWire, AnswerCookiesMergeInHeaderOrderWithoutAttributes) {
    WireServer server([](const std::string&) {
        return reply(
            http_answer("ok",
                        "set-cookie: skey=@new; path=/; domain=qq.com\r\n"
                        "Set-Cookie: fresh=1\r\n"
                        "SET-COOKIE: gone=deleted; expires=Fri, 1-Jan-1999 1:1:1 GMT\r\n"));
    });
    HttpClient client(quick_options());
    CookieVar cookie("uin=o123; skey=@old; gone=1");
    HttpRequest req;
    req.url = server.url("/");
    req.cookie = &cookie;
    HttpResponse r = client.request(req);

    EXPECT_EQ(r.answer_cookies, "skey=@new; fresh=1; gone=deleted");
    EXPECT_EQ(cookie.get(), "skey=@new; fresh=1; uin=o123");
    EXPECT_NE(r.answer_headers.find("Set-Cookie: skey=@new; path=/; domain=qq.com\r\n"),
              std::string::npos);
    EXPECT_EQ(r.answer_headers.find("set-cookie"), std::string::npos);
    EXPECT_EQ(r.answer_headers.substr(0, 15), "HTTP/1.1 200 X\r");
}

TEST(HttpClientWire, PassedEmptyCookieSendsNoCookieLineAndCollectsTheAnswers) {
    WireServer server(
        [](const std::string&) { return reply(http_answer("ok", "Set-Cookie: a=1; path=/\r\n")); });
    HttpClient client(quick_options());
    CookieVar cookie;
    HttpRequest req;
    req.url = server.url("/");
    req.cookie = &cookie;
    client.request(req);
    EXPECT_EQ(server.last_request().find("Cookie"), std::string::npos);
    EXPECT_EQ(cookie.get(), "a=1");

    // Not passed: the answer's cookies are reported but go nowhere.
    req.cookie = nullptr;
    EXPECT_EQ(client.request(req).answer_cookies, "a=1");
}

TEST(HttpClientWire, TextHelpersAddTheirAgentLineAndDecode) {
    const std::string utf8_text = "\xE9\xA2\x86\xE5\x8F\x96";  // 领取 in UTF-8
    WireServer server([&](const std::string& request) {
        if (request.find("/utf8") != std::string::npos) return reply(http_answer(utf8_text));
        return reply(http_answer(std::string("gbk\0tail", 8), "Set-Cookie: s=2\r\n"));
    });
    HttpClient client(quick_options());
    const std::string helper_agent =
        "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 10.0) QQBrowser/6.0";

    std::string headers;
    EXPECT_EQ(client.get_text(server.url("/utf8"), true, nullptr, &headers), testing::gbk("领取"));
    EXPECT_EQ(headers.substr(0, 2 + 11 + helper_agent.size() + 4),
              "\r\nUser-Agent:" + helper_agent + "\r\n\r\n");
    std::string got = server.last_request();
    EXPECT_EQ(header_values(got, "User-Agent"), std::vector<std::string>{helper_agent}) << got;
    EXPECT_EQ(header_values(got, "Accept"), std::vector<std::string>{"*/*"}) << got;

    CookieVar cookie("s=1");
    EXPECT_EQ(client.post_text(server.url("/gbk"), "x=1", false, &cookie), "gbk");
    got = server.last_request();
    EXPECT_EQ(got.substr(0, 20), "POST /gbk HTTP/1.1\r\n");
    EXPECT_EQ(header_values(got, "Cookie"), std::vector<std::string>{"s=1"}) << got;
    EXPECT_EQ(header_values(got, "Content-Length"), std::vector<std::string>{"3"}) << got;
    EXPECT_EQ(body_of(got), "x=1");
    EXPECT_EQ(cookie.get(), "s=2");

    EXPECT_EQ(client.get_bytes(server.url("/gbk")), std::string("gbk\0tail", 8));
}

TEST(HttpClientWire, CallerAcceptEncodingGetsADecodedAnswerAndOneLine) {
    static const std::string gzip_body(
        "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xcb\x48\xcd\xc9\xc9\x57\x48\x2b\xca\xcf\x55"
        "\x48\x54\x48\xaf\xca\x2c\x50\x48\xcc\x2b\x2e\x4f\x2d\x02\x00\x21\x8e\xea\x85\x18\x00"
        "\x00\x00",
        44);
    WireServer server([](const std::string&) {
        return reply(http_answer(gzip_body, "Content-Encoding: gzip\r\n"));
    });
    HttpClient client(quick_options());
    std::string headers =
        "Accept:text/html\r\nAccept-Encoding:gzip, deflate\r\nConnection:keep-alive";
    EXPECT_EQ(client.post_text(server.url("/qz"), "a=1", true, nullptr, &headers),
              "hello from a gzip answer");
    std::string got = server.last_request();
    size_t first = got.find("Accept-Encoding");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(got.find("Accept-Encoding", first + 1), std::string::npos);
#ifdef _WIN32
    // WinHTTP writes every line as "Name: value"; its own Connection line
    // takes the caller's value.
    EXPECT_NE(got.find("\r\nAccept-Encoding: gzip, deflate\r\n"), std::string::npos) << got;
#else
    EXPECT_NE(got.find("\r\nAccept-Encoding:gzip, deflate\r\nConnection:keep-alive\r\n"),
              std::string::npos);
#endif

    // Without the caller asking, a compressed answer is passed on as it came.
    EXPECT_EQ(client.get_bytes(server.url("/raw")), gzip_body);
    EXPECT_EQ(server.last_request().find("Accept-Encoding"), std::string::npos);
}

TEST(HttpClientWire, ChunkedAnswerIsJoined) {
    WireServer server([](const std::string&) {
        return reply(
            "HTTP/1.1 200 X\r\nTransfer-Encoding: chunked\r\n\r\n"
            "5\r\nhello\r\n7\r\n, world\r\n0\r\n\r\n");
    });
    HttpClient client(quick_options());
    EXPECT_EQ(client.get_bytes(server.url("/")), "hello, world");
}

TEST(HttpClientWire, RedirectsAreFollowedUnlessSuppressed) {
    WireServer server([](const std::string& request) {
        if (request.rfind("GET /from", 0) == 0)
            return reply(http_answer("moved", "Location: /to\r\nSet-Cookie: hop=1\r\n", 302));
        return reply(http_answer("arrived", "Set-Cookie: end=1\r\n"));
    });
    HttpClient client(quick_options());
    HttpRequest req;
    req.url = server.url("/from");
    HttpResponse r = client.request(req);
    EXPECT_EQ(r.body, "arrived");
    // The cookies a redirect sets are kept, before the final answer's; the
    // header block is the final answer's alone.
    EXPECT_EQ(r.answer_cookies, "hop=1; end=1");
    EXPECT_EQ(r.answer_headers.find("Location"), std::string::npos);

    req.no_redirect = true;
    r = client.request(req);
    EXPECT_EQ(r.body, "moved");
    EXPECT_NE(r.answer_headers.find("Location: /to"), std::string::npos);
}

TEST(HttpClientWire, UnreachableHostsGiveEmptyAnswers) {
    int closed_port;
    {
        WireServer gone;
        closed_port = gone.port();
    }
    HttpClient client(quick_options());
    CookieVar cookie("a=1");
    for (std::string url : {"http://127.0.0.1:" + std::to_string(closed_port) + "/",
                            std::string("http://nowhere.invalid/"), std::string("http://:80/"),
                            std::string("http://host:99999/")}) {
        SCOPED_TRACE(url);
        EXPECT_EQ(client.get_text(url, false, &cookie), "");
        EXPECT_EQ(cookie.get(), "a=1");
    }
}

TEST(HttpClientFaults, BadServersGiveEmptyAnswersQuickly) {
    struct Case {
        const char* name;
        WireAction action;
        int64_t max_body;
    };
    WireAction silent;
    silent.kind = WireAction::Kind::NeverAnswer;
    WireAction reset;
    reset.kind = WireAction::Kind::ResetAfter;
    reset.bytes = "HTTP/1.1 200 X\r\nContent-Length: 100\r\nSet-Cookie: x=1\r\n\r\npartial";
    WireAction stalls_mid_body = reply("HTTP/1.1 200 X\r\nContent-Length: 100\r\n\r\npartial");
    WireAction huge;
    huge.kind = WireAction::Kind::Stream;
    huge.bytes = "HTTP/1.1 200 X\r\nContent-Length: 4194304\r\n\r\n";
    huge.stream_bytes = 4 << 20;
    WireAction huge_chunked;
    huge_chunked.kind = WireAction::Kind::Stream;
    huge_chunked.bytes = "HTTP/1.1 200 X\r\nTransfer-Encoding: chunked\r\n\r\n400000\r\n";
    huge_chunked.stream_bytes = 4 << 20;
    const Case cases[] = {
        {"never answers", silent, 32 << 20},
        {"reset mid-body", reset, 32 << 20},
        {"stalls mid-body", stalls_mid_body, 32 << 20},
        {"declared body over the cap", huge, 1 << 20},
        {"chunked body over the cap", huge_chunked, 1 << 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WireServer server([&](const std::string&) { return c.action; });
        HttpOptions o = quick_options();
        o.max_body_bytes = c.max_body;
        HttpClient client(o);
        CookieVar cookie("a=1");
        HttpRequest req;
        req.url = server.url("/");
        req.cookie = &cookie;
        auto started = std::chrono::steady_clock::now();
        HttpResponse r = client.request(req);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        EXPECT_EQ(r.body, "");
        EXPECT_EQ(r.answer_cookies, "");
        EXPECT_EQ(cookie.get(), "a=1");
    }
}

TEST(HttpClientStop, AStopRequestCutsATransferShortAndKeepsLaterOnesAway) {
    WireServer server([](const std::string&) {
        WireAction a;
        a.kind = WireAction::Kind::NeverAnswer;
        return a;
    });
    HttpOptions o = quick_options();
    o.stall_timeout_ms = 60000;  // only the stop request can end the wait
    HttpClient client(o);
    StopSignal stop;
    std::atomic<bool> sent{false};
    HttpResponse cut, later;
    std::chrono::milliseconds took{};
    std::thread worker([&] {
        ScopedStopSignal installed(&stop);
        HttpRequest req;
        req.url = server.url("/wait");
        sent = true;
        cut = client.request(req);
        const auto begin = std::chrono::steady_clock::now();
        later = client.request(req);  // the signal still asks to stop: not sent at all
        took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - begin);
    });
    while (server.requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto begin = std::chrono::steady_clock::now();
    stop.request();
    worker.join();
    const auto latency = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - begin);
    EXPECT_TRUE(sent);
    EXPECT_LT(latency.count(), 1000);
    EXPECT_EQ(cut.body, "");
    EXPECT_EQ(cut.answer_headers, "");
    EXPECT_EQ(later.body, "");
    EXPECT_LT(took.count(), 100);
    EXPECT_EQ(server.requests().size(), 1u);
    // A thread without the signal is not affected by it.
    server.set_handler([](const std::string&) { return reply(http_answer("ok")); });
    EXPECT_EQ(client.get_bytes(server.url("/")), "ok");
}

TEST(HttpClientRouting, NamedAndStarRulesKeepTheRealHostHeader) {
    WireServer server;
    HttpOptions o = quick_options();
    ASSERT_TRUE(o.routing.add("apps.game.qq.com=" + server.address()));
    HttpClient client(o);
    EXPECT_EQ(client.get_bytes("http://apps.game.qq.com/ams/ame/ame.php?x=1"), "ok");
    std::string got = server.last_request();
    EXPECT_TRUE(got.starts_with("GET /ams/ame/ame.php?x=1 HTTP/1.1\r\n")) << got;
    EXPECT_EQ(header_values(got, "Host"), std::vector<std::string>{"apps.game.qq.com"}) << got;

    HttpOptions all = quick_options();
    ASSERT_TRUE(all.routing.add("*=" + server.address()));
    HttpClient routed(all);
    // An address without a path asks for "/" on port 80 of its host.
    EXPECT_EQ(routed.get_bytes("http://Cf.QQ.com"), "ok");
    got = server.last_request();
    EXPECT_TRUE(got.starts_with("GET / HTTP/1.1\r\n")) << got;
    EXPECT_EQ(header_values(got, "Host"), std::vector<std::string>{"cf.qq.com"}) << got;
    EXPECT_EQ(routed.get_bytes("http://other.example:8080/p"), "ok");
    got = server.last_request();
    EXPECT_TRUE(got.starts_with("GET /p HTTP/1.1\r\n")) << got;
    EXPECT_EQ(header_values(got, "Host"), std::vector<std::string>{"other.example:8080"}) << got;
}

TEST(HttpClientProxy, PlainAndSecureRequestsGoThroughTheProxy) {
    WireServer proxy([](const std::string& request) {
        if (request.rfind("CONNECT", 0) == 0) return reply(http_answer("", "", 403));
        return reply(http_answer("via proxy"));
    });
    HttpClient client(quick_options());
    HttpRequest req;
    req.url = "http://plain.example";
    req.proxy = proxy.address();
    EXPECT_EQ(client.request(req).body, "via proxy");
    std::string got = proxy.last_request();
    // WinHTTP names the port in the proxy's request line.
    EXPECT_TRUE(got.starts_with("GET http://plain.example/ HTTP/1.1\r\n") ||
                (kWinHttp && got.starts_with("GET http://plain.example:80/ HTTP/1.1\r\n")))
        << got;
    EXPECT_EQ(header_values(got, "Host"), std::vector<std::string>{"plain.example"}) << got;

    // A secure address with its own port: the tunnel goes to that port.
    req.url = "https://secure.example:8443/cgi-bin/x?a=1";
    EXPECT_EQ(client.request(req).body, "");
    got = proxy.last_request();
    EXPECT_TRUE(got.starts_with("CONNECT secure.example:8443 HTTP/1.1\r\n")) << got;
    EXPECT_EQ(header_values(got, "Host"), std::vector<std::string>{"secure.example:8443"}) << got;
}

TEST(HttpClientAutomation, StatusTimeoutsDefaultsAndCredentials) {
    WireServer server([](const std::string& request) {
        if (request.find("/slow") != std::string::npos) {
            WireAction a;
            a.kind = WireAction::Kind::NeverAnswer;
            return a;
        }
        return reply(http_answer("missing", "Set-Cookie: verifysession=h01abc; path=/\r\n", 404));
    });
    HttpClient client(quick_options());
    HttpRequest req;
    req.url = server.url("/captcha?aid=1");
    CookieVar cookie("a=1");
    req.cookie = &cookie;
    HttpResponse r = client.request_automation(req);
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.body, "missing");
    EXPECT_EQ(r.answer_cookies, "verifysession=h01abc");
    EXPECT_EQ(cookie.get(), "verifysession=h01abc; a=1");
    // This variant's agent line stands among the defaults; WinHTTP still
    // sends it after our lines.
    const std::string defaults = "Accept: */*\r\nReferer: " + req.url +
                                 "\r\nAccept-Language: zh-cn\r\n"
                                 "Content-Type: application/x-www-form-urlencoded\r\n";
    const std::string agent_line = "User-Agent: " + std::string(kIeAgent) + "\r\n";
    expect_sent(server.last_request(),
                {"GET /captcha?aid=1 HTTP/1.1\r\n" + host_line(server) + defaults + agent_line +
                     "Cookie: a=1\r\n\r\n",
                 "GET /captcha?aid=1 HTTP/1.1\r\n" + defaults + "Cookie: a=1\r\n" + agent_line +
                     host_line(server) + "Connection: Keep-Alive\r\n\r\n"});

    // This variant's own timeout (whole seconds) bounds a silent server.
    req.url = server.url("/slow");
    req.timeout_s = 1;
    auto started = std::chrono::steady_clock::now();
    r = client.request_automation(req);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.body, "");

    // A GET body goes out here; proxy credentials go to the proxy.
    req.url = "http://plain.example/x";
    req.timeout_s = 0;
    req.body = "q=1";
    req.proxy = server.address();
    req.proxy_user = "user";
    req.proxy_password = "secret";
    req.cookie = nullptr;
    client.request_automation(req);
    std::string got = server.last_request();
    EXPECT_TRUE(got.starts_with("GET http://plain.example/x HTTP/1.1\r\n") ||
                (kWinHttp && got.starts_with("GET http://plain.example:80/x HTTP/1.1\r\n")))
        << got;
    EXPECT_EQ(header_values(got, "Proxy-Authorization"),
              std::vector<std::string>{"Basic dXNlcjpzZWNyZXQ="})
        << got;
    EXPECT_EQ(header_values(got, "Content-Length"), std::vector<std::string>{"3"}) << got;
    EXPECT_EQ(body_of(got), "q=1");
}

TEST(HttpClientReuse, SequentialAndConcurrentRequestsShareConnections) {
    WireServer server([](const std::string& request) {
        // Echo the path so each caller can check it got its own answer.
        size_t begin = request.find(' ') + 1;
        return reply(http_answer(request.substr(begin, request.find(' ', begin) - begin)));
    });
    HttpClient client(quick_options());
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(client.get_bytes(server.url("/n" + std::to_string(i))), "/n" + std::to_string(i));
    EXPECT_EQ(server.connections(), 1);

    constexpr int kThreads = 8, kEach = 25;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                std::string path = "/t" + std::to_string(t) + "_" + std::to_string(i);
                if (client.post_text(server.url(path), "x", false) != path) wrong++;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_LE(server.connections(), kThreads + 1);
}

}  // namespace
}  // namespace quillet
