// The text side of requests: agent, default lines, wire lines, answer cookies
// and where an address goes.
#include "net/http_headers.h"

#include <gtest/gtest.h>

namespace quillet::http {
namespace {

TEST(HttpHeaders, AgentOfAHeaderText) {
    struct Case {
        const char* name;
        std::string headers;
        std::string agent;
    };
    const Case cases[] = {
        {"no line: the default", "Accept: x", std::string(kDefaultAgent)},
        {"exact spelling", "Accept: x\r\nUser-Agent:  A/1 (b) \r\nX: y", "A/1 (b)"},
        {"lower case, only line", "user-agent: low/2", "low/2"},
        {"lower case after another line", "Accept: a\r\nuser-agent: low/3\r\n", "low/3"},
        {"exact spelling wins over an earlier lower-case line",
         "user-agent: first\r\nUser-Agent: second\r\n", "second"},
        {"the first of two lines", "User-Agent:one\r\nUser-Agent:two\r\n", "one"},
        {"last line without CR LF", "Accept: a\r\nUser-Agent: end", "end"},
        {"empty value stays empty", "User-Agent:\r\nAccept: a", ""},
        {"helper line", std::string(kHelperAgentLine),
         "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 10.0) QQBrowser/6.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(agent_of(c.headers), c.agent);
    }
}

TEST(HttpHeaders, CompletionAddsOnlyMissingLinesCaseSensitively) {
    struct Case {
        const char* name;
        std::string headers;
        std::string cookie;
        std::string completed;
    };
    const std::string url = "http://h/p";
    const std::string tail =
        "\r\nReferer: http://h/p\r\nAccept-Language: zh-cn"
        "\r\nContent-Type: application/x-www-form-urlencoded";
    const Case cases[] = {
        {"empty", "", "", "Accept: */*" + tail},
        {"lower-case accept gets a second line", "accept: a", "",
         "accept: a\r\nAccept: */*" + tail},
        {"everything given", "Accept:a\r\nReferer:r\r\nAccept-Language:l\r\nContent-Type:c", "k=v",
         "Accept:a\r\nReferer:r\r\nAccept-Language:l\r\nContent-Type:c\r\nCookie: k=v"},
        {"helper line keeps its blank line", std::string(kHelperAgentLine), "",
         std::string(kHelperAgentLine) + "\r\nAccept: */*" + tail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string h = c.headers;
        complete_headers(h, url, c.cookie);
        EXPECT_EQ(h, c.completed);
    }
    std::string automation;
    complete_automation_headers(automation, url);
    EXPECT_EQ(automation, "Accept: */*" + tail + "\r\nUser-Agent: " + std::string(kDefaultAgent));
}

TEST(HttpHeaders, WireLinesDropBlanksNamelessLinesAndTheAgent) {
    std::string completed =
        "\r\nUser-Agent:X\r\n\r\nAccept: */*\r\n  padded: 1  \r\nno colon\r\nEmpty:  \r\n"
        "user-agent: y\r\nBare\nLF: 2";
    // A bare LF is no separator: it is dropped and the line stays one line.
    std::vector<std::string> expected = {"Accept: */*", "padded: 1", "Empty;", "BareLF: 2"};
    EXPECT_EQ(wire_lines(completed), expected);
}

TEST(HttpHeaders, AutomationFieldsReplaceSameNameInPlace) {
    auto fields = automation_fields("A: 1\r\nb:2\r\na : 3\r\n\r\nnothing\r\nC:");
    std::vector<std::pair<std::string, std::string>> expected = {{"A", "3"}, {"b", "2"}, {"C", ""}};
    EXPECT_EQ(fields, expected);
}

TEST(HttpHeaders, CookiesOfAnAnswerHeaderBlock) {
    struct Case {
        const char* name;
        std::string block;
        std::string cookies;
    };
    const Case cases[] = {
        {"two, lower case with a path first",
         "HTTP/1.1 200 OK\r\nset-cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n", "a=1; b=2"},
        {"mixed spellings and blanks", "SET-COOKIE:  c=3 ;Domain=x\r\nSet-cookie:d=4\r\n",
         "c=3; d=4"},
        {"none", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
        {"empty ones carry nothing", "Set-Cookie: ;path=/\r\nSet-Cookie: e=5\r\n", "e=5"},
        {"a header that merely mentions the name", "X-Set-Cookie-Note: f=6\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(collect_cookies(normalise_answer_headers(c.block)), c.cookies);
    }
}

TEST(HttpHeaders, TargetOfAnAddress) {
    struct Case {
        std::string url;
        bool ok;
        std::string host;
        int port;
        std::string path;
        std::string transfer;
    };
    const Case cases[] = {
        {"https://Secure.Example:8443/cgi-bin/x?a=1&b=2", true, "secure.example", 8443,
         "/cgi-bin/x?a=1&b=2", "https://secure.example:8443/cgi-bin/x?a=1&b=2"},
        {"http://plain.example", true, "plain.example", 80, "/", "http://plain.example:80/"},
        {"HTTPS://a.b/", true, "a.b", 443, "/", "https://a.b:443/"},
        {"http://h/a b\x01?q", true, "h", 80, "/a b\x01?q", "http://h:80/a%20b%01?q"},
        {"http://tt/x", true, "tt", 80, "/x", "http://tt:80/x"},
        {"http://h:0/", false, "h", 0, "/", ""},
        {"http:///x", false, "", 80, "/x", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        Target t = target_of(c.url);
        EXPECT_EQ(t.ok, c.ok);
        EXPECT_EQ(t.host, c.host);
        EXPECT_EQ(t.port, c.port);
        EXPECT_EQ(t.path, c.path);
        EXPECT_EQ(t.transfer_url, c.transfer);
    }
    EXPECT_EQ(method_text(0), "GET");
    EXPECT_EQ(method_text(1), "POST");
    EXPECT_EQ(method_text(2), "HEAD");
    EXPECT_EQ(method_text(-3), "GET");
}

}  // namespace
}  // namespace quillet::http
