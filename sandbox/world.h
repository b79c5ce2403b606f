#pragma once
// The simulated services' state and answers: the scenario read from its folder,
// the accounts with everything a session changes (bound areas, claims, balances),
// and one answer function per service. Transport-free: a Call in, an Answer out.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sandbox/json.h"
#include "text/clock.h"

namespace quillet::sandbox {

struct Call {
    std::string method;
    std::string host;    // without port
    std::string target;  // raw, path?query
    std::string path;    // raw, up to "?"
    std::string query;   // raw, after "?"
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    std::string header(std::string_view name) const;
    std::string cookie(std::string_view name) const;  // from the Cookie header
    // Raw (not decoded) value of a query or form field; names are compared after
    // trimming blanks and line breaks (some bodies carry CR LF inside a key).
    std::string query_param(std::string_view name) const;
    std::string form(std::string_view name) const;
    bool has_form(std::string_view name) const;
};

struct Answer {
    int status = 200;
    std::string content_type = "text/html; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // extra lines (Set-Cookie, Location)
};

struct Role {
    std::string name;  // UTF-8
    std::string checkparam;
    std::string md5str;
};

struct Account {
    std::string qq;
    std::string skey;
    std::string nickname;                                            // UTF-8
    std::vector<std::pair<std::string, std::string>> login_cookies;  // besides uin and skey
    std::map<int, Role> roles;                                       // by area id
    std::map<std::string, int> ams_bound;                            // activity id -> area
    std::map<std::string, int> tgp_zone;                             // TGP activity -> zone
    std::map<std::string, int> claims;                               // claim key -> times
    int vip_level = 0, vip_growth = 0, vip_next = 0, green_level = 0;
    std::string vip_expiry;
    int64_t ban_end = 0;  // Unix seconds; 0 = never banned
    int judou = 0, bangdou = 0;
    std::string cf_point = "0", game_point = "0";
    std::set<std::string> used_cdkeys;
};

class World {
  public:
    explicit World(std::filesystem::path scenario_dir);

    // Reloads the scenario (forgets state and knobs); false when scenario.json is
    // missing or unreadable (the sandbox then serves an empty world).
    bool load(std::string* error = nullptr);
    // Why the last load failed (missing file, broken JSON, a malformed
    // "today"); empty after a good load.
    std::string load_error() const;
    Answer serve(const Call& call);

    // ---- knobs (callers hold no lock; World locks) ----
    void set_today(const DateTime& t);
    DateTime today() const;
    void set_version(std::string v);
    void set_vendor_file(std::string name, std::string utf8);
    std::string demo_qq() const;
    // nullptr when unknown; the pointer stays valid until load().
    Account* account(const std::string& qq);
    const Account* account(const std::string& qq) const;
    std::string login_cookie(const std::string& qq) const;
    std::string captcha_code() const;
    std::string working_cdkey() const;
    void set_captcha_code(const std::string& letters);
    std::mutex& mutex() const { return mutex_; }
    // A role with the proof values the role service hands out for it.
    Role make_role(const std::string& qq, int area, const std::string& name) const;

    // ---- the QR login (qr_login.cpp) ----
    // How long a code stays valid before its polls answer 65.
    void set_qr_lifetime(std::chrono::milliseconds lifetime);
    // An account (empty: none) that scans and confirms every code by itself:
    // the first poll answers 66, the second 67, the third signs in.
    void set_qr_auto_confirm(const std::string& qq);
    // Marks a code scanned and confirmed as the account qq (empty: the demo
    // account): its next poll answers 67, the one after signs in. False when
    // the code or the account is unknown.
    bool confirm_qr(const std::string& code, const std::string& qq);
    // Told the id of every code served (under the world's lock: print, never
    // call back into the world).
    void set_qr_served_hook(std::function<void(const std::string& code)> hook);
    // The modules of a code served; empty when unknown.
    std::vector<std::vector<bool>> qr_modules(const std::string& code) const;
    std::vector<std::string> qr_codes() const;  // in the order served

