#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/interrupts.h"

namespace quillet::platform {

namespace {

bool ignored(int sig) {
    struct sigaction current {};
    return sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

struct InterruptWatch::Impl {
    std::atomic<bool> done{false};
    std::thread thread;
};

InterruptWatch::InterruptWatch(std::function<void(int)> seen, std::function<void()> tick)
    : impl_(std::make_unique<Impl>()) {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM})
        if (!ignored(sig)) sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    impl_->thread =
        std::thread([impl = impl_.get(), set, seen = std::move(seen), tick = std::move(tick)] {
            const timespec wait{0, 20'000'000};
            while (!impl->done.load()) {
                const int sig = sigtimedwait(&set, nullptr, &wait);
                if (sig == SIGINT) seen(kInterruptSignal);
                if (sig == SIGTERM) seen(kTerminateSignal);
                tick();
            }
        });
}

InterruptWatch::~InterruptWatch() {
    impl_->done.store(true);
    impl_->thread.join();
}

void exit_at_once(const char* line, int status) {
    (void)!::write(STDERR_FILENO, line, std::strlen(line));
    ::_exit(status);
}

}  // namespace quillet::platform
