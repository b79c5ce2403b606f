#pragma once
// The publisher's activity list (外形框_活动列表): title, platform, days left,
// items and the hidden link column. Needs no bound region.
#include <string>

#include "services/game_service_client.h"
#include "text/clock.h"

namespace quillet {

struct Session;

// Ends with unlock_controls(area_bound).
void show_activity_list(Session& s, GameServiceClient& client);

// The "剩余天数" cell of an end time: "长期" for 2099-12-31 23:59:59, else the
// whole days from today to the end date plus one, as "N天"; an end time that
// is not "yyyy-MM-dd HH:mm:ss" is shown as it came.
std::string days_left_text(const std::string& end_time, const DateTime& today);

}  // namespace quillet
