#pragma once
// The daily claim task: quillet-cli run once a day by the system's own
// scheduler. Linux: a systemd user timer and its service, or, where no user
// service manager runs, the equivalent crontab line for the user to add.
// Windows: a Task Scheduler task with the same options (daily at HH:MM, run
// at the next start when missed, a random delay), registered by schtasks.
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillet::platform {

struct DailyTimer {
    int hour = 0, minute = 0;
    std::filesystem::path program;   // absolute path of quillet-cli
    std::vector<std::string> args;   // its options and command ("--account", "main", "claim")
    int randomized_delay_sec = 300;  // spreads the players' passes over a few minutes
};

inline constexpr const char* kTimerUnit = "quillet-daily.timer";
inline constexpr const char* kServiceUnit = "quillet-daily.service";

// "HH:MM" (00:00-23:59, one- or two-digit hour); false otherwise.
bool parse_clock_time(const std::string& text, int& hour, int& minute);

// The two unit files' texts.
std::string timer_unit_text(const DailyTimer& t);
std::string service_unit_text(const DailyTimer& t);
// "MM HH * * * 'program' 'arg' ..." (no line end).
std::string crontab_line(const DailyTimer& t);

// $XDG_CONFIG_HOME/systemd/user, else ~/.config/systemd/user.
std::filesystem::path systemd_user_folder_for(const char* xdg_config_home, const char* home);
std::filesystem::path systemd_user_folder();

// Writes both units into folder (created when missing); false with a message.
bool write_timer_units(const std::filesystem::path& folder, const DailyTimer& t,
                       std::string& error);
// Removes both units; true when none is left (also when there were none).
bool remove_timer_units(const std::filesystem::path& folder, std::string& error);
// The timer's and the service's texts when both exist.
struct InstalledTimer {
    std::string timer, service;
};
std::optional<InstalledTimer> read_timer_units(const std::filesystem::path& folder);

// The systemctl to run: $QUILLET_SYSTEMCTL when set (tests), else "systemctl".
std::string systemctl_program();
// Whether a user service manager answers: XDG_RUNTIME_DIR is set and
// "systemctl --user is-system-running" succeeds (a degraded manager still
// runs timers, so that counts too).
bool systemd_user_running();
// Runs "systemctl --user ARGS..." quietly; its exit status (-1 when it could not run).
int run_systemctl_user(const std::vector<std::string>& args);

// Single-quotes a word for a POSIX shell when it needs it.
std::string shell_quote(const std::string& word);

// The Task Scheduler's definition of the task (UTF-8 text; its declaration
// says UTF-16, the encoding it is written in).
std::string task_scheduler_xml(const DailyTimer& t);
inline constexpr const char* kTaskName = "Quillet Daily Claim";
// The command that registers the definition saved in xml_file.
std::string schtasks_create_command(const std::filesystem::path& xml_file);

// What scheduling, removing or showing the daily task did, for the command
// to tell: `text` for a person (standard output), `error` for standard error
// when status is not 0, `fields` as the keys and texts of one JSON object
// (besides "scheduled").
struct DailyTaskReport {
    int status = 0;          // the command's exit status
    bool scheduled = false;  // a task is in place after the call (remove: one was there)
    std::string text, error;
    std::vector<std::pair<std::string, std::string>> fields;
};

// This system's scheduler: schedule, remove or show the daily task.
DailyTaskReport schedule_daily_task(const DailyTimer& t);
DailyTaskReport unschedule_daily_task();
DailyTaskReport show_daily_task();

}  // namespace quillet::platform
