#pragma once
// QQ-VIP activity gifts (AMS 3.0): one GET whose answer differs from activity
// to activity, read by the result rules the catalogue entry carries.
#include <string>

#include "claim/catalogue.h"
#include "claim/claim_outcome.h"

namespace quillet {

struct Session;

ClaimOutcome vip_claim(Session& s, const ActivityEntry& e);

std::string vip_url(const Session& s, const ActivityEntry& e, const std::string& time);
// Reads an answer with the rules rS ("=code:message|!=code:message|...").
ClaimOutcome vip_read_answer(const std::string& answer, const std::string& rS);

}  // namespace quillet
