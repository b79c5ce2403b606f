// The browser-style cookie store the desktop program keeps in step with the
// embedded browser: which cookies an address gets, in which order, and what
// the CookieJar's writes (set, clear) do to it.
#include "net/cookie_mirror.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quillet {
namespace {

// 2016-10-19 05:43:30 in Shanghai is 2016-10-18 21:43:30 UTC.
constexpr DateTime kNow{2016, 10, 19, 5, 43, 30};

struct Set {
    const char* from;  // the address that sent the line
    const char* line;
};

TEST(CookieMirror, WhatAnAddressGets) {
    struct Case {
        const char* name;
        std::vector<Set> sets;
        const char* address;
        const char* expected;
        bool include_http_only = true;
    };
    const Case cases[] = {
        {"host-only stays on its host", {{"http://a.qq.com/", "h=1"}}, "http://b.a.qq.com/", ""},
        {"domain cookie reaches sub-hosts",
         {{"http://a.qq.com/", "d=1; Domain=qq.com"}},
         "http://x.y.qq.com/",
         "d=1"},
        {"leading dot of Domain is ignored",
         {{"http://a.qq.com/", "d=1; domain=.QQ.com"}},
         "http://qq.com/",
         "d=1"},
        {"a domain that only ends with the same letters does not match",
         {{"http://a.qq.com/", "d=1; Domain=qq.com"}},
         "http://notqq.com/",
         ""},
        {"a domain the host is not in is refused",
         {{"http://a.qq.com/", "d=1; Domain=other.com"}},
         "http://other.com/",
         ""},
        {"a bare top-level domain is refused",
         {{"http://a.qq.com/", "d=1; Domain=com"}},
         "http://b.com/",
         ""},
        {"an IP host gets no parent-domain cookies",
         {{"http://127.0.0.1/", "i=1; Domain=0.0.1"}},
         "http://127.0.0.1/",
         ""},
        {"path prefix at a slash matches",
         {{"http://a.com/", "p=1; Path=/act"}},
         "http://a.com/act/x.html",
         "p=1"},
        {"path prefix inside a segment does not",
         {{"http://a.com/", "p=1; Path=/act"}},
         "http://a.com/action",
         ""},
        {"default path is the folder of the setting address",
         {{"http://a.com/act/page.html?x=1", "p=1"}},
         "http://a.com/act",
         "p=1"},
        {"default path does not reach a sibling folder",
         {{"http://a.com/act/page.html", "p=1"}},
         "http://a.com/other/",
         ""},
        {"longer paths first, then older first",
         {{"http://a.com/", "b=1; Path=/"},
          {"http://a.com/", "c=1; Path=/x/y"},
          {"http://a.com/", "a=1; Path=/"},
          {"http://a.com/", "d=1; Path=/x"}},
         "http://a.com/x/y/z",
         "c=1; d=1; b=1; a=1"},
        {"overwrite keeps the place, takes the value",
         {{"http://a.com/", "a=1"}, {"http://a.com/", "b=1"}, {"http://a.com/", "a=2"}},
         "http://a.com/",
         "a=2; b=1"},
        {"same name on host-only and domain are two cookies",
         {{"http://a.qq.com/", "u=host"}, {"http://a.qq.com/", "u=dom; domain=qq.com"}},
         "http://a.qq.com/",
         "u=host; u=dom"},
        {"secure cookie over plain HTTP is dropped",
         {{"http://a.com/", "s=1; Secure"}},
         "https://a.com/",
         ""},
        {"secure cookie goes to https only",
         {{"https://a.com/", "s=1; Secure"}, {"https://a.com/", "p=1"}},
         "http://a.com/",
         "p=1"},
        {"plain HTTP cannot overwrite a secure cookie",
         {{"https://a.com/", "s=1; Secure"}, {"http://a.com/", "s=2"}},
         "https://a.com/",
         "s=1"},
        {"HttpOnly left out when not asked for",
         {{"http://a.com/", "h=1; HttpOnly"}, {"http://a.com/", "p=1"}},
         "http://a.com/",
         "p=1",
         false},
        {"HttpOnly included when asked for",
         {{"http://a.com/", "h=1; HttpOnly"}, {"http://a.com/", "p=1"}},
         "http://a.com/",
         "h=1; p=1"},
        {"an expiry in the past deletes",
         {{"http://a.com/", "x=1"},
          {"http://a.com/", "x=deleted; expires=Fri, 1-Jan-1999 1:1:1 GMT"}},
         "http://a.com/",
         ""},
        {"expiry is read as GMT: a few hours ahead is still to come",
         {{"http://a.com/", "x=1; expires=Wed, 19 Oct 2016 00:00:00 GMT"}},
         "http://a.com/",
         "x=1"},
        {"expiry is read as GMT: an hour ago is gone",
         {{"http://a.com/", "x=1; expires=Tue, 18 Oct 2016 20:43:30 GMT"}},
         "http://a.com/",
         ""},
        {"Max-Age wins over Expires",
         {{"http://a.com/", "x=1; Expires=Fri, 1-Jan-1999 1:1:1 GMT; Max-Age=60"}},
         "http://a.com/",
         "x=1"},
        {"Max-Age 0 deletes",
         {{"http://a.com/", "x=1"}, {"http://a.com/", "x=1; Max-Age=0"}},
         "http://a.com/",
         ""},
        {"deletion needs the same domain kind and path",
         {{"http://a.com/", "x=1; Path=/p"}, {"http://a.com/", "x=; Path=/; Max-Age=0"}},
         "http://a.com/p",
         "x=1"},
        {"malformed lines are ignored",
         {{"http://a.com/", "novalue"}, {"http://a.com/", "=v"}, {"http://a.com/", "ok=1"}},
         "http://a.com/",
         "ok=1"},
        {"values keep their =, names and values are trimmed",
         {{"http://a.com/", "b64 = YWJj== ; Path=/"}},
         "http://A.COM:8080/?q#f",
         "b64=YWJj=="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FixedClock clock(kNow);
        CookieMirror m(clock);
        for (const Set& s : c.sets) m.set_cookie(s.from, s.line);
        EXPECT_EQ(m.read(c.address, c.include_http_only), c.expected);
    }
}

TEST(CookieMirror, ExpiryIsReadAgainstTheClock) {
    FixedClock clock(kNow);
    CookieMirror m(clock);
    ASSERT_TRUE(m.set_cookie("http://a.com/", "short=1; Max-Age=30"));
    ASSERT_TRUE(m.set_cookie("http://a.com/", "session=1"));
    EXPECT_EQ(m.read("http://a.com/", true), "short=1; session=1");
    clock.advance_ms(29'000);
    EXPECT_EQ(m.read("http://a.com/", true), "short=1; session=1");
    clock.advance_ms(1'000);
    EXPECT_EQ(m.read("http://a.com/", true), "session=1");
    EXPECT_EQ(m.all().size(), 1u);
}

TEST(CookieMirror, DateGrammar) {
    struct Case {
        const char* text;
        std::optional<int64_t> utc;
    };
    const Case cases[] = {
        {"Sun, 8-Aug-2088 8:0:0 GMT", 3742790400},
        {"Fri, 1-Jan-1999 1:1:1 GMT", 915152461},
        {"Wed, 21 Oct 2015 07:28:00 GMT", 1445412480},
        {"Thursday, 01-Jan-70 00:00:01 GMT", 1},
        {"1 jan 2010 00:00:00", 1262304000},
        {"Wed, 21 Oct 2015", std::nullopt},           // no time
        {"Wed, 32 Oct 2015 07:28:00", std::nullopt},  // no such day
        {"Wed, 21 Foo 2015 07:28:00", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parse_cookie_expiry(c.text), c.utc);
    }
}

// The browser's store reports an overwrite as removal, then addition.
TEST(CookieMirror, SignalsFromTheBrowserStore) {
    FixedClock clock(kNow);
    CookieMirror m(clock);
    auto cookie = [](const char* name, const char* value, bool http_only = false) {
        StoredCookie c;
        c.name = name;
        c.value = value;
        c.domain = "qq.com";
        c.host_only = false;
        c.http_only = http_only;
        return c;
    };
    m.added(cookie("uin", "o1"));
    m.added(cookie("skey", "@a", true));
    m.added(cookie("RK", "r"));
    EXPECT_EQ(m.read("http://ptlogin2.qq.com", true), "uin=o1; skey=@a; RK=r");
    EXPECT_EQ(m.read("http://ptlogin2.qq.com", false), "uin=o1; RK=r");

    m.removed("skey", "qq.com", false, "/");
    m.added(cookie("skey", "@b", true));
    EXPECT_EQ(m.read("http://ptlogin2.qq.com", true), "uin=o1; skey=@b; RK=r");

    // A plain removal, then an unrelated addition: the cookie is gone and the
    // newcomer goes last.
    m.removed("uin", "qq.com", false, "/");
    m.added(cookie("ptcz", "z"));
    m.added(cookie("uin", "o2"));
    EXPECT_EQ(m.read("http://ptlogin2.qq.com", true), "skey=@b; RK=r; ptcz=z; uin=o2");

    // A removal of something never seen changes nothing.
    m.removed("nothing", "qq.com", false, "/");
    m.removed("RK", "qq.com", true, "/");  // host-only RK was never there
    EXPECT_EQ(m.read("http://ptlogin2.qq.com", true), "skey=@b; RK=r; ptcz=z; uin=o2");
}

// The cookie jar on top of the mirror, as the login and the activity browser use it.
TEST(CookieMirror, CookieJarStoresReadsAndClears) {
    FixedClock clock(kNow);
    CookieMirror m(clock);
    m.set_cookie("https://xui.ptlogin2.qq.com/cgi-bin/xlogin",
                 "pt2gguin=o1; Path=/; Domain=qq.com");
    m.set_cookie("https://xui.ptlogin2.qq.com/cgi-bin/xlogin",
                 "skey=@k; Path=/; Domain=qq.com; HttpOnly");
    m.set_cookie("https://xui.ptlogin2.qq.com/cgi-bin/xlogin", "RK=r; Path=/; Domain=qq.com");
    m.set_cookie("http://apps.game.qq.com/", "other=host-only");
    CookieJar jar(m);
    EXPECT_EQ(jar.read_platform_cookies("ptlogin2.qq.com"), "pt2gguin=o1; skey=@k; RK=r");
    EXPECT_EQ(jar.read_platform_cookies("ptlogin2.qq.com", "skey"), "skey=@k");

    jar.clear_login_cookies("ptlogin2.qq.com");
    EXPECT_EQ(jar.read_platform_cookies("ptlogin2.qq.com"), "");
    EXPECT_EQ(m.read("http://apps.game.qq.com/", true), "other=host-only");

    // Stored as the activity browser does before it opens a page: the host's
    // own cookie and the domain's, which the pages of the domain get.
    jar.store_cookie_text("ptlogin2.qq.com", "uin=o9; skey=@z");
    EXPECT_EQ(m.read("http://ptlogin2.qq.com/", true), "uin=o9; uin=o9; skey=@z; skey=@z");
    EXPECT_EQ(m.read("http://apps.game.qq.com/act/a.html", true),
              "other=host-only; uin=o9; skey=@z");
    EXPECT_EQ(jar.read_platform_cookies("ptlogin2.qq.com"), "uin=o9; skey=@z");
    jar.clear_login_cookies("ptlogin2.qq.com");
    EXPECT_EQ(m.read("http://ptlogin2.qq.com/", true), "");
}

}  // namespace
}  // namespace quillet
