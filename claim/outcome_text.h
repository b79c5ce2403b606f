#pragma once
// Reading an outcome from a message alone, for the answers that carry no
// code (an AMS answer read at a custom path, a VIP answer without "ret") and
// for ledger rows written before outcomes were kept. Each protocol words its
// answers its own way, so each has its own table. Texts are UTF-8.
#include <string>
#include <string_view>

#include "session/claim_attempt.h"

namespace quillet {

// given or nothing_given for an answered message of protocol ("AMS", "TGP",
// "VIP", "Qzone"); a message that says neither counts as nothing given.
OutcomeKind outcome_of_text(std::string_view protocol, const std::string& message);

// The gift a success message names ("恭喜您抽中：200GP" → "200GP"); empty
// when it names none ("领取成功").
std::string gift_named_in(const std::string& message);

}  // namespace quillet
