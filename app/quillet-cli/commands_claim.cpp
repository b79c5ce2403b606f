// quillet-cli `claim`: the one-click claim, run after the start-up
// initialisation exactly as a click on 按钮_一键领取 would run it.
#include "app/quillet-cli/cli_command.h"
#include "claim/claim_config.h"
#include "claim/claim_pass.h"
#include "main/main_window_jobs.h"
#include "services/game_service_client.h"
#include "session/session.h"

namespace quillet {

namespace {

int run_claim(CliContext& ctx) {
    Session& s = ctx.session;
    if (s.view.item_count(ctl::main::列表框_大区) == 0) RegionTable::fill_pickers(s);
    MessageCleaner cleaner;
    prepare_claim_engine(s, cleaner);
    GameServiceClient client(s);
    ActivityCatalogue catalogue;
    const bool ready = initialise_main_window(s, client, catalogue);
    unlock_controls(s, s.state.area_bound);
    if (!ready) return 1;

    lock_controls(s);
    run_claim_pass(s, catalogue, cleaner, client);
    return 0;
}

}  // namespace

QUILLET_CLI_COMMAND("claim", "claim", "claim every free gift on offer today (one-click claim)",
                    run_claim);

}  // namespace quillet
