#pragma once
// SIGINT and SIGTERM stop quillet-cli's work between two requests: the
// signals are taken by a thread of their own (no other thread sees them, so
// no system call elsewhere is cut short), which asks the session's jobs to
// stop; the command then ends with a closing line and exit status 130 (SIGINT)
// or 143 (SIGTERM). A second signal ends the program at once.
#include <string>

#include "platform/interrupts.h"

namespace quillet {

class JobRunner;
class StopSignal;

class InterruptWatch {
  public:
    // Blocks both signals in the calling thread (and so in every thread it
    // starts later) and starts the watching thread: call it before any other
    // thread starts. A signal the parent left ignored stays ignored.
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // The runner whose jobs a signal stops (null: none, as before the
    // runner is destroyed).
    void stop_jobs_of(JobRunner* jobs);

  private:
    platform::InterruptWatch watch_;
};

// While alive, a signal also requests `stop`: for work a command runs on its
// own thread rather than as a job of the session (the QR login's polling).
class StopOnInterrupt {
  public:
    explicit StopOnInterrupt(StopSignal& stop);
    ~StopOnInterrupt();
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;
};

// The signal that interrupted this run; 0 while none has.
int interrupt_signal();
// 128 + the signal; 0 while none has.
int interrupted_status();
// "SIGINT", "SIGTERM".
std::string signal_name(int sig);

// How far the long work of the command got, from its progress reports: the
// last "done of total" seen before the interruption.
void note_progress(int done, int total);
struct InterruptProgress {
    int done = 0, total = 0;
};
InterruptProgress progress_at_interrupt();

// "quillet-cli: scan interrupted by SIGINT after 12 of 41": the closing line.
std::string interrupted_line(const std::string& command);

}  // namespace quillet
