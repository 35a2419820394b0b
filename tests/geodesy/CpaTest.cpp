// CPA and TCPA by relative motion: the classic encounters, the 180 degree meridian and every
// input AIS marks as not available or that cannot be.

#include "targets/Cpa.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

// A station x nautical miles east and y north of 0 N 0 E (where a minute of longitude is a
// nautical mile), with its course and speed.
TMotion At(double X, double Y, double Cog, double Sog) {
    return {Y / 60, X / 60, Sog, Cog};
}

struct TEncounter {
    const char* Name;
    TMotion Own, Target;
    std::optional<double> Cpa, Tcpa;
    bool Dangerous;
};

TEST(Cpa, Encounters) {
    const TEncounter cases[] = {
        {"head-on", At(0, 0, 0, 10), At(0, 10, 180, 10), 0.0, 30.0, true},
        {"crossing from starboard", At(0, 0, 0, 10), At(10, 0, 270, 10), std::sqrt(50.0), 30.0,
         false},
        {"overtaking", At(0, 0, 0, 5), At(0.5, -2, 0, 15), 0.5, 12.0, true},
        {"parallel at the same speed", At(0, 0, 45, 12), At(1, 0, 45, 12), 1.0, std::nullopt,
         false},
        {"stationary target", At(0, 0, 90, 6), At(3, 1, 0, 0), 1.0, 30.0, true},
        {"stationary own ship", At(0, 0, 0, 0), At(-4, 1.5, 90, 16), 1.5, 15.0, true},
        {"passed", At(0, 0, 0, 10), At(0, -5, 180, 10), 0.0, -15.0, false},
        {"beyond the alert time", At(0, 0, 0, 0), At(0, 10, 180, 10), 0.0, 60.0, false},
        {"across 180 degrees", {0, 179.9, 0, 0}, {0, -179.9, 12, 270}, 0.0, 60.0, false},
        {"across 180 degrees, westward", {0, -179.95, 0, 0}, {0, 179.95, 6, 90}, 0.0, 60.0, false},
    };
    for (const TEncounter& c : cases) {
        const TCpa r = CalcCpa(c.Own, c.Target);
        ASSERT_TRUE(r.CpaNm) << c.Name;
        EXPECT_NEAR(*r.CpaNm, *c.Cpa, 1e-6) << c.Name;
        ASSERT_EQ(r.TcpaMin.has_value(), c.Tcpa.has_value()) << c.Name;
        if (c.Tcpa) {
            EXPECT_NEAR(*r.TcpaMin, *c.Tcpa, 1e-6) << c.Name;
        }
        EXPECT_EQ(Dangerous(r, {}), c.Dangerous) << c.Name;
    }
}

TEST(Cpa, UnknownOrImpossibleInputsGiveNone) {
    const TMotion own = At(0, 0, 0, 10), target = At(0, 10, 180, 10);
    const struct {
        const char* Name;
        TMotion Own, Target;
    } cases[] = {
        {"target speed not available", own, {target.Lat, target.Lon, 102.3, 180}},
        {"target speed impossible", own, {target.Lat, target.Lon, 150, 180}},
        {"target speed negative", own, {target.Lat, target.Lon, -1, 180}},
        {"target course not available", own, {target.Lat, target.Lon, 10, 360}},
        {"target course impossible", own, {target.Lat, target.Lon, 10, 400}},
        {"target latitude not available", own, {91, target.Lon, 10, 180}},
        {"target latitude impossible", own, {-95, target.Lon, 10, 180}},
        {"target longitude not available", own, {target.Lat, 181, 10, 180}},
        {"own position not known yet", TMotion{}, target},
        {"own course not available", {0, 0, 10, 360}, target},
        {"not a number", {0, std::nan(""), 10, 0}, target},
    };
    for (const auto& c : cases) {
        const TCpa r = CalcCpa(c.Own, c.Target);
        EXPECT_FALSE(r.CpaNm) << c.Name;
        EXPECT_FALSE(r.TcpaMin) << c.Name;
        EXPECT_FALSE(Dangerous(r, {})) << c.Name;
    }
    EXPECT_TRUE(MotionKnown({90, -180, 102.2, 359.9}));
}

TEST(Cpa, TheAlertLimitsCanBeChanged) {
    const TCpa near{0.5, 12.0};
    EXPECT_TRUE(Dangerous(near, {}));
    EXPECT_FALSE(Dangerous(near, {0.5, 30})); // CPA must be below the limit
    EXPECT_FALSE(Dangerous(near, {2, 10}));   // and TCPA within it
    EXPECT_TRUE(Dangerous({1.9, 0.0}, {}));   // closest now
    EXPECT_FALSE(Dangerous({0.1, -0.5}, {})); // already passed
}

} // namespace
