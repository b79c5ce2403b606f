// quillet-cli `history`: the claim ledger read back, per day.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/quillet-cli/cli_command.h"
#include "app/quillet-cli/cli_options.h"
#include "app/quillet-cli/daily_commands.h"
#include "ledger/history_text.h"
#include "ledger/ledger.h"
#include "platform/folders.h"
#include "session/session.h"
#include "text/time_text.h"

namespace quillet {

namespace {

int run_history(CliContext& ctx) {
    if (!ctx.args.empty()) {
        std::fprintf(stderr, "usage: history [--days N] [--account NAME]\n");
        return 2;
    }
    const CliOptions* o = ctx.options;
    const int days = o != nullptr && o->days ? *o->days : 7;
    const std::string account = o != nullptr && o->account ? *o->account : "";

    const std::filesystem::path file = ledger_file_of(o);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        std::fprintf(stderr, "quillet-cli: no claims recorded yet (%s)\n",
                     platform::utf8_of_path(file).c_str());
        return 0;
    }
    Ledger ledger;
    std::string error;
    if (!ledger.open(file, error, ctx.session.clock)) {
        std::fprintf(stderr, "quillet-cli: %s\n", error.c_str());
        return 1;
    }
    const Clock& clock = ctx.session.clock;
    const auto rows = ledger.rows(
        start_of_day(clock, first_day_of(format_datetime(clock.now(), 3), days)), account, error);
    if (!error.empty()) {
        std::fprintf(stderr, "quillet-cli: %s\n", error.c_str());
        return 1;
    }
    if (ctx.json) {
        for (const LedgerRow& r : rows) std::printf("%s\n", history_json(r, clock).c_str());
    } else {
        std::fputs(history_plain(rows, clock).c_str(), stdout);
    }
    return 0;
}

}  // namespace

QUILLET_CLI_COMMAND("history", "history [--days N] [--account NAME]",
                    "the claims of the last N days (default 7) from the claim ledger", run_history,
                    false, false);

}  // namespace quillet
