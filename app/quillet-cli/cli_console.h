#pragma once
// What quillet-cli's commands need of the console, in one place: whether an
// output goes to a terminal, and Ctrl-C turned into a stop request that the
// running work sees (net/stop_signal.h) instead of the process dying with
// files half written.
#include <cstdio>

namespace quillet {

class StopSignal;

// Whether the stream is a terminal.
bool is_terminal(std::FILE* stream);

// While alive, Ctrl-C (SIGINT) requests `signal` instead of ending the
// process; the previous handling comes back afterwards.
class InterruptToStop {
  public:
    explicit InterruptToStop(StopSignal& signal);
    ~InterruptToStop();
    InterruptToStop(const InterruptToStop&) = delete;
    InterruptToStop& operator=(const InterruptToStop&) = delete;
    // Whether Ctrl-C came while alive.
    bool interrupted() const;
};

// The exit status of a command the user interrupted (128 + SIGINT, as shells
// report it).
inline constexpr int kExitInterrupted = 130;

}  // namespace quillet
