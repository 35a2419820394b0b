#include "targets/ReportAge.h"

#include <gtest/gtest.h>

namespace {

struct TAgeCase {
    double Seconds;
    const char* LastReport;
    const char* TxAge;
};

class Ages : public ::testing::TestWithParam<TAgeCase> {};

// At a real date, where a day fraction of whole seconds is never exact in binary.
TEST_P(Ages, WholeMinutesAndRoundedSeconds) {
    const double then = 46000.0 + 37123.0 / 86400;
    const double now = then + GetParam().Seconds / 86400;
    EXPECT_EQ(LastReportText(now, then), GetParam().LastReport);
    EXPECT_EQ(TxAgeText(now, then), GetParam().TxAge);
    EXPECT_EQ(LastReportText(then, now), GetParam().LastReport); // a clock set back: the same span
}

INSTANTIATE_TEST_SUITE_P(Table, Ages,
                         ::testing::Values(TAgeCase{0, "0:00", "0 minutes, 0 seconds"},
                                           TAgeCase{0.49, "0:00", "0 minutes, 0 seconds"},
                                           TAgeCase{5, "0:05", "0 minutes, 5 seconds"},
                                           TAgeCase{9.5, "0:10", "0 minutes, 10 seconds"},
                                           TAgeCase{59.4, "0:59", "0 minutes, 59 seconds"},
                                           TAgeCase{59.5, "0:60", "0 minutes, 60 seconds"},
                                           TAgeCase{60, "1:00", "1 minutes, 0 seconds"},
                                           TAgeCase{127, "2:07", "2 minutes, 7 seconds"},
                                           TAgeCase{179.6, "2:60", "2 minutes, 60 seconds"},
                                           TAgeCase{299.7, "4:60", "4 minutes, 60 seconds"},
                                           TAgeCase{3600, "60:00", "60 minutes, 0 seconds"},
                                           TAgeCase{86400.0 * 3 + 1, "4320:01",
                                                    "4320 minutes, 1 seconds"}));

TEST(Ages, EveryWholeMinuteOfADayReadsAsThatMinute) {
    const double then = 46000.5;
    for (int m = 0; m < 1440; ++m) {
        const TAge a = AgeBetween(then + m * 60.0 / 86400, then);
        ASSERT_EQ(a.Minutes, m);
        ASSERT_EQ(a.Seconds, 0) << m;
    }
}

TEST(Ages, ANonsenseTimeGivesNoAgeInsteadOfOverflowing) {
    EXPECT_EQ(LastReportText(1e300, 0), LastReportText(1e20, 0));
    EXPECT_EQ(LastReportText(std::numeric_limits<double>::quiet_NaN(), 0), "0:00");
}

TEST(Ages, TheSystemClockIsTodayInDays) {
    const double now = SystemUtcNow();
    EXPECT_GT(now, 45658.0); // after 2025-01-01
    EXPECT_LT(now, 73051.0); // before 2100-01-01
}

} // namespace
