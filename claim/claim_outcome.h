#pragma once
// The result of one claim attempt, as the pass writes it to the log and tells
// it to the ledger and the summary.
#include <string>
#include <utility>
#include <vector>

#include "session/claim_attempt.h"

namespace quillet {

struct ClaimOutcome {
    std::string message;  // appended to the attempt's log prefix (may be empty)
    OutcomeKind kind = OutcomeKind::failed;
    std::string code;                // the server's answer code, or the failure number
    std::vector<std::string> gifts;  // GBK names of what the answer says was given

    // The server answered and the answer was read: the line is green; else red.
    bool answered() const { return kind != OutcomeKind::failed; }

    static ClaimOutcome failure(std::string message, std::string code) {
        return {std::move(message), OutcomeKind::failed, std::move(code), {}};
    }
    static ClaimOutcome refused(std::string message, std::string code) {
        return {std::move(message), OutcomeKind::nothing_given, std::move(code), {}};
    }
    static ClaimOutcome gift(std::string message, std::string code,
                             std::vector<std::string> gifts = {}) {
        return {std::move(message), OutcomeKind::given, std::move(code), std::move(gifts)};
    }
};

}  // namespace quillet
