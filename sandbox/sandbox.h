#pragma once
// quillet-sandbox: a loopback HTTP server that plays every service the program
// talks to (the vendor's files, the login pages, AMS, TGP, QQ-VIP, Qzone and the
// game-service look-ups), with per-account state, a request log and misbehaviour
// on demand. Every host is routed here (the Host header keeps the real name), so
// dispatch is by path, and by Host only where two services share a path.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/clock.h"

namespace quillet::sandbox {

// The scenario folder: $QUILLET_SANDBOX_SCENARIO when set, otherwise the
// sandbox/scenarios/default folder of the source tree.
std::filesystem::path default_scenario_dir();

struct RecordedRequest {
    std::string method;
    std::string host;                                          // Host header without port
    std::string target;                                        // path?query, as sent
    std::string path;                                          // target up to "?"
    std::vector<std::pair<std::string, std::string>> headers;  // in the order sent
    std::string body;

    // The first header of that name (ASCII letter case ignored); empty when absent.
    std::string header(std::string_view name) const;
};

enum class Misbehaviour {
    None,         // answer normally (clears an earlier rule for the same path)
    Delay,        // wait delay_ms, then answer normally
    Stall,        // accept and never answer (until the sandbox stops)
    Reset,        // send the headers and part of the body, then reset the connection
    Empty,        // 200 with an empty body
    Garbage,      // 200 with random bytes (NULs, broken UTF-8 and GBK)
    ErrorStatus,  // 500 with a small error page
    Oversized,    // 200 with a huge body (40 MiB unless set_oversized_bytes)
};

// Per-account knobs. An account is found by the uin (or pt2gguin / p_uin) cookie and
// must carry its skey; requests without them are answered as "not signed in".
struct RoleSpec {
    int area_id = 0;
    std::string name;  // UTF-8
};

class Sandbox {
  public:
    explicit Sandbox(std::filesystem::path scenario_dir = default_scenario_dir());
    ~Sandbox();  // stops
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // Binds 127.0.0.1 (0 = a free port) and serves on its own threads; returns the
    // port, or -1 when the port could not be bound.
    int start(int port = 0);
    void stop();
    int port() const;
    // The HTTPS listener beside it (the login page), with the test certificate
    // of certificate_dir: the port, or -1 when it cannot start. stop() ends it too.
    int start_tls(int port = 0);
    int tls_port() const;  // -1 when not listening
    // The certificate the HTTPS listener serves (PEM; empty when unreadable).
    std::string tls_certificate_pem() const;

    std::vector<RecordedRequest> requests() const;
    void clear_requests();
    size_t connections_accepted() const;  // TCP connections accepted so far

    // path_prefix matches the start of the request path (e.g. "/ams/ame/ame.php");
    // host empty = any host. The latest rule for a path and host replaces older ones.
    void misbehave(const std::string& path_prefix, Misbehaviour m, int delay_ms = 0,
                   const std::string& host = "");
    void clear_misbehaviour();
    void set_oversized_bytes(size_t bytes);

    // The server date (gdate.php) and "today" of the scenario (dates of the
    // catalogue, today's consumption records, activity end times). Until set, the
    // machine's local date-time at the moment of each request.
    void set_today(const quillet::DateTime& t);
    quillet::DateTime today() const;

    // The cookie text a completed login leaves for the demo account
    // ("name=value; name=value"; skey is neither first nor last).
    std::string account_cookie() const;
    std::string account_qq() const;
    std::string account_skey() const;
    std::string account_nickname() const;  // UTF-8

    // ---- scenario knobs (all act on the demo account unless a qq is given) ----
    // Reloads the scenario files and forgets every state change and knob.
    void reset();
    // Why the scenario could not be loaded (the sandbox then serves an empty
    // world); empty when it was.
    std::string scenario_error() const;
    // The version that ver.js names (default: the scenario's, 1.1.0.19).
    void set_version(const std::string& v);
    // Serves this text (UTF-8, #{today}-style placeholders filled) for a vendor
    // file instead of the scenario's: "data.js", "month.js", "ver.js", "menu.js",
    // "scroll.js".
    void set_vendor_file(const std::string& name, const std::string& utf8_text);
    // The area an AMS activity has bound for the account (0 = unbound). Also the
    // bound-area flows ("45056", "15123", ...): find_bound_area reads these.
    void set_bound_area(const std::string& activity_id, int area_id, const std::string& qq = "");
    int bound_area(const std::string& activity_id, const std::string& qq = "") const;
    // Roles per region; an area without a role answers "queryerr".
    void set_roles(const std::vector<RoleSpec>& roles, const std::string& qq = "");
    void set_vip(int level, int growth, int next_level_growth, const std::string& expiry,
                 int green_level = 3, const std::string& qq = "");
    // End of the ban as Unix seconds (0 = never banned: the service says so in words).
    void set_ban_end(int64_t unix_seconds, const std::string& qq = "");
    void set_balances(int judou, int bangdou, const std::string& qq = "");
    int judou(const std::string& qq = "") const;
    int bangdou(const std::string& qq = "") const;
    // How many times the account has claimed a gift (AMS "aId/fId", TGP "tgp:aId/gift",
    // VIP "vip:actid", Qzone "qzone:actid/ruleid").
    int claims(const std::string& key, const std::string& qq = "") const;
    void clear_claims(const std::string& qq = "");
    // The captcha letters of the last picture served, and a CDKEY that works.
    std::string captcha_code() const;
    std::string working_cdkey() const;
    // Every captcha picture from now on shows these letters (empty: random
    // letters again), so a scripted redemption can type them.
    void set_captcha_code(const std::string& letters);

    // ---- the QR login ----
    // How long a code stays valid (default two minutes); its polls answer 65
    // afterwards.
    void set_qr_lifetime(std::chrono::milliseconds lifetime);
    // An account (empty: none) that scans and confirms every code by itself:
    // a code's first poll answers 66, the second 67, the third signs in.
    void set_qr_auto_confirm(const std::string& qq);
    // Scans and confirms a code as the account (empty: the demo account), as
    // GET /sandbox/qr/confirm?code=ID&qq=QQ does. False when unknown.
    bool confirm_qr(const std::string& code, const std::string& qq = "");
    // Called with the id of every code served.
    void set_qr_served_hook(std::function<void(const std::string& code)> hook);
    // The ids of the codes served, in order, and a code's modules (rows,
    // true = dark; empty when unknown).
    std::vector<std::string> qr_codes() const;
    std::vector<std::vector<bool>> qr_modules(const std::string& code) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quillet::sandbox
