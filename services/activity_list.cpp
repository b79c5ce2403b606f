#include "services/activity_list.h"

#include <string>
#include <vector>

#include "session/session.h"
#include "text/gbk.h"
#include "text/time_text.h"

namespace quillet {

std::string days_left_text(const std::string& end_time, const DateTime& today) {
    if (end_time.size() != 19) return end_time;
    if (end_time == "2099-12-31 23:59:59") return utf8_to_gbk("长期");
    const auto end = parse_datetime(end_time.substr(0, 10));
    if (!end) return end_time;
    const int64_t days = days_from_civil(end->year, end->month, end->day) -
                         days_from_civil(today.year, today.month, today.day) + 1;
    return std::to_string(days) + utf8_to_gbk("天");
}

void show_activity_list(Session& s, GameServiceClient& client) {
    s.log.append(utf8_to_gbk("[提示]获取CF活动信息..."), colour::navy);
    responsive_wait(s.clock, 300, 0, [&s] { s.pump(); });
    std::vector<ActivityListItem> items;
    const int32_t n = client.query_activity_list(items);
    s.pump();
    if (n == 0 || items.empty()) {
        s.log.append(utf8_to_gbk("[提示]无活动信息或取出失败"), colour::red);
        unlock_controls(s, s.state.area_bound);
        return;
    }
    const Control list = ctl::main::超级列表框_活动列表;
    show_panel(s, ctl::main::外形框_活动列表);
    s.view.clear_rows(list);
    s.pump();
    const DateTime today = s.clock.now();
    for (const ActivityListItem& item : items) {
        s.view.add_row(list, {item.title, item.platform, days_left_text(item.end_time, today),
                              item.items, item.url});
        s.pump();
    }
    s.log.append(utf8_to_gbk("[提示]共取出CF活动 ") + std::to_string(n) + utf8_to_gbk(" 条"),
                 colour::green);
    unlock_controls(s, s.state.area_bound);
}

}  // namespace quillet
