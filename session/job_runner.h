#pragma once
// Starts each job on a worker thread of its own and joins every worker before
// it is destroyed, so no thread outlives the session objects it uses. A stop
// request (a window closing) is seen by every job of the runner: between
// requests, and by the HTTP engine inside a request.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "net/stop_signal.h"

namespace quillet {

class JobRunner {
  public:
    JobRunner() = default;
    ~JobRunner() { join_all(); }
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    void start(std::function<void()> job);
    // Waits for every job started so far (and any they start meanwhile).
    void join_all();
    // Waits likewise while calling pump between short sleeps: used on the
    // user-interface thread, whose workers may be waiting for it to take a
    // control change or a log line.
    void wait_idle(const std::function<void()>& pump);
    // Jobs started and not yet finished.
    size_t running() const;

    // Asks every running job to end early; their requests are cut short and
    // give empty answers. The request holds until all jobs have ended (the
    // next wait_idle or join_all that finds them drained clears it), so the
    // next window's jobs run normally.
    void request_stop() { stop_.request(); }
    bool stop_requested() const { return stop_.requested(); }

  private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    // Joins the workers whose job has ended (their threads hold resources
    // until joined). Needs mutex_ held by the caller.
    std::vector<std::thread> take_finished_locked();

    mutable std::mutex mutex_;
    std::vector<Worker> threads_;
    StopSignal stop_;
};

}  // namespace quillet
