#pragma once
// The one source of time. Every reading of "now" (log stamps, Unix stamps,
// today's date, the notice counters) goes through a Clock, so tests fix the
// time instead of racing it.
#include <cstdint>
#include <functional>
#include <mutex>

namespace quillet {

// A local date-time without zone, second resolution.
struct DateTime {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
    friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

// Days since 1970-01-01 of a proleptic Gregorian date (negative before).
int64_t days_from_civil(int year, int month, int day);
DateTime civil_from_seconds(int64_t seconds_since_1970);  // calendar arithmetic, no zone
int64_t seconds_of(const DateTime& t);                    // inverse of the above
// Weekday 0 = Sunday ... 6 = Saturday.
int weekday_of(const DateTime& t);
// The earliest date-time the program knows: 100-01-01 00:00:00.
DateTime earliest_datetime();

class Clock {
  public:
    virtual ~Clock() = default;
    // Local date-time and the milliseconds within the current second.
    virtual DateTime now() const = 0;
    virtual int milliseconds() const = 0;
    // A monotonic millisecond count for measuring waits.
    virtual int64_t steady_ms() const = 0;
    virtual void sleep_ms(int ms) = 0;
    // The instant (seconds since 1970-01-01 00:00:00 UTC) of a local
    // date-time of this clock's time zone, and the local date-time of an
    // instant. Stored times are instants; people read local ones.
    virtual int64_t utc_of(const DateTime& local) const = 0;
    virtual DateTime local_of(int64_t utc) const = 0;
};

// Seconds east of UTC of the clock's zone at instant utc.
int utc_offset_at(const Clock& clock, int64_t utc);

// The machine's clock in its local time zone.
class SystemClock : public Clock {
  public:
    DateTime now() const override;
    int milliseconds() const override;
    int64_t steady_ms() const override;
    void sleep_ms(int ms) override;
    int64_t utc_of(const DateTime& local) const override;
    DateTime local_of(int64_t utc) const override;
};

// A clock that stands still until told otherwise; sleeping advances it.
class FixedClock : public Clock {
  public:
    explicit FixedClock(DateTime t = {2016, 10, 19, 5, 43, 30}, int ms = 0);
    void set(DateTime t, int ms = 0);
    void advance_ms(int64_t ms);
    DateTime now() const override;
    int milliseconds() const override;
    int64_t steady_ms() const override;
    void sleep_ms(int ms) override;
    // Its zone is a fixed offset east of UTC; China Standard Time unless told.
    void set_utc_offset(int seconds);
    int64_t utc_of(const DateTime& local) const override;
    DateTime local_of(int64_t utc) const override;

  private:
    mutable std::mutex mutex_;
    int utc_offset_ = 8 * 3600;
    int64_t ms_since_1970_ = 0;
    int64_t steady_ = 0;
};

// The process-wide system clock, for callers that were given none.
Clock& system_clock();

}  // namespace quillet
