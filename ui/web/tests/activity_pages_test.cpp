// The activity browser's pages in real web views: signed in with the
// session's cookies, cleaned up after loading, one tab per title, and a
// hostile selector from the menu file left inert.
#include <QTabWidget>
#include <QWebEngineView>

#include "main/login.h"
#include "main/window_controllers.h"
#include "session/session.h"
#include "text/gbk.h"
#include "ui/web/tests/web_fixture.h"
#include "ui/web/web_browser_port.h"
#include "vendor_services/activity_browser.h"
#include "vendor_services/remote_menu.h"

namespace quillet::webtest {
namespace {

// Two groups as the vendor writes them; the second page's remove selector
// tries to break out of its string.
constexpr const char* kMenu =
    "[{title:'兑换活动',remove:'',scroll:'',child:["
    "{title:'积分兑换中心',remove:'.ad_banner',scroll:'#main',url:'http://cf.qq.com/act/a1/"
    "index.htm'},"
    "{title:'道具回收站',remove:\"x'),document.title='pwned',$('.footer\",scroll:'',"
    "url:'http://cf.qq.com/act/a2/hs.htm'}]}]";

class ActivityPagesTest : public WebFixture {
  protected:
    void SetUp() override {
        WebFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(sign_in_from_cookie_text(app_->session(), box().account_cookie()));
        ASSERT_TRUE(app_->menu().fill(app_->session(), utf8_to_gbk(kMenu)));
    }

    WebBrowserPort& port() { return browsers_->pages(); }
    QTabWidget* tabs() { return qobject_cast<QTabWidget*>(view_->widget(ctl::browser::选择夹)); }

    // Opens a page as its menu item does and waits for its document.
    int open(const char* title_utf8) {
        const MenuPage page = app_->menu().find(utf8_to_gbk(title_utf8));
        EXPECT_FALSE(page.url.empty()) << title_utf8;
        app_->menu().set_current_page(page);
        if (view_->is_loaded(Window::ActivityBrowser))
            app_->program().activity_browser->open_page_in_browser(page);
        else
            view_->show_window(Window::ActivityBrowser, false);
        const int k = port().current_tab();
        EXPECT_TRUE(wait_until([&] { return port().has_document(k); }));
        return k;
    }

    QVariant eval(int k, const char* script) {
        return js(port().browser(k)->page(), QString::fromUtf8(script));
    }
};

TEST_F(ActivityPagesTest, PageOpensSignedInAndCleanedUp) {
    const int k = open("积分兑换中心");
    ASSERT_EQ(k, 0);
    // The clean-up runs on the document-loaded event: wait for its effect.
    EXPECT_TRUE(wait_until(
        [&] { return eval(k, "document.querySelectorAll('.ad_banner').length").toInt() == 0; }));
    EXPECT_EQ(eval(k, "document.querySelectorAll('.top_nav').length").toInt(), 1);
    EXPECT_EQ(eval(k, "document.querySelectorAll('#main').length").toInt(), 1);

    bool seen = false;
    for (const auto& r : box().requests()) {
        if (r.host != "cf.qq.com" || r.path != "/act/a1/index.htm") continue;
        seen = true;
        const std::string cookie = r.header("Cookie");
        EXPECT_NE(cookie.find("skey=" + box().account_skey()), std::string::npos);
        EXPECT_NE(cookie.find("uin=o0" + box().account_qq()), std::string::npos);
    }
    EXPECT_TRUE(seen);
    QWebEngineView* web = port().browser(k);
    EXPECT_TRUE(web->isVisible());
    EXPECT_EQ(web->geometry().topLeft(), QPoint(1, 24));
    // The page came through the engine's host rules, yet the programs ours
    // start no longer find them in the environment.
    EXPECT_FALSE(qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"));
}

TEST_F(ActivityPagesTest, OneTabPerTitleAndSwitching) {
    const int first = open("积分兑换中心");
    const int second = open("道具回收站");
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    ASSERT_EQ(tabs()->count(), 2);
    EXPECT_EQ(tabs()->tabText(1), QString::fromUtf8("道具回收站"));
    EXPECT_FALSE(port().browser(0)->isVisible());
    EXPECT_TRUE(port().browser(1)->isVisible());

    // The same title again: its tab, its browser, no second load.
    box().clear_requests();
    app_->program().activity_browser->open_page_in_browser(
        app_->menu().find(utf8_to_gbk("积分兑换中心")));
    EXPECT_EQ(tabs()->count(), 2);
    EXPECT_EQ(port().browser_count(), 2);
    EXPECT_EQ(tabs()->currentIndex(), 0);
    EXPECT_TRUE(port().browser(0)->isVisible());
    EXPECT_FALSE(port().browser(1)->isVisible());
    pump_for(100);
    for (const auto& r : box().requests()) EXPECT_NE(r.path, "/act/a1/index.htm");

    // The user picks the other tab.
    tabs()->setCurrentIndex(1);
    EXPECT_FALSE(port().browser(0)->isVisible());
    EXPECT_TRUE(port().browser(1)->isVisible());
}

TEST_F(ActivityPagesTest, HostileSelectorStaysInert) {
    const int k = open("道具回收站");
    pump_for(300);  // the clean-up has had its chance
    EXPECT_NE(eval(k, "document.title").toString(), QStringLiteral("pwned"));
    EXPECT_EQ(eval(k, "document.querySelectorAll('.footer').length").toInt(), 1);
    EXPECT_EQ(eval(k, "document.querySelectorAll('.ad_banner').length").toInt(), 1);
}

// The main window's hidden 1 x 1 browser loads the vendor's visitor counter
// once per window; it is never shown beyond its one pixel.
TEST_F(ActivityPagesTest, EachMainWindowLoadsTheVisitorCounterOnce) {
    auto counter_loads = [] {
        int n = 0;
        for (const auto& r : box().requests())
            if (r.path == "/cf/tongji.php") ++n;
        return n;
    };
    for (int window = 1; window <= 2; ++window) {
        SCOPED_TRACE(window);
        view_->show_window(Window::Main, false);
        EXPECT_TRUE(wait_until([&] { return counter_loads() == window; }));
        QWidget* holder = view_->widget(ctl::main::超文本浏览框_统计);
        ASSERT_NE(holder, nullptr);
        EXPECT_LE(holder->width() * holder->height(), 1);
        view_->close_window(Window::Main);
        app_->stop_jobs();
    }
}

}  // namespace
}  // namespace quillet::webtest
