#pragma once
// The symbolic hosts the program talks to, their defaults, overrides from the
// configuration file (section "hosts", key = symbolic name) and routing rules
// ("HOST=ADDR:PORT", "*" for every host) that send a host's connections
// elsewhere while the request keeps its real Host header.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class IniFile;

enum class Host {
    VENDOR, AMS, AVATAR, BANG, CAPTCHA, DAOJU, GAME_APPS, GAME_LOGIN, GAME_SITE, KF, PAY,
    PTLOGIN_GAME, PTLOGIN, PTLOGIN_SSL, PTLOGIN_XLOGIN, QZONE_ACT, QZONE_PAGE, QZONE_STATIC, TGP_ACT,
    TGP_DATA, VIP_AMS,
};
inline constexpr size_t kHostCount = 21;

// "AMS_HOST" for Host::AMS.
std::string_view host_symbol(Host h);
std::optional<Host> host_of_symbol(std::string_view symbol);

class HostTable {
public:
    HostTable();  // the defaults
    const std::string& operator[](Host h) const { return names_[static_cast<size_t>(h)]; }
    void set(Host h, std::string name);
    // Applies the entries of section "hosts" of a configuration file.
    void load_overrides(const IniFile& config);
    static std::string_view default_of(Host h);

private:
    std::array<std::string, kHostCount> names_;
};

struct RouteRule {
    std::string host;     // a host name, or "*" for every host
    std::string address;  // where its connections go
    int port = 0;
};

class Routing {
public:
    // Parses "HOST=ADDR:PORT"; false (and nothing added) when malformed.
    bool add(std::string_view rule);
    void add(RouteRule rule) { rules_.push_back(std::move(rule)); }
    // The route of host:port, the first matching rule winning; nullopt: direct.
    std::optional<RouteRule> route_for(std::string_view host) const;
    const std::vector<RouteRule>& rules() const { return rules_; }
    bool empty() const { return rules_.empty(); }

private:
    std::vector<RouteRule> rules_;
};

}  // namespace quillet
