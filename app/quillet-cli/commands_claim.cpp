// quillet-cli `claim`: the one-click claim, run after the start-up
// initialisation as a click on 按钮_一键领取; every attempt goes to the claim
// ledger and the pass ends with its summary. `claim --all-accounts` runs it
// for every account profile.
#include <cstdio>

#include "app/quillet-cli/cli_options.h"
#include "app/quillet-cli/cli_window.h"
#include "app/quillet-cli/daily_commands.h"
#include "session/session.h"

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
    if (!raise_user_event(ctx, ctl::main::按钮_一键领取, Event::Clicked))
        return finish_claim_pass(ctx, pass, 1, "the one-click claim is not available");
    // The pass loads a missing catalogue first and ends silently when it
    // still cannot: nothing was claimed, which a scheduler must hear of.
    if (!ctx.session.state.catalogue_ready) {
        std::fprintf(stderr,
                     "quillet-cli: claim: the activity catalogue could not be loaded; "
                     "nothing was claimed\n");
        return finish_claim_pass(ctx, pass, 1, "the activity catalogue could not be loaded");
    }
    return finish_claim_pass(ctx, pass, 0);
}

}  // namespace

QUILLET_CLI_COMMAND("claim", "claim [--all-accounts]",
                    "claim every free gift on offer today (one-click claim)", run_claim);

}  // namespace quillet
