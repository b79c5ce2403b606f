#pragma once
// The every-day pieces of quillet-cli shared by the command files: the claim
// pass's ledger and summary, and the runs of several accounts.
#include <string>
#include <vector>

namespace quillet {

struct CliContext;
struct CliOptions;

// Exit status of a command whose account has a login the QQ service no
// longer accepts (a new sign-in is needed; no retry will help).
inline constexpr int kExitLoginExpired = 3;
// The one line that tells the player so.
std::string login_expired_line(const CliOptions* options);

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
