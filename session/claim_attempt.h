#pragma once
// One attempt of a claim pass as it is reported to whoever watches the pass
// (the claim ledger, the end-of-pass summary). Texts are GBK, as in the log.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// What an attempt got the player. Only the service's word that a gift was
// given makes it `given`; a readable refusal (already claimed, no draws
// left, not eligible) is `nothing_given`; an attempt that never got a
// readable answer (network, parse, configuration, binding) is `failed`.
enum class OutcomeKind { given, nothing_given, failed };

// "given", "nothing_given", "failed": the names the ledger and the JSON use.
std::string_view outcome_name(OutcomeKind kind);
std::optional<OutcomeKind> outcome_of_name(std::string_view name);
// "given", "nothing given", "failed": for a person.
std::string_view outcome_words(OutcomeKind kind);

struct ClaimAttempt {
    int index = 0;         // 1-based position of the entry in today's list
    int count = 0;         // entries in today's list
    std::string group;     // the entry's group title (t)
    std::string item;      // the item title (item_t)
    std::string protocol;  // "AMS", "TGP", "VIP" or "Qzone"
    OutcomeKind kind = OutcomeKind::failed;
    std::string code;                // the server's answer code, or the failure number
    std::string message;             // the text after the attempt's prefix in the log line
    std::vector<std::string> gifts;  // what the answer says was given, by name

    bool answered() const { return kind != OutcomeKind::failed; }  // green in the log
};

}  // namespace quillet
