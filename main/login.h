#pragma once
// The QQ login: the login browser shows the publisher's own login page; when
// it lands on one of the two landing addresses the login is complete and the
// session takes the login host's cookies from the platform cookie store.
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct Session;
struct SessionState;
class HostTable;

// The embedded browser of LoginWindow.
class LoginBrowser {
  public:
    virtual ~LoginBrowser() = default;
    virtual void navigate(const std::string& address) = 0;
    // The address of the last completed navigation.
    virtual std::string current_address() = 0;
};

// "https://" PTLOGIN_XLOGIN_HOST "/cgi-bin/xlogin?appid=21000124&s_url=http://"
// GAME_APPS_HOST "&style=34".
std::string xlogin_page_address(const HostTable& hosts);
// "http://" GAME_APPS_HOST and "http://" PTLOGIN_GAME_HOST "/check_sig".
std::vector<std::string> landing_addresses(const HostTable& hosts);

// Whether an address is one of the landing addresses, alone or followed by
// "/", "?" or "#" (letter case kept).
bool is_landing_address(const HostTable& hosts, std::string_view address);

// The value of the cookie named exactly skey (letter case ignored), wherever
// it stands in the text; empty when there is none.
std::string skey_of_cookie_text(std::string_view cookies);

// Signs the session in with the cookie text a completed login leaves: the
// cookie, its skey, g_tk and the pt cookie, and logged_in. False (and nothing
// changed) when the text is empty. Shared by the login window and the
// command line's cookie file.
bool sign_in_with_cookies(SessionState& state, const std::string& cookies);

// Signs in from a kept cookie text (the command line's cookie file) as a
// login that landed would: the login host's cookies go into the platform
// store, then the session takes them as above.
bool sign_in_from_cookie_text(Session& s, const std::string& cookies);

// LoginWindow's creation: forgets the login, clears the login host's cookies
// and opens the login page (only while LoginWindow is loaded).
void reset_login_page(Session& s, LoginBrowser& browser);
// Each completed navigation of the login browser (ignored once LoginWindow
// has closed).
void on_login_navigation(Session& s, LoginBrowser& browser);

}  // namespace quillet
