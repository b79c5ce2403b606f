#include "ui/desktop_notification.h"

#include <QPointer>
#include <QThreadPool>
#include <QVariantMap>
#include <cstdlib>
#include <filesystem>

#include "ledger/pass_summary.h"
#include "main/application.h"
#include "main/window_controllers.h"
#include "platform/folders.h"
#include "ui/form_window.h"
#include "ui/qt_view.h"

#ifdef QUILLET_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#endif

namespace quillet {

namespace {

// A bus that is not there must never be started for us (libdbus would try
// to launch one): only an address given, or the usual per-user socket.
bool session_bus_named() {
    const auto address = platform::env("DBUS_SESSION_BUS_ADDRESS");
    if (address && !address->empty()) return true;
    const auto runtime = platform::env("XDG_RUNTIME_DIR");
    std::error_code ec;
    return runtime && !runtime->empty() &&
           std::filesystem::exists(platform::path_from_utf8(*runtime) / "bus", ec);
}

QString pass_text(const PassSummary& s) {
    QString text =
        QString::fromUtf8("一键领取结束：共领取 %1 次，获得 %2 次，未获得 %3 次，失败 %4 次")
            .arg(s.tried)
            .arg(s.given)
            .arg(s.nothing_given)
            .arg(s.failed);
    if (!s.received.empty()) {
        QStringList names;
        for (const std::string& name : s.received) names << QString::fromStdString(name);
        text += QString::fromUtf8("。获得：") + names.join(QString::fromUtf8("、"));
    }
    return text;
}

}  // namespace

bool send_desktop_notification(const QString& title, const QString& body) {
#ifdef QUILLET_HAVE_DBUS
    if (!session_bus_named()) return false;
    // Connecting to the bus is a round trip: a pool thread does it.
    QThreadPool::globalInstance()->start([title, body] {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return;
        QDBusMessage call = QDBusMessage::createMethodCall(
            "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
            "org.freedesktop.Notifications", "Notify");
        call.setAutoStartService(false);
        call << QStringLiteral("Quillet") << 0u << QString() << title << body << QStringList()
             << QVariantMap() << -1;
        // No answer is awaited: without a service the bus's error is dropped.
        bus.send(call);
    });
    return true;
#else
    (void)title;
    (void)body;
    return false;
#endif
}

void notify_passes_on_desktop(Application& app, QtView& view, NotificationSender send) {
    QPointer<QtView> target(&view);
    app.program().pass_ended = [target, send](const PassSummary& summary) {
        // Told on the pass's worker: the window is asked on its own thread.
        if (!target) return;
        const QString body = pass_text(summary);
        QMetaObject::invokeMethod(
            target.data(),
            [target, send, body] {
                if (!target) return;
                FormWindow* main = target->form(Window::Main);
                if (main == nullptr || main->isActiveWindow()) return;
                send(QStringLiteral("Quillet"), body);
            },
            Qt::QueuedConnection);
    };
}

}  // namespace quillet
