// quillet-cli `schedule`: a daily claim run by the user's service manager
// (a systemd user timer), or the crontab line to add where none runs.
#include <cstdio>
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

std::string js(const std::string& text) {
    return json_string(text);
}

int show(bool json) {
    const auto folder = systemd_user_folder();
    const auto units = read_timer_units(folder);
    const std::string timer_file = (folder / kTimerUnit).string();
    if (!units) {
        if (json)
            std::printf("{\"scheduled\":false,\"timer_file\":%s}\n", js(timer_file).c_str());
        else
            std::printf("no daily claim is scheduled (%s)\n", timer_file.c_str());
        return 0;
    }
    const std::string service_file = (folder / kServiceUnit).string();
    if (json)
        std::printf(
            "{\"scheduled\":true,\"timer_file\":%s,\"timer\":%s,\"service_file\":%s,"
            "\"service\":%s}\n",
            js(timer_file).c_str(), js(units->timer).c_str(), js(service_file).c_str(),
            js(units->service).c_str());
    else
        std::printf("# %s\n%s\n# %s\n%s", timer_file.c_str(), units->timer.c_str(),
                    service_file.c_str(), units->service.c_str());
    return 0;
}

int remove(bool json) {
    const auto folder = systemd_user_folder();
    const bool had = read_timer_units(folder).has_value();
    if (systemd_user_running()) run_systemctl_user({"disable", "--now", kTimerUnit});
    std::string error;
    if (!remove_timer_units(folder, error)) {
        std::fprintf(stderr, "quillet-cli: %s\n", error.c_str());
        return 1;
    }
    if (systemd_user_running()) run_systemctl_user({"daemon-reload"});
    if (json)
        std::printf("{\"removed\":%s}\n", had ? "true" : "false");
    else
        std::printf(had ? "the daily claim is no longer scheduled\n"
                        : "no daily claim was scheduled\n");
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
    if (o.show) return show(o.json);
    if (o.remove) return remove(o.json);

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

    if (!systemd_user_running()) {
        if (o.json)
            std::printf("{\"scheduled\":false,\"crontab\":%s}\n", js(crontab_line(t)).c_str());
        else
            std::printf(
                "No systemd user instance runs here; add this line to your crontab (crontab "
                "-e):\n%s\n",
                crontab_line(t).c_str());
        return 0;
    }
    const auto folder = systemd_user_folder();
    std::string error;
    if (!write_timer_units(folder, t, error)) {
        std::fprintf(stderr, "quillet-cli: %s\n", error.c_str());
        return 1;
    }
    run_systemctl_user({"daemon-reload"});
    if (run_systemctl_user({"enable", "--now", kTimerUnit}) != 0) {
        std::fprintf(stderr,
                     "quillet-cli: the timer is written (%s) but systemctl --user enable --now "
                     "%s failed\n",
                     (folder / kTimerUnit).c_str(), kTimerUnit);
        return 1;
    }
    char at_text[8];
    std::snprintf(at_text, sizeof at_text, "%02d:%02d", t.hour % 100, t.minute % 100);
    if (o.json)
        std::printf("{\"scheduled\":true,\"at\":%s,\"timer_file\":%s}\n", js(at_text).c_str(),
                    js((folder / kTimerUnit).string()).c_str());
    else
        std::printf("daily claim scheduled at %s (%s)\n", at_text, (folder / kTimerUnit).c_str());
    return 0;
}

}  // namespace

QUILLET_CLI_COMMAND("schedule", "schedule --at HH:MM|--show|--remove",
                    "claim every day at HH:MM (systemd user timer, else a crontab line)",
                    run_schedule, false, false);

}  // namespace quillet
