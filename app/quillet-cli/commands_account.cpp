// quillet-cli commands that set up the account as the main window does:
// `info` runs the start-up initialisation, `bind AREA_ID` then binds an area
// as if it had been picked in the region list.
#include <cstdio>
#include <string>

#include "app/quillet-cli/cli_command.h"
#include "main/main_window_jobs.h"
#include "services/game_service_client.h"
#include "session/session.h"
#include "text/text_ops.h"

namespace quillet {

namespace {

// The window's creation handler fills the region pickers before anything runs.
void ensure_pickers(Session& s) {
    if (s.view.item_count(ctl::main::列表框_大区) == 0) RegionTable::fill_pickers(s);
}

int run_info(CliContext& ctx) {
    Session& s = ctx.session;
    ensure_pickers(s);
    GameServiceClient client(s);
    ActivityCatalogue catalogue;
    const bool ready = initialise_main_window(s, client, catalogue);
    unlock_controls(s, s.state.area_bound);
    return ready ? 0 : 1;
}

int run_bind(CliContext& ctx) {
    if (ctx.args.size() != 1) {
        std::fprintf(stderr, "usage: bind AREA_ID\n");
        return 2;
    }
    const std::string& arg = ctx.args[0];
    const int64_t area_id = int_of_text(arg);
    if (arg.empty() || std::to_string(area_id) != arg) {
        std::fprintf(stderr, "bind: AREA_ID must be a region id such as 320\n");
        return 2;
    }
    Session& s = ctx.session;
    ensure_pickers(s);
    const Control list = ctl::main::列表框_大区;
    int index = -1;
    for (int i = 0, n = s.view.item_count(list); i < n; ++i) {
        if (s.view.item_value(list, i) == area_id) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        std::fprintf(stderr, "bind: %s is not a region id of the region list\n", arg.c_str());
        return 2;
    }

    GameServiceClient client(s);
    ActivityCatalogue catalogue;
    const InitResult init = initialise_main_window_result(s, client, catalogue);
    unlock_controls(s, s.state.area_bound);
    // Without the QQ account there is nothing to bind; after a failed CF step
    // the user binds an area by hand, which is what this command is for.
    if (init == InitResult::QqFailed || init == InitResult::QqExpired) return 1;

    lock_controls(s);
    s.view.select_index(list, index);
    bind_selected_area(s, client, catalogue);
    return s.state.area_bound ? 0 : 1;
}

}  // namespace

QUILLET_CLI_COMMAND("info", "info", "show the account's QQ, CF and CF-VIP information", run_info);
QUILLET_CLI_COMMAND("bind", "bind AREA_ID", "bind the account to another region", run_bind);

}  // namespace quillet
