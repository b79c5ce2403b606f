// The service readers: the first byte picks one, the rest is its answer.
#include <vector>

#include "fuzz/fuzz_support.h"
#include "services/activity_list.h"
#include "services/assets.h"
#include "services/game_service_client.h"
#include "services/spend_records.h"
#include "services/war_stats.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::use_short_budget();
    if (size == 0) return 0;
    const std::string_view answer = fuzz::text_of(data + 1, size - 1);
    const DateTime today{2016, 10, 19, 5, 43, 30};
    switch (data[0] % 14) {
        case 0:
            (void)parse_role_answer(answer, "10001");
            break;
        case 1:
            (void)parse_login_info(answer);
            break;
        case 2:
            (void)parse_flow_area(answer);
            break;
        case 3: {
            std::vector<SpendRecord> records;
            QUILLET_FUZZ_CHECK(parse_spend_records(answer, records) <= 10000);
            for (const SpendRecord& r : records) (void)spend_time_text(r.bought_at);
            break;
        }
        case 4:
            (void)area_scan_found_role(answer);
            break;
        case 5:
            (void)parse_ban_answer(answer, 1476826000);
            break;
        case 6: {
            std::vector<ActivityListItem> items;
            QUILLET_FUZZ_CHECK(parse_activity_list(answer, items) <= 1000);
            for (const ActivityListItem& item : items) (void)days_left_text(item.end_time, today);
            break;
        }
        case 7:
            (void)parse_server_date(answer);
            break;
        case 8: {
            VipInfo info = parse_vip_info(answer);
            parse_vip_growth(answer, info);
            break;
        }
        case 9: {
            bool ok = false;
            (void)parse_redeem_answer(answer, ok);
            break;
        }
        case 10: {
            const WeaponStats stats = parse_weapon_stats(answer, today);
            QUILLET_FUZZ_CHECK(stats.readable || stats.rows.empty());
            break;
        }
        case 11:
            (void)parse_points(answer);
            break;
        case 12: {
            std::vector<std::string> cells;
            parse_war_stats(answer, cells);
            QUILLET_FUZZ_CHECK(cells.size() <= 16);
            (void)war_stats_captions(cells);
            break;
        }
        default:
            (void)remaining_time_text(std::string(answer), today);
            break;
    }
    return 0;
}
