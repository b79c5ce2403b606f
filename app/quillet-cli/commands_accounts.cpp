// quillet-cli with several accounts: `claim --all-accounts` runs the claim of
// every profile in turn, each in a quillet-cli of its own (its own session,
// simulator and exit status), and prints one summary line per account.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/quillet-cli/cli_command.h"
#include "app/quillet-cli/cli_interrupt.h"
#include "app/quillet-cli/cli_options.h"
#include "app/quillet-cli/cli_view.h"
#include "app/quillet-cli/daily_commands.h"
#include "ledger/daily_pass.h"
#include "main/accounts.h"
#include "platform/child_process.h"
#include "platform/folders.h"

namespace quillet {

namespace {

std::string absolute(const std::string& path) {
    std::error_code ec;
    const auto p = std::filesystem::absolute(path, ec);
    return ec ? path : platform::utf8_of_path(p);
}

// One account's pass in a child quillet-cli; its summary (two lines) comes
// back on a pipe, its own output goes to our standard error.
int run_account(const std::string& program, std::vector<std::string> args, std::string& summary) {
    platform::ProgramRun run;
    run.argv.push_back(program);
    run.argv.insert(run.argv.end(), args.begin(), args.end());
    run.report_variable = kSummaryFdVariable;
    platform::ChildResult r = platform::run_program(run);
    summary = std::move(r.report);
    return r.status < 0 ? 1 : r.status;
}

int run_accounts(CliContext& ctx) {
    if (!ctx.args.empty()) {
        std::fprintf(stderr, "usage: accounts\n");
        return 2;
    }
    const auto names = account_names();
    if (names.empty()) {
        // JSON output lists the profiles there are: none.
        std::fprintf(ctx.json ? stderr : stdout, "no accounts in %s\n",
                     platform::utf8_of_path(accounts_folder()).c_str());
        return 0;
    }
    for (const std::string& n : names) {
        if (ctx.json)
            std::printf("{\"account\":%s,\"file\":%s}\n", json_string(n).c_str(),
                        json_string(platform::utf8_of_path(account_cookie_path(n))).c_str());
        else
            std::printf("%s\n", n.c_str());
    }
    return 0;
}

}  // namespace

std::string self_program() {
    const auto p = platform::executable_path();
    return p.empty() ? std::string("quillet-cli") : p.string();
}

std::string login_expired_line(const CliOptions* options) {
    std::string who;
    if (options != nullptr && options->account) who = " (account " + *options->account + ")";
    const std::string file =
        options != nullptr && options->account
            ? platform::utf8_of_path(account_cookie_path(*options->account))
            : (options != nullptr && options->cookie_file ? *options->cookie_file : "FILE");
    const std::string again = options != nullptr && options->account
                                  ? "--account " + *options->account
                                  : "--cookie-file " + file;
    return "quillet-cli: the QQ login has expired" + who +
           "; sign in again with: quillet-cli login " + again +
           " (or in the window: quillet --save-login " + file + ")";
}

std::vector<std::string> carried_options(const CliOptions& o) {
    std::vector<std::string> out;
    if (o.config) out.insert(out.end(), {"--config", absolute(*o.config)});
    for (const std::string& rule : o.connect_to) out.insert(out.end(), {"--connect-to", rule});
    if (o.sandbox) out.push_back("--sandbox");
    if (o.json) out.push_back("--json");
    if (o.verbose) out.push_back("--verbose");
    if (o.yes) out.push_back("--yes");
    if (o.input) out.insert(out.end(), {"--input", *o.input});
    if (o.ledger_file) out.insert(out.end(), {"--ledger-file", absolute(*o.ledger_file)});
    if (o.notify_cmd) out.insert(out.end(), {"--notify-cmd", *o.notify_cmd});
    return out;
}

int run_claim_all_accounts(CliContext& ctx) {
    const auto names = account_names();
    if (names.empty()) {
        std::fprintf(stderr, "quillet-cli: no accounts in %s (one NAME.cookie file per account)\n",
                     platform::utf8_of_path(accounts_folder()).c_str());
        return 2;
    }
    const std::string program = self_program();
    int worst = 0;
    size_t done = 0;
    for (const std::string& name : names) {
        // A signal lets the account under way finish (its own pass stops
        // when the signal reached it too), then ends the run.
        if (interrupt_signal() != 0) break;
        ++done;
        std::vector<std::string> args;
        if (ctx.options != nullptr) args = carried_options(*ctx.options);
        args.insert(args.end(), {"--account", name, "claim"});
        std::string summary;
        const int status = run_account(program, args, summary);
        worst = std::max(worst, status);
        // The child's two lines: the plain summary, then the JSON object.
        const size_t nl = summary.find('\n');
        std::string line = nl == std::string::npos ? std::string() : summary.substr(0, nl);
        std::string json = nl == std::string::npos ? std::string() : summary.substr(nl + 1);
        if (!json.empty() && json.back() == '\n') json.pop_back();
        if (line.empty()) {
            PassSummary s;
            s.account = name;
            s.status = status;
            s.error =
                "the pass ended without a summary (exit status " + std::to_string(status) + ")";
            line = summary_line(s);
            json = summary_json(s);
        }
        if (ctx.json)
            std::printf("{\"summary\":%s}\n", json.c_str());
        else
            std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
    if (const int sig = interrupt_signal(); sig != 0) {
        std::fprintf(
            stderr,
            "quillet-cli: claim --all-accounts interrupted by %s after %zu of %zu accounts\n",
            signal_name(sig).c_str(), done, names.size());
        ctx.interruption_told = true;
    }
    return worst;
}

QUILLET_CLI_COMMAND("accounts", "accounts", "list the account profiles (--account NAME)",
                    run_accounts, false, false);

}  // namespace quillet
