#include "app/quillet-cli/cli_console.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

#include "net/stop_signal.h"

namespace quillet {

namespace {

std::atomic<StopSignal*> g_target{nullptr};
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void on_interrupt(int) {
    g_interrupted = 1;
    if (StopSignal* s = g_target.load()) s->request();
}

using Handler = void (*)(int);
Handler g_previous = SIG_DFL;

}  // namespace

bool is_terminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

InterruptToStop::InterruptToStop(StopSignal& signal) {
    g_interrupted = 0;
    g_target.store(&signal);
    g_previous = std::signal(SIGINT, on_interrupt);
    if (g_previous == SIG_ERR) g_previous = SIG_DFL;
}

InterruptToStop::~InterruptToStop() {
    std::signal(SIGINT, g_previous);
    g_target.store(nullptr);
}

bool InterruptToStop::interrupted() const {
    return g_interrupted != 0;
}

}  // namespace quillet
