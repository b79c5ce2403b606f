#include "services/war_stats.h"

#include <string>
#include <vector>

#include "services/regex.h"
#include "session/session.h"
#include "text/gbk.h"

namespace quillet {

namespace {

constexpr size_t kCells = 15;
constexpr size_t kTotalLines = 8;

const char* const kLabels[kCells] = {
    "战绩：",   "胜率：",      "杀敌/被杀：",     "杀敌/被杀比率：", "爆头数：",
    "爆头率：", "杀死队友：",  "中途退出：",      "获得经验值：",    "获得游戏币：",
    "战绩：",   "杀敌/被杀：", "杀敌/被杀比率：", "爆头数：",        "爆头率：",
};

}  // namespace

WarStatsCaptions war_stats_captions(const std::vector<std::string>& cells) {
    WarStatsCaptions out;
    for (size_t i = 0; i < kCells && i < cells.size(); ++i) {
        std::string& caption = i < kTotalLines ? out.total : out.today;
        caption += utf8_to_gbk(kLabels[i]) + cells[i] + "\r\n\r\n";
    }
    return out;
}

bool parse_war_stats(std::string_view answer, std::vector<std::string>& cells) {
    cells.clear();
    // GBK trail bytes never take the value of "<", so a cell always starts on
    // a character boundary.
    static const Regex cell_pattern("<td>(.*?)</td>");
    const RegexScan scan = cell_pattern.for_each(answer, [&](const RegexMatch& m) {
        cells.push_back(m.str(1));
        return cells.size() <= kCells;  // one past 15 already means "changed"
    });
    // A scan cut short by its limits may have missed cells: not the table we know.
    return scan != RegexScan::LimitReached;
}

void show_war_stats(Session& s) {
    if (!s.state.area_bound) {
        s.log.append(utf8_to_gbk("[提示]请先绑定大区"), colour::red);
        unlock_controls(s, s.state.logged_in);
        return;
    }
    s.log.append(utf8_to_gbk("[提示]查询战绩信息..."), colour::navy);
    const std::string answer =
        s.http.get_text(s.http_url(Host::GAME_APPS, "/cgi-bin/cf/userinfo/userinfo.cgi?ssn=") +
                            std::to_string(s.state.area_id),
                        false, &s.state.cookie);

    std::vector<std::string> cells;
    const bool complete = parse_war_stats(answer, cells);

    if (cells.empty()) {
        s.log.append(utf8_to_gbk("[提示]无战绩信息或取出失败，请重试"), colour::red);
    } else if (cells.size() != kCells || !complete) {
        s.log.append(utf8_to_gbk("[提示]战绩查询接口变更，请联系管理员更新软件"), colour::red);
    } else {
        const WarStatsCaptions captions = war_stats_captions(cells);
        show_panel(s, ctl::main::外形框_战绩);
        s.view.set_caption(ctl::main::标签_总战绩信息, captions.total);
        s.view.set_caption(ctl::main::标签_今日战绩信息, captions.today);
        s.log.append(utf8_to_gbk("[提示]战绩信息查询成功"), colour::green);
        s.pump();
    }
    unlock_controls(s, s.state.logged_in);
}

}  // namespace quillet
