#include "sandbox/world.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

#include "text/gbk.h"

namespace quillet::sandbox {

// ---------------------------------------------------------------- helpers

namespace {

std::string trim_key(std::string_view k) {
    size_t b = 0, e = k.size();
    while (b < e && (k[b] == ' ' || k[b] == '\r' || k[b] == '\n' || k[b] == '\t')) ++b;
    while (e > b && (k[e - 1] == ' ' || k[e - 1] == '\r' || k[e - 1] == '\n' || k[e - 1] == '\t'))
        --e;
    return std::string(k.substr(b, e - b));
}

// Finds name in "a=1&b=2" (names trimmed); the first occurrence wins.
std::optional<std::string> field_of(std::string_view text, std::string_view name) {
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t amp = text.find('&', pos);
        if (amp == std::string_view::npos) amp = text.size();
        std::string_view pair = text.substr(pos, amp - pos);
        size_t eq = pair.find('=');
        std::string key = trim_key(pair.substr(0, eq));
        if (key == name) {
            return eq == std::string_view::npos ? std::string() : std::string(pair.substr(eq + 1));
        }
        pos = amp + 1;
    }
    return std::nullopt;
}

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return {};
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string replace_every(std::string text, std::string_view from, std::string_view to) {
    if (from.empty()) return text;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
    return text;
}

}  // namespace

std::string Call::header(std::string_view name) const {
    std::string want = ascii_lower(name);
    for (const auto& [k, v] : headers) {
        if (ascii_lower(k) == want) return v;
    }
    return {};
}

std::string Call::cookie(std::string_view name) const {
    std::string all = header("Cookie");
    size_t pos = 0;
    while (pos < all.size()) {
        size_t semi = all.find(';', pos);
        if (semi == std::string::npos) semi = all.size();
        std::string pair = trim_key(std::string_view(all).substr(pos, semi - pos));
        size_t eq = pair.find('=');
        if (eq != std::string::npos && trim_key(pair.substr(0, eq)) == name) {
            return trim_key(pair.substr(eq + 1));
        }
        pos = semi + 1;
    }
    return {};
}

std::string Call::query_param(std::string_view name) const {
    return field_of(query, name).value_or("");
}

std::string Call::form(std::string_view name) const {
    return field_of(body, name).value_or("");
}

bool Call::has_form(std::string_view name) const {
    return field_of(body, name).has_value();
}

std::string percent_decode_bytes(std::string_view s) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string percent_encode_all(std::string_view bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += '%';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string gbk_of(std::string_view utf8) {
    return quillet::utf8_to_gbk(utf8);
}

std::string ascii_lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string g_tk_of(std::string_view skey) {
    uint32_t h = 5381;
    for (unsigned char c : skey) h = h + (h << 5) + c;
    return std::to_string(h & 0x7FFFFFFFu);
}

std::string hex_digest(std::string_view seed, size_t length) {
    static const char* digits = "0123456789ABCDEF";
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : seed) h = (h ^ c) * 1099511628211ull;
    std::string out;
    while (out.size() < length) {
        h ^= h >> 29;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 32;
        out += digits[h & 15];
    }
    return out;
}

std::string yyyymmdd(const DateTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", t.year, t.month, t.day);
    return buf;
}

DateTime add_days(const DateTime& t, int days) {
    DateTime r = civil_from_seconds(seconds_of(t) + int64_t{days} * 86400);
    return r;
}

int64_t unix_seconds(const DateTime& t) {
    return seconds_of(t) - 8 * 3600;
}

Answer text_answer(std::string body, std::string content_type) {
    Answer a;
    a.body = std::move(body);
    a.content_type = std::move(content_type);
    return a;
}

Answer js_answer(std::string body, bool gbk) {
    return text_answer(std::move(body), gbk ? "application/x-javascript; charset=gbk"
                                            : "application/x-javascript; charset=utf-8");
}

// ---------------------------------------------------------------- the world

World::World(std::filesystem::path scenario_dir) : dir_(std::move(scenario_dir)) {
    load();
}

Role World::make_role(const std::string& qq, int area, const std::string& name) const {
    Role r;
    r.name = name;
    // The proof values the role service hands out; AMS checks them on the way back.
    r.checkparam = "cf|yes|" + qq + "|" + std::to_string(area) + "|" +
                   hex_digest(qq + "/" + std::to_string(area) + "/check", 8) + "|0";
    r.md5str = hex_digest(qq + "/" + std::to_string(area) + "/md5", 32);
    return r;
}

namespace {

// "2016-10-19" as that day at 09:05:31; nothing for any other text.
std::optional<DateTime> scenario_day(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    const int year = std::stoi(text.substr(0, 4));
    const int month = std::stoi(text.substr(5, 2));
    const int day = std::stoi(text.substr(8, 2));
    if (year < 1970 || month < 1 || month > 12 || day < 1) return std::nullopt;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return std::nullopt;
    return DateTime{year, month, day, 9, 5, 31};
}

}  // namespace

std::string World::load_error() const {
    std::lock_guard lock(mutex_);
    return load_error_;
}

