#include "services/region_scan.h"

#include <string>

#include "session/session.h"
#include "text/gbk.h"

namespace quillet {

void run_region_scan(Session& s, GameServiceClient& client) {
    s.log.append(utf8_to_gbk("[提示]扫描全区角色信息..."), colour::navy);
    const std::string before = utf8_to_gbk("[提示]【");
    const std::string after = utf8_to_gbk("】该大区有角色创建记录");
    // A service that lets the first regions go unanswered will not answer the
    // rest either: rather than wait out every region's timeout, stop and say so.
    constexpr int kSilentLimit = 3;
    int silent = 0, total = 0;
    bool stopped = false;
    const int32_t n = client.scan_areas(
        s.state.cookie,
        [&](const std::string& name, int32_t) {
            s.log.append(before + name + after, colour::green);
        },
        [&](int done, int all, bool answered) {
            total = all;
            s.report_progress(done, all);
            silent = answered ? 0 : silent + 1;
            stopped = silent >= kSilentLimit && done < all;
            return !stopped;
        });
    s.report_progress(total, total);
    // A scan cut short by a closing window has no total to report.
    if (!s.jobs.stop_requested()) {
        if (stopped)
            s.log.append(utf8_to_gbk("[提示]区服查询服务连续") + std::to_string(kSilentLimit) +
                             utf8_to_gbk("次无应答，已停止扫描其余大区，请稍后重试"),
                         colour::red);
        s.log.append(utf8_to_gbk("[提示]共扫描到 ") + std::to_string(n) + utf8_to_gbk(" 个角色"),
                     colour::green);
    }
    unlock_controls(s, s.state.area_bound);
}

}  // namespace quillet
