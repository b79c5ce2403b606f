#pragma once
// The program's start sequence and window loop: VersionWindow, then
// LoginWindow and MainWindow for as long as the user switches accounts; and
// what MainWindow's first activation and destruction do.
#include <functional>

namespace quillet {

struct Session;

// The platform steps of the start, each optional.
struct StartHooks {
    std::function<void()> load_skin;           // before the first window shows
    std::function<void()> restrict_processor;  // see restrict_to_first_processor
    // Signed in already (a kept cookie text): the first round of the window
    // loop goes straight to MainWindow.
    bool signed_in = false;
};

// Shows VersionWindow modally; unless the version was accepted, returns.
// Otherwise loops: LoginWindow modally, then MainWindow modally when the login
// succeeded, again while a switch of account asked for it. After each
// MainWindow the jobs it started are waited for (the user-interface events
// keep being processed meanwhile), so that no job of one account runs on into
// the next login. Returns when the program ends.
void run_program(Session& s, const StartHooks& hooks = {});

// The three jobs MainWindow starts when it is first activated.
struct MainWindowJobs {
    std::function<void(Session&)> scroll;       // the scroll/advertisement job
    std::function<void(Session&)> initialise;   // the account initialisation
    std::function<void(Session&)> remote_menu;  // the remote-menu job
};
// Starts them on workers in this order: the scroll job; the initialisation
// followed by unlock_controls(area_bound); the remote-menu job. A missing job
// is skipped (the unlock still runs).
void on_main_window_first_activated(Session& s, const MainWindowJobs& jobs);
// MainWindow being destroyed: closes ActivityBrowserWindow and NoticeWindow
// when they are open.
void on_main_window_destroyed(Session& s);

// Pins the process to the first processor (affinity mask 1), as the program
// always ran; false when the system refused.
bool restrict_to_first_processor();

}  // namespace quillet
