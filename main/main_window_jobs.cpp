// The start-up initialisation of the main window and the binding of another
// area: both fill the account header and the session's account fields and
// report every step in the log.
#include "main/main_window_jobs.h"

#include "main/vip_badges.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {

namespace {

namespace c = ctl::main;

// Texts are written here in UTF-8 and handed on as GBK.
std::string g(std::string_view utf8) {
    return utf8_to_gbk(utf8);
}

void select_item_with_text(View& view, Control list, const std::string& text) {
    const int n = view.item_count(list);
    for (int i = 0; i < n; ++i) {
        if (view.item_text(list, i) == text) {
            view.select_index(list, i);
            return;
        }
    }
}

// The header, the pickers and the session take the confirmed role. The
// start-up shows the header first; binding another area reports the new area
// first, then the header shows it.
void adopt_role(Session& s, const RoleInfo& ri, bool line_first = false) {
    SessionState& st = s.state;
    st.area_name = GameServiceClient::area_name(ri.area_id);
    const std::string line =
        g("[提示]CF：【") + st.area_name + g("】 - 【") + ri.role_name + g("】");
    if (line_first) s.log.append(line, colour::green);
    s.view.set_caption(c::标签_头像_大区, st.area_name);
    s.view.set_caption(c::标签_头像_昵称, ri.role_name);
    if (!line_first) s.log.append(line, colour::green);
    select_item_with_text(s.view, c::列表框_大区, st.area_name);
    select_item_with_text(s.view, c::组合框_大区列表, st.area_name);
    s.view.set_caption(c::按钮_绑定大区, g("更换大区"));
    st.area_bound = true;
    st.role_name = ri.role_name;
    st.area_id = ri.area_id;
    st.md5str = ri.md5str;
    st.checkparam = ri.checkparam;
}

void show_vip(Session& s, const VipInfo& vi) {
    std::string line = g("[提示]【绿盟：") + std::to_string(vi.green_level) + g("级】");
    const std::string level = std::to_string(vi.vip_level);
    if (vi.vip_level == 0) {
        line += g("【CFVip：0级】");
        s.view.set_caption(c::标签_VIP等级, g("VIP等级：LV 0"));
        s.view.set_caption(c::标签_成长值, g("成长值：0/0"));
        s.view.set_visible(c::标签_到期时间, false);
        s.view.set_height(c::外形框_提示, 42);
    } else {
        const std::string growth =
            std::to_string(vi.growth) + "/" + std::to_string(vi.next_level_growth);
        line +=
            g("【CFVip：") + level + g("级(") + growth + ")" + g("，到期：") + vi.expiry + g("】");
        s.view.set_caption(c::标签_VIP等级, g("VIP等级：LV ") + level);
        s.view.set_caption(c::标签_成长值, g("成长值：") + growth);
        s.view.set_caption(c::标签_到期时间, g("到期时间：") + vi.expiry);
        s.view.set_visible(c::标签_到期时间, true);
        s.view.set_height(c::外形框_提示, 60);
    }
    // Levels without a badge of their own keep the picture shown.
    const std::string_view badge = vip_badge_png(vi.vip_level);
    if (!badge.empty()) s.view.set_picture(c::图片框_CFVIP, std::string(badge));
    s.log.append(line, colour::green);
}

void vip_step(Session& s, GameServiceClient& client, std::string_view network_failure) {
    s.log.append(g("[提示]获取CFVip信息..."), colour::navy);
    const VipInfo vi = client.query_vip_info(s.state.area_id);
    if (vi.status == -1) {
        s.log.append(g(network_failure), colour::red);
    } else if (vi.status != 0) {
        s.log.append(g("[提示]CFVip信息获取失败，返回代码：") + std::to_string(vi.status),
                     colour::red);
    } else {
        show_vip(s, vi);
    }
}

void catalogue_step(Session& s, ActivityCatalogue& catalogue, bool keep = false) {
    s.log.append(g("[提示]【Quillet】初始化信息..."), colour::navy);
    if (!(keep && s.state.catalogue_ready && !catalogue.empty())) {
        const int loaded = load_catalogue(s, catalogue);
        s.state.catalogue_ready = loaded > 0 && !catalogue.empty();
    }
    if (s.state.catalogue_ready) {
        s.log.append(g("[提示]【Quillet】信息初始化成功"), colour::green);
    } else {
        s.log.append(g("[提示]【Quillet】信息初始化失败，请重新登录或联系管理员"), colour::red);
    }
}

}  // namespace

