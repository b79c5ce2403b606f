#include "services/spend_records.h"

#include <string>
#include <vector>

#include "session/session.h"
#include "text/gbk.h"
#include "text/time_text.h"

namespace quillet {

namespace {

constexpr int kColumns = 3;

// Characters [from, from + n) of text, or what there is of them.
std::string part(const std::string& text, size_t from, size_t n) {
    return from < text.size() ? text.substr(from, n) : std::string();
}

}  // namespace

std::string spend_time_text(const std::string& t) {
    return part(t, 0, 4) + "/" + part(t, 4, 2) + "/" + part(t, 6, 2) + " " + part(t, 8, 2) + ":" +
           part(t, 10, 2) + ":" + part(t, 12, 2);
}

void show_spend_records(Session& s, GameServiceClient& client) {
    const std::string day = format_date_cn(s.clock.now(), 3).substr(0, 8);
    if (!s.state.area_bound) {
        s.log.append(utf8_to_gbk("[提示]请先绑定大区"), colour::red);
        unlock_controls(s, s.state.logged_in);
        return;
    }
    s.log.append(utf8_to_gbk("[提示]获取CF消费记录信息..."), colour::navy);
    responsive_wait(s.clock, 300, 0, [&s] { s.pump(); });

    std::vector<SpendRecord> records;
    const int32_t n = client.query_spend(s.state.cookie, s.state.area_id, records);
    if (n == 0 || records.empty()) {
        s.log.append(utf8_to_gbk("[提示]无消费记录或取出失败，请重试"), colour::red);
        unlock_controls(s, s.state.logged_in);
        return;
    }

    const Control list = ctl::main::超级列表框_消费列表;
    show_panel(s, ctl::main::外形框_消费列表);
    s.view.clear_rows(list);
    s.pump();
    const std::string not_for_sale = utf8_to_gbk("非卖品");
    int row = 0;
    for (auto it = records.rbegin(); it != records.rend(); ++it, ++row) {
        const bool unsold = it->price == "999999999" || it->price == "9999999";
        s.view.add_row(list, {it->item_name, unsold ? not_for_sale : it->price,
                              spend_time_text(it->bought_at)});
        s.pump();
        if (it->bought_at.size() >= 8 && it->bought_at.compare(0, 8, day) == 0) {
            for (int column = 0; column < kColumns; ++column)
                s.view.set_cell_colour(list, row, column, colour::red);
            s.pump();
        }
    }
    s.log.append(utf8_to_gbk("[提示]共取出CF消费记录 ") + std::to_string(n) + utf8_to_gbk(" 条"),
                 colour::green);
    unlock_controls(s, s.state.logged_in);
}

}  // namespace quillet
