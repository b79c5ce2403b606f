#pragma once
// What the user-interface tests share: a sink that records every event the
// windows report, and a way to run the event loop until something holds.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "session/events.h"

namespace quillet::testing {

struct SeenEvent {
    std::string control;  // a window's events: the window's name
    std::string what;
    EventArgs args;
};

class RecordingSink : public EventSink {
  public:
    // A window's width and height arrive as args.x and args.y.
    void window_event(Window w, WindowEvent e, int width, int height) override {
        static const char* names[] = {"created", "first activated", "being destroyed",
                                      "size changed"};
        std::lock_guard lock(mutex_);
        EventArgs args;
        args.x = width;
        args.y = height;
        seen_.push_back({std::string(window_name(w)), names[static_cast<int>(e)], args});
        if (on_window) on_window(w, e);
    }
    void control_event(Control c, Event e, const EventArgs& args) override {
        std::lock_guard lock(mutex_);
        seen_.push_back({std::string(c.name), std::to_string(static_cast<int>(e)), args});
    }
    std::vector<SeenEvent> seen() const {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    bool saw(const std::string& control, const std::string& what) const {
        for (const auto& s : seen())
            if (s.control == control && s.what == what) return true;
        return false;
    }
    bool saw(Control c, Event e) const {
        return saw(std::string(c.name), std::to_string(static_cast<int>(e)));
    }
    void clear() {
        std::lock_guard lock(mutex_);
        seen_.clear();
    }
    std::function<void(Window, WindowEvent)> on_window;

  private:
    mutable std::recursive_mutex mutex_;
    std::vector<SeenEvent> seen_;
};

// Processes events until done() holds or the time is up; true when it held.
// Between turns it sleeps a little, leaving the cores to the workers and the
// browser engine's processes the test waits for.
inline bool spin_until(const std::function<bool()>& done, int timeout_ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeout_ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace quillet::testing
