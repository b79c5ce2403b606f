#pragma once
// The AMS protocol: binding the player's area and role to an activity, then
// claiming one of its flows. Every request is a form POST to the AMS endpoint
// carrying the session cookie.
#include <string>

#include "claim/catalogue.h"
#include "claim/claim_outcome.h"
#include "claim/message_cleaner.h"

namespace quillet {

struct Session;
class BoundIds;

// Binds the session's area and role to activity aId. Returns "0" when bound
// (already in bound for this QQ number and area, or confirmed now) or when no binding is needed
// (aId, sfId0 or saId empty); otherwise the failure code: "-2" for an unanswered query, the query's
// ret, or the submit's iRet (possibly empty).
std::string ams_bind(Session& s, const std::string& aId, const std::string& saId,
                     const std::string& sfId0, const std::string& sfId1, BoundIds& bound);
// The same for a catalogue entry, with s.state.ams_bound_ids.
std::string ams_bind(Session& s, const ActivityEntry& e);

// Claims the entry's flow (standard body) or posts its own body (param).
ClaimOutcome ams_claim(Session& s, const ActivityEntry& e, const MessageCleaner& cleaner);

// The standard claim body, CR LF removed and filled; eas_url names the game
// site's default host, or game_site_host when given.
std::string ams_standard_body(const std::string& aId, const std::string& fId,
                              const std::string& g_tk);
std::string ams_standard_body(const std::string& aId, const std::string& fId,
                              const std::string& g_tk, const std::string& game_site_host);

// The two binding bodies, as sent.
std::string ams_bind_query_body(const std::string& aId, const std::string& saId,
                                const std::string& sfId0, const std::string& g_tk,
                                const std::string& game_site_host);
std::string ams_bind_submit_body(const Session& s, const std::string& aId, const std::string& saId,
                                 const std::string& sfId1);

// Reads a claim answer (already decoded to GBK) as ams_claim does.
ClaimOutcome ams_read_claim_answer(const std::string& answer, const std::string& rK,
                                   const MessageCleaner& cleaner);

}  // namespace quillet
