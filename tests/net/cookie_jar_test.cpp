// Cookie texts, the platform cookie store operations and the shared cookie
// variable.
#include "net/cookie_jar.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "net/cookie_var.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

TEST(MergeCookies, FreshFirstThenSurvivingOldPairs) {
    struct Case {
        const char* name;
        std::string cookie, fresh, merged, fresh_after;
    };
    const Case cases[] = {
        {"redefine one of two, add a third", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3;c=4"},
        {"deleted removes the cookie", "a=1; b=2", "b=deleted", "a=1", "b=deleted"},
        {"deleting the only cookie leaves nothing", "a=1", "a=deleted", "", "a=deleted"},
        {"spaces go, also inside values", "a = 1 2;  b=x y", "", "a=12; b=xy", ""},
        {"exact duplicates dropped", "a=1; a=1; b=2; a=1", "c=1; c=1", "c=1; a=1; b=2", "c=1;c=1"},
        {"same name twice in an answer stays twice", "a=0", "a=1; a=2", "a=1; a=2", "a=1;a=2"},
        {"names are case-sensitive", "A=1", "a=2", "a=2; A=1", "a=2"},
        {"empty pieces and a trailing ; carry nothing", "a=1;;b=2;", ";", "a=1; b=2", ";"},
        {"a pair without =", "flag; a=1", "flag", "flag; a=1", "flag"},
        {"both empty", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string cookie = c.cookie, fresh = c.fresh;
        EXPECT_EQ(merge_cookies(cookie, fresh), c.merged);
        EXPECT_EQ(cookie, c.merged);
        EXPECT_EQ(fresh, c.fresh_after);
        EXPECT_EQ(merge_cookies_copy(c.cookie, c.fresh), c.merged);
    }
}

TEST(CookieValue, FindsByNameIgnoringCase) {
    struct Case {
        const char* name;
        std::string cookie, wanted;
        std::string pair, value;
    };
    const Case cases[] = {
        {"case differs: pair spelled as asked", "uin=o123; SKEY=@abc", "skey", "skey=@abc", "@abc"},
        {"absent", "uin=o123", "skey", "", ""},
        {"present but empty", "skey=; uin=o1", "skey", "", ""},
        {"two = give the text after the second", "k=x=y", "k", "k=y", "y"},
        {"= then : give the text between", "p=12:34:56; q=1", "p", "p=12", "12"},
        {"the first match wins", "a=1; A=2", "a", "a=1", "1"},
        {"blanks around pairs", "  a=1 ;  b=2 ", "B", "B=2", "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CookieJar::cookie_value_copy(c.cookie, c.wanted), c.pair);
        EXPECT_EQ(CookieJar::cookie_value_copy(c.cookie, c.wanted, true), c.value);
    }
    std::string cookie = "  a=1 ";
    CookieJar::cookie_value(cookie, "a");
    EXPECT_EQ(cookie, "a=1;");
}

TEST(CookieDate, NothingIsPadded) {
    EXPECT_EQ(CookieJar::cookie_date({2088, 8, 8, 8, 0, 0}), "Sun, 8-Aug-2088 8:0:0 GMT");
    EXPECT_EQ(CookieJar::cookie_date({1999, 1, 1, 1, 1, 1}), "Fri, 1-Jan-1999 1:1:1 GMT");
    EXPECT_EQ(CookieJar::cookie_date({2016, 10, 19, 15, 43, 30}), "Wed, 19-Oct-2016 15:43:30 GMT");
    EXPECT_EQ(CookieJar::cookie_date({2024, 12, 31, 23, 59, 9}), "Tue, 31-Dec-2024 23:59:9 GMT");
}

// A store that records every write and keeps the cookies in memory.
class RecordingStore : public PlatformCookieStore {
  public:
    std::string read(std::string_view address, bool include_http_only) override {
        return memory.read(address, include_http_only);
    }
    bool write(std::string_view address, std::string_view name, std::string_view data) override {
        writes.push_back(std::string(address) + " | " + std::string(name) + " | " +
                         std::string(data));
        return memory.write(address, name, data);
    }
    MemoryCookieStore memory;
    std::vector<std::string> writes;
};

TEST(PlatformCookies, ReadMergesHttpOnlyCookiesOfTheHostAndItsDomain) {
    MemoryCookieStore store;
    store.put("qq.com", "uin", "o123");
    store.put("qq.com", "skey", "@k", /*http_only=*/true);
    store.put("ptlogin2.qq.com", "pt4", "x");
    store.put("game.qq.com", "elsewhere", "1");
    store.put("other.com", "foreign", "1");
    CookieJar jar(store);
    EXPECT_EQ(jar.read_platform_cookies("ptlogin2.qq.com"), "uin=o123; skey=@k; pt4=x");
    EXPECT_EQ(jar.read_platform_cookies("ptlogin2.qq.com", "SKEY"), "SKEY=@k");
    EXPECT_EQ(store.read("http://ptlogin2.qq.com/", false), "uin=o123; pt4=x");
    EXPECT_EQ(jar.read_platform_cookies("nothing.example"), "");
}

TEST(PlatformCookies, SetWritesForTheHostThenItsDomain) {
    struct Case {
        const char* name;
        std::string address, cookie_name, value;
        DateTime expires;
        std::vector<std::string> writes;
    };
    const std::string host = "http://ptlogin2.qq.com | ";
    const Case cases[] = {
        {"default expiry",
         "http://ptlogin2.qq.com:8080/x?y",
         "uin",
         "o1",
         CookieJar::kDefaultExpiry,
         {host + "uin | o1; expires=Sun, 8-Aug-2088 8:0:0 GMT; path=/",
          host + "uin | o1; expires=Sun, 8-Aug-2088 8:0:0 GMT; path=/; domain=.qq.com"}},
        {"empty value deletes",
         "ptlogin2.qq.com",
         "uin",
         "",
         CookieJar::kDefaultExpiry,
         {host + "uin | delete; expires=Fri, 1-Jan-1999 1:1:1 GMT; path=/",
          host + "uin | delete; expires=Fri, 1-Jan-1999 1:1:1 GMT; path=/; domain=.qq.com"}},
        {"zero date: a session cookie",
         "ptlogin2.qq.com",
         "a",
         "1",
         CookieJar::kZeroDate,
         {host + "a | 1; path=/", host + "a | 1; path=/; domain=.qq.com"}},
        {"no name: nothing written", "ptlogin2.qq.com", "", "1", CookieJar::kDefaultExpiry, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingStore store;
        CookieJar jar(store);
        EXPECT_TRUE(jar.set_platform_cookie(c.address, c.cookie_name, c.value, c.expires));
        EXPECT_EQ(store.writes, c.writes);
    }
}

TEST(PlatformCookies, StoreCookieTextSignsAPageInAndClearRemovesEverything) {
    RecordingStore store;
    store.memory.put("qq.com", "ptcz", "abc", /*http_only=*/true);
    store.memory.put("other.com", "keep", "1");
    CookieJar jar(store);
    jar.store_cookie_text("ptlogin2.qq.com", " uin=o1; skey=@k;RK=x==; novalue; =1");
    // A value holding "=" (base64 padding) is kept whole.
    EXPECT_EQ(jar.read_platform_cookies("ptlogin2.qq.com"), "ptcz=abc; uin=o1; skey=@k; RK=x==");
    EXPECT_EQ(jar.read_platform_cookies("act.qq.com"), "ptcz=abc; uin=o1; skey=@k; RK=x==");

    store.writes.clear();
    jar.clear_login_cookies("ptlogin2.qq.com");
    EXPECT_EQ(jar.read_platform_cookies("ptlogin2.qq.com"), "");
    EXPECT_EQ(store.memory.read("http://other.com", true), "keep=1");
    ASSERT_EQ(store.writes.size(), 8u);
    EXPECT_EQ(
        store.writes[0],
        "http://ptlogin2.qq.com | ptcz | deleted; expires=Fri, 1-Jan-1999 1:1:1 GMT; path=/;");
    EXPECT_EQ(store.writes[1],
              "http://ptlogin2.qq.com | ptcz | deleted; expires=Fri, 1-Jan-1999 1:1:1 GMT; path=/; "
              "domain=qq.com");
}

TEST(PlatformCookies, ClearingRemovesCookiesAServerSetForTheLoginHostItself) {
    MemoryCookieStore store;
    store.put("ptlogin2.qq.com", "skey", "@k", /*http_only=*/true);
    store.put("ptlogin2.qq.com", "uin", "o1");
    CookieJar jar(store);
    ASSERT_EQ(jar.read_platform_cookies("ptlogin2.qq.com"), "skey=@k; uin=o1");
    jar.clear_login_cookies("ptlogin2.qq.com");
    EXPECT_EQ(jar.read_platform_cookies("ptlogin2.qq.com"), "");
}

TEST(PlatformCookies, MemoryStoreHonoursAttributes) {
    MemoryCookieStore store;
    EXPECT_TRUE(store.write("http://a.qq.com/", "h", "1; path=/; HttpOnly"));
    EXPECT_TRUE(store.write("http://a.qq.com/", "host_only", "2"));
    EXPECT_FALSE(store.write("http://a.qq.com/", "foreign", "3; domain=.example.com"));
    EXPECT_EQ(store.read("http://a.qq.com", false), "host_only=2");
    EXPECT_EQ(store.read("http://a.qq.com", true), "h=1; host_only=2");
    EXPECT_EQ(store.read("http://b.a.qq.com", true), "");  // host-only cookies stay on their host
    EXPECT_TRUE(store.write("http://a.qq.com/", "h", "x; max-age=0"));
    EXPECT_TRUE(
        store.write("http://a.qq.com/", "host_only", "9; expires=Wed, 21 Oct 2099 07:28:00 GMT"));
    EXPECT_EQ(store.read("http://a.qq.com", true), "host_only=9");
}

TEST(PlatformCookies, MemoryStoreReadsExpiryAgainstItsClock) {
    // The same expiry date is past for one clock and still ahead for another.
    FixedClock before({2020, 1, 1, 0, 0, 0});
    FixedClock after({2031, 1, 1, 0, 0, 0});
    const std::string data = "v; expires=Wed, 1-Jan-2025 0:0:0 GMT; path=/";
    MemoryCookieStore early(before), late(after);
    EXPECT_TRUE(early.write("http://a.qq.com/", "k", data));
    EXPECT_TRUE(late.write("http://a.qq.com/", "k", data));
    EXPECT_EQ(early.read("http://a.qq.com", true), "k=v");
    EXPECT_EQ(late.read("http://a.qq.com", true), "");
}

TEST(CookieFile, ProblemsOfACookieFileText) {
    struct Case {
        const char* name;
        std::string text;
        const char* problem;  // a word the message must hold; null: usable
    };
    const Case cases[] = {
        {"one line", "uin=o1; skey=@abc", nullptr},
        {"trailing LF", "uin=o1; skey=@abc\n", nullptr},
        {"trailing CR LF", "uin=o1; skey=@abc\r\n", nullptr},
        {"skey in another case", "SKEY=@abc", nullptr},
        {"line break inside", "uin=o1;\r\nX-Injected: 1; skey=@abc", "line break"},
        {"bare LF inside", "skey=@abc\nX: 1", "line break"},
        {"bare CR inside", "skey=@abc\rX: 1", "line break"},
        {"two trailing line breaks", "skey=@abc\n\n", "line break"},
        {"empty", "", "empty"},
        {"blank line only", " \n", "empty"},
        {"no skey", "uin=o1; ptcz=x", "skey"},
        {"skey without a value", "uin=o1; skey=", "skey"},
        {"control byte", std::string("skey=@a\0bc", 10), "control"},
        {"escape byte", "skey=@a\x1b[2Jbc", "control"},
        {"too large", "skey=@abc; pad=" + std::string(17 * 1024, 'x'), "16 KiB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<std::string> problem = cookie_file_problem(c.text);
        if (!c.problem) {
            EXPECT_FALSE(problem.has_value()) << *problem;
            continue;
        }
        ASSERT_TRUE(problem.has_value());
        EXPECT_NE(problem->find(c.problem), std::string::npos) << *problem;
        EXPECT_EQ(problem->find('\n'), std::string::npos);
        // The message never repeats the cookie text (it is a credential).
        EXPECT_EQ(problem->find("@a"), std::string::npos);
    }
}

TEST(CookieVarTest, ConcurrentMergesLoseNothing) {
    CookieVar cookie("base=0");
    constexpr int kThreads = 4, kEach = 60;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                cookie.merge("t" + std::to_string(t) + "_" + std::to_string(i) + "=v");
        });
    }
    for (auto& th : threads) th.join();
    std::vector<std::string> pairs = split(cookie.get(), "; ");
    EXPECT_EQ(pairs.size(), static_cast<size_t>(kThreads * kEach + 1));
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kEach; ++i)
            EXPECT_TRUE(
                contains(cookie.get(), "t" + std::to_string(t) + "_" + std::to_string(i) + "=v"));
    EXPECT_EQ(pairs.back(), "base=0");
}

}  // namespace
}  // namespace quillet
