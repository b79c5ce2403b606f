#include "session/session.h"

#include "text/text_ops.h"

namespace quillet {

namespace {

// The controls that every job disables and whose return does not depend on a
// bound area. 按钮_更换账号 is the job's last control: whoever watches the
// window for a job's end waits for it.
const Control kAlwaysLocked[] = {
    ctl::main::按钮_绑定大区,   ctl::main::按钮_Quillet,    ctl::menu::活动列表,
    ctl::main::超级链接框_支持, ctl::main::超级链接框_反馈,
};

// The region-bound controls: back only when the job says the area allows it.
const Control kBoundFeatures[] = {
    ctl::main::按钮_我的资产_主武器,
    ctl::main::按钮_我的资产_副武器,
    ctl::main::按钮_我的资产_近身武器,
    ctl::main::按钮_我的资产_投掷武器,
    ctl::main::按钮_一键领取,
    ctl::main::按钮_手动活动,
    ctl::main::超级链接框_CDK兑换,
    ctl::menu::消费记录,
    ctl::menu::战绩查询,
    ctl::menu::我的资产,
    ctl::menu::月券聚豆,
    ctl::menu::封号查询,
};

}  // namespace

void lock_controls(Session& s) {
    View& v = s.view;
    // "扫描全区" stays usable: the region scan may run beside another job.
    for (Control c : {ctl::main::按钮_更换账号, ctl::main::按钮_绑定大区, ctl::main::按钮_一键领取,
                      ctl::main::按钮_手动活动, ctl::main::按钮_Quillet, ctl::menu::活动列表,
                      ctl::main::按钮_我的资产_主武器, ctl::main::按钮_我的资产_副武器,
                      ctl::main::按钮_我的资产_近身武器, ctl::main::按钮_我的资产_投掷武器,
                      ctl::main::超级链接框_CDK兑换, ctl::main::超级链接框_支持,
                      ctl::main::超级链接框_反馈, ctl::menu::消费记录, ctl::menu::战绩查询,
                      ctl::menu::我的资产, ctl::menu::月券聚豆, ctl::menu::封号查询})
        v.set_enabled(c, false);
    for (Control c :
         {ctl::main::超级链接框_CDK兑换, ctl::main::超级链接框_支持, ctl::main::超级链接框_反馈})
        v.set_text_colour(c, colour::grey);
}

void unlock_controls(Session& s, bool bound_features) {
    View& v = s.view;
    for (Control c : kAlwaysLocked) v.set_enabled(c, true);
    v.set_text_colour(ctl::main::超级链接框_支持, colour::black);
    v.set_text_colour(ctl::main::超级链接框_反馈, colour::black);
    for (Control c : kBoundFeatures) v.set_enabled(c, bound_features);
    v.set_text_colour(ctl::main::超级链接框_CDK兑换, bound_features ? colour::black : colour::grey);
    // Each call reaches the window on its own, so a watcher that saw this
    // button before the others would find them still locked.
    v.set_enabled(ctl::main::按钮_更换账号, true);
}

const std::vector<Control>& panel_set() {
    static const std::vector<Control> panels = {
        ctl::main::外形框_战绩,     ctl::main::外形框_支持,     ctl::main::外形框_CDK兑换,
        ctl::main::外形框_活动列表, ctl::main::外形框_消费列表, ctl::main::外形框_我的资产,
        ctl::main::外形框_月券,     ctl::main::外形框_配置,     ctl::main::外形框_领取记录,
        ctl::main::外形框_头像,
    };
    return panels;
}

void show_panel(Session& s, Control panel) {
    View& v = s.view;
    for (Control c : panel_set()) v.set_visible(c, false);
    // Let the hidden frames be painted away before the new one covers them.
    v.pump_events();
    v.set_visible(panel, true);
    // Every panel frame is 600 x 410; it takes the header, button row and log
    // area at 16,16, above the log frame.
    v.set_geometry(panel, 16, 16, 600, 410);
    v.raise_control(panel);
}

void return_to_log(Session& s, Control panel) {
    s.view.set_visible(panel, false);
    s.view.set_visible(ctl::main::外形框_头像, true);
}

void switch_account(Session& s) {
    SessionState& st = s.state;
    st.logged_in = false;
    st.cookie.set("");
    st.qq.clear();
    st.nickname.clear();
    st.role_name.clear();
    st.area_id = 0;
    s.view.close_window(Window::Main);
    st.relogin_requested = true;
}

bool is_web_address(std::string_view address) {
    std::string lowered = to_lower_ascii(address.substr(0, 8));
    return starts_with(lowered, "http://") || starts_with(lowered, "https://");
}

void open_address(Session& s, const std::string& address) {
    // Addresses come from files served over plain HTTP; the system browser is
    // handed only web addresses, never file:, script: or program schemes.
    if (!is_web_address(address)) return;
    s.view.open_address(address);
}

}  // namespace quillet
