#pragma once
// The result of one claim attempt, as the pass writes it to the log.
#include <string>

namespace quillet {

struct ClaimOutcome {
    std::string message;    // appended to the attempt's log prefix (may be empty)
    bool answered = false;  // the server answered and the answer was read: green; else red
};

}  // namespace quillet
