// The every-day side of quillet-cli's account commands: the expired login
// told apart from a missing answer, and the claim pass's ledger and summary.
#include <cstdio>

#include "app/quillet-cli/cli_command.h"
#include "app/quillet-cli/cli_interrupt.h"
#include "app/quillet-cli/cli_options.h"
#include "app/quillet-cli/daily_commands.h"
#include "ledger/ledger.h"

namespace quillet {

int init_status(const CliContext& ctx, InitResult r) {
    if (r == InitResult::Ready) return 0;
    if (r == InitResult::QqExpired) {
        std::fprintf(stderr, "%s\n", login_expired_line(ctx.options).c_str());
        return kExitLoginExpired;
    }
    return 1;
}

int qq_step_status(const CliContext& ctx, InitResult r) {
    return r == InitResult::QqFailed || r == InitResult::QqExpired ? init_status(ctx, r) : 0;
}

std::filesystem::path ledger_file_of(const CliOptions* o) {
    if (o != nullptr && o->ledger_file) return *o->ledger_file;
    // Whoever signs in, a --sandbox run only ever talks to the simulator.
    if (o != nullptr && o->sandbox) return default_data_folder() / "sandbox-ledger.sqlite3";
    return default_ledger_path();
}

DailyPassOptions daily_pass_options(const CliContext& ctx) {
    DailyPassOptions d;
    const CliOptions* o = ctx.options;
    d.ledger = ledger_file_of(o);
    if (o != nullptr) {
        if (o->account) d.account = *o->account;
        d.notify_cmd = o->notify_cmd;
    }
    return d;
}

int finish_claim_pass(CliContext& ctx, DailyPass& pass, int status, std::string error) {
    if (const int sig = interrupt_signal(); sig != 0) {
        // Whatever stopped short was the signal's doing: the summary says how
        // far the pass got; the rows of the attempts made are kept.
        const InterruptProgress p = progress_at_interrupt();
        pass.set_interrupted(signal_name(sig), p.done, p.total);
        status = interrupted_status();
        error = p.total > 0 ? std::string()
                            : "interrupted by " + signal_name(sig) + " before the claim began";
        std::fprintf(stderr, "%s%s\n", interrupted_line(ctx.command).c_str(),
                     p.total > 0 ? "; the attempts made are in the claim ledger" : "");
        ctx.interruption_told = true;
    }
    if (const std::string w = pass.warning(); !w.empty())
        std::fprintf(stderr, "quillet-cli: the claim ledger keeps no record of this pass: %s\n",
                     w.c_str());
    const PassSummary s = pass.finish(status, error);
    if (ctx.json)
        std::printf("{\"summary\":%s}\n", summary_json(s).c_str());
    else
        std::printf("%s\n", summary_line(s).c_str());
    std::fflush(stdout);
    return status;
}

}  // namespace quillet
