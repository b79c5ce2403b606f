// quillet-cli `history`: the claim ledger read back, per day.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/quillet-cli/cli_command.h"
#include "app/quillet-cli/cli_options.h"
#include "ledger/history_text.h"
#include "ledger/ledger.h"
#include "main/accounts.h"
#include "session/session.h"

namespace quillet {

namespace {

int history_usage(const std::string& why) {
    std::fprintf(stderr, "quillet-cli history: %s\nusage: history [--days N] [--account NAME]\n",
                 why.c_str());
    return 2;
}

int run_history(CliContext& ctx) {
    int days = 7;
    std::string account =
        ctx.options != nullptr && ctx.options->account ? *ctx.options->account : "";
    for (size_t i = 0; i < ctx.args.size(); ++i) {
        const std::string& a = ctx.args[i];
        if ((a == "--days" || a == "--account") && i + 1 >= ctx.args.size())
            return history_usage(a + " needs a value");
        if (a == "--days") {
            const std::string& v = ctx.args[++i];
            if (v.empty() || v.size() > 5 ||
                v.find_first_not_of("0123456789") != std::string::npos || std::stoi(v) < 1)
                return history_usage("--days takes a number of days (1 or more), not " + v);
            days = std::stoi(v);
        } else if (a == "--account") {
            account = ctx.args[++i];
            if (!valid_account_name(account))
                return history_usage("'" + account + "' is not an account name");
        } else {
            return history_usage("unknown argument " + a);
        }
    }

    const std::filesystem::path file = ctx.options != nullptr && ctx.options->ledger_file
                                           ? std::filesystem::path(*ctx.options->ledger_file)
                                           : default_ledger_path();
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        std::fprintf(stderr, "quillet-cli: no claims recorded yet (%s)\n", file.c_str());
        return 0;
    }
    Ledger ledger;
    std::string error;
    if (!ledger.open(file, error)) {
        std::fprintf(stderr, "quillet-cli: %s\n", error.c_str());
        return 1;
    }
    const DateTime now = ctx.session.clock.now();
    char today[16];
    std::snprintf(today, sizeof today, "%04d-%02d-%02d", now.year, now.month, now.day);
    const auto rows = ledger.rows(first_day_of(today, days), account, error);
    if (!error.empty()) {
        std::fprintf(stderr, "quillet-cli: %s\n", error.c_str());
        return 1;
    }
    if (ctx.json) {
        for (const LedgerRow& r : rows) std::printf("%s\n", history_json(r).c_str());
    } else {
        std::fputs(history_plain(rows).c_str(), stdout);
    }
    return 0;
}

}  // namespace

QUILLET_CLI_COMMAND("history", "history [--days N] [--account NAME]",
                    "the claims of the last N days (default 7) from the claim ledger", run_history);

}  // namespace quillet
