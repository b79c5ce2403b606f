// quillet-cli with several accounts: `claim --all-accounts` runs the claim of
// every profile in turn, each in a quillet-cli of its own (its own session,
// simulator and exit status), and prints one summary line per account.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

namespace quillet {

namespace {

std::string absolute(const std::string& path) {
    std::error_code ec;
    const auto p = std::filesystem::absolute(path, ec);
    return ec ? path : p.string();
}

// One account's pass in a child quillet-cli; its summary (two lines) comes
// back on a pipe, its own output goes to our standard error.
int run_account(const std::string& program, std::vector<std::string> args, std::string& summary) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return 1;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // The environment is built before the fork: the child of a threaded
    // program may not allocate.
    std::vector<std::string> env_texts{std::string(kSummaryFdVariable) + "=" +
                                       std::to_string(fds[1])};
    const std::string prefix = std::string(kSummaryFdVariable) + "=";
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string_view(*e).substr(0, prefix.size()) != prefix) env_texts.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env_texts) envp.push_back(e.data());
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return 1;
    }
    if (pid == 0) {
        unblock_interrupts_in_child();
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        ::fcntl(fds[1], F_SETFD, 0);  // the summary descriptor survives exec
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        summary.append(buf, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return 1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int run_accounts(CliContext& ctx) {
    if (!ctx.args.empty()) {
        std::fprintf(stderr, "usage: accounts\n");
        return 2;
    }
    const auto names = account_names();
    if (names.empty()) {
        // JSON output lists the profiles there are: none.
        std::fprintf(ctx.json ? stderr : stdout, "no accounts in %s\n", accounts_folder().c_str());
        return 0;
    }
    for (const std::string& n : names) {
        if (ctx.json)
            std::printf("{\"account\":%s,\"file\":%s}\n", json_string(n).c_str(),
                        json_string(account_cookie_path(n).string()).c_str());
        else
            std::printf("%s\n", n.c_str());
    }
    return 0;
}

}  // namespace

std::string self_program() {
    std::error_code ec;
    const auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("quillet-cli") : p.string();
}

std::string login_expired_line(const CliOptions* options) {
    std::string who;
    if (options != nullptr && options->account) who = " (account " + *options->account + ")";
    const std::string file =
        options != nullptr && options->account
            ? account_cookie_path(*options->account).string()
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
                     accounts_folder().c_str());
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
