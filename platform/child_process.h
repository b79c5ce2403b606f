#pragma once
// Starting other programs: a user's shell command fed text on its standard
// input and cut off, children and all, at a time limit; and a program run to
// its end whose output or report comes back to us.
#include <string>
#include <vector>

namespace quillet::platform {

struct ChildResult {
    bool started = false;
    bool timed_out = false;  // still running at the limit: it and its children were killed
    int status = -1;         // exit status; -1 when killed or not started
    std::string error;       // why it could not start
    std::string output;      // its standard output, when captured
    std::string report;      // what it wrote to its report descriptor
};

// Runs command through the shell (/bin/sh -c; Windows: cmd.exe /d /s /c) in a
// process group (Windows: a job object) of its own, with input on its
// standard input and its standard output sent to our standard error. Waits at
// most limit_ms, then kills the whole group. A command that does not read its
// input never blocks or breaks the caller.
ChildResult run_shell_command(const std::string& command, const std::string& input, int limit_ms);

struct ProgramRun {
    // argv[0] is a path, or a name looked up in PATH.
    std::vector<std::string> argv;
    enum class Output { ToStderr, Capture, Discard };
    Output output = Output::ToStderr;
    bool quiet = false;  // its standard error goes nowhere
    // When set: the program's environment names, under this variable, a
    // descriptor (Windows: a handle) it may write a report to; the report
    // comes back in ChildResult::report.
    std::string report_variable;
};

// Runs a program to its end (no time limit). status 127 when it could not
// be executed at all.
ChildResult run_program(const ProgramRun& run);

// The child's side of ProgramRun::report_variable: writes text to the
// descriptor the variable names, closes it and removes the variable.
// false when the variable is absent or names no usable descriptor.
bool send_report(const char* variable, const std::string& text);

// One argument quoted for a Windows command line so that the C runtime's
// parser reads it back unchanged (plain words stay as they are).
std::string windows_argument(const std::string& arg);

}  // namespace quillet::platform
