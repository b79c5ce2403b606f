#pragma once
// The every-day pieces of quillet-cli shared by the command files: the claim
// pass's ledger and summary, and the runs of several accounts.
#include <string>
#include <vector>

#include "ledger/daily_pass.h"
#include "main/main_window_jobs.h"

namespace quillet {

struct CliContext;
struct CliOptions;

// Exit status of a command whose account has a login the QQ service no
// longer accepts (a new sign-in is needed; no retry will help).
inline constexpr int kExitLoginExpired = 3;
// The one line that tells the player so.
std::string login_expired_line(const CliOptions* options);

// The exit status of a command after the account initialisation: 0 when
// ready, 3 (with the line on stderr) when the login has expired, 1 when the
// QQ or CF step failed otherwise.
int init_status(const CliContext& ctx, InitResult r);
// The same for commands that go on after a failed CF step: 0 unless the QQ
// step failed.
int qq_step_status(const CliContext& ctx, InitResult r);

// The ledger file of this run: --ledger-file, else the data folder's
// ledger.sqlite3 (sandbox-ledger.sqlite3 for every --sandbox run, whatever
// account it signs in with: its claims are the simulator's, no player's).
std::filesystem::path ledger_file_of(const CliOptions* options);
// The ledger, notify command and account of this run.
DailyPassOptions daily_pass_options(const CliContext& ctx);
// Ends a claim pass: prints its summary (a line; {"summary":{...}} with
// --json), notifies, and returns status; after SIGINT or SIGTERM the pass is
// told as interrupted (with the closing line) and the status is 130 or 143.
int finish_claim_pass(CliContext& ctx, DailyPass& pass, int status, std::string error = {});

// `claim --all-accounts`: every profile in turn, each in a quillet-cli of its
// own; one summary line each; the worst exit status.
int run_claim_all_accounts(CliContext& ctx);

// The global options to hand on to a quillet-cli run for the user: every one
// that shapes a pass (configuration, routing, simulator, ledger, notify
// command, output mode), paths made absolute; never --account or the
// cookie file, which the caller chooses.
std::vector<std::string> carried_options(const CliOptions& o);

// The absolute path of the running quillet-cli.
std::string self_program();

}  // namespace quillet
