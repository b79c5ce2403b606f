// quillet-cli `schedule`: a daily claim run by the system's scheduler (a
// systemd user timer, else a crontab line to add; the Task Scheduler on
// Windows).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/quillet-cli/cli_command.h"
#include "app/quillet-cli/cli_options.h"
#include "app/quillet-cli/cli_view.h"
#include "app/quillet-cli/daily_commands.h"
#include "main/daily_timer.h"

namespace quillet {

namespace {

constexpr const char* kUsage =
    "usage: schedule --at HH:MM [--account NAME | --all-accounts] | schedule --show | "
    "schedule --remove";

int schedule_usage(const std::string& why) {
    std::fprintf(stderr, "quillet-cli schedule: %s\n%s\n", why.c_str(), kUsage);
    return 2;
}

// Tells what the scheduler did: one JSON object, or the text for a person.
int told(const platform::DailyTaskReport& r, bool json) {
    if (r.status != 0) {
        std::fprintf(stderr, "quillet-cli: %s\n", r.error.c_str());
        return r.status;
    }
    if (json) {
        std::string line = std::string("{\"scheduled\":") + (r.scheduled ? "true" : "false");
        for (const auto& [key, value] : r.fields)
            line += "," + json_string(key) + ":" +
                    (value == "true" || value == "false" ? value : json_string(value));
        std::printf("%s}\n", line.c_str());
    } else {
        std::fputs(r.text.c_str(), stdout);
    }
    return 0;
}

int run_schedule(CliContext& ctx) {
    if (!ctx.args.empty() || ctx.options == nullptr)
        return schedule_usage(ctx.args.empty() ? "no options" : "unknown argument " + ctx.args[0]);
    const CliOptions& o = *ctx.options;
    const std::optional<std::string> at = o.at, account = o.account;
    const bool all = o.all_accounts;
    if (o.show + o.remove + at.has_value() != 1)
        return schedule_usage("give one of --at, --show and --remove");
    if (o.show) return told(platform::show_daily_task(), o.json);
    if (o.remove) return told(platform::unschedule_daily_task(), o.json);

    DailyTimer t;
    if (!parse_clock_time(*at, t.hour, t.minute))
        return schedule_usage("--at takes a time of day such as 08:30, not " + *at);
    if (account && all) return schedule_usage("--account and --all-accounts exclude each other");
    const bool sandbox = o.sandbox;
    const bool cookie_file = o.cookie_file.has_value();
    if (!account && !all && !sandbox && !cookie_file)
        return schedule_usage("say whose claim: --account NAME or --all-accounts");

    t.program = self_program();
    t.args = carried_options(o);
    if (account) {
        t.args.insert(t.args.end(), {"--account", *account, "claim"});
    } else if (all) {
        t.args.insert(t.args.end(), {"claim", "--all-accounts"});
    } else {
        if (cookie_file) {
            std::error_code ec;
            t.args.insert(t.args.end(), {"--cookie-file",
                                         std::filesystem::absolute(*o.cookie_file, ec).string()});
        }
        t.args.push_back("claim");
    }

    return told(platform::schedule_daily_task(t), o.json);
}

}  // namespace

QUILLET_CLI_COMMAND("schedule", "schedule --at HH:MM|--show|--remove",
                    "claim every day at HH:MM (systemd user timer, else a crontab line)",
                    run_schedule, false, false);

}  // namespace quillet
