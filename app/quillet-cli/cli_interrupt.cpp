#include "app/quillet-cli/cli_interrupt.h"

#include <atomic>
#include <ctime>
#include <mutex>

#include "net/stop_signal.h"
#include "platform/interrupts.h"
#include "session/job_runner.h"

namespace quillet {

namespace {

std::atomic<int> g_signal{0};
std::mutex g_jobs_mutex;  // held while the watcher uses g_jobs
JobRunner* g_jobs = nullptr;
StopSignal* g_stop = nullptr;  // a command's own work, besides the jobs
std::atomic<int> g_done{0}, g_total{0};

}  // namespace

InterruptWatch::InterruptWatch()
    : watch_(
          [](int sig) {
              int none = 0;
              // The second one: the user will not wait for the request under way.
              if (!g_signal.compare_exchange_strong(none, sig))
                  platform::exit_at_once("quillet-cli: stopped at once\n", 128 + none);
          },
          [] {
              // Asked again at every tick: a job started just after the
              // signal would otherwise clear the request.
              if (g_signal.load() == 0) return;
              std::lock_guard lock(g_jobs_mutex);
              if (g_jobs != nullptr) g_jobs->request_stop();
              if (g_stop != nullptr) g_stop->request();
          }) {}

InterruptWatch::~InterruptWatch() {
    stop_jobs_of(nullptr);
}

void InterruptWatch::stop_jobs_of(JobRunner* jobs) {
    std::lock_guard lock(g_jobs_mutex);
    g_jobs = jobs;
}

StopOnInterrupt::StopOnInterrupt(StopSignal& stop) {
    std::lock_guard lock(g_jobs_mutex);
    g_stop = &stop;
}

StopOnInterrupt::~StopOnInterrupt() {
    std::lock_guard lock(g_jobs_mutex);
    g_stop = nullptr;
}

int interrupt_signal() {
    return g_signal.load();
}

int interrupted_status() {
    const int sig = g_signal.load();
    return sig == 0 ? 0 : 128 + sig;
}

std::string signal_name(int sig) {
    if (sig == platform::kInterruptSignal) return "SIGINT";
    if (sig == platform::kTerminateSignal) return "SIGTERM";
    return "signal " + std::to_string(sig);
}

void note_progress(int done, int total) {
    // The closing report of work cut short says "total of total": what
    // counts is where it stood when the signal came.
    if (g_signal.load() != 0 && done >= total) return;
    g_done.store(done);
    g_total.store(total);
}

InterruptProgress progress_at_interrupt() {
    return {g_done.load(), g_total.load()};
}

std::string interrupted_line(const std::string& command) {
    std::string line =
        "quillet-cli: " + command + " interrupted by " + signal_name(g_signal.load());
    const InterruptProgress p = progress_at_interrupt();
    if (p.total > 0) line += " after " + std::to_string(p.done) + " of " + std::to_string(p.total);
    return line;
}

}  // namespace quillet
