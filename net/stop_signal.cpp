#include "net/stop_signal.h"

namespace quillet {
namespace {

thread_local const StopSignal* installed = nullptr;

}  // namespace

const StopSignal* current_stop_signal() {
    return installed;
}

bool stop_requested_here() {
    return installed && installed->requested();
}

ScopedStopSignal::ScopedStopSignal(const StopSignal* signal) : previous_(installed) {
    installed = signal;
}

ScopedStopSignal::~ScopedStopSignal() {
    installed = previous_;
}

}  // namespace quillet
