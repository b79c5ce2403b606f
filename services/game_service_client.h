#pragma once
// The program's one client for the publisher's game services. Each operation is
// one self-contained exchange that changes no control and writes no account
// field; what it may touch is the cookie variable it is given (each answer's
// cookies merge into it, usually the session cookie) and the window's event
// pump, which the longer operations run between requests. Texts are GBK.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "session/role_info.h"
#include "text/clock.h"

namespace quillet {

struct Session;
class CookieVar;

struct LoginInfo {
    int32_t status = 0;  // 0 answered, -2 empty answer
    int32_t error_code = 0;
    std::string error_str;
    std::string user_uin;
    std::string nick_name;
};

struct AreaProbe {
    int32_t status = 0;  // 0 answered, -2 empty answer, -3 the service rejected the g_tk
    int32_t ret = 0;
    int32_t area_id = 0;
};

struct SpendRecord {
    std::string item_name;
    std::string price;
    std::string bought_at;  // yyyyMMddHHmmss
};

struct ActivityListItem {
    std::string platform, title, end_time, url, items;
};

struct VipInfo {
    int32_t status = 0;  // 0 answered, -1 empty answer, -2 unreadable, else the service's ret
    int32_t green_level = 0;
    int32_t vip_level = 0;
    int32_t growth = 0;
    int32_t next_level_growth = 0;
    std::string expiry;
};

struct RegionEntry {
    int32_t area_id;
    std::string name;  // GBK
};

// The 42 regions in picker order, parsed from the one stored text.
class RegionTable {
  public:
    static const std::vector<RegionEntry>& entries();
    // Fills 列表框_大区 and 组合框_大区列表 (text = name, item value = id).
    static void fill_pickers(Session& s);
};

class GameServiceClient {
  public:
    explicit GameServiceClient(Session& s) : s_(s) {}

    static std::string area_name(int32_t area_id);  // "未知大区" when unknown
    RoleInfo query_role(CookieVar& cookie, int32_t area_id);
    LoginInfo query_login_info();
    AreaProbe find_bound_area(CookieVar& cookie, const std::string& g_tk);
    AreaProbe query_flow_area(CookieVar& cookie, const std::string& g_tk, int32_t activity_id,
                              int32_t flow_id);
    int32_t query_spend(CookieVar& cookie, int32_t area_id, std::vector<SpendRecord>& out);
    // after_each (optional) hears of every region asked (done of total, and
    // whether anything came back); returning false ends the scan there.
    int32_t scan_areas(
        CookieVar& cookie,
        const std::function<void(const std::string& name, int32_t area_id)>& found,
        const std::function<bool(int done, int total, bool answered)>& after_each = {});
    std::string query_ban(CookieVar& cookie, const std::string& qq, int32_t area_id);
    int32_t query_activity_list(std::vector<ActivityListItem>& out);
    DateTime server_date();
    VipInfo query_vip_info(int32_t area_id);
    // The CDKEY redemption; ok tells whether the answer was read.
    std::string redeem_cdk(const std::string& cdk, const std::string& code,
                           const std::string& verify_session, const RoleInfo& role, bool& ok,
                           bool* redeemed = nullptr);

  private:
    Session& s_;
};

// The readers of the services' answers: the part of each call above that
// works on the answer's text, given a non-empty answer. Texts are GBK.
RoleInfo parse_role_answer(std::string_view answer, std::string_view qq);
LoginInfo parse_login_info(std::string_view answer);
AreaProbe parse_flow_area(std::string_view answer);
// Appends the records (at most 10000 from one answer); pump runs after each.
int32_t parse_spend_records(std::string_view answer, std::vector<SpendRecord>& out,
                            const std::function<void()>& pump = {});
// Whether one region's scan answer says the account has a role there.
bool area_scan_found_role(std::string_view answer);
// now: Unix seconds.
std::string parse_ban_answer(std::string_view answer, int64_t now);
// Replaces out's contents (at most 1000 activities); pump runs after each.
int32_t parse_activity_list(std::string_view answer, std::vector<ActivityListItem>& out,
                            const std::function<void()>& pump = {});
DateTime parse_server_date(std::string_view answer);
// The information answer; the growth answer completes it.
VipInfo parse_vip_info(std::string_view answer);
void parse_vip_growth(std::string_view answer, VipInfo& info);
// The redemption's message; ok tells whether the answer was read.
// redeemed (when given): the service's codes say the key was redeemed (ret
// and the module's iRet 0), not only that the answer was read.
std::string parse_redeem_answer(std::string_view answer, bool& ok, bool* redeemed = nullptr);

}  // namespace quillet
