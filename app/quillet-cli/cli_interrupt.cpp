#include "app/quillet-cli/cli_interrupt.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <mutex>
#include <thread>

#include "net/stop_signal.h"
#include "session/job_runner.h"

namespace quillet {

namespace {

std::atomic<int> g_signal{0};
std::mutex g_jobs_mutex;  // held while the watcher uses g_jobs
JobRunner* g_jobs = nullptr;
StopSignal* g_stop = nullptr;  // a command's own work, besides the jobs
std::atomic<int> g_done{0}, g_total{0};

sigset_t interrupt_set() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

bool ignored(int sig) {
    struct sigaction current {};
    return sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

InterruptWatch::InterruptWatch() {
    sigset_t set;
    sigemptyset(&set);
    // A shell that starts us in the background (or nohup) leaves SIGINT
    // ignored: that wish stands.
    for (int sig : {SIGINT, SIGTERM})
        if (!ignored(sig)) sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    thread_ = std::thread([this, set] {
        const timespec tick{0, 20'000'000};
        while (!done_.load()) {
            const int sig = sigtimedwait(&set, nullptr, &tick);
            if (sig > 0) {
                int none = 0;
                if (!g_signal.compare_exchange_strong(none, sig)) {
                    // The second one: the user will not wait for the request
                    // under way.
                    static const char kLine[] = "quillet-cli: stopped at once\n";
                    (void)!::write(STDERR_FILENO, kLine, sizeof kLine - 1);
                    ::_exit(128 + none);
                }
            }
            // Asked again at every tick: a job started just after the signal
            // would otherwise clear the request.
            if (g_signal.load() != 0) {
                std::lock_guard lock(g_jobs_mutex);
                if (g_jobs != nullptr) g_jobs->request_stop();
                if (g_stop != nullptr) g_stop->request();
            }
        }
    });
}

InterruptWatch::~InterruptWatch() {
    stop_jobs_of(nullptr);
    done_.store(true);
    thread_.join();
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
    if (sig == SIGINT) return "SIGINT";
    if (sig == SIGTERM) return "SIGTERM";
    return "signal " + std::to_string(sig);
}

void unblock_interrupts_in_child() {
    const sigset_t set = interrupt_set();
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
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
