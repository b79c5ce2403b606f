// The login against the simulator's real HTTPS page: the page is filled and
// submitted by script as a person would; the landing signs the session in
// with the cookies the page set, HttpOnly ones included.
#include "main/login.h"

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWebEngineView>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "net/cookie_jar.h"
#include "net/hosts.h"
#include "session/session.h"
#include "ui/web/tests/web_fixture.h"
#include "text/gbk.h"
#include "text/text_ops.h"
#include "ui/form_window.h"
#include "ui/web/web_login_browser.h"

namespace quillet::webtest {
namespace {

class LoginTest : public WebFixture {
  protected:
    QWebEngineView* open_login_window() {
        view_->show_window(Window::Login, false);
        QWebEngineView* web = browsers_->login().web_view();
        if (!web) return nullptr;
        const bool loaded = wait_until([&] {
            return starts_with(browsers_->login().current_address(),
                               "https://xui.ptlogin2.qq.com/cgi-bin/xlogin") &&
                   js(web->page(), "document.readyState").toString() == "complete" &&
                   js(web->page(), "!!document.getElementById('u')").toBool();
        });
        return loaded ? web : nullptr;
    }

    void submit(QWebEngineView* web, const std::string& qq, const std::string& password) {
        js(web->page(), QString::fromStdString("document.getElementById('u').value='" + qq +
                                               "';document.getElementById('p').value='" + password +
                                               "';document.getElementById('loginform').submit();"));
    }

    Session& s() { return app_->session(); }
};

// First, before any page of this process has accepted the certificate.
TEST_F(LoginTest, OnlyTheSimulatorsCertificateIsAccepted) {
    // A policy that trusts nothing: the page never shows.
    CertificatePolicy strict;
    auto* page = store_->new_page(strict, nullptr);
    bool finished = false, ok = true;
    QObject::connect(page, &QWebEnginePage::loadFinished, [&](bool r) {
        finished = true;
        ok = r;
    });
    page->load(QUrl(QStringLiteral("https://xui.ptlogin2.qq.com/cgi-bin/xlogin")));
    ASSERT_TRUE(wait_until([&] { return finished; }));
    EXPECT_FALSE(ok);
    delete page;
}

TEST_F(LoginTest, DemoAccountSignsInOnTheRealPage) {
    QWebEngineView* web = open_login_window();
    ASSERT_TRUE(web) << "login page not shown";
    // The view fills the window's browser control.
    EXPECT_EQ(web->parentWidget(), view_->widget(ctl::login::超文本浏览框));
    EXPECT_EQ(web->size(), QSize(373, 300));

    // A picture of the page as the newcomer sees it (the frame after the
    // script's answer needs a moment to be painted).
    pump_for(150);
    const QImage shot = view_->form(Window::Login)->grab().toImage();
    EXPECT_TRUE(shot.save(QStringLiteral(QUILLET_WEB_TEST_OUTPUT "/login-page.png")));

    submit(web, box().account_qq(), "anything");
    ASSERT_TRUE(wait_until([&] { return s().state.logged_in.load(); }));
    EXPECT_FALSE(view_->is_loaded(Window::Login));
    EXPECT_TRUE(messages_.empty());

    const std::string cookie = s().state.cookie.get();
    EXPECT_EQ(cookie, box().account_cookie());  // skey (HttpOnly) included
    EXPECT_EQ(s().state.skey, box().account_skey());
    EXPECT_EQ(s().state.g_tk, compute_g_tk(box().account_skey()));
    std::string pt;
    for (const char* name : {"pt2gguin", "RK", "ptcz", "uin", "skey"})
        pt += CookieJar::cookie_value_copy(cookie, name) + "; ";
    EXPECT_EQ(s().state.pt_cookie.get(), pt);
    EXPECT_NE(pt.find("skey=" + box().account_skey()), std::string::npos);

    // The landing request itself carried the new cookies.
    bool landed = false;
    for (const auto& r : box().requests())
        if (r.host == "apps.game.qq.com" && r.path == "/")
            landed = r.header("Cookie").find("skey=" + box().account_skey()) != std::string::npos;
    EXPECT_TRUE(landed);
}

TEST_F(LoginTest, WrongQqStaysOnThePage) {
    QWebEngineView* web = open_login_window();
    ASSERT_TRUE(web);
    box().clear_requests();
    submit(web, "10001", "x");
    ASSERT_TRUE(wait_until([&] {
        return js(web->page(), "(document.getElementById('err')||{}).textContent||''")
            .toString()
            .contains(QString::fromUtf8("帐号或密码不正确"));
    }));
    EXPECT_FALSE(s().state.logged_in.load());
    EXPECT_TRUE(view_->is_loaded(Window::Login));
    EXPECT_EQ(CookieJar(s().cookie_store).read_platform_cookies(s().hosts[Host::PTLOGIN]), "");
}

// A second login window starts from an empty store: the page is asked for
// without the last login's cookies, HttpOnly ones included.
TEST_F(LoginTest, NewLoginWindowClearsTheLastLogin) {
    QWebEngineView* web = open_login_window();
    ASSERT_TRUE(web);
    submit(web, box().account_qq(), "x");
    ASSERT_TRUE(wait_until([&] { return s().state.logged_in.load(); }));
    ASSERT_FALSE(
        CookieJar(s().cookie_store).read_platform_cookies(s().hosts[Host::PTLOGIN]).empty());

    box().clear_requests();
    web = open_login_window();
    ASSERT_TRUE(web);
    EXPECT_FALSE(s().state.logged_in.load());
    EXPECT_EQ(CookieJar(s().cookie_store).read_platform_cookies(s().hosts[Host::PTLOGIN]), "");
    bool asked = false;
    for (const auto& r : box().requests()) {
        if (r.path != "/cgi-bin/xlogin") continue;
        asked = true;
        EXPECT_EQ(r.header("Cookie"), "");
    }
    EXPECT_TRUE(asked);
}

// Landing with an empty store is the program's failure, reported once.
TEST_F(LoginTest, LandingWithoutCookiesFails) {
    QWebEngineView* web = open_login_window();
    ASSERT_TRUE(web);
    web->load(QUrl(QStringLiteral("http://ptlogin2.game.qq.com/check_sig")));
    ASSERT_TRUE(wait_until([&] { return !view_->is_loaded(Window::Login); }));
    EXPECT_FALSE(s().state.logged_in.load());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(gbk_to_utf8(messages_[0]), "登录失败，请检查浏览器设置");
}

// quillet --save-login: the login window alone, and the landed cookie text in
// an owner-only file.
TEST_F(LoginTest, SaveLoginWritesTheLandedCookies) {
    const auto dir = std::filesystem::path(QUILLET_WEB_TEST_OUTPUT) / "save-login";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "cookies.txt").string();

    // The person at the page: fills it in once it has loaded.
    QPointer<QWebEngineView> watched;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        QWebEngineView* web = browsers_->login().web_view();
        if (!web || web == watched) return;
        watched = web;
        QObject::connect(web->page(), &QWebEnginePage::loadFinished, web, [this, web](bool ok) {
            if (ok && web->url().path() == QStringLiteral("/cgi-bin/xlogin"))
                submit(web, box().account_qq(), "pw");
        });
    });
    person.start(5);
    QTimer::singleShot(20000, [&] { view_->close_window(Window::Login); });  // never hang

    std::string error;
    ASSERT_EQ(save_login(*app_, *view_, file, error), 0) << error;
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), box().account_cookie());
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_FALSE(view_->is_loaded(Window::Main));  // the login window only
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quillet::webtest
