#pragma once
// What every feature is given: the session record, the ports and the shared
// services. Created at start, released at exit; passed in, never global.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "net/cookie_jar.h"
#include "net/hosts.h"
#include "net/http_client.h"
#include "session/claim_attempt.h"
#include "session/job_runner.h"
#include "session/log_sink.h"
#include "session/session_state.h"
#include "session/view.h"
#include "text/clock.h"
#include "text/ini_file.h"

namespace quillet {

inline constexpr const char* kVersion = "1.1.0.19";

struct Session {
    Session(View& v, Clock& c, HttpClient& h, HostTable hosts_, PlatformCookieStore& store,
            std::filesystem::path config_file)
        : view(v),
          clock(c),
          http(h),
          hosts(std::move(hosts_)),
          cookie_store(store),
          config(std::move(config_file)),
          log(v, c) {}

    View& view;
    Clock& clock;
    HttpClient& http;
    HostTable hosts;
    PlatformCookieStore& cookie_store;
    IniFile config;  // quillet.cfg
    SessionState state;
    LogSink log;
    // Told of every claim attempt right after its log line; empty unless a
    // caller watches the pass. Runs on the claiming worker.
    std::function<void(const ClaimAttempt&)> on_claim_attempt;
    // Long work (the region scan, a claim pass) reports its steps here: called
    // from the job's thread after each step, and once more with done == total
    // when the work ends, also when it was cut short. Null by default; set
    // before any job runs.
    std::function<void(int done, int total)> progress;
    JobRunner jobs;  // declared last: joined first, before anything it uses goes

    // "http://" + the host's name.
    std::string http_url(Host h, std::string_view path = "") const {
        return "http://" + hosts[h] + std::string(path);
    }
    void pump() { view.pump_events(); }
    void report_progress(int done, int total) const {
        if (progress) progress(done, total);
    }
};

// Disables the main window's action controls (called before a job starts).
void lock_controls(Session& s);
// Re-enables them; bound_features decides the region-bound controls.
void unlock_controls(Session& s, bool bound_features);
// Panels: hides every panel and the account header, then shows panel at 16,16.
void show_panel(Session& s, Control panel);
// The "返回" buttons: hides the panel and shows the account header again.
void return_to_log(Session& s, Control panel);
// The panel frames show_panel hides (the account header included).
const std::vector<Control>& panel_set();
// The handler of 按钮_更换账号: forgets the signed-in account, closes the main
// window and asks the window loop for the login again.
void switch_account(Session& s);
// Hands an address to the system's web browser. Only http and https addresses
// are opened; an empty address, or one of any other scheme, opens nothing.
void open_address(Session& s, const std::string& address);
bool is_web_address(std::string_view address);

}  // namespace quillet
