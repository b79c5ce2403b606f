#pragma once
// The daily claim task lives with the other things each system does its own
// way; the names the features and their tests know are kept here.
#include "platform/daily_task.h"

namespace quillet {

using platform::crontab_line;
using platform::DailyTimer;
using platform::InstalledTimer;
using platform::kServiceUnit;
using platform::kTimerUnit;
using platform::parse_clock_time;
using platform::read_timer_units;
using platform::remove_timer_units;
using platform::run_systemctl_user;
using platform::service_unit_text;
using platform::shell_quote;
using platform::systemctl_program;
using platform::systemd_user_folder;
using platform::systemd_user_folder_for;
using platform::systemd_user_running;
using platform::timer_unit_text;
using platform::write_timer_units;

}  // namespace quillet
