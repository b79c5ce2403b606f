#include "services/assets.h"

#include <climits>
#include <cstdint>
#include <string>

#include "script/json_view.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"
#include "text/time_text.h"

namespace quillet {

namespace {

// The role-info body the account binding sends too; both role fields carry
// the QQ number.
constexpr const char* kRoleInfoTemplate =
    "sign_version=1.0\r\n&user_area=#{area}\r\n&user_roleId=#{roleId}\r\n"
    "&user_roleName=#{roleId}\r\n&user_areaName=#{areaName}\r\n&user_checkparam=#{checkparam}\r\n"
    "&user_md5str=#{md5str}\r\n&user_sex=\r\n&iActivityId=#{aId}\r\n&iFlowId=#{fId}\r\n"
    "&g_tk=#{g_tk}\r\n&sServiceDepartment=group_f\r\n&sServiceType=cf";

std::string standard_claim_body(const Session& s, std::string_view aId, std::string_view fId) {
    const std::string tmpl =
        "gameId=&sArea=&iSex=&sRoleId=&iGender=&sServiceType=cf&objCustomMsg=&areaname=&roleid="
        "&rolelevel=&rolename=&areaid=&iActivityId=#{iActivityId}&iFlowId=#{iFlowId}"
        "&g_tk=#{g_tk}&e_code=0&g_code=0&eas_url=http%253A%252F%252F" +
        s.hosts[Host::GAME_SITE] +
        "%252Fcp%252Fa20160511yj%252F&eas_refer=&sServiceDepartment=group_f";
    return fill_template(tmpl, {{"iActivityId", aId}, {"iFlowId", fId}, {"g_tk", s.state.g_tk}});
}

// Reads the CF and GP points (two AMS requests) into the panel.
void show_points(Session& s) {
    const std::string ams = s.http_url(Host::AMS, "/ams/ame/ame.php");
    const std::string area = std::to_string(s.state.area_id);
    const std::string role_info =
        fill_template(remove_crlf(kRoleInfoTemplate), {{"area", area},
                                                       {"roleId", s.state.qq},
                                                       {"checkparam", s.state.checkparam},
                                                       {"md5str", s.state.md5str},
                                                       {"aId", "41615"},
                                                       {"fId", "227206"},
                                                       {"g_tk", s.state.g_tk},
                                                       {"areaName", ""}});
    s.http.post_text(ams, role_info, false, &s.state.cookie);  // the answer is not read

    const std::string answer =
        s.http.post_text(ams, standard_claim_body(s, "41615", "230085"), true, &s.state.cookie);
    const GamePoints points = parse_points(answer);
    s.view.set_caption(ctl::main::标签_我的资产_CF点, points.cf);
    s.view.set_caption(ctl::main::标签_我的资产_GP点, points.gp);
    s.pump();
}

// Far above any account's weapons of one class.
constexpr int64_t kMaxWeapons = 10000;

}  // namespace

GamePoints parse_points(std::string_view answer) {
    JsonView view;  // its own budget covers the load and every read
    if (answer.empty() || !view.load(answer) || view.get_text("flowRet.iRet") != "0") return {};
    GamePoints points{view.get_text("modRet.jData.cfPoint"),
                      view.get_text("modRet.jData.gamePoint")};
    if (view.budget_spent()) return {};
    return points;
}

WeaponStats parse_weapon_stats(std::string_view answer, const DateTime& today) {
    WeaponStats stats;
    ScriptBudget budget;  // one for the answer and every weapon's members
    JsonView view(budget);
    if (!view.load(text_between(answer, "123(", ")")) || view.get_text("Ret") != "0") return stats;
    const int64_t n = bounded_count(view, "WeaponStats", kMaxWeapons);
    if (n < 0) return stats;
    for (int64_t i = 0; i < n; ++i) {
        const std::string at = "WeaponStats[" + std::to_string(i) + "].";
        const std::string end = view.get_text(at + "EffEndTime");
        WeaponRow row{view.get_text(at + "StaticInfo.Name"), remaining_time_text(end, today),
                      view.get_text(at + "StaticInfo.Price")};
        // Saturates: a hostile price must not overflow the sum.
        const int64_t price = int_of_text(row.price);
        if (__builtin_add_overflow(stats.total, price, &stats.total))
            stats.total = price < 0 ? INT64_MIN : INT64_MAX;
        stats.rows.push_back(std::move(row));
        if (budget.spent()) return WeaponStats{};
    }
    if (budget.spent()) return WeaponStats{};
    stats.readable = true;
    return stats;
}

std::string remaining_time_text(const std::string& end, const DateTime& today) {
    if (end == "0") return utf8_to_gbk("永久");
    const auto until = parse_datetime(timestamp_to_text(end));
    if (!until) return end;
    const int64_t hours = (unix_seconds_of(*until) - unix_seconds_of(today)) / 3600;
    return std::to_string(hours / 24) + utf8_to_gbk("天") + std::to_string(hours % 24) +
           utf8_to_gbk("时");
}

void show_assets(Session& s, GameServiceClient& client, int weapon_class, bool every_class_logs) {
    const bool logs = weapon_class == 1 || every_class_logs;
    auto log = [&](const char* utf8, Rgb c) {
        if (logs) s.log.append(utf8_to_gbk(utf8), c);
    };
    if (!s.state.area_bound) {
        log("[提示]请先绑定大区", colour::red);
        unlock_controls(s, s.state.logged_in);
        return;
    }
    log("[提示]查询我的资产...", colour::navy);
    // The server tells the date only: hours are counted from the server's date
    // at the local time of day, or a weapon that ran out this morning would
    // still show hours left until midnight.
    DateTime today = client.server_date();
    const DateTime local = s.clock.now();
    today.hour = local.hour;
    today.minute = local.minute;
    today.second = local.second;
    const std::string area = std::to_string(s.state.area_id);
    const std::string url =
        fill_template(s.http_url(Host::TGP_DATA,
                                 "/cf/info_proxy/weapon_stat_info?&&zone_id=#{area}&WorldID=#{area}"
                                 "&Type=#{type}&callback=123&_=#{time}"),
                      {{"area", area},
                       {"type", std::to_string(weapon_class)},
                       {"time", unix_time_text(s.clock)}});
    const std::string answer = s.http.get_text(url, true, &s.state.cookie);
    if (answer.empty()) {
        log("[提示]无资产信息或取出失败，请重试", colour::red);
        unlock_controls(s, s.state.logged_in);
        return;
    }

    const WeaponStats stats = parse_weapon_stats(answer, today);
    if (!stats.readable) {
        log("[提示]我的资产查询接口变更，请联系管理员更新软件", colour::red);
    } else {
        show_panel(s, ctl::main::外形框_我的资产);
        s.view.clear_rows(ctl::main::超级列表框_我的资产);
        if (stats.rows.empty()) {
            log("[提示]无资产信息或取出失败，请重试", colour::red);
        } else {
            for (const WeaponRow& row : stats.rows) {
                s.view.add_row(ctl::main::超级列表框_我的资产,
                               {row.name, row.remaining, row.price});
                s.pump();
            }
            s.view.set_caption(ctl::main::标签_我的资产_总价值,
                               utf8_to_gbk("￥ ") + std::to_string(stats.total / 100) + " RMB");
        }
    }
    show_points(s);
    log("[提示]资产信息取出成功", colour::green);
    unlock_controls(s, s.state.logged_in);
}

}  // namespace quillet
