// quillet-cli `claim`: the one-click claim, run after the start-up
// initialisation as a click on 按钮_一键领取.
#include <cstdio>

#include "app/quillet-cli/cli_window.h"
#include "session/session.h"

namespace quillet {

namespace {

int run_claim(CliContext& ctx) {
    if (!ctx.args.empty()) {
        std::fprintf(stderr, "usage: claim\n");
        return 2;
    }
    if (open_main_window(ctx) != InitResult::Ready) return 1;
    if (!raise_user_event(ctx, ctl::main::按钮_一键领取, Event::Clicked)) return 1;
    // The pass loads a missing catalogue first and ends silently when it
    // still cannot: nothing was claimed, which a scheduler must hear of.
    if (!ctx.session.state.catalogue_ready) {
        std::fprintf(stderr,
                     "quillet-cli: claim: the activity catalogue could not be loaded; "
                     "nothing was claimed\n");
        return 1;
    }
    return 0;
}

}  // namespace

QUILLET_CLI_COMMAND("claim", "claim", "claim every free gift on offer today (one-click claim)",
                    run_claim);

}  // namespace quillet
