#include "text/time_text.h"

#include <cstdio>

#include "text/text_ops.h"

namespace quillet {
namespace {

constexpr int64_t kEpochBaseOffset = 8 * 3600;  // 1970-01-01 08:00:00 local

std::string two(int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

std::string four(int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%04d", v);
    return b;
}

// Formats one picture: yyyy, MM, M, dd, d, HH, hh, mm, ss; other characters
// are copied (the Chinese characters of the pictures pass through as bytes).
std::string picture(const DateTime& t, std::string_view pic) {
    std::string out;
    size_t i = 0;
    auto run = [&](char c) {
        size_t n = 0;
        while (i + n < pic.size() && pic[i + n] == c) ++n;
        return n;
    };
    while (i < pic.size()) {
        char c = pic[i];
        size_t n = (c == 'y' || c == 'M' || c == 'd' || c == 'H' || c == 'h' || c == 'm' ||
                    c == 's')
                       ? run(c)
                       : 0;
        if (n == 0) {
            out += c;
            ++i;
            continue;
        }
        int value = 0;
        switch (c) {
            case 'y': value = t.year; break;
            case 'M': value = t.month; break;
            case 'd': value = t.day; break;
            case 'H': value = t.hour; break;
            case 'h': value = t.hour % 12 == 0 ? 12 : t.hour % 12; break;
            case 'm': value = t.minute; break;
            case 's': value = t.second; break;
        }
        if (c == 'y')
            out += n >= 4 ? four(value) : two(value % 100);
        else
            out += n >= 2 ? two(value) : std::to_string(value);
        i += n;
    }
    return out;
}

bool valid(const DateTime& t) {
    if (t.year < 100 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour < 0 ||
        t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
        return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    int max = days[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
    return t.day <= max;
}

}  // namespace

int64_t unix_seconds_of(const DateTime& t) { return seconds_of(t) - kEpochBaseOffset; }

DateTime datetime_of_unix_seconds(int64_t seconds) {
    return civil_from_seconds(seconds + kEpochBaseOffset);
}

std::string unix_time_text(const Clock& clock, bool seconds) {
    // Read both parts under one reading where the clock allows: a FixedClock is
    // consistent anyway; for the system clock a second boundary between the two
    // reads shifts the stamp by under a second, which no caller can notice.
    DateTime now = clock.now();
    int ms = clock.milliseconds();
    char b[8];
    std::snprintf(b, sizeof b, "%03d", ms);
    std::string text = std::to_string(unix_seconds_of(now)) + b;
    return seconds ? text.substr(0, 10) : text;
}

std::string format_datetime(const DateTime& t, int style) {
    switch (style) {
        case 2: return picture(t, "yyyy/MM/dd HH:mm:ss");
        case 3: return picture(t, "yyyy-MM-dd");
        case 4: return picture(t, "yyyy/MM/dd");
        case 5: return picture(t, "HH:mm:ss");
        case 6: return picture(t, "yyyyMMdd");
        default: return picture(t, "yyyy-MM-dd HH:mm:ss");
    }
}

std::string format_date_cn(const DateTime& t, int style, int parts) {
    // Pictures in GBK: 年 C4EA, 月 D4C2, 日 C8D5, 时 CAB1, 分 B7D6, 秒 C3EB.
    static const char* const kDate[] = {"yyyy\xC4\xEAMM\xD4\xC2" "dd\xC8\xD5 ", "yyyy-MM-dd ",
                                        "yyyy/MM/dd ", "yyyyMMdd"};
    static const char* const kTime[] = {"HH\xCA\xB1mm\xB7\xD6ss\xC3\xEB", "HH:mm:ss", "HH/mm/ss",
                                        "HHmmss"};
    static const char* const kMonthDay[] = {"MM\xD4\xC2" "dd\xC8\xD5", "MM-dd", "MM/dd", "MMdd"};
    static const char* const kHourMinute[] = {"HH\xCA\xB1mm\xB7\xD6", "HH:mm", "HH/mm", "HHmm"};
    static const char* const kMinuteSecond[] = {"mm\xB7\xD6ss\xC3\xEB", "mm:ss", "mm/ss", "mmss"};
    if (style < 0 || style > 3) style = 0;
    std::string date, time;
    switch (parts) {
        case 1: date = trim(kDate[style]); break;
        case 2: date = kMonthDay[style]; break;
        case 3: time = kTime[style]; break;
        case 4: time = kHourMinute[style]; break;
        case 5: time = kMinuteSecond[style]; break;
        default:
            date = kDate[style];
            time = kTime[style];
    }
    std::string out;
    if (date.size() >= 3) out += picture(t, date);
    if (time.size() >= 3) out += picture(t, time);
    return out;
}

std::string timestamp_to_text(std::string_view unix_text) {
    std::string text = trim(unix_text);
    if (text.size() == 10) {
        DateTime t = datetime_of_unix_seconds(int_of_text(text));
        return picture(t, "yyyy-M-dd ") + picture(t, "HH:mm:ss");
    }
    // The script engine's Number() of the text: digits with an optional sign.
    size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (i == text.size() && !text.empty()) return {};
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return {};
    int64_t ms = text.empty() ? 0 : int_of_text(text);
    // Beyond the engine's date range (+-8.64e15 ms) the date is invalid.
    if (ms > 8640000000000000LL || ms < -8640000000000000LL) return {};
    int64_t seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    DateTime t = datetime_of_unix_seconds(seconds);
    return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day) +
           " " + picture(t, "HH:mm:ss");
}

std::optional<DateTime> parse_datetime(std::string_view raw) {
    std::string text = trim(raw);
    if (text.empty()) return std::nullopt;
    DateTime t{};
    t.hour = t.minute = t.second = 0;
    bool all_digits = true;
    for (char c : text)
        if (c < '0' || c > '9') all_digits = false;
    if (all_digits && (text.size() == 8 || text.size() == 14)) {
        t.year = static_cast<int>(int_of_text(text.substr(0, 4)));
        t.month = static_cast<int>(int_of_text(text.substr(4, 2)));
        t.day = static_cast<int>(int_of_text(text.substr(6, 2)));
        if (text.size() == 14) {
            t.hour = static_cast<int>(int_of_text(text.substr(8, 2)));
            t.minute = static_cast<int>(int_of_text(text.substr(10, 2)));
            t.second = static_cast<int>(int_of_text(text.substr(12, 2)));
        }
        return valid(t) ? std::optional(t) : std::nullopt;
    }
    // Date: digits sep digits sep digits with sep "-" or "/"; then an optional
    // time of day, separated by a blank or written straight after the date.
    size_t i = 0;
    auto number = [&](int max_digits, int& out) {
        size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' &&
               i - start < static_cast<size_t>(max_digits))
            ++i;
        if (i == start) return false;
        out = static_cast<int>(int_of_text(std::string_view(text).substr(start, i - start)));
        return true;
    };
    auto sep = [&](std::string_view allowed) {
        if (i < text.size() && allowed.find(text[i]) != std::string_view::npos) {
            ++i;
            return true;
        }
        return false;
    };
    if (!number(4, t.year) || !sep("-/") || !number(2, t.month) || !sep("-/") ||
        !number(2, t.day))
        return std::nullopt;
    while (i < text.size() && (text[i] == ' ' || text[i] == 'T')) ++i;
    if (i < text.size()) {
        if (!number(2, t.hour) || !sep(":") || !number(2, t.minute)) return std::nullopt;
        if (sep(":") && !number(2, t.second)) return std::nullopt;
        if (i != text.size()) return std::nullopt;
    }
    return valid(t) ? std::optional(t) : std::nullopt;
}

bool responsive_wait(Clock& clock, int64_t amount, int unit, const std::function<void()>& pump) {
    static const int64_t kFactor[] = {1, 1000, 60000, 3600000};
    int64_t total = amount * kFactor[(unit >= 0 && unit <= 3) ? unit : 0];
    int64_t until = clock.steady_ms() + total;
    for (;;) {
        if (pump) pump();
        int64_t left = until - clock.steady_ms();
        if (left <= 0) break;
        clock.sleep_ms(static_cast<int>(std::min<int64_t>(left, 10)));
    }
    return true;
}

}  // namespace quillet
