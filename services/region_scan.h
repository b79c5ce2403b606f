#pragma once
// The scan of all regions for roles of the signed-in account (menu "扫描全区").
#include "services/game_service_client.h"

namespace quillet {

struct Session;

// Lists every region holding a role of the account in the log, in region-table
// order, then the count; ends with unlock_controls(area_bound). Needs no bound
// region and changes no session value.
void run_region_scan(Session& s, GameServiceClient& client);

}  // namespace quillet
