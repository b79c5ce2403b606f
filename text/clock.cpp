#include "text/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "platform/system.h"

namespace quillet {

int64_t days_from_civil(int year, int month, int day) {
    // Howard Hinnant's days_from_civil.
    int64_t y = year - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

DateTime civil_from_seconds(int64_t s) {
    int64_t days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
    int64_t rest = s - days * 86400;
    int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    DateTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

int64_t seconds_of(const DateTime& t) {
    return days_from_civil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 +
           t.second;
}

int weekday_of(const DateTime& t) {
    int64_t d = days_from_civil(t.year, t.month, t.day);
    return static_cast<int>(((d % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
}

DateTime earliest_datetime() {
    return DateTime{100, 1, 1, 0, 0, 0};
}

DateTime SystemClock::now() const {
    std::time_t t = std::time(nullptr);
    const std::tm local = platform::local_time(t);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
}

int SystemClock::milliseconds() const {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count() %
                            1000);
}

int64_t SystemClock::steady_ms() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SystemClock::sleep_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int64_t SystemClock::utc_of(const DateTime& local) const {
    std::tm tm{};
    tm.tm_year = local.year - 1900;
    tm.tm_mon = local.month - 1;
    tm.tm_mday = local.day;
    tm.tm_hour = local.hour;
    tm.tm_min = local.minute;
    tm.tm_sec = local.second;
    tm.tm_isdst = -1;  // the zone's rules decide, as they did when the time was read
    return static_cast<int64_t>(std::mktime(&tm));
}

DateTime SystemClock::local_of(int64_t utc) const {
    const std::time_t t = static_cast<std::time_t>(utc);
    const std::tm local = platform::local_time(t);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
}

int utc_offset_at(const Clock& clock, int64_t utc) {
    return static_cast<int>(seconds_of(clock.local_of(utc)) - utc);
}

FixedClock::FixedClock(DateTime t, int ms) {
    set(t, ms);
}

void FixedClock::set(DateTime t, int ms) {
    std::lock_guard lock(mutex_);
    ms_since_1970_ = seconds_of(t) * 1000 + ms;
}

void FixedClock::advance_ms(int64_t ms) {
    std::lock_guard lock(mutex_);
    ms_since_1970_ += ms;
    steady_ += ms;
}

DateTime FixedClock::now() const {
    std::lock_guard lock(mutex_);
    int64_t ms = ms_since_1970_;
    return civil_from_seconds(ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000));
}

int FixedClock::milliseconds() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(((ms_since_1970_ % 1000) + 1000) % 1000);
}

int64_t FixedClock::steady_ms() const {
    std::lock_guard lock(mutex_);
    return steady_;
}

void FixedClock::sleep_ms(int ms) {
    advance_ms(ms);
}

void FixedClock::set_utc_offset(int seconds) {
    std::lock_guard lock(mutex_);
    utc_offset_ = seconds;
}

int64_t FixedClock::utc_of(const DateTime& local) const {
    std::lock_guard lock(mutex_);
    return seconds_of(local) - utc_offset_;
}

DateTime FixedClock::local_of(int64_t utc) const {
    std::lock_guard lock(mutex_);
    return civil_from_seconds(utc + utc_offset_);
}

Clock& system_clock() {
    static SystemClock clock;
    return clock;
}

}  // namespace quillet