  private:
    friend struct Services;
    // Answers, one per service (world.cpp, ams.cpp, services.cpp, platforms.cpp, vendor.cpp).
    Answer vendor_file(const Call& c, const std::string& name);
    Answer tongji(const Call& c);
    Answer xlogin(const Call& c);
    Answer landing(const Call& c);
    Answer login_info(const Call& c);
    Answer ams(const Call& c);
    Answer query_role(const Call& c);
    Answer server_date(const Call& c);
    Answer vip_user_info(const Call& c);
    Answer vip_status(const Call& c);
    Answer vip_growth(const Call& c);
    Answer tgp(const Call& c);
    Answer vip_ams(const Call& c);
    Answer qzone(const Call& c);
    Answer spend(const Call& c);
    Answer scan(const Call& c);
    Answer ban(const Call& c);
    Answer activity_list(const Call& c);
    Answer war_stats(const Call& c);
    Answer weapons(const Call& c);
    Answer judou_balance(const Call& c);
    Answer bangdou_balance(const Call& c);
    Answer captcha(const Call& c);
    Answer avatar(const Call& c);
    Answer picture(const Call& c);
    Answer activity_page(const Call& c);
    Answer ptqrshow(const Call& c);
    Answer ptqrlogin(const Call& c);
    Answer qr_confirm(const Call& c);

    // AMS pieces (ams.cpp).
    Answer ams_bound_area_flow(const Call& c, Account* a, const std::string& aid);
    Answer ams_bind_query(const Call& c, Account* a, const std::string& aid);
    Answer ams_bind_submit(const Call& c, Account* a, const std::string& aid, const Json& act);
    Answer ams_claim(const Call& c, Account* a, const std::string& aid, const std::string& fid,
                     const Json& flow, bool needs_binding);
    Answer ams_points(const Call& c, Account* a);
    Answer ams_cdkey(const Call& c, Account* a);
    Answer ams_voucher(const Call& c, Account* a, const std::string& aid, const std::string& fid);

    // The account a request speaks for: its uin cookie names it and its skey
    // cookie matches. nullptr otherwise.
    Account* signed_in(const Call& c);
    DateTime today_locked() const;
    std::string fill_dates(std::string text) const;

    std::filesystem::path dir_;
    std::string load_error_;
    mutable std::mutex mutex_;
    Json scenario_;
    std::map<std::string, Account> accounts_;
    std::string demo_qq_;
    std::optional<DateTime> today_;
    std::string version_;
    std::map<std::string, std::string> vendor_overrides_;
    std::map<std::string, std::string> captchas_;  // verifysession -> letters
    std::string last_captcha_;
    std::string fixed_captcha_;
    uint64_t serial_ = 0;

    struct QrCode {
        std::string id;
        std::string qrsig;
        std::vector<std::vector<bool>> modules;
        std::chrono::steady_clock::time_point served;
        int polls = 0;
        std::string confirmed_qq;  // set once scanned and confirmed
        int polls_since_confirm = 0;
        bool signed_in = false;
    };
    std::vector<QrCode> qr_codes_;
    std::set<std::string> login_sigs_;
    std::chrono::milliseconds qr_lifetime_{120000};
    std::string qr_auto_qq_;
    std::function<void(const std::string&)> qr_served_hook_;
};

// ---- helpers shared by the answer files ----
std::string percent_decode_bytes(std::string_view s);    // %XX -> byte, '+' kept
std::string percent_encode_all(std::string_view bytes);  // every byte as %XX
std::string gbk_of(std::string_view utf8);               // UTF-8 -> GBK bytes
std::string ascii_lower(std::string_view s);
std::string g_tk_of(std::string_view skey);                    // the 5381 hash of the login key
std::string hex_digest(std::string_view seed, size_t length);  // stable pseudo-random hex
std::string yyyymmdd(const DateTime& t);
DateTime add_days(const DateTime& t, int days);
int64_t unix_seconds(const DateTime& t);           // epoch base 1970-01-01 08:00:00 local
std::string main_domain(const std::string& host);  // "a.b.qq.com" -> "qq.com"
std::string html_escape(const std::string& s);     // & < > " ' as entities

Answer text_answer(std::string body, std::string content_type = "text/html; charset=utf-8");
Answer js_answer(std::string body, bool gbk = false);
// The Set-Cookie lines a completed login sends for the account, for the
// domain of host (the keys HttpOnly, as the real login sets them).
std::vector<std::pair<std::string, std::string>> login_set_cookies(const Account& a,
                                                                   const std::string& host);

}  // namespace quillet::sandbox
