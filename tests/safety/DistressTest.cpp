// Distress alerts: when one is raised, acknowledged and raised again, what is kept of each
// device, and the line a user reads.

#include "safety/SafetyLog.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <locale>

namespace {

constexpr double kDay0 = 45658.0; // 2025-01-01 00:00 UTC
constexpr double kSecond = 1.0 / 86400.0;
constexpr double kMinute = 60 * kSecond;
const TPosition kNone{};
const std::string kSart = "970123456", kMob = "972123456", kEpirb = "974123456";

TPosition At(double Lat, double Lon) {
    return TPosition{Lon, Lat, true};
}

TEST(DistressAlerts, FirstHeardRaisesAndRepeatsDoNot) {
    TDistressAlerts alerts;
    EXPECT_FALSE(alerts.Any());
    EXPECT_FALSE(alerts.Heard("211234560", kDay0, kNone, "SART TEST")); // not a distress device
    EXPECT_TRUE(alerts.Devices().empty());

    EXPECT_TRUE(alerts.Heard(kMob, kDay0, kNone, ""));
    EXPECT_FALSE(alerts.Heard(kMob, kDay0 + kMinute, kNone, ""));
    // Still showing after a long silence: heard again, it is not raised anew.
    EXPECT_FALSE(alerts.Heard(kMob, kDay0 + 60 * kMinute, kNone, ""));

    ASSERT_TRUE(alerts.Any());
    const auto showing = alerts.Showing();
    ASSERT_EQ(showing.size(), 1u);
    EXPECT_EQ(showing[0].Mmsi, kMob);
    EXPECT_EQ(showing[0].Kind, TDistressKind::Mob);
    EXPECT_EQ(showing[0].FirstHeard, kDay0);
    EXPECT_EQ(showing[0].LastHeard, kDay0 + 60 * kMinute);
    EXPECT_EQ(showing[0].Raised, kDay0);
}

TEST(DistressAlerts, AcknowledgedRaisesAgainOnlyAfterMoreThanTenMinutesOfSilence) {
    const struct {
        double Gap;
        bool Raises;
    } cases[] = {
        {5 * kMinute, false},           {10 * kMinute, false}, // ten minutes is not more than ten
        {10 * kMinute + kSecond, true}, {3 * 60 * kMinute, true},
        {-60 * kMinute, false}, // a clock stepped back is no silence
    };
    for (const auto& c : cases) {
        TDistressAlerts alerts;
        ASSERT_TRUE(alerts.Heard(kSart, kDay0, kNone, ""));
        alerts.Acknowledge();
        EXPECT_FALSE(alerts.Any());
        EXPECT_TRUE(alerts.Showing().empty());
        EXPECT_EQ(alerts.Heard(kSart, kDay0 + c.Gap, kNone, ""), c.Raises) << c.Gap / kMinute;
        EXPECT_EQ(alerts.Any(), c.Raises);
        if (c.Raises) {
            EXPECT_EQ(alerts.Showing().at(0).Raised, kDay0 + c.Gap);
            EXPECT_EQ(alerts.Showing().at(0).FirstHeard, kDay0);
        }
    }
}

TEST(DistressAlerts, SilenceCountsFromTheLastTimeHeard) {
    TDistressAlerts alerts;
    alerts.Heard(kEpirb, kDay0, kNone, "");
    alerts.Acknowledge();
    // Heard every six minutes: never silent for ten.
    for (int i = 1; i <= 5; ++i)
        EXPECT_FALSE(alerts.Heard(kEpirb, kDay0 + 6 * i * kMinute, kNone, "")) << i;
    EXPECT_TRUE(alerts.Heard(kEpirb, kDay0 + 41 * kMinute, kNone, ""));
}

TEST(DistressAlerts, AnAlertAcknowledgedLateCountsItsSilenceFromThen) {
    TDistressAlerts alerts;
    alerts.Heard(kMob, kDay0, kNone, "");
    alerts.Acknowledge(kDay0 + 15 * kMinute); // nobody at the screen for a while
    EXPECT_FALSE(alerts.Heard(kMob, kDay0 + 16 * kMinute, kNone, ""));
    EXPECT_TRUE(alerts.Heard(kMob, kDay0 + 27 * kMinute, kNone, ""));
}

TEST(DistressAlerts, TwoDevicesMostRecentlyRaisedFirst) {
    TDistressAlerts alerts;
    EXPECT_TRUE(alerts.Heard(kSart, kDay0, kNone, ""));
    EXPECT_TRUE(alerts.Heard(kMob, kDay0 + kMinute, kNone, ""));
    EXPECT_FALSE(alerts.Heard(kSart, kDay0 + 2 * kMinute, kNone, "")); // heard, not raised
    auto showing = alerts.Showing();
    ASSERT_EQ(showing.size(), 2u);
    EXPECT_EQ(showing[0].Mmsi, kMob);
    EXPECT_EQ(showing[1].Mmsi, kSart);

    alerts.Acknowledge();
    EXPECT_FALSE(alerts.Heard(kMob, kDay0 + 5 * kMinute, kNone, ""));
    EXPECT_TRUE(alerts.Heard(kSart, kDay0 + 20 * kMinute, kNone, ""));
    showing = alerts.Showing();
    ASSERT_EQ(showing.size(), 1u);
    EXPECT_EQ(showing[0].Mmsi, kSart);
    // A third device comes in on top of the one raised again.
    EXPECT_TRUE(alerts.Heard(kEpirb, kDay0 + 21 * kMinute, kNone, ""));
    showing = alerts.Showing();
    ASSERT_EQ(showing.size(), 2u);
    EXPECT_EQ(showing[0].Mmsi, kEpirb);
    EXPECT_EQ(showing[1].Mmsi, kSart);
}

TEST(DistressAlerts, KeepsTheLastPositionAndTextHeard) {
    TDistressAlerts alerts;
    alerts.Heard(kSart, kDay0, At(54.5, 10.25), "SART ACTIVE");
    alerts.Heard(kSart, kDay0 + kSecond, kNone, "");         // a report with neither
    alerts.Heard(kSart, kDay0 + 2 * kSecond, kNone, "n.a."); // a safety message of no text
    TPosition outOfRange = At(91.0, 10.0);                   // flagged valid, yet no position
    alerts.Heard(kSart, kDay0 + 3 * kSecond, outOfRange, "");
    TPosition notANumber = At(std::numeric_limits<double>::quiet_NaN(), 10.0);
    alerts.Heard(kSart, kDay0 + 4 * kSecond, notANumber, "");
    auto a = alerts.Showing().at(0);
    EXPECT_TRUE(a.Pos.Valid);
    EXPECT_EQ(a.Pos.Lat, 54.5);
    EXPECT_EQ(a.Pos.Lon, 10.25);
    EXPECT_EQ(a.Text, "SART ACTIVE");

    alerts.Heard(kSart, kDay0 + 5 * kSecond, At(54.6, 10.3), "SART TEST");
    a = alerts.Showing().at(0);
    EXPECT_EQ(a.Pos.Lat, 54.6);
    EXPECT_EQ(a.Text, "SART TEST");
    EXPECT_EQ(a.FirstHeard, kDay0);
    EXPECT_EQ(a.LastHeard, kDay0 + 5 * kSecond);
}

TEST(DistressAlerts, AClockThatIsNotANumberStopsNoLaterAlert) {
    TDistressAlerts alerts;
    EXPECT_TRUE(alerts.Heard(kMob, kDay0, kNone, ""));
    alerts.Acknowledge();
    EXPECT_FALSE(alerts.Heard(kMob, std::numeric_limits<double>::quiet_NaN(), kNone, "X"));
    EXPECT_EQ(alerts.Devices().at(0).Text, "X"); // what it said still counts
    EXPECT_TRUE(alerts.Heard(kMob, kDay0 + 11 * kMinute, kNone, ""));
}

TEST(DistressAlerts, ForgetsAcknowledgedDevicesFirstWhenFull) {
    TDistressAlerts alerts(2);
    alerts.Heard("970000001", kDay0, kNone, "");
    alerts.Heard("970000002", kDay0 + kMinute, kNone, "");
    alerts.Acknowledge();
    alerts.Heard("970000002", kDay0 + 2 * kMinute, kNone, ""); // heard last of the two
    EXPECT_TRUE(alerts.Heard("970000003", kDay0 + 3 * kMinute, kNone, ""));
    auto devices = alerts.Devices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].Mmsi, "970000002");
    EXPECT_EQ(devices[1].Mmsi, "970000003");

    // With none acknowledged, a new alert still comes in: the device heard longest ago goes.
    EXPECT_TRUE(alerts.Heard("970000001", kDay0 + 4 * kMinute, kNone, ""));
    devices = alerts.Devices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].Mmsi, "970000003");
    EXPECT_EQ(devices[1].Mmsi, "970000001");
    EXPECT_EQ(alerts.Showing().at(0).Mmsi, "970000001");
}

