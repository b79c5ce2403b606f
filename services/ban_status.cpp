#include "services/ban_status.h"

#include <string>

#include "session/session.h"
#include "text/gbk.h"

namespace quillet {

void show_ban_status(Session& s, GameServiceClient& client) {
    if (!s.state.area_bound) {
        s.log.append(utf8_to_gbk("[提示]请先绑定大区"), colour::red);
        unlock_controls(s, s.state.area_bound);
        return;
    }
    s.log.append(utf8_to_gbk("[提示]封号查询..."), colour::navy);
    const std::string t = client.query_ban(s.state.cookie, s.state.qq, s.state.area_id);
    if (t.empty())
        s.log.append(utf8_to_gbk("[提示]封号查询失败，网络错误，请重试"), colour::red);
    else  // the prefix ends with an ideographic space (U+3000)
        s.log.append(utf8_to_gbk("[提示]封停期限\u3000") + t, colour::green);
    unlock_controls(s, s.state.area_bound);
}

}  // namespace quillet
