#pragma once
// The end of a one-click pass told on the desktop when MainWindow is not the
// active window: a notification through the session bus's notification
// service, sent from a pool thread without waiting for an answer. Nothing
// happens without a session bus, a notification service, or (in a build
// without Qt's D-Bus module) at all.
#include <QString>
#include <functional>

namespace quillet {

class Application;
class QtView;

// Queues one notification; false when it cannot be sent at all (no D-Bus in
// this build, no session bus address in the environment). Never blocks.
bool send_desktop_notification(const QString& title, const QString& body);

using NotificationSender = std::function<void(const QString& title, const QString& body)>;

// From now on, every one-click pass of app that ends while view's MainWindow
// is not the active window is handed to send (on the user-interface thread).
void notify_passes_on_desktop(
    Application& app, QtView& view,
    NotificationSender send = [](const QString& t, const QString& b) {
        send_desktop_notification(t, b);
    });

}  // namespace quillet
