#pragma once
// The single writer of the log box: "[HH:mm:ss]" in black, then the message
// in its colour and CR LF. Callable from any thread; a call returns when its
// line is in the box, so one job's lines keep their order.
#include <mutex>
#include <string>

#include "session/view.h"
#include "text/clock.h"

namespace quillet {

class LogSink {
  public:
    LogSink(View& view, Clock& clock) : view_(view), clock_(clock) {}
    void append(const std::string& text, Rgb colour);

  private:
    View& view_;
    Clock& clock_;
    // Only ever tried (see append): a caller on the user-interface thread
    // keeps pumping while a worker holding it waits for that thread.
    std::timed_mutex mutex_;
};

}  // namespace quillet
