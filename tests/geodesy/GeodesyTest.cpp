// Flat-earth range and bearing from the own position.

#include "targets/Geodesy.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct TCase {
    const char* Name;
    TGeoCoor Own, Target;
    std::string Range, Bearing;
};

void PrintTo(const TCase& c, std::ostream* os) {
    *os << c.Name;
}

class RangeBearing : public testing::TestWithParam<TCase> {};

TEST_P(RangeBearing, Computes) {
    const auto& c = GetParam();
    EXPECT_EQ(CalcRange(c.Own, c.Target), c.Range);
    EXPECT_EQ(CalcBearing(c.Own, c.Target), c.Bearing);
}

const TGeoCoor kKiel{"54.0", "10.0"};
const TGeoCoor kZero{"0.0", "0.0"};

INSTANTIATE_TEST_SUITE_P(
    Cases, RangeBearing,
    testing::Values(
        TCase{"NoOwnPositionYet", {"91", "181"}, kKiel, "n.a.", "n.a."},
        TCase{"North", kKiel, {"55.0", "10.0"}, "60.0", "0"},
        TCase{"South", kKiel, {"53.0", "10.0"}, "60.0", "180"},
        TCase{"SouthWest", kZero, {"-1.0", "-1.0"}, "84.9", "225"},
        TCase{"NorthWest", kZero, {"1.0", "-1.0"}, "84.9", "315"},
        TCase{"NorthEast", kKiel, {"55.0", "11.0"}, "69.6", "30"},
        TCase{"SouthWestNear", kKiel, {"53.5", "9.5"}, "34.8", "210"},
        TCase{"SouthEast", kZero, {"-1.0", "1.0"}, "84.9", "135"},
        // On the own latitude the bearing is due east or west, not unknown.
        TCase{"DueEast", kKiel, {"54.0", "11.0"}, "35.3", "90"},
        TCase{"DueWest", kKiel, {"54.0", "9.0"}, "35.3", "270"},
        TCase{"OwnPosition", kKiel, kKiel, "0.0", "n.a."},
        TCase{"AlmostNorthRoundsTo360", kZero, {"1.0", "-0.00698"}, "60.0", "360"},
        TCase{"AlmostNorthEast", kZero, {"1.0", "0.00698"}, "60.0", "0"},
        TCase{"SixDecimalsFromDecoder",
              {"53.500000", "8.500000"},
              {"53.510000", "8.520000"},
              "0.9",
              "50"},
        TCase{
            "FiveDecimalsFromGps", {"53.50000", "8.50000"}, {"53.40000", "8.50000"}, "6.0", "180"},
        // Upper bounds only: 90 and 180 are still valid, just beyond is not.
        TCase{"LatitudeAtBound", kZero, {"90.0", "0.0"}, "5400", "0"},
        TCase{"LatitudeBeyondBound", kZero, {"90.000001", "0.0"}, "n.a.", "n.a."},
        TCase{"LongitudeBeyondBound", kZero, {"0.0", "180.0000001"}, "n.a.", "n.a."},
        TCase{"OwnLongitudeBeyondBound", {"0.0", "181"}, kZero, "n.a.", "n.a."},
        TCase{"NoLowerBound", kZero, {"-95.0", "0.0"}, "5700", "180"},
        TCase{"PlusSign", kKiel, {"+55.0", "+10.0"}, "60.0", "0"},
        TCase{"IntegerTexts", kKiel, {"55", "10"}, "60.0", "0"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CalcRange, TextsThatAreNotNumbers) {
    for (const char* bad : {"n.a.", "", "-", "+", ".5", "5.", "54,5", " 54", "54 ", "1e1", "inf",
                            "nan", "0x10", "--1", "5.5.5",
                            "\xB1"
                            "1"}) {
        for (int which = 0; which < 4; ++which) {
            TGeoCoor own = kKiel, target{"55.0", "11.0"};
            std::string* fields[] = {&own.Lat, &own.Lon, &target.Lat, &target.Lon};
            *fields[which] = bad;
            EXPECT_EQ(CalcRange(own, target), "n.a.") << bad << " in field " << which;
            EXPECT_EQ(CalcBearing(own, target), "n.a.") << bad << " in field " << which;
        }
    }
}

// One decimal while four significant digits allow it; the target is due south of (0, 0), so
// the range is 60 times its latitude.
TEST(CalcRange, Formatting) {
    const std::pair<const char*, const char*> cases[] = {
        {"-0.0523598", "3.1"}, {"-1.41422", "84.9"},  {"-2.0577", "123.5"},
        {"-0.0375", "2.3"},  // 2.25 nm: half away from zero
        {"-16.666", "1000"}, // 999.96 would need a fifth digit for its decimal
        {"-20.5733", "1234"},  {"-16.6658", "999.9"}, {"-166.66", "10000"},
        {"-180", "10800"},     {"0.0", "0.0"},        {"-0.00083", "0.0"},
        {"-0.00084", "0.1"},
    };
    for (auto [lat, text] : cases) EXPECT_EQ(CalcRange(kZero, {lat, "0.0"}), text) << lat;
}

TEST(CalcRange, HugeSouthernTextsStayDefined) {
    // 10000 nm and more are written as whole numbers, however many digits that takes.
    const std::string far = "-1" + std::string(300, '0');
    const std::string range = CalcRange(kZero, {far, "0.0"});
    EXPECT_GT(range.size(), 300u);
    EXPECT_EQ(range.find_first_not_of("0123456789"), std::string::npos) << range;
    EXPECT_EQ(CalcBearing(kZero, {far, "0.0"}), "180");
    // A text beyond what a double holds is not a number.
    EXPECT_EQ(CalcRange(kZero, {"-1" + std::string(400, '0'), "0.0"}), "n.a.");
}

TEST(CalcRange, RandomTextsGiveDefinedResults) {
    std::mt19937 rng(5);
    const std::string alphabet = "0123456789.-+ e,n";
    for (int i = 0; i < 5000; ++i) {
        TGeoCoor own, target;
        for (std::string* s : {&own.Lat, &own.Lon, &target.Lat, &target.Lon}) {
            const std::size_t n = rng() % 10;
            for (std::size_t k = 0; k < n; ++k) *s += alphabet[rng() % alphabet.size()];
        }
        const std::string r = CalcRange(own, target), b = CalcBearing(own, target);
        ASSERT_TRUE(r == "n.a." || r.find_first_not_of("0123456789.") == std::string::npos) << r;
        ASSERT_TRUE(b == "n.a." || (std::stol(b) >= 0 && std::stol(b) <= 360)) << b;
    }
}

} // namespace
