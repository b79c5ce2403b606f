#pragma once
// The notification command: a user's shell command that is handed the pass's
// summary on its standard input (to forward it by mail, a chat hook, ...).
// Whatever it does, it never changes the pass's result.
#include <string>

namespace quillet {

struct NotifyResult {
    bool started = false;
    bool timed_out = false;  // still running at the limit: its process group was killed
    int status = -1;         // exit status; -1 when killed by a signal or not started
    std::string error;       // why it could not start
};

// Runs command through the shell (/bin/sh -c; cmd.exe on Windows) in a
// process group (a job object) of its own with text on its standard input;
// its standard output goes to our standard error (ours carries the program's
// own lines). Waits at most limit_ms, then kills the group.
NotifyResult run_notify_command(const std::string& command, const std::string& text,
                                int limit_ms = 10000);

}  // namespace quillet
