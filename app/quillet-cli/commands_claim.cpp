// quillet-cli `claim`: the one-click claim, run after the start-up
// initialisation as a click on 按钮_一键领取.
#include <cstdio>

#include "app/quillet-cli/cli_window.h"

namespace quillet {

namespace {

int run_claim(CliContext& ctx) {
    if (!ctx.args.empty()) {
        std::fprintf(stderr, "usage: claim\n");
        return 2;
    }
    if (open_main_window(ctx) != InitResult::Ready) return 1;
    return raise_user_event(ctx, ctl::main::按钮_一键领取, Event::Clicked) ? 0 : 1;
}

}  // namespace

QUILLET_CLI_COMMAND("claim", "claim", "claim every free gift on offer today (one-click claim)",
                    run_claim);

}  // namespace quillet
