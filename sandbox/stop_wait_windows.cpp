#include <windows.h>

#include "sandbox/stop_wait.h"

namespace quillet::sandbox {
namespace {

HANDLE stop_event() {
    static HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

// Runs on a thread of its own when the console asks us to stop.
BOOL WINAPI on_console(DWORD) {
    SetEvent(stop_event());
    return TRUE;
}

}  // namespace

StopWait::StopWait() {
    stop_event();
    SetConsoleCtrlHandler(on_console, TRUE);
}

void StopWait::wait() {
    WaitForSingleObject(stop_event(), INFINITE);
}

}  // namespace quillet::sandbox
