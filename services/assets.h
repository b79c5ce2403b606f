#pragma once
// My assets (外形框_我的资产): the weapons of one class with their remaining
// time and price, their total value, and the CF and GP points.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "services/game_service_client.h"
#include "text/clock.h"

namespace quillet {

struct Session;

// Weapon class 1 main, 2 secondary, 3 melee, 4 throwing. Only class 1 writes
// to the log; the others refresh the panel silently (the panel's buttons),
// unless every_class_logs (a command line asking for one class, which reads
// the log as its only report). Ends with unlock_controls(logged_in).
void show_assets(Session& s, GameServiceClient& client, int weapon_class,
                 bool every_class_logs = false);

// "永久" for an end of "0"; otherwise whole days and hours from today to the
// end (a Unix time in seconds), both carrying the sign: "2天2时", "0天-5时".
// An end that is not a time is shown as it came.
std::string remaining_time_text(const std::string& end, const DateTime& today);

struct WeaponRow {
    std::string name, remaining, price;
};
struct WeaponStats {
    bool readable = false;  // false: not the service's answer as we know it
    std::vector<WeaponRow> rows;
    int64_t total = 0;  // the prices' sum in fen, saturated
};
// The weapon list answer ("123(...)"), rows in the answer's order.
WeaponStats parse_weapon_stats(std::string_view answer, const DateTime& today);

struct GamePoints {
    std::string cf = "0", gp = "0";
};
// The points answer; "0" for each that cannot be read.
GamePoints parse_points(std::string_view answer);

}  // namespace quillet
