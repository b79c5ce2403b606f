#pragma once
// The TGP activity pages: a zone binding, then the gift, as the platform's own
// pages request them (AJAX GETs carrying the login's pt cookies).
#include <string>

#include "claim/catalogue.h"
#include "claim/claim_outcome.h"

namespace quillet {

struct Session;

// "0" when the zone is bound (now or earlier in this run); "-2" zone save
// unanswered, "-3" its answer unreadable, "-4" refused.
std::string tgp_bind(Session& s, const ActivityEntry& e);
ClaimOutcome tgp_claim(Session& s, const ActivityEntry& e);

// The header lines of every TGP request (before the engine completes them).
std::string tgp_header_lines(const ActivityEntry& e);
// The three addresses, every "#{time}" of one address given the same value.
std::string tgp_zone_query_url(const Session& s, const std::string& aId, const std::string& time);
std::string tgp_zone_save_url(const Session& s, const std::string& aId, const std::string& time);
std::string tgp_gift_url(const Session& s, const ActivityEntry& e, const std::string& time);

// Reads a gift answer as tgp_claim does.
ClaimOutcome tgp_read_gift_answer(const std::string& answer);

}  // namespace quillet
