#pragma once
// Test bed of the account features: a session whose every host is routed to
// the simulator, the in-memory view recording every call, a fixed clock on the
// simulator's "today", and the demo account signed in and initialised as the
// login and the start-up initialisation leave it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
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

// Midnight, so that end times in whole hours from now are whole hours from the
// server's date too.
inline constexpr DateTime kToday{2016, 10, 19, 0, 0, 0};

inline HttpOptions routed_to_sandbox(int port) {
    HttpOptions o;
    o.connect_timeout_ms = 3000;
    o.stall_timeout_ms = 5000;
    o.routing.add("*=127.0.0.1:" + std::to_string(port));
    return o;
}

inline std::filesystem::path fresh_config_file() {
    static int n = 0;
    auto dir = std::filesystem::temp_directory_path() /
               ("quillet-features-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
    std::filesystem::create_directories(dir);
    return dir / "quillet.cfg";
}

class FeatureBed {
  public:
    explicit FeatureBed(std::filesystem::path scenario = sandbox::default_scenario_dir())
        : sb(std::move(scenario)),
          port(sb.start(0)),
          clock(kToday),
          http(routed_to_sandbox(port)),
          s(view, clock, http, HostTable(), store, fresh_config_file()),
          client(s) {
        sb.set_today(kToday);
        view.set_recording(true);
    }
    ~FeatureBed() { s.jobs.join_all(); }

    // Signs the demo account in and binds it to a region with a role, as the
    // login and the start-up initialisation leave the session; the region
    // pickers are filled first, as the window's creation does. False when the
    // role service does not confirm the role.
    bool initialise(int32_t area = 320) {
        if (view.item_count(ctl::main::组合框_大区列表) == 0) RegionTable::fill_pickers(s);
        SessionState& st = s.state;
        st.cookie.set(sb.account_cookie());
        st.skey = sb.account_skey();
        st.g_tk = compute_g_tk(st.skey);
        st.qq = sb.account_qq();
        st.logged_in = true;
        const RoleInfo role = client.query_role(st.cookie, area);
        if (!role.ok() || role.area_id != area) return false;
        st.area_id = role.area_id;
        st.area_name = GameServiceClient::area_name(role.area_id);
        st.role_name = role.role_name;
        st.checkparam = role.checkparam;
        st.md5str = role.md5str;
        st.area_bound = true;
        unlock_controls(s, true);
        mark();
        return true;
    }

    // Forgets what was logged, shown and requested so far.
    void mark() {
        log_mark_ = view.log().size();
        view.clear_events();
        sb.clear_requests();
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
    // Requests since the mark whose path starts with prefix.
    std::vector<sandbox::RecordedRequest> requests(const std::string& prefix) const {
        std::vector<sandbox::RecordedRequest> out;
        for (auto& r : sb.requests())
            if (r.path.rfind(prefix, 0) == 0) out.push_back(r);
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
    // Whether the region-bound controls came back (unlock_controls' flag).
    bool bound_features_enabled() { return view.enabled(ctl::main::按钮_一键领取); }
    bool unlocked() { return view.enabled(ctl::main::按钮_Quillet); }

    sandbox::Sandbox sb;
    int port;
    RecordingView view;
    FixedClock clock;
    HttpClient http;
    MemoryCookieStore store;
    Session s;
    GameServiceClient client;

  private:
    size_t log_mark_ = 0;
};

}  // namespace quillet::testing
