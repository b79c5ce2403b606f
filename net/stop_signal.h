#pragma once
// A stop request that a job's whole call chain can see. The job runner owns
// one signal and installs it on each of its worker threads; code below the
// session (the HTTP engine, a loop of requests) asks the calling thread's
// signal whether to give up, so a window that closes while its jobs run does
// not wait for their requests to time out.
#include <atomic>

namespace quillet {

class StopSignal {
  public:
    void request() { requested_.store(true); }
    void reset() { requested_.store(false); }
    bool requested() const { return requested_.load(); }

  private:
    std::atomic<bool> requested_{false};
};

// The signal installed on the calling thread; null when none is.
const StopSignal* current_stop_signal();
// True when the calling thread's signal asks its work to stop.
bool stop_requested_here();

// Installs a signal on the calling thread for its lifetime, then puts back
// what was there before.
class ScopedStopSignal {
  public:
    explicit ScopedStopSignal(const StopSignal* signal);
    ~ScopedStopSignal();
    ScopedStopSignal(const ScopedStopSignal&) = delete;
    ScopedStopSignal& operator=(const ScopedStopSignal&) = delete;

  private:
    const StopSignal* previous_;
};

}  // namespace quillet
