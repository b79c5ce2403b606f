#pragma once
// Runs quillet-cli as a process and reads its JSON lines.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sandbox/json.h"

namespace quillet::e2e {

struct CliRun {
    int status = -1;         // exit status; -1 when killed or not started
    bool timed_out = false;  // still running at the bound, then killed
    double seconds = 0;
    std::vector<std::string> lines;     // stdout lines (UTF-8)
    std::vector<sandbox::Json> events;  // the lines that parse as JSON
    std::vector<std::string> unparsed;  // lines that do not
    std::string err;                    // stderr

    // Log texts in order, and whether a log line with this text exists.
    std::vector<std::string> log_texts() const;
    bool has_log(const std::string& text, const std::string& colour = "") const;
    bool has_log_containing(const std::string& part) const;
    // Control events of one control.
    std::vector<sandbox::Json> control_events(const std::string& control) const;
    std::string dump() const;  // for failure messages
};

// What the process gets beyond its arguments.
struct CliSetup {
    // Standard input: nothing (/dev/null) unless one of these is given.
    std::optional<std::string> input;  // written at the start, then closed
    // Asked after every read of the output (stdout, stderr so far) until it
    // gives a text: that text is written to standard input, which is closed.
    std::function<std::optional<std::string>(const std::string& out, const std::string& err)>
        answer;
    // Asked after every read of the output until it says yes: then the
    // process gets SIGINT (Ctrl-C) once.
    std::function<bool(const std::string& out, const std::string& err)> interrupt;
    std::string cwd;               // the working folder; empty: the test's own
    bool stderr_terminal = false;  // stderr a pseudo-terminal (read as err) instead of a pipe
    std::string program = QUILLET_CLI_PATH;
};

CliRun run_cli(const std::vector<std::string>& args, int bound_seconds, const CliSetup& setup = {});

}  // namespace quillet::e2e
