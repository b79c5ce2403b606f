#include "services/cdk_panel.h"

#include <cstdint>
#include <mutex>
#include <string>

#include "net/cookie_jar.h"
#include "script/json_view.h"
#include "session/session.h"
#include "text/gbk.h"

namespace quillet {

namespace {

constexpr size_t kCdkeyBytes = 16;

// Overlapping role look-ups: an answer is shown only while its region is
// still selected and no look-up started later has shown one, and the label
// and the stored role always come from the same answer. The lock guards
// these counters and the stored role together and is never held across a
// View call (the user-interface thread may be waiting on it, and a message
// box would hold it until the user answers).
struct LookUps {
    std::mutex mutex;
    uint64_t started = 0;    // tickets handed out
    uint64_t published = 0;  // ticket of the answer now stored
};

LookUps& look_ups() {
    static LookUps l;
    return l;
}

int64_t selected_area(View& view) {
    const Control list = ctl::main::组合框_大区列表;
    return view.item_value(list, view.selected_index(list));
}

}  // namespace

void refresh_captcha(Session& s) {
    HttpRequest request;
    request.url = s.http_url(Host::CAPTCHA, "/getimage?aid=21000104") + make_random_token();
    request.method = 0;
    const HttpResponse answer = s.http.request_automation(request);
    s.view.set_picture(ctl::main::图片框_验证码, answer.body);
    s.state.verify_session.set(
        CookieJar::cookie_value_copy(answer.answer_cookies, "verifysession", true));
}

void look_up_cdk_role(Session& s, GameServiceClient& client) {
    LookUps& l = look_ups();
    uint64_t ticket = 0;
    {
        std::lock_guard lock(l.mutex);
        ticket = ++l.started;
    }
    const int64_t area = selected_area(s.view);
    RoleInfo r = client.query_role(s.state.cookie, static_cast<int32_t>(area));
    // The user picked another region while this answer was on its way: the
    // look-up started for that region decides.
    if (selected_area(s.view) != area) return;

    const bool ok = r.ok();
    std::string name = ok ? r.role_name : std::string();
    {
        std::lock_guard lock(l.mutex);
        // An answer of a look-up started after this one is already shown.
        if (ticket < l.published) return;
        l.published = ticket;
        if (ok)
            s.state.cdk_role.set(std::move(r));
        else
            s.state.cdk_role.update([](RoleInfo& role) { role.area_id = 0; });
    }
    // Shown outside the lock; should a later look-up have published meanwhile,
    // its name is shown instead, so the label ends with the stored answer.
    for (;;) {
        s.view.set_caption(ctl::main::标签_角色名, name);
        std::lock_guard lock(l.mutex);
        if (l.published == ticket) break;
        ticket = l.published;
        const RoleInfo now = s.state.cdk_role.get();
        name = now.area_id != 0 ? now.role_name : std::string();
    }
    if (!ok) s.view.message_box(utf8_to_gbk("未查询到角色信息"), utf8_to_gbk("提示"));
}

void redeem_from_panel(Session& s, GameServiceClient& client) {
    const std::string key = s.view.text(ctl::main::编辑框_CDK);
    const std::string code = s.view.text(ctl::main::编辑框_验证码);
    if (key.empty()) {
        s.view.message_box(utf8_to_gbk("请输入CDKEY"), utf8_to_gbk("提示"));
        return;
    }
    if (code.empty()) {
        s.view.message_box(utf8_to_gbk("请输入验证码"), utf8_to_gbk("提示"));
        return;
    }
    // One snapshot: a look-up replacing the role meanwhile cannot mix two answers.
    const RoleInfo role = s.state.cdk_role.get();
    if (role.area_id == 0) {
        s.view.message_box(utf8_to_gbk("请选择大区确认角色信息"), "");
        return;
    }
    bool ok = false;
    bool redeemed = false;
    const std::string message =
        client.redeem_cdk(key, code, s.state.verify_session.get(), role, ok, &redeemed);
    s.state.cdk_redeemed = redeemed;
    s.view.message_box(message, utf8_to_gbk("提示"));
    if (ok) s.view.set_text(ctl::main::编辑框_CDK, "");
    s.view.set_text(ctl::main::编辑框_验证码, "");
    s.jobs.start([&s] { refresh_captcha(s); });
    s.jobs.start([&s, &client] { look_up_cdk_role(s, client); });
}

bool paste_cdkey(Session& s) {
    if (!s.view.text(ctl::main::编辑框_CDK).empty()) return false;
    const std::string clip = s.view.clipboard();
    if (clip.size() != kCdkeyBytes) return false;
    s.view.set_text(ctl::main::编辑框_CDK, clip);
    return true;
}

}  // namespace quillet
