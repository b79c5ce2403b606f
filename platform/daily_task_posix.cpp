#include <cstdio>

#include "platform/daily_task.h"
#include "platform/folders.h"

namespace quillet::platform {

DailyTaskReport show_daily_task() {
    const auto folder = systemd_user_folder();
    const auto units = read_timer_units(folder);
    const std::string timer_file = utf8_of_path(folder / kTimerUnit);
    DailyTaskReport r;
    r.fields = {{"timer_file", timer_file}};
    if (!units) {
        r.text = "no daily claim is scheduled (" + timer_file + ")\n";
        return r;
    }
    const std::string service_file = utf8_of_path(folder / kServiceUnit);
    r.scheduled = true;
    r.fields.insert(
        r.fields.end(),
        {{"timer", units->timer}, {"service_file", service_file}, {"service", units->service}});
    r.text =
        "# " + timer_file + "\n" + units->timer + "\n# " + service_file + "\n" + units->service;
    return r;
}

DailyTaskReport unschedule_daily_task() {
    const auto folder = systemd_user_folder();
    DailyTaskReport r;
    r.scheduled = read_timer_units(folder).has_value();
    if (systemd_user_running()) run_systemctl_user({"disable", "--now", kTimerUnit});
    if (!remove_timer_units(folder, r.error)) {
        r.status = 1;
        return r;
    }
    if (systemd_user_running()) run_systemctl_user({"daemon-reload"});
    r.fields = {{"removed", r.scheduled ? "true" : "false"}};
    r.text =
        r.scheduled ? "the daily claim is no longer scheduled\n" : "no daily claim was scheduled\n";
    return r;
}

DailyTaskReport schedule_daily_task(const DailyTimer& t) {
    DailyTaskReport r;
    if (!systemd_user_running()) {
        r.fields = {{"crontab", crontab_line(t)}};
        r.text =
            "No systemd user instance runs here; add this line to your crontab (crontab -e):\n" +
            crontab_line(t) + "\n";
        return r;
    }
    const auto folder = systemd_user_folder();
    const std::string timer_file = utf8_of_path(folder / kTimerUnit);
    if (!write_timer_units(folder, t, r.error)) {
        r.status = 1;
        return r;
    }
    run_systemctl_user({"daemon-reload"});
    if (run_systemctl_user({"enable", "--now", kTimerUnit}) != 0) {
        r.status = 1;
        r.error = "the timer is written (" + timer_file + ") but systemctl --user enable --now " +
                  kTimerUnit + " failed";
        return r;
    }
    char at[8];
    std::snprintf(at, sizeof at, "%02d:%02d", t.hour % 100, t.minute % 100);
    r.scheduled = true;
    r.fields = {{"at", at}, {"timer_file", timer_file}};
    r.text = std::string("daily claim scheduled at ") + at + " (" + timer_file + ")\n";
    return r;
}

}  // namespace quillet::platform
