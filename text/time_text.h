#pragma once
// Time stamps and date texts. Unix times are counted from the epoch base
// 1970-01-01 08:00:00 local time (the Unix epoch in China Standard Time): the
// local date-time is taken as it is, with no zone conversion.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "text/clock.h"

namespace quillet {

// 13 digits (seconds since the epoch base, then milliseconds padded to 3), or
// the first 10 of them with seconds true.
std::string unix_time_text(const Clock& clock, bool seconds = false);
// Seconds since the epoch base of a local date-time.
int64_t unix_seconds_of(const DateTime& t);
DateTime datetime_of_unix_seconds(int64_t seconds);

// Styles 1..6: "2016-10-19 05:43:30", "2016/10/19 05:43:30", "2016-10-19",
// "2016/10/19", "05:43:30", "20161019". Other styles read as 1.
std::string format_datetime(const DateTime& t, int style = 1);

// Chinese date pictures, style 0..3 (other values 0), parts 0..5 (see the
// picture table: 0 date+time, 1 date, 2 month-day, 3 time, 4 hour-minute,
// 5 minute-second). Hours use the 24-hour clock.
std::string format_date_cn(const DateTime& t, int style = 0, int parts = 0);

// A 10-digit Unix time gives "yyyy-M-dd HH:mm:ss"; any other length is read
// as milliseconds and gives "yyyy-M-d HH:mm:ss" (the script engine's date
// text rebuilt); text that is not a number gives empty.
std::string timestamp_to_text(std::string_view unix_text);

// Reads "yyyy-M-d", "yyyy-M-d H:m:s", "yyyy/M/d ..." and "yyyyMMdd" forms
// (blanks already removed or not); nullopt when unreadable or out of range.
std::optional<DateTime> parse_datetime(std::string_view text);

// Waits amount (unit 0 ms, 1 s, 2 min, 3 h) while pump keeps the window
// responsive; returns true.
bool responsive_wait(Clock& clock, int64_t amount, int unit, const std::function<void()>& pump);

}  // namespace quillet
