#include "text/time_text.h"

#include <gtest/gtest.h>

#include "tests/support/gbk_literal.h"

namespace quillet {
namespace {

using testing::gbk;

const DateTime kSample{2016, 10, 19, 5, 43, 30};

TEST(TimeText, FormatDatetimeStyles) {
    const char* expected[] = {"2016-10-19 05:43:30", "2016/10/19 05:43:30", "2016-10-19",
                              "2016/10/19",          "05:43:30",            "20161019"};
    for (int style = 1; style <= 6; ++style) {
        SCOPED_TRACE(style);
        EXPECT_EQ(format_datetime(kSample, style), expected[style - 1]);
    }
    EXPECT_EQ(format_datetime(kSample, 9), expected[0]);
}

TEST(TimeText, FormatDateCn) {
    struct Case {
        int style, parts;
        std::string expected;
    };
    const Case cases[] = {
        {0, 0, gbk("2016年10月19日 05时43分30秒")},
        {1, 1, "2016-10-19"},  // trailing blank trimmed
        {1, 0, "2016-10-19 05:43:30"},
        {3, 0, "20161019054330"},
        {2, 2, "10/19"},
        {0, 4, gbk("05时43分")},
        {1, 5, "43:30"},
        {7, 3, gbk("05时43分30秒")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::utf8(c.expected));
        EXPECT_EQ(format_date_cn(kSample, c.style, c.parts), c.expected);
    }
    EXPECT_EQ(format_date_cn(DateTime{2016, 1, 2, 17, 0, 0}, 1, 3), "17:00:00");
}

TEST(TimeText, UnixTimeAgainstTheEpochBase) {
    FixedClock clock(DateTime{1970, 1, 1, 8, 0, 1}, 7);
    EXPECT_EQ(unix_time_text(clock), "1007");  // 1 s, ms padded to 3 digits
    clock.set(kSample, 42);
    std::string ms = unix_time_text(clock);
    ASSERT_EQ(ms.size(), 13u);
    EXPECT_EQ(ms, "1476827010042");  // 2016-10-19 05:43:30 CST
    EXPECT_EQ(unix_time_text(clock, true), "1476827010");
}

TEST(TimeText, TimestampToText) {
    EXPECT_EQ(timestamp_to_text("1476827010"), "2016-10-19 05:43:30");
    EXPECT_EQ(timestamp_to_text("1475214610"), "2016-9-30 13:50:10");
    // 13 digits take the script engine's date text: day without padding.
    EXPECT_EQ(timestamp_to_text("1475992800000"), "2016-10-9 14:00:00");
    EXPECT_EQ(timestamp_to_text("abc"), "");
}

TEST(TimeText, ParseDatetime) {
    EXPECT_EQ(parse_datetime("2016-06-02"), (DateTime{2016, 6, 2, 0, 0, 0}));
    EXPECT_EQ(parse_datetime("2016-6-2 7:05:09"), (DateTime{2016, 6, 2, 7, 5, 9}));
    EXPECT_EQ(parse_datetime("2016/10/19 05:43"), (DateTime{2016, 10, 19, 5, 43, 0}));
    EXPECT_EQ(parse_datetime("20161019"), (DateTime{2016, 10, 19, 0, 0, 0}));
    EXPECT_EQ(parse_datetime("2016-06-0212:00:00"), (DateTime{2016, 6, 2, 12, 0, 0}));
    EXPECT_FALSE(parse_datetime("2016-02-30"));
    EXPECT_FALSE(parse_datetime("garbage"));
    EXPECT_FALSE(parse_datetime(""));
}

TEST(TimeText, ResponsiveWaitPumpsUntilTheTimeHasPassed) {
    FixedClock clock;
    int pumps = 0;
    int64_t before = clock.steady_ms();
    EXPECT_TRUE(responsive_wait(clock, 500, 0, [&] { ++pumps; }));
    EXPECT_GE(clock.steady_ms() - before, 500);
    EXPECT_GE(pumps, 2);
    before = clock.steady_ms();
    responsive_wait(clock, 2, 1, nullptr);
    EXPECT_EQ(clock.steady_ms() - before, 2000);
}

TEST(TimeText, CalendarArithmetic) {
    EXPECT_EQ(weekday_of(DateTime{2088, 8, 8, 8, 0, 0}), 0);   // a Sunday
    EXPECT_EQ(weekday_of(DateTime{1999, 1, 1, 1, 1, 1}), 5);   // a Friday
    DateTime t{2000, 2, 29, 23, 59, 59};
    EXPECT_EQ(civil_from_seconds(seconds_of(t)), t);
}

}  // namespace
}  // namespace quillet
