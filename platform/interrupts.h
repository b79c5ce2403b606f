#pragma once
// The user's interrupt (Ctrl-C) and the system's request to end (SIGTERM; a
// Windows console closing or logging off), taken on a thread of their own so
// that no other thread has a call cut short, and told to the program.
#include <functional>
#include <memory>

namespace quillet::platform {

// The numbers exit statuses are made of (128 + n), on every system.
inline constexpr int kInterruptSignal = 2;   // SIGINT, Ctrl-C
inline constexpr int kTerminateSignal = 15;  // SIGTERM, a console closing

class InterruptWatch {
  public:
    // seen(n) is called on the watching thread for each interrupt, tick()
    // about fifty times a second. Start it before any other thread: POSIX
    // blocks the signals in the calling thread and so in every thread it
    // starts later. A signal the parent left ignored (a background job,
    // nohup) stays ignored.
    InterruptWatch(std::function<void(int)> seen, std::function<void()> tick);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Writes a line on standard error and ends the process at once with status,
// from any thread and without taking a lock (the second Ctrl-C).
[[noreturn]] void exit_at_once(const char* line, int status);

}  // namespace quillet::platform
