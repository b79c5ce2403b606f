#include "services/region_scan.h"

#include <string>

#include "session/session.h"
#include "text/gbk.h"

namespace quillet {

void run_region_scan(Session& s, GameServiceClient& client) {
    s.log.append(utf8_to_gbk("[提示]扫描全区角色信息..."), colour::navy);
    const std::string before = utf8_to_gbk("[提示]【");
    const std::string after = utf8_to_gbk("】该大区有角色创建记录");
    const int32_t n = client.scan_areas(s.state.cookie, [&](const std::string& name, int32_t) {
        s.log.append(before + name + after, colour::green);
    });
    // A scan cut short by a closing window has no total to report.
    if (!s.jobs.stop_requested())
        s.log.append(utf8_to_gbk("[提示]共扫描到 ") + std::to_string(n) + utf8_to_gbk(" 个角色"),
                     colour::green);
    unlock_controls(s, s.state.area_bound);
}

}  // namespace quillet
