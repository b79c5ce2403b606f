#pragma once
// The one-click claim: walks the catalogue, keeps what is on offer today and
// sends every entry, fo times, to the protocol its type names. One log line
// per attempt.
#include <string>

#include "claim/catalogue.h"
#include "claim/claim_outcome.h"
#include "claim/message_cleaner.h"

namespace quillet {

struct Session;
class GameServiceClient;

// The whole pass, on the caller's (worker) thread. Loads the catalogue first
// when it is not ready; ends with unlock_controls(logged_in).
void run_claim_pass(Session& s, ActivityCatalogue& catalogue, const MessageCleaner& cleaner,
                    GameServiceClient& client);

// The entries on offer on day today ("yyyyMMdd"), in catalogue order.
ActivityCatalogue today_filter(const ActivityCatalogue& catalogue, const std::string& today);
// The same with the publisher's date.
ActivityCatalogue today_filter(const ActivityCatalogue& catalogue, GameServiceClient& client);

// One attempt for entry i (1-based) of n: one log line, none for the types
// that have no protocol.
void dispatch_entry(Session& s, const ActivityEntry& entry, int n, int i,
                    const MessageCleaner& cleaner);

// "[提示][i/n]【t】【item_t】".
std::string attempt_prefix(const ActivityEntry& entry, int n, int i);

}  // namespace quillet
