#include "services/regex.h"

#include <gtest/gtest.h>

#include <string>

namespace quillet {
namespace {

TEST(Regex, FindsEveryMatchLeftToRightWithItsGroups) {
    const Regex re(R"re(\|\d+#(.*?)#(\d+)#(\d+))re");
    ASSERT_TRUE(re.valid());
    RegexScan scan{};
    const auto found = re.find_all("x|1#AK47#100#20160601120000|22#M4#5#20160602000000", &scan);
    EXPECT_EQ(scan, RegexScan::Complete);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], (std::vector<std::string>{"|1#AK47#100#20160601120000", "AK47", "100",
                                                  "20160601120000"}));
    EXPECT_EQ(found[1][1], "M4");
}

TEST(Regex, UnsetGroupsAreEmptyAndEmptyMatchesAdvance) {
    const Regex optional("(a)|(b)");
    const auto found = optional.find_all("ba");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0][1], "");
    EXPECT_EQ(found[0][2], "b");
    EXPECT_EQ(found[1][1], "a");

    // An empty pattern matches at every position once, and the scan ends.
    EXPECT_EQ(Regex("").find_all("abc").size(), 4u);
}

TEST(Regex, DotStopsAtLineBreaksAndBytesAboveAsciiAreOrdinary) {
    const Regex re("<(.*?)>");
    EXPECT_TRUE(re.find_all("<a\r\nb>").empty());
    const std::string gbk = "<\xC1\xEC\xC8\xA1>";  // two GBK characters
    const auto found = re.find_all(gbk);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0][1], "\xC1\xEC\xC8\xA1");
}

TEST(Regex, InvalidPatternFindsNothing) {
    const Regex re("(unclosed");
    EXPECT_FALSE(re.valid());
    RegexScan scan{};
    EXPECT_TRUE(re.find_all("unclosed", &scan).empty());
    EXPECT_EQ(scan, RegexScan::Invalid);
}

TEST(Regex, VisitorCanStopTheScan) {
    const Regex re("a");
    int seen = 0;
    EXPECT_EQ(re.for_each("aaaa", [&](const RegexMatch&) { return ++seen < 2; }),
              RegexScan::Stopped);
    EXPECT_EQ(seen, 2);
}

TEST(Regex, CatastrophicBacktrackingIsCutShort) {
    // Nested quantifiers over a subject that cannot match: exponential
    // without a limit.
    const Regex nested("(a+)+b!");
    RegexScan scan{};
    EXPECT_TRUE(nested.find_all(std::string(64, 'a') + "b?!", &scan).empty());
    EXPECT_EQ(scan, RegexScan::LimitReached);

    // Lazy groups chained by delimiters that occur everywhere: each attempt
    // stays under the engine's own limit, but there is one attempt per start
    // position; the scan budget covers them all.
    const Regex chained(R"re("k":"(.*?)","l":"(.*?)","m":"(.*?)","z")re");
    std::string hostile;
    for (int i = 0; i < 4000; ++i) hostile += R"("k":"x","l":"y","m":"w",)";
    const auto found = chained.find_all(hostile, &scan);
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(scan, RegexScan::LimitReached);
}

TEST(Regex, BudgetIsPerScanAndMatchesBeforeTheLimitAreKept) {
    RegexLimits small;
    small.step_budget = 200;
    const Regex re("a(b)", small);
    std::string subject;
    for (int i = 0; i < 200; ++i) subject += "ab";
    RegexScan scan{};
    const auto found = re.find_all(subject, &scan);
    EXPECT_EQ(scan, RegexScan::LimitReached);
    EXPECT_GT(found.size(), 0u);
    EXPECT_LT(found.size(), 200u);
    // A fresh scan gets a fresh budget.
    EXPECT_EQ(re.find_all("abab", &scan).size(), 2u);
    EXPECT_EQ(scan, RegexScan::Complete);
}

}  // namespace
}  // namespace quillet
