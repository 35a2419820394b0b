// When a target counts as lost: six report intervals of its class, speed and status.

#include "targets/LostTarget.h"

#include <gtest/gtest.h>

namespace {

TEST(LostTarget, AfterSixIntervalsOfItsSchedule) {
    const struct {
        const char* Name;
        TStationClass Class;
        double Sog;
        int NavStatus;
        double LostAfter;
    } cases[] = {
        {"class B under way", TStationClass::B, 5, 0, 180},
        {"class B at 2 knots", TStationClass::B, 2, 0, 1080},
        {"class B speed unknown", TStationClass::B, 102.3, 0, 1080},
        {"class A moored", TStationClass::A, 0, 5, 1080},
        {"class A at anchor, drifting slowly", TStationClass::A, 2.5, 1, 1080},
        {"class A moored but moving", TStationClass::A, 4, 5, 60},
        {"class A under way, 10 knots", TStationClass::A, 10, 0, 60},
        {"class A at 14 knots", TStationClass::A, 14, 0, 60},
        {"class A at 20 knots", TStationClass::A, 20, 0, 36},
        {"class A over 23 knots", TStationClass::A, 30, 0, 12},
        {"class A speed unknown", TStationClass::A, 102.3, 0, 60},
        {"base station", TStationClass::Base, 102.3, 15, 60},
        {"aid to navigation", TStationClass::AtoN, 102.3, 15, 1080},
        {"SAR aircraft at 120 knots", TStationClass::Sar, 120, 15, 60},
        {"SAR aircraft speed unknown", TStationClass::Sar, 102.3, 15, 60},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LostAfterSeconds(c.Class, c.Sog, c.NavStatus), c.LostAfter) << c.Name;
        EXPECT_FALSE(Lost(c.Class, c.Sog, c.NavStatus, c.LostAfter)) << c.Name;
        EXPECT_TRUE(Lost(c.Class, c.Sog, c.NavStatus, c.LostAfter + 1)) << c.Name;
    }
}

} // namespace
