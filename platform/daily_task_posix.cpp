#include <cstdio>

#include "platform/daily_task.h"

namespace quillet::platform {

int show_daily_task() {
    const auto folder = systemd_user_folder();
    const auto units = read_timer_units(folder);
    if (!units) {
        std::printf("no daily claim is scheduled (%s)\n", (folder / kTimerUnit).c_str());
        return 0;
    }
    std::printf("# %s\n%s\n# %s\n%s", (folder / kTimerUnit).c_str(), units->timer.c_str(),
                (folder / kServiceUnit).c_str(), units->service.c_str());
    return 0;
}

int unschedule_daily_task() {
    const auto folder = systemd_user_folder();
    const bool had = read_timer_units(folder).has_value();
    if (systemd_user_running()) run_systemctl_user({"disable", "--now", kTimerUnit});
    std::string error;
    if (!remove_timer_units(folder, error)) {
        std::fprintf(stderr, "quillet-cli: %s\n", error.c_str());
        return 1;
    }
    if (systemd_user_running()) run_systemctl_user({"daemon-reload"});
    std::printf(had ? "the daily claim is no longer scheduled\n"
                    : "no daily claim was scheduled\n");
    return 0;
}

int schedule_daily_task(const DailyTimer& t) {
    if (!systemd_user_running()) {
        std::printf(
            "No systemd user instance runs here; add this line to your crontab (crontab -e):\n"
            "%s\n",
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
    std::printf("daily claim scheduled at %02d:%02d (%s)\n", t.hour, t.minute,
                (folder / kTimerUnit).c_str());
    return 0;
}

}  // namespace quillet::platform
