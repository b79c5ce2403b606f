#include "net/hosts.h"

#include "text/ini_file.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

struct HostEntry {
    Host host;
    std::string_view symbol;
    std::string_view default_name;
};

// In the order of enum Host.
constexpr HostEntry kHosts[kHostCount] = {
    {Host::VENDOR, "VENDOR_HOST", "quillet.invalid"},
    {Host::AMS, "AMS_HOST", "apps.game.qq.com"},
    {Host::AVATAR, "AVATAR_HOST", "q1.qlogo.cn"},
    {Host::BANG, "BANG_HOST", "bang.qq.com"},
    {Host::CAPTCHA, "CAPTCHA_HOST", "captcha.qq.com"},
    {Host::DAOJU, "DAOJU_HOST", "daoju.qq.com"},
    {Host::GAME_APPS, "GAME_APPS_HOST", "apps.game.qq.com"},
    {Host::GAME_LOGIN, "GAME_LOGIN_HOST", "apps.game.qq.com"},
    {Host::GAME_SITE, "GAME_SITE_HOST", "cf.qq.com"},
    {Host::KF, "KF_HOST", "kf.qq.com"},
    {Host::PAY, "PAY_HOST", "pay.qq.com"},
    {Host::PTLOGIN_GAME, "PTLOGIN_GAME_HOST", "ptlogin2.game.qq.com"},
    {Host::PTLOGIN, "PTLOGIN_HOST", "ptlogin2.qq.com"},
    {Host::PTLOGIN_SSL, "PTLOGIN_SSL_HOST", "ssl.ptlogin2.qq.com"},
    {Host::PTLOGIN_XLOGIN, "PTLOGIN_XLOGIN_HOST", "xui.ptlogin2.qq.com"},
    {Host::QZONE_ACT, "QZONE_ACT_HOST", "activity.qzone.qq.com"},
    {Host::QZONE_PAGE, "QZONE_PAGE_HOST", "act.qzone.qq.com"},
    {Host::QZONE_STATIC, "QZONE_STATIC_HOST", "qzs.qq.com"},
    {Host::TGP_ACT, "TGP_ACT_HOST", "act.tgp.qq.com"},
    {Host::TGP_DATA, "TGP_DATA_HOST", "api.tgp.qq.com"},
    {Host::VIP_AMS, "VIP_AMS_HOST", "iyouxi.vip.qq.com"},
};

constexpr bool table_in_enum_order() {
    for (size_t i = 0; i < kHostCount; ++i)
        if (static_cast<size_t>(kHosts[i].host) != i) return false;
    return true;
}
static_assert(table_in_enum_order());

// A host name as a user may write it: no scheme, path or blanks inside.
bool plausible_host_name(std::string_view name) {
    return !name.empty() && name.find_first_of("/ \t\r\n?#@;") == std::string_view::npos;
}

}  // namespace

std::string_view host_symbol(Host h) {
    return kHosts[static_cast<size_t>(h)].symbol;
}

std::optional<Host> host_of_symbol(std::string_view symbol) {
    std::string wanted = to_upper_ascii(trim(symbol));
    for (const HostEntry& e : kHosts)
        if (e.symbol == wanted) return e.host;
    return std::nullopt;
}

HostTable::HostTable() {
    for (const HostEntry& e : kHosts) names_[static_cast<size_t>(e.host)] = e.default_name;
}

std::string_view HostTable::default_of(Host h) {
    return kHosts[static_cast<size_t>(h)].default_name;
}

void HostTable::set(Host h, std::string name) {
    names_[static_cast<size_t>(h)] = std::move(name);
}

void HostTable::load_overrides(const IniFile& config) {
    for (const HostEntry& e : kHosts) {
        std::string value = trim(config.read("hosts", e.symbol));
        if (plausible_host_name(value)) set(e.host, to_lower_ascii(value));
    }
}

bool Routing::add(std::string_view rule) {
    std::string text = trim(rule);
    size_t eq = text.find('=');
    if (eq == std::string::npos) return false;
    std::string host = to_lower_ascii(trim(std::string_view(text).substr(0, eq)));
    std::string target = trim(std::string_view(text).substr(eq + 1));
    size_t colon = target.rfind(':');
    if (host.empty() || colon == std::string::npos || colon == 0) return false;
    if (host != "*" && !plausible_host_name(host)) return false;
    std::string address = target.substr(0, colon);
    const int port = port_of_text(std::string_view(target).substr(colon + 1));
    if (port < 1) return false;
    if (address.find_first_of("/ \t\r\n?#@;=") != std::string::npos) return false;
    if (address.find(':') != std::string::npos &&
        !(address.front() == '[' && address.back() == ']'))
        return false;  // an IPv6 address must be written in brackets
    rules_.push_back(RouteRule{std::move(host), std::move(address), port});
    return true;
}

std::optional<RouteRule> Routing::route_for(std::string_view host) const {
    std::string wanted = to_lower_ascii(host);
    for (const RouteRule& r : rules_)
        if (r.host == "*" || to_lower_ascii(r.host) == wanted) return r;
    return std::nullopt;
}

}  // namespace quillet
