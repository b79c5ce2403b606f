// quillet-cli commands that set up the account as the main window does:
// `info` runs the start-up initialisation, `bind AREA_ID` then binds an area
// as if it had been picked in the region list.
#include <cstdio>
#include <string>

#include "app/quillet-cli/cli_window.h"
#include "session/session.h"

namespace quillet {

namespace {

namespace c = ctl::main;

int run_info(CliContext& ctx) {
    if (!ctx.args.empty()) {
        std::fprintf(stderr, "usage: info\n");
        return 2;
    }
    return open_main_window(ctx) == InitResult::Ready ? 0 : 1;
}

int run_bind(CliContext& ctx) {
    if (ctx.args.size() != 1) {
        std::fprintf(stderr, "usage: bind AREA_ID\n");
        return 2;
    }
    const int64_t area_id = region_argument(ctx, ctx.args[0], "bind");
    if (area_id == 0) return 2;

    // Without the QQ account there is nothing to bind; after a failed CF step
    // the user binds an area by hand, which is what this command is for.
    if (open_main_window(ctx) == InitResult::QqFailed) return 1;
    if (!raise_user_event(ctx, c::按钮_绑定大区, Event::Clicked)) return 1;
    View& v = ctx.session.view;
    const int index = index_of_value(ctx, c::列表框_大区, area_id);
    v.select_index(c::列表框_大区, index);
    EventArgs picked;
    picked.index = index;
    raise_user_event(ctx, c::列表框_大区, Event::SelectionChanged, picked);
    return ctx.session.state.area_bound ? 0 : 1;
}

}  // namespace

QUILLET_CLI_COMMAND("info", "info", "show the account's QQ, CF and CF-VIP information", run_info);
QUILLET_CLI_COMMAND("bind", "bind AREA_ID", "bind the account to another region", run_bind);

}  // namespace quillet
