// The desktop program's main window against the simulator, driven through
// its widgets as a player would: the first activation fills the header and
// unlocks the actions, the one-click pass locks them while it writes its
// lines, and "更换账号" leads through the login to a fresh main window.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "main/application.h"
#include "main/login.h"
#include "net/cookie_jar.h"
#include "net/hosts.h"
#include "sandbox/sandbox.h"
#include "session/session.h"
#include "tests/support/gbk_literal.h"
#include "ui/form_window.h"
#include "ui/qt_text.h"
#include "ui/qt_view.h"
#include "ui/tests/ui_fixture.h"

namespace quillet {
namespace {

using testing::gbk;
using testing::utf8;
using namespace ctl::main;

// The login window's browser: lands wherever the test says.
class FakeLoginBrowser : public LoginBrowser {
  public:
    void navigate(const std::string& address) override { navigated.push_back(address); }
    std::string current_address() override { return landing; }
    std::vector<std::string> navigated;
    std::string landing;
};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        port = simulator.start(0);
        ASSERT_GT(port, 0);
        dir = std::filesystem::temp_directory_path() /
              ("quillet-ui-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "cookies.txt") << simulator.account_cookie();
        AppOptions o;
        o.cookie_file = (dir / "cookies.txt").string();
        o.config = (dir / "quillet.cfg").string();
        o.connect_to = {"*=127.0.0.1:" + std::to_string(port)};
        BoxHooks hooks = BoxHooks::answered_at_once();
        hooks.message = [this](const std::string& text, const std::string&) {
            messages.push_back(utf8(text));
        };
        view.set_box_hooks(hooks);
        app = std::make_unique<Application>(view, store);
        std::string error;
        ASSERT_TRUE(app->start(o, error)) << error;
        app->set_login_browser(&login);
    }
    void TearDown() override {
        app.reset();
        std::filesystem::remove_all(dir);
    }

    // Runs the window loop from the main window; script runs each time a
    // window is shown. A watchdog closes everything if the script stalls.
    void run(std::function<void(Window, FormWindow*)> script) {
        view.set_shown_hook(std::move(script));
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            ADD_FAILURE() << "the window script stalled";
            for (Window w : {Window::Login, Window::Main})
                if (view.is_loaded(w)) view.close_window(w);
        });
        watchdog.start(60000);
        app->run_signed_in();
    }

    // Calls then() once cond holds (checked every 50 ms).
    void when(std::function<bool()> cond, std::function<void()> then) {
        auto* t = new QTimer(&view);
        QObject::connect(t, &QTimer::timeout, [t, cond, then] {
            if (!cond()) return;
            t->stop();
            t->deleteLater();
            then();
        });
        t->start(50);
    }
    bool ready() { return view.is_loaded(Window::Main) && view.enabled(按钮_更换账号); }
    QPushButton* button(Control c) { return qobject_cast<QPushButton*>(view.widget(c)); }
    QString log_text() {
        auto* log = qobject_cast<QTextEdit*>(view.widget(超级编辑框_日志));
        return log ? log->toPlainText() : QString();
    }

    sandbox::Sandbox simulator;
    int port = 0;
    std::filesystem::path dir;
    MemoryCookieStore store;
    QtView view;
    FakeLoginBrowser login;
    std::unique_ptr<Application> app;
    std::vector<std::string> messages;
};

TEST_F(MainWindowTest, FirstActivationFillsTheHeaderAndUnlocksTheActions) {
    int shown = 0;
    run([&](Window w, FormWindow*) {
        if (w != Window::Main) return;
        ++shown;
        // Until the initialisation has run, every action is locked.
        EXPECT_FALSE(view.enabled(按钮_一键领取));
        EXPECT_EQ(utf8(view.caption(标签_头像_昵称)), "未知");
        when([this] { return ready(); },
             [this] {
                 EXPECT_EQ(utf8(view.caption(标签_头像_昵称)), simulator.account_nickname());
                 EXPECT_NE(utf8(view.caption(标签_头像_大区)), "请绑定大区");
                 EXPECT_EQ(utf8(view.caption(标签_当前版本)), "当前版本：1.1.0.19");
                 for (Control c : {按钮_绑定大区, 按钮_一键领取, 按钮_手动活动, 按钮_Quillet,
                                   超级链接框_CDK兑换, 超级链接框_支持, 超级链接框_反馈})
                     EXPECT_TRUE(view.enabled(c)) << c.name;
                 EXPECT_TRUE(log_text().contains(QString::fromUtf8("登录成功")));
                 view.close_window(Window::Main);
             });
    });
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(view.is_loaded(Window::Main));
}

TEST_F(MainWindowTest, OneClickLocksTheActionsWritesThePassAndUnlocks) {
    bool locked_during_pass = false;
    run([&](Window w, FormWindow*) {
        if (w != Window::Main) return;
        when([this] { return ready(); },
             [&] {
                 const qsizetype before = log_text().size();
                 button(按钮_一键领取)->click();
                 // The handler locks before its worker starts.
                 locked_during_pass = !view.enabled(按钮_一键领取) && !view.enabled(按钮_更换账号);
                 when([this] { return ready(); },
                      [this, before] {
                          const QString added = log_text().mid(before);
                          EXPECT_TRUE(added.contains(QString::fromUtf8("一键领取结束")))
                              << added.toStdString();
                          EXPECT_TRUE(added.contains(QStringLiteral("[1/")));
                          EXPECT_TRUE(view.enabled(按钮_一键领取));
                          view.close_window(Window::Main);
                      });
             });
    });
    EXPECT_TRUE(locked_during_pass);
}

TEST_F(MainWindowTest, SwitchingAccountsShowsTheLoginThenAFreshMainWindow) {
    int mains = 0, logins = 0;
    run([&](Window w, FormWindow*) {
        if (w == Window::Login) {
            ++logins;
            // The login window's creation forgot the login and opened the page.
            EXPECT_FALSE(login.navigated.empty());
            // The player signs in: the landing leaves the account's cookies.
            CookieJar(store).store_cookie_text(app->session().hosts[Host::PTLOGIN],
                                               simulator.account_cookie());
            login.landing = landing_addresses(app->session().hosts).front();
            QTimer::singleShot(0, &view, [this] {
                view.report(ctl::login::超文本浏览框, Event::NavigationComplete, {});
            });
            return;
        }
        if (w != Window::Main) return;
        ++mains;
        // Every main window starts from its initial states.
        EXPECT_EQ(utf8(view.caption(标签_头像_昵称)), "未知");
        EXPECT_EQ(utf8(view.caption(标签_头像_大区)), "请绑定大区");
        EXPECT_FALSE(view.enabled(按钮_一键领取));
        const int n = mains;
        when([this] { return ready(); },
             [this, n] {
                 if (n == 1) {
                     view.set_caption(标签7, "changed");
                     button(按钮_更换账号)->click();
                 } else {
                     EXPECT_NE(view.caption(标签7), "changed");
                     view.close_window(Window::Main);
                 }
             });
    });
    EXPECT_EQ(logins, 1);
    EXPECT_EQ(mains, 2);
}

}  // namespace
}  // namespace quillet