TDistressAlert Alert(TDistressKind Kind, const std::string& Mmsi, TPosition Pos,
                     const std::string& Text) {
    TDistressAlert a;
    a.Kind = Kind;
    a.Mmsi = Mmsi;
    a.Pos = Pos;
    a.Text = Text;
    a.FirstHeard = kDay0 + (12 * 3600 + 34 * 60 + 56) * kSecond;
    return a;
}

struct TTextCase {
    TDistressAlert A;
    std::optional<double> Range, Bearing;
    std::string Line;
};

std::vector<TTextCase> TextCases() {
    const TPosition kiel = At(54.0 + 10.123 / 60, 10.0 + 20.456 / 60);
    const TPosition southWest = At(-5.0, -122.5);
    return {
        {Alert(TDistressKind::Mob, kMob, kiel, "MOB ACTIVE"), 1.2, 45.0,
         "Man overboard 972123456 at 54\u00b0 10.1230' N 010\u00b0 20.4560' E, 1.2 nm 045\u00b0: "
         "\"MOB ACTIVE\", first heard 12:34:56 UTC"},
        {Alert(TDistressKind::Sart, kSart, kNone, "SART ACTIVE"), 1.2, 45.0,
         "AIS-SART 970123456, position not known: \"SART ACTIVE\", first heard 12:34:56 UTC"},
        {Alert(TDistressKind::Epirb, kEpirb, southWest, ""), std::nullopt, std::nullopt,
         "EPIRB-AIS 974123456 at 05\u00b0 00.0000' S 122\u00b0 30.0000' W, first heard 12:34:56 "
         "UTC"},
        {Alert(TDistressKind::Sart, kSart, kiel, ""), 12.345, std::nullopt,
         "AIS-SART 970123456 at 54\u00b0 10.1230' N 010\u00b0 20.4560' E, 12.3 nm, first heard "
         "12:34:56 UTC"},
        {Alert(TDistressKind::Sart, kSart, kiel, ""), std::nullopt, 359.6,
         "AIS-SART 970123456 at 54\u00b0 10.1230' N 010\u00b0 20.4560' E, 000\u00b0, first heard "
         "12:34:56 UTC"},
        {Alert(TDistressKind::Sart, kSart, kiel, ""), std::numeric_limits<double>::quiet_NaN(),
         -90.0,
         "AIS-SART 970123456 at 54\u00b0 10.1230' N 010\u00b0 20.4560' E, 270\u00b0, first heard "
         "12:34:56 UTC"},
    };
}

TEST(DistressText, OneLineWithWhatIsKnown) {
    for (const auto& c : TextCases()) EXPECT_EQ(DistressText(c.A, c.Range, c.Bearing), c.Line);
}

TEST(DistressText, TheSameInAGermanLocale) {
    const std::string before = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine";
    const std::locale global = std::locale::global(std::locale("de_DE.UTF-8"));
    for (const auto& c : TextCases()) EXPECT_EQ(DistressText(c.A, c.Range, c.Bearing), c.Line);
    std::locale::global(global);
    std::setlocale(LC_ALL, before.c_str());
}

} // namespace
