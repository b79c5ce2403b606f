#pragma once
// Draws of the Qzone activity lottery, posted as the lottery page's form does.
#include <string>

#include "claim/catalogue.h"
#include "claim/claim_outcome.h"

namespace quillet {

struct Session;

ClaimOutcome qzone_claim(Session& s, const ActivityEntry& e);

std::string qzone_url(const Session& s, const std::string& token);
std::string qzone_body(const Session& s, const ActivityEntry& e);
std::string qzone_header_lines(const Session& s);
// Reads the "frameElement.callback(...);" answer as qzone_claim does.
ClaimOutcome qzone_read_answer(const std::string& answer);

}  // namespace quillet
