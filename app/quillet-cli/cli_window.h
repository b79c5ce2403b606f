#pragma once
// How a command uses the window core: it opens the main window as a start-up
// does (its creation, then the account initialisation of its first
// activation), then raises the events a user would and waits for the jobs
// they start.
#include "app/quillet-cli/cli_command.h"
#include "main/main_window_jobs.h"
#include "session/events.h"

namespace quillet {

struct WindowRun {
    // Also read the scroll configuration and the remote menu, as the window's
    // first activation does (only the commands about them need it).
    bool vendor_jobs = false;
    // Run the account initialisation (the configuration panel needs none).
    bool account = true;
};

// Creates and first-activates MainWindow and waits for its jobs; how the
// account initialisation ended.
InitResult open_main_window(CliContext& ctx, WindowRun run = {});

// Raises one user event and waits for every job it started. False (and
// nothing raised) when the control is disabled, as a window would refuse it,
// or once the run has been interrupted.
bool raise_user_event(CliContext& ctx, Control c, Event e, EventArgs args = {});

// The red log lines printed so far: the failures and refusals features tell.
int failures_told(CliContext& ctx);

// Waits for every job, letting queued window work run.
void wait_for_jobs(CliContext& ctx);

// The index of the item with that value in a list; -1 when there is none.
int index_of_value(CliContext& ctx, Control list, int64_t value);

// A command's arguments as a region id of the region list (prints the usage
// error and gives 0 when it is not one).
int64_t region_argument(CliContext& ctx, const std::string& arg, const char* command);

}  // namespace quillet
