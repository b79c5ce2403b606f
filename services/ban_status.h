#pragma once
// The ban query of the bound region, written to the log.
#include "services/game_service_client.h"

namespace quillet {

struct Session;

// Ends with unlock_controls(area_bound).
void show_ban_status(Session& s, GameServiceClient& client);

}  // namespace quillet
