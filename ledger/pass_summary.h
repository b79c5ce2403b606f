#pragma once
// What a claim pass did, told in one object at its end: the entries tried,
// how many were answered and failed, and the items the account received.
#include <string>
#include <vector>

namespace quillet {

struct PassSummary {
    std::string account;  // the profile name; empty without one
    std::string qq;
    std::string area;               // region name, UTF-8
    std::string started, finished;  // local "yyyy-MM-dd HH:mm:ss"
    int tried = 0, answered = 0, failed = 0;
    std::vector<std::string> received;  // item names (UTF-8), in the order claimed
    int status = 0;                     // the command's exit status
    std::string error;                  // why the pass did not run (UTF-8); empty when it ran
    // A pass stopped by a signal: its name ("SIGINT"), and how many of the
    // day's entries it had gone through.
    std::string interrupted;  // empty when it ran to its end
    int entries_done = 0, entries = 0;
};

// One JSON object on one line (UTF-8), keys as the fields above; the
// interruption's three only for an interrupted pass.
std::string summary_json(const PassSummary& s);
// One line for a person: "358791246 main: 24 tried, 20 answered, 4 failed; received: A, B".
std::string summary_line(const PassSummary& s);

// An answered attempt counts as a received item unless its message (UTF-8) is
// one of the services' refusals ("already claimed", "not eligible", ...).
bool counts_as_received(const std::string& message);
// The failure code of a failed attempt: the code the pass gave, else the
// number that ends its message ("... 50001"); empty for an answered attempt.
std::string failure_code(bool answered, const std::string& code, const std::string& message);

}  // namespace quillet
