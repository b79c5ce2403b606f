#include <pthread.h>
#include <signal.h>

#include "sandbox/stop_wait.h"

namespace quillet::sandbox {
namespace {

sigset_t stop_signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

StopWait::StopWait() {
    // Block the stop signals before any thread starts, then wait for them. A
    // shell that starts us in the background leaves SIGINT ignored, and an
    // ignored signal never reaches sigwait: take both back to their default first.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    sigset_t set = stop_signals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void StopWait::wait() {
    sigset_t set = stop_signals();
    int sig = 0;
    sigwait(&set, &sig);
}

}  // namespace quillet::sandbox
