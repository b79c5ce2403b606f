#include "session/claim_attempt.h"

namespace quillet {

std::string_view outcome_name(OutcomeKind kind) {
    switch (kind) {
        case OutcomeKind::given:
            return "given";
        case OutcomeKind::nothing_given:
            return "nothing_given";
        case OutcomeKind::failed:
            break;
    }
    return "failed";
}

std::optional<OutcomeKind> outcome_of_name(std::string_view name) {
    for (OutcomeKind k : {OutcomeKind::given, OutcomeKind::nothing_given, OutcomeKind::failed})
        if (outcome_name(k) == name) return k;
    return std::nullopt;
}

std::string_view outcome_words(OutcomeKind kind) {
    return kind == OutcomeKind::nothing_given ? "nothing given" : outcome_name(kind);
}

}  // namespace quillet
