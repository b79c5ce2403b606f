#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/interrupts.h"

namespace quillet::platform {

namespace {

// The console calls its handlers on a thread it starts for the event.
std::function<void(int)>* g_seen = nullptr;

BOOL WINAPI on_console_event(DWORD event) {
    if (g_seen == nullptr) return FALSE;
    switch (event) {
        case CTRL_C_EVENT:
            (*g_seen)(kInterruptSignal);
            return TRUE;
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            (*g_seen)(kTerminateSignal);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

struct InterruptWatch::Impl {
    std::atomic<bool> done{false};
    std::function<void(int)> seen;
    std::thread thread;
};

InterruptWatch::InterruptWatch(std::function<void(int)> seen, std::function<void()> tick)
    : impl_(std::make_unique<Impl>()) {
    impl_->seen = std::move(seen);
    g_seen = &impl_->seen;
    SetConsoleCtrlHandler(on_console_event, TRUE);
    impl_->thread = std::thread([impl = impl_.get(), tick = std::move(tick)] {
        while (!impl->done.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            tick();
        }
    });
}

InterruptWatch::~InterruptWatch() {
    SetConsoleCtrlHandler(on_console_event, FALSE);
    g_seen = nullptr;
    impl_->done.store(true);
    impl_->thread.join();
}

void exit_at_once(const char* line, int status) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(std::strlen(line)), &written,
              nullptr);
    ExitProcess(static_cast<UINT>(status));
}

}  // namespace quillet::platform