InitResult initialise_main_window_result(Session& s, GameServiceClient& client,
                                         ActivityCatalogue& catalogue, bool keep_catalogue) {
    SessionState& st = s.state;
    s.view.set_caption(c::标签_当前版本, g("当前版本：") + kVersion);
    s.log.append(g("[公告]欢迎使用本软件，官网 ") + s.http_url(Host::VENDOR), colour::blue);
    s.log.append(g("[公告]每日自动更新活动内容，无需更新软件"), colour::blue);
    s.log.append(g("[提示]避免账号误封，请勿与穿越火线同时使用。"), colour::red);
    s.log.append(g("[提示]获取QQ账号信息..."), colour::navy);
    s.pump();

    const LoginInfo li = client.query_login_info();
    if (li.status != 0) {
        s.log.append(g("[提示]QQ信息获取失败，请检查网络或重新登录"), colour::red);
        return InitResult::QqFailed;
    }
    if (li.error_code != 0) {
        s.log.append(g("[提示]QQ信息获取失败，") + li.error_str, colour::red);
        return InitResult::QqExpired;
    }
    st.qq = li.user_uin;
    st.nickname = li.nick_name;
    s.log.append(g("[提示]QQ：【") + st.qq + g("】 - 【") + st.nickname + g("】 登录成功"),
                 colour::green);
    s.pump();
    HttpRequest avatar;
    avatar.url = s.http_url(Host::AVATAR, "/headimg_dl?spec=40&dst_uin=") + st.qq;
    const HttpResponse picture = s.http.request_automation(avatar);
    // A failed fetch keeps the default avatar rather than blanking the box.
    if (!picture.body.empty()) s.view.set_picture(c::图片框_头像, picture.body);
    s.pump();

    s.pump();
    s.log.append(g("[提示]获取CF账号信息..."), colour::navy);
    s.pump();
    const AreaProbe ap = client.find_bound_area(st.cookie, st.g_tk);
    st.area_bound = false;
    if (ap.status == -3) {
        s.log.append(g("[提示]CF信息获取失败，G_TK计算错误，请联系管理员更新"), colour::red);
        return InitResult::CfFailed;
    }
    if (ap.status != 0 || ap.ret != 0) {
        s.log.append(g("[提示]CF信息获取失败，请手动绑定大区"), colour::red);
        return InitResult::CfFailed;
    }

    const RoleInfo ri = client.query_role(st.cookie, ap.area_id);
    if (ri.status != 0) {
        s.log.append(g("[提示]CF信息获取失败，请检查网络或重新登录"), colour::red);
        return InitResult::CfFailed;
    }
    if (ri.webplat_msg == "queryerr") {
        s.log.append(g("[提示]CF信息获取失败，请手动绑定大区"), colour::red);
        return InitResult::CfFailed;
    }
    if (ri.ret_code != 0) {
        s.log.append(g("[提示]CF信息获取失败，") + ri.msg, colour::red);
        return InitResult::CfFailed;
    }
    adopt_role(s, ri);

    vip_step(s, client, "[提示]CFVip信息获取失败，请检查网络或重新登录");
    catalogue_step(s, catalogue, keep_catalogue);
    return InitResult::Ready;
}

bool initialise_main_window(Session& s, GameServiceClient& client, ActivityCatalogue& catalogue) {
    return initialise_main_window_result(s, client, catalogue) == InitResult::Ready;
}

void bind_selected_area(Session& s, GameServiceClient& client, ActivityCatalogue& catalogue) {
    SessionState& st = s.state;
    s.view.set_visible(c::列表框_大区, false);
    s.log.append(g("[提示]获取CF账号信息..."), colour::navy);
    s.pump();

    const int64_t picked = s.view.item_value(c::列表框_大区, s.view.selected_index(c::列表框_大区));
    const RoleInfo ri = client.query_role(st.cookie, static_cast<int32_t>(picked));
    st.area_bound = false;
    s.view.set_caption(c::标签_头像_大区, g("请绑定大区"));
    s.view.set_caption(c::标签_头像_昵称, g("未知"));

    std::string failure;
    if (ri.status != 0) {
        failure = g("[提示]CF信息获取失败，请检查网络");
    } else if (ri.webplat_msg == "queryerr") {
        failure = g("[提示]CF信息获取失败，请重新绑定大区");
    } else if (ri.ret_code != 0) {
        failure = g("[提示]CF信息获取失败，") + ri.msg;
    }
    if (!failure.empty()) {
        s.log.append(failure, colour::red);
        unlock_controls(s, st.area_bound);
        return;
    }
    adopt_role(s, ri, true);

    // Both user_roleId and user_roleName carry the QQ number; the answer is not read.
    const std::string body = fill_template(
        remove_crlf("sign_version=1.0\r\n&user_area=#{area}\r\n&user_roleId=#{roleId}\r\n"
                    "&user_roleName=#{roleId}\r\n&user_areaName=#{areaName}\r\n"
                    "&user_checkparam=#{checkparam}\r\n&user_md5str=#{md5str}\r\n&user_sex=\r\n"
                    "&iActivityId=#{aId}\r\n&iFlowId=#{fId}\r\n&g_tk=#{g_tk}\r\n"
                    "&sServiceDepartment=group_f\r\n&sServiceType=cf"),
        {{"area", std::to_string(st.area_id)},
         {"roleId", st.qq},
         {"checkparam", st.checkparam},
         {"md5str", st.md5str},
         {"aId", "45056"},
         {"fId", "242405"},
         {"g_tk", st.g_tk},
         {"areaName", ""}});
    s.http.post_text(s.http_url(Host::AMS, "/ams/ame/ame.php"), body, false, &st.cookie);

    vip_step(s, client, "[提示]CFVip信息获取失败，请检查网络");
    catalogue_step(s, catalogue);
    unlock_controls(s, st.area_bound);
}

}  // namespace quillet
