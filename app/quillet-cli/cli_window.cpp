#include "app/quillet-cli/cli_window.h"

#include <cstdio>

#include "app/quillet-cli/cli_interrupt.h"
#include "app/quillet-cli/cli_view.h"
#include "main/application.h"
#include "main/window_controllers.h"
#include "services/game_service_client.h"
#include "session/session.h"
#include "text/text_ops.h"

namespace quillet {

void wait_for_jobs(CliContext& ctx) {
    ctx.session.jobs.wait_idle([&ctx] { ctx.session.view.pump_events(); });
}

InitResult open_main_window(CliContext& ctx, WindowRun run) {
    Program& p = ctx.app.program();
    if (interrupt_signal() != 0) return InitResult::QqFailed;  // nothing started
    p.vendor_jobs = run.vendor_jobs;
    p.account_job = run.account;
    ctx.session.view.show_window(Window::Main, false);
    wait_for_jobs(ctx);
    return p.init_result;
}

int failures_told(CliContext& ctx) {
    const auto* view = dynamic_cast<const CliView*>(&ctx.session.view);
    return view ? view->failure_lines() : 0;
}

bool raise_user_event(CliContext& ctx, Control c, Event e, EventArgs args) {
    // After SIGINT or SIGTERM nothing new starts.
    if (interrupt_signal() != 0 || !ctx.session.view.enabled(c)) return false;
    args.by_user = true;
    ctx.app.control_event(c, e, args);
    wait_for_jobs(ctx);
    return true;
}

int index_of_value(CliContext& ctx, Control list, int64_t value) {
    View& v = ctx.session.view;
    for (int i = 0, n = v.item_count(list); i < n; ++i)
        if (v.item_value(list, i) == value) return i;
    return -1;
}

int64_t region_argument(CliContext&, const std::string& arg, const char* command) {
    const int64_t area_id = int_of_text(arg);
    if (arg.empty() || std::to_string(area_id) != arg) {
        std::fprintf(stderr, "%s: AREA_ID must be a region id such as 320\n", command);
        return 0;
    }
    bool known = false;
    for (const RegionEntry& r : RegionTable::entries()) known = known || r.area_id == area_id;
    if (!known) {
        std::fprintf(stderr, "%s: %s is not a region id of the region list\n", command,
                     arg.c_str());
        return 0;
    }
    return area_id;
}

}  // namespace quillet
