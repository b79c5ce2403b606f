#pragma once
// Consumption records (外形框_消费列表): the account's purchases of the last
// days, newest first, today's rows in red.
#include <string>

#include "services/game_service_client.h"

namespace quillet {

struct Session;

// Ends with unlock_controls(logged_in).
void show_spend_records(Session& s, GameServiceClient& client);

// "yyyy/MM/dd HH:mm:ss" of a 14-digit yyyyMMddHHmmss text.
std::string spend_time_text(const std::string& bought_at);

}  // namespace quillet
