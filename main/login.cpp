#include "main/login.h"

#include "net/cookie_jar.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {

std::string xlogin_page_address(const HostTable& hosts) {
    return "https://" + hosts[Host::PTLOGIN_XLOGIN] +
           "/cgi-bin/xlogin?appid=21000124&s_url=http://" + hosts[Host::GAME_APPS] + "&style=34";
}

std::vector<std::string> landing_addresses(const HostTable& hosts) {
    return {"http://" + hosts[Host::GAME_APPS],
            "http://" + hosts[Host::PTLOGIN_GAME] + "/check_sig"};
}

std::string skey_of_cookie_text(std::string_view cookies) {
    // By name, not by searching for "skey=": a p_skey cookie standing before
    // skey would otherwise give its value, and an skey standing last (with no
    // ";" after it) would give none.
    for (const std::string& pair : split(cookies, ";")) {
        const std::string p = trim(pair);
        const size_t eq = p.find('=');
        if (eq == std::string::npos) continue;
        if (to_lower_ascii(trim(std::string_view(p).substr(0, eq))) == "skey")
            return trim(std::string_view(p).substr(eq + 1));
    }
    return {};
}

bool sign_in_with_cookies(SessionState& state, const std::string& cookies) {
    if (cookies.empty()) return false;
    const std::string skey = skey_of_cookie_text(cookies);
    std::string pt;
    for (const char* name : {"pt2gguin", "RK", "ptcz", "uin", "skey"})
        pt += CookieJar::cookie_value_copy(cookies, name) + "; ";
    state.cookie.set(cookies);
    state.skey = skey;
    state.g_tk = compute_g_tk(skey);
    state.pt_cookie.set(std::move(pt));
    state.logged_in = true;
    return true;
}

bool sign_in_from_cookie_text(Session& s, const std::string& cookies) {
    if (cookies.empty()) return false;
    CookieJar(s.cookie_store).store_cookie_text(s.hosts[Host::PTLOGIN], cookies);
    return sign_in_with_cookies(s.state, cookies);
}

bool is_landing_address(const HostTable& hosts, std::string_view address) {
    for (const std::string& landing : landing_addresses(hosts)) {
        if (!starts_with(address, landing)) continue;
        // The landing address itself, or a path, query or fragment after it:
        // never a longer host name ("http://apps.game.qq.com.example").
        if (address.size() == landing.size()) return true;
        const char next = address[landing.size()];
        if (next == '/' || next == '?' || next == '#') return true;
    }
    return false;
}

void reset_login_page(Session& s, LoginBrowser& browser) {
    s.state.logged_in = false;
    CookieJar(s.cookie_store).clear_login_cookies(s.hosts[Host::PTLOGIN]);
    // The page's own signature (pt_login_sig, kept by the login page's host)
    // belongs to the last page: a new page starts without it.
    CookieJar(s.cookie_store).clear_login_cookies(s.hosts[Host::PTLOGIN_XLOGIN]);
    // The browser goes with its window: a closed window's browser is never
    // sent anywhere.
    if (s.view.is_loaded(Window::Login)) browser.navigate(xlogin_page_address(s.hosts));
}

void on_login_navigation(Session& s, LoginBrowser& browser) {
    // A navigation the browser reports after its window closed changes nothing.
    if (!s.view.is_loaded(Window::Login)) return;
    if (!is_landing_address(s.hosts, browser.current_address())) return;

    s.view.close_window(Window::Login);
    const std::string cookies =
        CookieJar(s.cookie_store).read_platform_cookies(s.hosts[Host::PTLOGIN]);
    if (!sign_in_with_cookies(s.state, cookies)) {
        // LoginWindow is closing and logged_in stays false: the window loop
        // ends the program after this message.
        s.view.message_box(utf8_to_gbk("登录失败，请检查浏览器设置"), "");
        reset_login_page(s, browser);
    }
}

}  // namespace quillet
