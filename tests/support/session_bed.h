#pragma once
// The tests' session: the recording view, a fixed clock, an in-memory cookie
// store and an HTTP client whose every host goes to one loopback port (the
// simulator's or a test server's), a configuration file in a fresh temporary
// folder, and the game service client over it. Header-only, so that only the
// tests that use it link the simulator and the services.
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "net/cookie_jar.h"
#include "net/http_client.h"
#include "sandbox/sandbox.h"
#include "services/game_service_client.h"
#include "session/session.h"
#include "tests/support/gbk_literal.h"
#include "tests/support/recording_view.h"
#include "text/clock.h"
#include "text/text_ops.h"

namespace quillet::testing {

struct BedOptions {
    // Run the simulator (on the scenario folder, the default one when empty)
    // and route every host to it.
    bool simulator = false;
    std::filesystem::path scenario;
    // Without the simulator: the port every host is routed to (0: no routing).
    int port = 0;
    // The fixed clock's "now"; the simulator's day as well.
    DateTime now{2016, 10, 19, 5, 43, 30};
    int now_ms = 0;
    int connect_timeout_ms = 3000;
    int stall_timeout_ms = 5000;
    // The configuration file; by default quillet.cfg in a fresh temporary
    // folder removed with the bed. An empty path keeps no file.
    std::optional<std::filesystem::path> config;
    // Whether the view records every call (a benchmark turns it off).
    bool recording = true;
};

// A temporary folder, removed with everything in it when it goes.
class TempFolder {
  public:
    TempFolder() {
        static std::atomic<int> serial{0};
        path_ = std::filesystem::temp_directory_path() /
                ("quillet-bed-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

class SessionBed {
  public:
    explicit SessionBed(BedOptions options = {})
        : opts(std::move(options)),
          sb(opts.simulator
                 ? std::make_unique<sandbox::Sandbox>(
                       opts.scenario.empty() ? sandbox::default_scenario_dir() : opts.scenario)
                 : nullptr),
          port(sb ? sb->start(0) : opts.port),
          clock(opts.now, opts.now_ms),
          http(http_options(opts, port)),
          s(view, clock, http, HostTable(), store, config_path()),
          client(s) {
        if (sb) sb->set_today(opts.now);
        view.set_recording(opts.recording);
    }
    ~SessionBed() { s.jobs.join_all(); }
    SessionBed(const SessionBed&) = delete;
    SessionBed& operator=(const SessionBed&) = delete;

    static HttpOptions http_options(const BedOptions& o, int port) {
        HttpOptions h;
        h.connect_timeout_ms = o.connect_timeout_ms;
        h.stall_timeout_ms = o.stall_timeout_ms;
        // A server that could not start leaves every host on a closed local
        // port, never on the real services.
        if (o.simulator || o.port != 0)
            h.routing.add("*=127.0.0.1:" + std::to_string(port > 0 ? port : 9));
        return h;
    }

    // The simulator's demo account signed in, as the login leaves it.
    void sign_in_demo() {
        SessionState& st = s.state;
        const std::string cookie = sb->account_cookie();
        st.cookie.set(cookie);
        st.skey = sb->account_skey();
        st.g_tk = compute_g_tk(st.skey);
        std::string pt;
        for (const char* name : {"pt2gguin", "RK", "ptcz", "uin", "skey"})
            pt += CookieJar::cookie_value_copy(cookie, name) + "; ";
        st.pt_cookie.set(pt);
        st.qq = sb->account_qq();
        st.logged_in = true;
    }

    // What binding an area in the region list leaves in the session: the role
    // query, then the area's fields. False (and nothing bound) when the role
    // service does not confirm a role on that area.
    bool bind(int32_t area) {
        SessionState& st = s.state;
        const RoleInfo role = client.query_role(st.cookie, area);
        if (!role.ok() || role.area_id != area) return false;
        st.area_id = role.area_id;
        st.area_name = GameServiceClient::area_name(role.area_id);
        st.role_name = role.role_name;
        st.checkparam = role.checkparam;
        st.md5str = role.md5str;
        st.area_bound = true;
        return true;
    }

    // Forgets what was logged, shown and requested so far.
    void mark() {
        log_mark_ = view.log().size();
        view.clear_events();
        if (sb) sb->clear_requests();
    }
    // Log lines since the mark as "colour|text" (UTF-8).
    std::vector<std::string> log() const { return log_lines_since(view, log_mark_); }
    // Message boxes since the mark as "caption|text" (UTF-8).
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& e : view.events())
            if (e.op == "message") out.push_back(utf8(e.target) + "|" + utf8(e.value));
        return out;
    }
    // The simulator's requests since the mark whose path starts with prefix
    // (and whose body holds body_part, when given).
    std::vector<sandbox::RecordedRequest> requests(const std::string& prefix,
                                                   const std::string& body_part = "") const {
        std::vector<sandbox::RecordedRequest> out;
        for (auto& r : sb->requests())
            if (r.path.rfind(prefix, 0) == 0 && (body_part.empty() || contains(r.body, body_part)))
                out.push_back(r);
        return out;
    }
    // Rows of a list view in UTF-8.
    std::vector<std::vector<std::string>> rows(Control list) const {
        std::vector<std::vector<std::string>> out;
        for (const auto& row : view.state(list).rows) {
            out.emplace_back();
            for (const auto& cell : row) out.back().push_back(utf8(cell));
        }
        return out;
    }
    std::string caption(Control c) const { return utf8(view.state(c).caption); }
    // The folder of the default configuration file (empty with a given path).
    std::filesystem::path dir() const {
        return folder_ ? folder_->path() : std::filesystem::path();
    }

    BedOptions opts;
    std::unique_ptr<sandbox::Sandbox> sb;
    int port;
    RecordingView view;
    FixedClock clock;
    MemoryCookieStore store;
    HttpClient http;

  private:
    std::filesystem::path config_path() {
        if (opts.config) return *opts.config;
        folder_ = std::make_unique<TempFolder>();
        return folder_->path() / "quillet.cfg";
    }
    // Before the session: the folder goes after the session's last write.
    std::unique_ptr<TempFolder> folder_;
    size_t log_mark_ = 0;

  public:
    Session s;
    GameServiceClient client;
};

}  // namespace quillet::testing
