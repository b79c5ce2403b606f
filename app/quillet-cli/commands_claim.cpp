// quillet-cli `claim`: the one-click claim, run after the start-up
// initialisation as a click on 按钮_一键领取; every attempt goes to the claim
// ledger and the pass ends with its summary. `claim --all-accounts` runs it
// for every account profile.
#include <cstdio>

#include "app/quillet-cli/cli_options.h"
#include "app/quillet-cli/cli_window.h"
#include "app/quillet-cli/daily_commands.h"

namespace quillet {

namespace {

int run_claim(CliContext& ctx) {
    if (!ctx.args.empty()) {
        std::fprintf(stderr, "usage: claim [--all-accounts]\n");
        return 2;
    }
    if (ctx.options != nullptr && ctx.options->all_accounts) return run_claim_all_accounts(ctx);
    DailyPass pass(ctx.session, daily_pass_options(ctx));
    const InitResult init = open_main_window(ctx);
    if (const int status = init_status(ctx, init); status != 0)
        return finish_claim_pass(ctx, pass, status,
                                 status == kExitLoginExpired
                                     ? "the QQ login has expired"
                                     : "the account could not be initialised");
    const int status = raise_user_event(ctx, ctl::main::按钮_一键领取, Event::Clicked) ? 0 : 1;
    return finish_claim_pass(ctx, pass, status);
}

}  // namespace

QUILLET_CLI_COMMAND("claim", "claim [--all-accounts]",
                    "claim every free gift on offer today (one-click claim)", run_claim);

}  // namespace quillet