bool World::load(std::string* error) {
    std::lock_guard lock(mutex_);
    load_error_.clear();
    accounts_.clear();
    demo_qq_.clear();
    today_.reset();
    version_.clear();
    vendor_overrides_.clear();
    captchas_.clear();
    last_captcha_.clear();
    std::string text = read_file(dir_ / "scenario.json");
    std::string why;
    auto parsed = Json::parse(text, &why);
    if (!parsed) {
        scenario_ = Json::object();
        load_error_ = (dir_ / "scenario.json").string() + ": " + (text.empty() ? "missing" : why);
        if (error) *error = load_error_;
        return false;
    }
    const Json& today = (*parsed)["today"];
    std::optional<DateTime> day;
    // An empty "today" (or none) means the machine's date at each request.
    if (!today.is_null() && !today.text().empty()) {
        day = scenario_day(today.text());
        if (!day) {
            scenario_ = Json::object();
            load_error_ = (dir_ / "scenario.json").string() + ": \"today\" must be a date " +
                          "written YYYY-MM-DD (for example 2016-10-19), not \"" + today.text() +
                          "\"";
            if (error) *error = load_error_;
            return false;
        }
    }
    scenario_ = std::move(*parsed);
    version_ = scenario_.str("version", "1.1.0.19");
    if (day) today_ = *day;
    for (const auto& aj : scenario_["accounts"].elements()) {
        Account a;
        a.qq = aj.str("qq");
        a.skey = aj.str("skey");
        a.nickname = aj.str("nickname");
        for (const auto& [k, v] : aj["cookies"].members())
            a.login_cookies.emplace_back(k, v.text());
        for (const auto& rj : aj["roles"].elements()) {
            int area = static_cast<int>(rj.num("area"));
            a.roles[area] = make_role(a.qq, area, rj.str("name"));
        }
        for (const auto& [k, v] : aj["bound"].members())
            a.ams_bound[k] = static_cast<int>(v.integer());
        for (const auto& [k, v] : aj["tgp_zones"].members())
            a.tgp_zone[k] = static_cast<int>(v.integer());
        const Json& vip = aj["vip"];
        a.vip_level = static_cast<int>(vip.num("level"));
        a.vip_growth = static_cast<int>(vip.num("growth"));
        a.vip_next = static_cast<int>(vip.num("next"));
        a.green_level = static_cast<int>(vip.num("green"));
        a.vip_expiry = vip.str("expiry");
        a.ban_end = aj.num("ban_end");
        if (auto days = aj["ban_days_ago"]; !days.is_null()) {
            // Relative to the scenario's day so the demo reads the same any day.
            a.ban_end = unix_seconds(add_days(today_locked(), -static_cast<int>(days.integer())));
        }
        a.judou = static_cast<int>(aj.num("judou"));
        a.bangdou = static_cast<int>(aj.num("bangdou"));
        a.cf_point = aj.str("cf_point", "0");
        a.game_point = aj.str("game_point", "0");
        if (demo_qq_.empty()) demo_qq_ = a.qq;
        std::string qq = a.qq;
        accounts_[qq] = std::move(a);
    }
    return true;
}

DateTime World::today_locked() const {
    return today_ ? *today_ : system_clock().now();
}

DateTime World::today() const {
    std::lock_guard lock(mutex_);
    return today_locked();
}

void World::set_today(const DateTime& t) {
    std::lock_guard lock(mutex_);
    today_ = t;
}

void World::set_version(std::string v) {
    std::lock_guard lock(mutex_);
    version_ = std::move(v);
}

void World::set_vendor_file(std::string name, std::string utf8) {
    std::lock_guard lock(mutex_);
    vendor_overrides_[std::move(name)] = std::move(utf8);
}

std::string World::demo_qq() const {
    std::lock_guard lock(mutex_);
    return demo_qq_;
}

Account* World::account(const std::string& qq) {
    auto it = accounts_.find(qq.empty() ? demo_qq_ : qq);
    return it == accounts_.end() ? nullptr : &it->second;
}

const Account* World::account(const std::string& qq) const {
    auto it = accounts_.find(qq.empty() ? demo_qq_ : qq);
    return it == accounts_.end() ? nullptr : &it->second;
}

std::string World::login_cookie(const std::string& qq) const {
    std::lock_guard lock(mutex_);
    const Account* a = account(qq);
    if (!a) return {};
    std::string o = "o" + std::string(a->qq.size() < 10 ? 10 - a->qq.size() : 0, '0') + a->qq;
    // The order a browser store gives back: skey sits between other cookies, and
    // ahead of p_skey, whose name ends in "skey" too.
    std::string out = "pt2gguin=" + o + "; uin=" + o + "; skey=" + a->skey;
    for (const auto& [k, v] : a->login_cookies) out += "; " + k + "=" + v;
    return out;
}

void World::set_captcha_code(const std::string& letters) {
    std::lock_guard lock(mutex_);
    fixed_captcha_ = letters;
}

std::string World::captcha_code() const {
    std::lock_guard lock(mutex_);
    return last_captcha_;
}

