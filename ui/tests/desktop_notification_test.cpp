// The desktop notification at the end of a one-click pass: sent when the
// player is in another window, not when MainWindow is the active one, and
// never an attempt without a session bus.
#include "ui/desktop_notification.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "main/application.h"
#include "net/cookie_jar.h"
#include "session/session.h"
#include "ui/form_window.h"
#include "ui/qt_view.h"
#include "ui/tests/ui_fixture.h"

namespace quillet {
namespace {

using namespace ctl::main;

TEST(DesktopNotification, NothingIsSentWithoutASessionBus) {
    const char* saved = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string keep = saved ? saved : "";
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    // The test's runtime folder has no bus socket.
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(send_desktop_notification("Quillet", "x"));
    EXPECT_LT(t.elapsed(), 1000);
    if (saved) setenv("DBUS_SESSION_BUS_ADDRESS", keep.c_str(), 1);
}

// A pass over the simulator; other_window_active: the player has moved to
// another window when it ends. Returns the bodies handed to the sender.
std::vector<QString> pass_with(bool other_window_active) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("quillet-notify-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    setenv("QUILLET_DATA_HOME", (dir / "data").c_str(), 1);
    QtView view;
    view.set_box_hooks(BoxHooks::answered_at_once());
    MemoryCookieStore store;
    std::vector<QString> sent;
    {
        Application app(view, store);
        AppOptions o;
        o.sandbox = true;
        o.config = (dir / "quillet.cfg").string();
        std::string error;
        EXPECT_TRUE(app.start(o, error)) << error;
        notify_passes_on_desktop(app, view, [&sent](const QString& title, const QString& body) {
            EXPECT_EQ(title, QStringLiteral("Quillet"));
            sent.push_back(body);
        });
        QWidget other;
        bool clicked = false;
        QTimer poll, watchdog;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!view.is_loaded(Window::Main) || !view.enabled(按钮_更换账号)) return;
            if (!clicked) {
                clicked = true;
                if (other_window_active) {
                    other.show();
                    other.activateWindow();
                } else {
                    view.form(Window::Main)->activateWindow();
                }
                qobject_cast<QPushButton*>(view.widget(按钮_一键领取))->click();
                return;
            }
            // The pass's worker tells of its end before it finishes, so once
            // no job runs the notification is queued, and the close goes
            // behind it.
            if (app.session().jobs.running() != 0) return;
            poll.stop();
            QTimer::singleShot(0, &view, [&view] { view.close_window(Window::Main); });
        });
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            ADD_FAILURE() << "the pass never ended";
            if (view.is_loaded(Window::Main)) view.close_window(Window::Main);
        });
        view.set_shown_hook([&](Window w, FormWindow*) {
            if (w != Window::Main) return;
            poll.start(20);
            watchdog.start(60000);
        });
        app.run_signed_in();
    }
    unsetenv("QUILLET_DATA_HOME");
    std::filesystem::remove_all(dir);
    return sent;
}

TEST(DesktopNotification, APassEndingWhileThePlayerIsElsewhereIsNotified) {
    const std::vector<QString> sent = pass_with(true);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].startsWith(QString::fromUtf8("一键领取结束：共领取 ")))
        << sent[0].toStdString();
}

TEST(DesktopNotification, APassEndingInTheActiveMainWindowIsNot) {
    EXPECT_TRUE(pass_with(false).empty());
}

}  // namespace
}  // namespace quillet
