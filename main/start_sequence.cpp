#include "main/start_sequence.h"

#include "platform/system.h"
#include "session/session.h"

namespace quillet {

void run_program(Session& s, const StartHooks& hooks) {
    if (hooks.load_skin) hooks.load_skin();
    if (hooks.restrict_processor) hooks.restrict_processor();

    s.view.show_window(Window::Version, true);
    // The check may still be ending (closing the window is its last step).
    s.jobs.wait_idle([&s] { s.view.pump_events(); });
    if (!s.state.version_ok) return;

    s.state.relogin_requested = true;
    bool skip_login = hooks.signed_in && s.state.logged_in;
    while (s.state.relogin_requested.exchange(false)) {
        if (!skip_login) s.view.show_window(Window::Login, true);
        skip_login = false;
        if (!s.state.logged_in) continue;  // closed without signing in: ends, unless asked again
        s.view.show_window(Window::Main, true);
        // A job of the window just closed may still be writing the account's
        // fields; it is asked to stop and let finish before the next login
        // starts afresh.
        s.jobs.request_stop();
        s.jobs.wait_idle([&s] { s.view.pump_events(); });
    }
}

void on_main_window_first_activated(Session& s, const MainWindowJobs& jobs) {
    if (jobs.scroll) s.jobs.start([&s, job = jobs.scroll] { job(s); });
    s.jobs.start([&s, job = jobs.initialise] {
        if (job) job(s);
        unlock_controls(s, s.state.area_bound);
    });
    if (jobs.remote_menu) s.jobs.start([&s, job = jobs.remote_menu] { job(s); });
}

void on_main_window_destroyed(Session& s) {
    if (s.view.is_loaded(Window::ActivityBrowser)) s.view.close_window(Window::ActivityBrowser);
    if (s.view.is_loaded(Window::Notice)) s.view.close_window(Window::Notice);
}

bool restrict_to_first_processor() {
    return platform::restrict_to_first_processor();
}

}  // namespace quillet
