#pragma once
// What a claim pass did, told in one object at its end: the attempts made,
// what they got the player (given / nothing given / failed) and the gifts the
// services said they gave.
#include <string>
#include <vector>

namespace quillet {

struct PassSummary {
    std::string account;  // the profile name; empty without one
    std::string qq;
    std::string area;               // region name, UTF-8
    std::string started, finished;  // local "yyyy-MM-dd HH:mm:ss"
    int tried = 0;
    int given = 0;          // the service said a gift was given
    int nothing_given = 0;  // answered, but refused (claimed already, no draws left, ...)
    int failed = 0;         // no readable answer (network, parse, configuration, binding)
    // The gifts by name (UTF-8), in the order given: the names the answers
    // gave, else the entry's item title when an answer named none.
    std::vector<std::string> received;
    int status = 0;     // the command's exit status
    std::string error;  // why the pass did not run (UTF-8); empty when it ran
    // A pass stopped by a signal: its name ("SIGINT"), and how many of the
    // day's entries it had gone through.
    std::string interrupted;  // empty when it ran to its end
    int entries_done = 0, entries = 0;

    int answered() const { return given + nothing_given; }
};

// One JSON object on one line (UTF-8): the fields above and "answered"; the
// interruption's three only for an interrupted pass.
std::string summary_json(const PassSummary& s);
// One line for a person:
// "main (358791246): 25 tried, 3 given, 18 nothing given, 4 failed; received: A, B, C".
std::string summary_line(const PassSummary& s);

}  // namespace quillet
