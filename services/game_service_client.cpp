// The account service calls of GameServiceClient: login information, the
// bound-area probe, the role query, purchases, the region scan, the ban query,
// the activity centre's list, the server's date and the CF-VIP information.
#include "services/game_service_client.h"

#include "script/json_view.h"
#include "services/regex.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"
#include "text/time_text.h"

namespace quillet {

namespace {

// Far above anything the services list (the activity list is asked for 50).
constexpr size_t kMaxSpendRecords = 10000;
constexpr size_t kMaxActivities = 1000;

std::string between(std::string_view text, std::string_view left, std::string_view right) {
    return text_between(text, left, right);
}

std::string decimal(int64_t n) {
    return std::to_string(n);
}

// The AMS flows that can tell the account's region, asked in this order.
struct Flow {
    int32_t activity_id, flow_id;
};
constexpr Flow kAreaFlows[] = {
    {45056, 242404}, {15123, 119250}, {31126, 188710}, {38135, 214206},
    {30260, 184901}, {47592, 249054}, {49862, 258548},
};

}  // namespace

RoleInfo GameServiceClient::query_role(CookieVar& cookie, int32_t area_id) {
    RoleInfo ri;  // answered by nothing: the status tells
    const std::string url =
        s_.http_url(Host::GAME_APPS,
                    "/comm-cgi-bin/content_admin/activity_center/query_role.cgi?game=cf"
                    "&callback=14649452832977635&area=") +
        decimal(area_id);
    const std::string answer = s_.http.get_text(url, false, &cookie);
    if (answer.empty()) {
        ri.status = -2;
        return ri;
    }
    return parse_role_answer(answer, s_.state.qq);
}

RoleInfo parse_role_answer(std::string_view answer, std::string_view qq) {
    RoleInfo ri;
    // Every marker is searched in the whole answer, ignoring letter case.
    auto marked = [&](std::string_view left, std::string_view right) {
        return text_between(answer, left, right, 1, true);
    };
    std::string w = marked("_webplat_msg=", "&");
    if (w == "queryerr") {
        ri.webplat_msg = w;
        return ri;
    }
    int32_t r = int32_of_text(marked("retCode:", ","));
    if (r != 0) {
        ri.ret_code = r;
        ri.msg = marked("msg:'", "'");
        return ri;
    }
    // The nick is percent-encoded UTF-8; "+" is kept as it is.
    ri.role_name = utf8_to_gbk(percent_decode(marked("szNick_name=", "&"), false));
    // The region follows the game code, "yes" and the QQ number, each ending in "|".
    ri.area_id = int32_of_text(marked("cf|yes|" + std::string(qq) + "|", "|"));
    ri.md5str = marked("md5str:'", "'");
    ri.checkparam = marked("checkparam:'", "'");
    return ri;
}

LoginInfo GameServiceClient::query_login_info() {
    LoginInfo li;
    const std::string answer =
        s_.http.get_text(s_.http_url(Host::GAME_LOGIN, "/comm-cgi-bin/login/LoginReturnInfo.cgi"),
                         false, &s_.state.cookie);
    if (answer.empty()) {
        li.status = -2;
        return li;
    }
    return parse_login_info(answer);
}

LoginInfo parse_login_info(std::string_view text) {
    LoginInfo li;
    const std::string answer = replace_all(replace_all(text, " ", ""), "'", "");
    li.error_code = int32_of_text(between(answer, "\"errorCode\":", ","));
    if (li.error_code != 0) {
        li.error_str = utf8_to_gbk(percent_decode(between(answer, "\"errorStr\":\"", "\""), false));
        return li;
    }
    li.user_uin = between(answer, "\"userUin\":\"", "\"");
    li.nick_name = utf8_to_gbk(percent_decode(between(answer, "\"nickName\":\"", "\""), false));
    return li;
}

AreaProbe GameServiceClient::query_flow_area(CookieVar& cookie, const std::string& g_tk,
                                             int32_t activity_id, int32_t flow_id) {
    AreaProbe ap;
    const std::string body = fill_template(
        "iActivityId=#{iActivityId}&iFlowId=#{iFlowId}&g_tk=#{g_tk}&e_code=0&g_code=0"
        "&sServiceDepartment=group_f&sServiceType=cf",
        {{"g_tk", g_tk}, {"iActivityId", decimal(activity_id)}, {"iFlowId", decimal(flow_id)}});
    const std::string answer =
        s_.http.post_text(s_.http_url(Host::AMS, "/ams/ame/ame.php"), body, false, &cookie);
    if (answer.empty()) {
        ap.status = -2;
        return ap;
    }
    return parse_flow_area(answer);
}

AreaProbe parse_flow_area(std::string_view answer) {
    AreaProbe ap;
    if (answer == "error g_tk") {
        ap.status = -3;
        return ap;
    }
    // AMS writes ret as a quoted string.
    ap.ret = int32_of_text(between(answer, "\"ret\":\"", "\""));
    if (ap.ret == 0) ap.area_id = int32_of_text(between(answer, "\"Farea\":\"", "\""));
    return ap;
}

AreaProbe GameServiceClient::find_bound_area(CookieVar& cookie, const std::string& g_tk) {
    AreaProbe last;
    for (const Flow& f : kAreaFlows) {
        last = query_flow_area(cookie, g_tk, f.activity_id, f.flow_id);
        // A rejected g_tk is reported once, not masked by the remaining flows.
        if ((last.status == 0 && last.ret == 0) || last.status == -3) return last;
    }
    return last;
}

int32_t GameServiceClient::query_spend(CookieVar& cookie, int32_t area_id,
                                       std::vector<SpendRecord>& out) {
    std::string command = fill_template(
        "command=C00006&fromtype=kfweb&fromtoolid=kfweb514&type=getCFSpend&area=#{area}",
        {{"area", decimal(area_id)}});
    command = replace_all(replace_all(command, "=", "%3D"), "&", "%26");
    const std::string url =
        fill_template(s_.http_url(Host::KF, "/cgi-bin/common?rand=#{rand}&command="),
                      {{"rand", make_random_token()}}) +
        command;
    std::string headers = "Referer: " + s_.http_url(Host::KF, "/game/consume_records.html?code=cf");
    const std::string answer = s_.http.get_text(url, true, &cookie, &headers);
    if (answer.empty()) return 0;
    return parse_spend_records(answer, out, [this] { s_.pump(); });
}

int32_t parse_spend_records(std::string_view answer, std::vector<SpendRecord>& out,
                            const std::function<void()>& pump) {
    static const Regex record(R"re(\|\d+#(.*?)#(\d+)#(\d+))re");
    const size_t before = out.size();
    record.for_each(answer, [&](const RegexMatch& m) {
        out.push_back({m.str(1), m.str(2), m.str(3)});
        if (pump) pump();
        // A record takes a few bytes: a 32 MiB answer could otherwise list
        // millions, far beyond any account's history.
        return out.size() - before < kMaxSpendRecords;
    });
    return static_cast<int32_t>(out.size() - before);
}

int32_t GameServiceClient::scan_areas(CookieVar& cookie,
                                      const std::function<void(const std::string&, int32_t)>& found,
                                      const std::function<bool(int, int, bool)>& after_each) {
    int32_t count = 0;
    const int total = static_cast<int>(RegionTable::entries().size());
    int done = 0;
    for (const RegionEntry& e : RegionTable::entries()) {
        if (s_.jobs.stop_requested()) break;  // the window is closing
        const std::string url =
            s_.http_url(Host::PAY,
                        "/cgi-bin/account/ajax_query.cgi?game_scene=dq_pay&cmd=20&gamezone=") +
            decimal(e.area_id) + "&service_code=-CFDQ&friend_uin=&r=" + make_random_token();
        const std::string answer = s_.http.get_text(url, true, &cookie);
        if (area_scan_found_role(answer)) {
            if (found) found(e.name, e.area_id);
            ++count;
        }
        s_.pump();
        if (after_each && !after_each(++done, total, !answer.empty())) break;
    }
    return count;
}

bool area_scan_found_role(std::string_view answer) {
    return between(replace_all(answer, " ", ""), "\"resultcode\":", ",") == "0";
}

std::string GameServiceClient::query_ban(CookieVar& cookie, const std::string& qq,
                                         int32_t area_id) {
    const std::string url =
        fill_template(s_.http_url(Host::GAME_APPS,
                                  "/cf/a20150820fwg/getFeng.php?action=initQuery&iArea=#{iArea}"
                                  "&iUin=#{iUin}&r="),
                      {{"iArea", decimal(area_id)}, {"iUin", qq}}) +
        make_random_token();
    const std::string answer = s_.http.get_text(url, true, &cookie);
    if (answer.empty()) return {};
    return parse_ban_answer(answer, int_of_text(unix_time_text(s_.clock, true)));
}

std::string parse_ban_answer(std::string_view answer, int64_t now) {
    const std::string r = between(answer, "\"ret\":", ",");
    const std::string m = between(answer, "\"msg\":\"", "\"");
    if (r != "0") return m;
    // With ret 0 the message is the end of the ban in Unix seconds.
    const std::string state = utf8_to_gbk(now > int_of_text(m) ? "已解封" : "未解封");
    return utf8_to_gbk("【") + timestamp_to_text(m + "000") + utf8_to_gbk("】 - 【") + state +
           utf8_to_gbk("】");
}

int32_t GameServiceClient::query_activity_list(std::vector<ActivityListItem>& out) {
    out.clear();
    const std::string text = s_.http.post_text(s_.http_url(Host::BANG, "/actcenter/queryActList"),
                                               "game=cf&index=0&count=50&type=2", false);
    if (text.empty()) return 0;
    return parse_activity_list(text, out, [this] { s_.pump(); });
}

int32_t parse_activity_list(std::string_view text, std::vector<ActivityListItem>& out,
                            const std::function<void()>& pump) {
    out.clear();
    auto breathe = [&] {
        if (pump) pump();
    };
    const std::string answer = unescape_unicode(text);
    breathe();

    // The activity's members arrive in alphabetical order.
    static const Regex activity(
        R"re("content":"\[(.*?)\]","editorNick":"(.*?)","editorUin":"(.*?)","endtime":"(.*?)",)re"
        R"re("eventtime":".*?","gameid":".*?","iActiveType":".*?","iHoldType":".*?","id":".*?",)re"
        R"re("itype":".*?","limit":".*?","name":"(.*?)","once":".*?","remindtime":".*?",)re"
        R"re("starttime":"(.*?)","szHoldName":"(.*?)","uin":".*?","url":"(.*?)")re");
    static const Regex item(R"re("data":"(.*?)",.*?"expired":"(.*?)")re");
    const std::string days = utf8_to_gbk("天),");

    activity.for_each(answer, [&](const RegexMatch& a) {
        ActivityListItem entry;
        entry.title = a.str(5);
        entry.platform = a.str(7);
        entry.end_time = a.str(4);
        entry.url = a.str(8);
        std::string items;
        item.for_each(a.group(1), [&](const RegexMatch& i) {
            const std::string_view expired = i.group(2);
            if (expired.empty() || expired == "0") {
                items += i.str(1) + ",";
            } else {
                items += i.str(1) + "(" + std::string(expired) + days;
            }
            breathe();
            return true;
        });
        if (!items.empty()) items.pop_back();
        entry.items = std::move(items);
        out.push_back(std::move(entry));
        breathe();
        // The request asks for 50; an answer with far more is cut there.
        return out.size() < kMaxActivities;
    });
    return static_cast<int32_t>(out.size());
}

DateTime GameServiceClient::server_date() {
    const std::string answer =
        s_.http.get_text(s_.http_url(Host::GAME_APPS, "/CommArticle/app/reg/gdate.php"), false);
    if (answer.empty()) return s_.clock.now();
    return parse_server_date(answer);
}

DateTime parse_server_date(std::string_view answer) {
    const std::string date = replace_all(between(answer, "curdate = '", "';"), " ", "");
    return parse_datetime(date).value_or(earliest_datetime());
}

VipInfo GameServiceClient::query_vip_info(int32_t area_id) {
    VipInfo vi;
    const std::string url =
        s_.http_url(Host::GAME_APPS, "/cf/a20141126main/getUserInfo.php?action=initQuery&sArea=") +
        decimal(area_id) + "&time=" + make_random_token() + "&_=" + unix_time_text(s_.clock);
    const std::string answer = s_.http.get_text(url, false, &s_.state.cookie);
    if (answer.empty()) {
        vi.status = -1;
        return vi;
    }
    vi = parse_vip_info(answer);
    if (vi.status == 0 && vi.vip_level > 0) {
        auto stamped = [&](std::string_view path) {
            return fill_template(
                s_.http_url(Host::GAME_APPS, path),
                {{"rtime", make_random_token()}, {"time", unix_time_text(s_.clock)}});
        };
        const std::string status = s_.http.get_text(
            stamped("/cgi-bin/cf/cfvip/checkCFvipStatue.cgi?rd=#{rtime}&_=#{time}"), false,
            &s_.state.cookie);
        vi.expiry = status.empty() ? utf8_to_gbk("获取失败") : between(status, "\"msg\":\"", "\"");
        const std::string info = s_.http.get_text(
            stamped("/cf/cfvip/doCfVip.php?action=getCfVipInfo&rd=#{rtime}&_=#{time}"), false,
            &s_.state.cookie);
        if (!info.empty()) parse_vip_growth(info, vi);
    }
    return vi;
}

VipInfo parse_vip_info(std::string_view answer) {
    VipInfo vi;
    JsonView view;  // its own budget covers the load and every read
    if (!view.load(replace_all(answer, "var result = ", ""))) {
        vi.status = -2;
        return vi;
    }
    const std::string ret = view.get_text("ret");
    if (ret != "0") {
        // A missing or unreadable ret is not a success: it would show a
        // level-0 account for an answer that said nothing.
        const int32_t code = int32_of_text(ret);
        vi.status = code != 0 ? code : -2;
        return vi;
    }
    vi.green_level = int32_of_text(view.get_text("msg.green"));
    vi.vip_level = int32_of_text(view.get_text("msg.vip"));
    if (view.budget_spent()) {
        VipInfo unreadable;
        unreadable.status = -2;
        return unreadable;
    }
    return vi;
}

void parse_vip_growth(std::string_view answer, VipInfo& vi) {
    JsonView view;
    if (!view.load(replace_all(answer, "var result = ", ""))) return;
    const int32_t growth = int32_of_text(view.get_text("msg.point"));
    const int32_t next = int32_of_text(view.get_text("msg.nextlevelpoint"));
    if (view.budget_spent()) return;
    vi.growth = growth;
    vi.next_level_growth = next;
}

}  // namespace quillet
