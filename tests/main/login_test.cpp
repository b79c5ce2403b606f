// The QQ login: landing detection, the cookies the session takes from the
// platform store, and the failure when the store holds none.
#include "main/login.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "net/cookie_jar.h"
#include "tests/support/session_bed.h"
#include "text/text_ops.h"

namespace quillet::testing {
namespace {

class FakeLoginBrowser : public LoginBrowser {
  public:
    void navigate(const std::string& address) override {
        navigations.push_back(address);
        address_ = address;
    }
    std::string current_address() override { return address_; }
    void land(const std::string& address) { address_ = address; }
    std::vector<std::string> navigations;

  private:
    std::string address_;
};

class Login : public ::testing::Test, public SessionBed {
  protected:
    FakeLoginBrowser browser;

    // As the login page leaves them: some for the login host alone, some for
    // its whole domain, skey HttpOnly.
    void put_login_cookies() {
        store.write("http://ptlogin2.qq.com", "uin", "o0012345678; path=/; domain=qq.com");
        store.write("http://ptlogin2.qq.com", "skey",
                    "@Ab3dEfGhI; path=/; domain=qq.com; HttpOnly");
        store.write("http://ptlogin2.qq.com", "RK", "rkvalue; path=/");
    }
};

TEST_F(Login, ResetForgetsTheLoginClearsTheHostsCookiesAndOpensTheLoginPage) {
    put_login_cookies();
    s.state.logged_in = true;
    view.show_window(Window::Login, false);
    reset_login_page(s, browser);
    EXPECT_FALSE(s.state.logged_in);
    EXPECT_EQ(CookieJar(store).read_platform_cookies("ptlogin2.qq.com"), "");
    ASSERT_EQ(browser.navigations.size(), 1u);
    EXPECT_EQ(browser.navigations[0],
              "https://xui.ptlogin2.qq.com/cgi-bin/xlogin?appid=21000124&s_url=http://"
              "apps.game.qq.com&style=34");
}

TEST_F(Login, OnlyTheTwoLandingAddressesCompleteTheLogin) {
    struct Case {
        const char* address;
        bool lands;
    };
    const Case cases[] = {
        {"http://apps.game.qq.com", true},
        {"http://apps.game.qq.com/cgi-bin/x?a=1", true},
        {"http://ptlogin2.game.qq.com/check_sig?uin=1", true},
        {"http://apps.game.qq.com/", true},
        {"http://apps.game.qq.com?next=1", true},
        {"http://apps.game.qq.com#top", true},
        {"http://ptlogin2.game.qq.com/check_sig", true},
        {"http://ptlogin2.game.qq.com/check_sig#x", true},
        // A longer host name or path is another address.
        {"http://apps.game.qq.com.example.evil", false},
        {"http://apps.game.qq.com.example.evil/", false},
        {"http://apps.game.qq.comx/", false},
        {"http://apps.game.qq.com@evil.example/", false},
        {"http://apps.game.qq.com:8080/", false},
        {"http://ptlogin2.game.qq.com/check_sigx", false},
        {"http://ptlogin2.game.qq.com/other", false},
        {"https://apps.game.qq.com", false},
        {"http://APPS.game.qq.com", false},  // the prefix test keeps letter case
        {"https://xui.ptlogin2.qq.com/cgi-bin/xlogin?s_url=http://apps.game.qq.com", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        put_login_cookies();
        s.state.logged_in = false;
        view.show_window(Window::Login, false);
        view.clear_events();
        browser.land(c.address);
        on_login_navigation(s, browser);
        EXPECT_EQ(s.state.logged_in, c.lands);
        EXPECT_EQ(view.is_loaded(Window::Login), !c.lands);
        EXPECT_TRUE(view.messages().empty());
    }
}

TEST_F(Login, LandingTakesTheCookiesOfTheLoginHost) {
    put_login_cookies();
    view.show_window(Window::Login, false);
    browser.land("http://ptlogin2.game.qq.com/check_sig?x=1");
    on_login_navigation(s, browser);
    ASSERT_TRUE(s.state.logged_in);
    const std::string cookie = s.state.cookie.get();
    EXPECT_TRUE(contains(cookie, "uin=o0012345678"));
    EXPECT_TRUE(contains(cookie, "skey=@Ab3dEfGhI"));  // HttpOnly cookies included
    EXPECT_EQ(s.state.skey, "@Ab3dEfGhI");
    EXPECT_EQ(s.state.g_tk, compute_g_tk("@Ab3dEfGhI"));
    // No pt2gguin or ptcz: each contributes "; " alone.
    EXPECT_EQ(s.state.pt_cookie.get(), "; RK=rkvalue; ; uin=o0012345678; skey=@Ab3dEfGhI; ");
}

TEST_F(Login, AnEmptyStoreAfterLandingFailsTheLogin) {
    view.show_window(Window::Login, false);
    browser.land("http://apps.game.qq.com/");
    on_login_navigation(s, browser);
    EXPECT_FALSE(s.state.logged_in);
    EXPECT_FALSE(view.is_loaded(Window::Login));
    EXPECT_EQ(view.messages(), std::vector<std::string>{gbk("登录失败，请检查浏览器设置")});
    // The login was reset behind the message, but the browser of the closed
    // window is not sent anywhere.
    EXPECT_TRUE(browser.navigations.empty());
    EXPECT_EQ(s.state.cookie.get(), "");
}

TEST_F(Login, AClosedLoginWindowsBrowserIsLeftAlone) {
    // Reset with the window gone: the login is forgotten, nothing navigates.
    put_login_cookies();
    s.state.logged_in = true;
    reset_login_page(s, browser);
    EXPECT_FALSE(s.state.logged_in);
    EXPECT_EQ(CookieJar(store).read_platform_cookies("ptlogin2.qq.com"), "");
    EXPECT_TRUE(browser.navigations.empty());

    // A landing the browser reports after its window closed signs nobody in.
    put_login_cookies();
    view.show_window(Window::Login, false);
    view.close_window(Window::Login);
    browser.land("http://apps.game.qq.com/");
    on_login_navigation(s, browser);
    EXPECT_FALSE(s.state.logged_in);
    EXPECT_TRUE(view.messages().empty());
    EXPECT_TRUE(browser.navigations.empty());
}

TEST_F(Login, AKeptCookieTextSignsInAsALandedLoginWould) {
    EXPECT_FALSE(sign_in_from_cookie_text(s, ""));
    EXPECT_FALSE(s.state.logged_in);
    ASSERT_TRUE(sign_in_from_cookie_text(s, "uin=o1; skey=@K; RK=r"));
    EXPECT_TRUE(s.state.logged_in);
    EXPECT_EQ(s.state.skey, "@K");
    // The platform store holds the login host's cookies, as after a login.
    const std::string stored = CookieJar(store).read_platform_cookies("ptlogin2.qq.com");
    EXPECT_TRUE(contains(stored, "skey=@K"));
    EXPECT_TRUE(contains(stored, "uin=o1"));
}

TEST(SignInWithCookies, DerivesSkeyGtkAndThePtCookie) {
    struct Case {
        const char* name;
        const char* cookies;
        const char* skey;
        const char* pt_cookie;
    };
    const Case cases[] = {
        {"p_skey before skey", "p_skey=PSK; uin=o1; skey=@S1; RK=r; ptcz=z; pt2gguin=o1", "@S1",
         "pt2gguin=o1; RK=r; ptcz=z; uin=o1; skey=@S1; "},
        {"skey last", "uin=o2; skey=@S2", "@S2", "; ; ; uin=o2; skey=@S2; "},
        {"skey spelled in capitals", "SKEY=@S3; uin=o3", "@S3", "; ; ; uin=o3; skey=@S3; "},
        {"no skey", "uin=o4; p_skey=PSK; lskey=L", "", "; ; ; uin=o4; ; "},
        {"empty skey", "skey=; uin=o5", "", "; ; ; uin=o5; ; "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SessionState st;
        ASSERT_TRUE(sign_in_with_cookies(st, c.cookies));
        EXPECT_TRUE(st.logged_in);
        EXPECT_EQ(st.cookie.get(), c.cookies);
        EXPECT_EQ(st.skey, c.skey);
        EXPECT_EQ(st.g_tk, compute_g_tk(c.skey));
        EXPECT_EQ(st.pt_cookie.get(), c.pt_cookie);
    }
    SessionState st;
    EXPECT_FALSE(sign_in_with_cookies(st, ""));
    EXPECT_FALSE(st.logged_in);
    SessionState none;
    sign_in_with_cookies(none, "uin=o9");
    EXPECT_EQ(none.g_tk, "5381");
}

}  // namespace
}  // namespace quillet::testing