std::string World::working_cdkey() const {
    std::lock_guard lock(mutex_);
    for (const auto& [k, v] : scenario_["cdkeys"].members()) {
        if (v.str("state") == "ok") return k;
    }
    return {};
}

Account* World::signed_in(const Call& c) {
    std::string uin = c.cookie("uin");
    if (uin.empty()) uin = c.cookie("p_uin");
    if (uin.empty()) uin = c.cookie("pt2gguin");
    size_t i = 0;
    while (i < uin.size() && (uin[i] == 'o' || uin[i] == 'O' || uin[i] == '0')) ++i;
    std::string qq = uin.substr(i);
    auto it = accounts_.find(qq);
    if (it == accounts_.end()) return nullptr;
    if (c.cookie("skey") != it->second.skey) return nullptr;
    return &it->second;
}

std::string World::fill_dates(std::string text) const {
    DateTime t = today_locked();
    text = replace_every(std::move(text), "#{today}", yyyymmdd(t));
    text = replace_every(std::move(text), "#{yesterday}", yyyymmdd(add_days(t, -1)));
    text = replace_every(std::move(text), "#{tomorrow}", yyyymmdd(add_days(t, 1)));
    text = replace_every(std::move(text), "#{week_ago}", yyyymmdd(add_days(t, -7)));
    text = replace_every(std::move(text), "#{week_later}", yyyymmdd(add_days(t, 7)));
    text = replace_every(std::move(text), "#{version}", version_);
    return text;
}

// ---------------------------------------------------------------- dispatch

Answer World::serve(const Call& c) {
    std::lock_guard lock(mutex_);
    const std::string& p = c.path;
    auto starts = [&](std::string_view prefix) { return p.compare(0, prefix.size(), prefix) == 0; };

    if (starts("/cf/res/") && p.size() > 8 && p.find('/', 8) == std::string::npos && p.size() > 3 &&
        p.compare(p.size() - 3, 3, ".js") == 0) {
        return vendor_file(c, p.substr(8));
    }
    if (starts("/cf/res/img/")) return picture(c);
    if (p == "/cf/tongji.php") return tongji(c);
    if (p == "/cgi-bin/xlogin") return xlogin(c);
    if (p == "/ptqrshow") return ptqrshow(c);
    if (p == "/ptqrlogin") return ptqrlogin(c);
    if (p == "/sandbox/qr/confirm") return qr_confirm(c);
    if (p == "/check_sig" || p == "/") return landing(c);
    if (p == "/comm-cgi-bin/login/LoginReturnInfo.cgi") return login_info(c);
    if (p == "/ams/ame/ame.php") return ams(c);
    if (p == "/comm-cgi-bin/content_admin/activity_center/query_role.cgi") return query_role(c);
    if (p == "/CommArticle/app/reg/gdate.php") return server_date(c);
    if (p == "/cf/a20141126main/getUserInfo.php") return vip_user_info(c);
    if (p == "/cgi-bin/cf/cfvip/checkCFvipStatue.cgi") return vip_status(c);
    if (p == "/cf/cfvip/doCfVip.php") return vip_growth(c);
    if (starts("/index.php/cf/")) return tgp(c);
    if (p == "/ams3.0.php") return vip_ams(c);
    if (p == "/fcg-bin/fcg_qzact_lottery") return qzone(c);
    if (p == "/cgi-bin/common") return spend(c);
    if (p == "/cgi-bin/account/ajax_query.cgi") return scan(c);
    if (p == "/cf/a20150820fwg/getFeng.php") return ban(c);
    if (p == "/actcenter/queryActList") return activity_list(c);
    if (p == "/cgi-bin/cf/userinfo/userinfo.cgi") return war_stats(c);
    if (p == "/cf/info_proxy/weapon_stat_info") return weapons(c);
    if (p == "/daoju/appmarket/daoju_promotion/cloud_ticket/QueryCloudTicket.php")
        return judou_balance(c);
    if (starts("/user/scorePersonal/")) return bangdou_balance(c);
    if (p == "/getimage") return captcha(c);
    if (p == "/headimg_dl") return avatar(c);
    if (starts("/act/") || starts("/cp/")) return activity_page(c);

    Answer a = text_answer(
        "<html><head><title>404 Not Found</title></head><body><center><h1>404 Not "
        "Found</h1></center>"
        "<hr><center>sandbox</center></body></html>");
    a.status = 404;
    return a;
}

// ---------------------------------------------------------------- vendor files

Answer World::vendor_file(const Call&, const std::string& name) {
    std::string text;
    if (auto it = vendor_overrides_.find(name); it != vendor_overrides_.end()) {
        text = it->second;
    } else {
        text = read_file(dir_ / name);
        if (text.empty()) {
            Answer a = text_answer("<html><body><h1>404 Not Found</h1></body></html>");
            a.status = 404;
            return a;
        }
    }
    return js_answer(fill_dates(std::move(text)));
}

Answer World::tongji(const Call&) {
    return text_answer("<html><head><meta charset=\"utf-8\"><title>tongji</title></head><body>" +
                       std::to_string(++serial_ + 10240) + "</body></html>");
}

}  // namespace quillet::sandbox
