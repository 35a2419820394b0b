// Code tables and value texts.

#include "ais/AIS_Codec.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct TNumberCase {
    const char* Rule;
    std::function<std::string(std::uint32_t)> Fn;
    std::uint32_t Raw;
    std::string Text;
};

class NumberText : public testing::TestWithParam<TNumberCase> {};

TEST_P(NumberText, Formats) {
    const auto& c = GetParam();
    EXPECT_EQ(c.Fn(c.Raw), c.Text) << c.Rule << "(" << c.Raw << ")";
}

constexpr std::uint32_t k28 = 1u << 28, k27 = 1u << 27;

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberText,
    testing::Values(
        TNumberCase{"Speed", SpeedText, 0, "0"}, TNumberCase{"Speed", SpeedText, 124, "12"},
        TNumberCase{"Speed", SpeedText, 125, "13"}, TNumberCase{"Speed", SpeedText, 1022, "102"},
        TNumberCase{"Speed", SpeedText, 1023, "n.a."},
        TNumberCase{"Speed", SpeedText, 0xFFFFFFFF, "n.a."},
        TNumberCase{"Course", CourseText, 5, "1"}, TNumberCase{"Course", CourseText, 3594, "359"},
        TNumberCase{"Course", CourseText, 3599, "360"},
        TNumberCase{"Course", CourseText, 3600, "n.a."},
        TNumberCase{"Course", CourseText, 4095, "n.a."},
        TNumberCase{"Heading", HeadingText, 0, "0"},
        TNumberCase{"Heading", HeadingText, 359, "359"},
        TNumberCase{"Heading", HeadingText, 360, "n.a."},
        TNumberCase{"Heading", HeadingText, 511, "n.a."},
        TNumberCase{"Lon", DecimalLon, 0, "0.000000"},
        TNumberCase{"Lon", DecimalLon, 1, "0.000002"}, // 1.67 micro-degrees
        TNumberCase{"Lon", DecimalLon, 2, "0.000003"}, // 3.33
        TNumberCase{"Lon", DecimalLon, 3, "0.000005"},
        TNumberCase{"Lon", DecimalLon, 180 * 600000, "180.000000"},
        TNumberCase{"Lon", DecimalLon, 180 * 600000 + 1, "n.a."},
        TNumberCase{"Lon", DecimalLon, 181 * 600000, "n.a."},
        TNumberCase{"Lon", DecimalLon, k28 - 1, "-0.000002"},
        TNumberCase{"Lon", DecimalLon, k28 - 180 * 600000, "-180.000000"},
        TNumberCase{"Lon", DecimalLon, k28 - 180 * 600000 - 1, "n.a."},
        TNumberCase{"Lon", DecimalLon, k28 / 2, "n.a."}, // most negative field
        TNumberCase{"Lon", DecimalLon, 5100000, "8.500000"},
        TNumberCase{"Lon", DecimalLon, 0xFFFFFFFF, "-0.000002"}, // only the low 28 bits count
        TNumberCase{"Lat", DecimalLat, 90 * 600000, "90.000000"},
        TNumberCase{"Lat", DecimalLat, 91 * 600000, "n.a."},
        TNumberCase{"Lat", DecimalLat, k27 - 90 * 600000, "-90.000000"},
        TNumberCase{"Lat", DecimalLat, k27 - 90 * 600000 - 1, "n.a."},
        TNumberCase{"Lat", DecimalLat, 31713237, "52.855395"},
        TNumberCase{"Lat", DecimalLat, k27 - 31713237, "-52.855395"},
        TNumberCase{"Draught", DraughtText, 0, "n.a."},
        TNumberCase{"Draught", DraughtText, 1, "0.1"},
        TNumberCase{"Draught", DraughtText, 10, "1.0"},
        TNumberCase{"Draught", DraughtText, 254, "25.4"},
        TNumberCase{"Draught", DraughtText, 255, "> 25 m"},
        TNumberCase{"Mode", ModeText, 0, "autonomous"},
        TNumberCase{"Mode", ModeText, 1, "assigned"},
        TNumberCase{"NavStatus", NavStatusText, 0, "under way using engine"},
        TNumberCase{"NavStatus", NavStatusText, 8, "under way sailing"},
        TNumberCase{"NavStatus", NavStatusText, 9, "not spicified"},
        TNumberCase{"NavStatus", NavStatusText, 11, "not spicified"},
        TNumberCase{"NavStatus", NavStatusText, 14, "AIS SART"},
        TNumberCase{"NavStatus", NavStatusText, 15, "not spicified"},
        TNumberCase{"NavStatus", NavStatusText, 16, "n.a."},
        TNumberCase{"Epfd", EpfdText, 0, "n.a."}, TNumberCase{"Epfd", EpfdText, 3, "GPS/GLONASS"},
        TNumberCase{"Epfd", EpfdText, 6, "Integr. Nav. System"},
        TNumberCase{"Epfd", EpfdText, 8, "Galileo"}, TNumberCase{"Epfd", EpfdText, 9, "n.a."},
        TNumberCase{"Epfd", EpfdText, 15, "n.a."}),
    [](const auto& info) { return std::string(info.param.Rule) + std::to_string(info.index); });

TEST(ShipTypeText, RangesAndBoundaries) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "Vessel"},
        {19, "Vessel"},
        {20, "Wing in Grand"},
        {29, "Wing in Grand"},
        {30, "Vessel Fishing"},
        {31, "Vessel Towing"},
        {32, "Vessel Towing > 200m"},
        {33, "Vessel in Underwater Operations"},
        {34, "Vessel in Diving Operations"},
        {35, "Vessel in Military Operation"},
        {36, "Sailing Vessel"},
        {37, "Pleasure Craft"},
        {38, "Vessel"},
        {39, "Vessel"},
        {40, "High Speed Craft"},
        {49, "High Speed Craft"},
        {50, "Pilot Vessel"},
        {51, "SAR Vessel"},
        {52, "Tug"},
        {53, "Port Tender"},
        {54, "Vessel with anti-pollution fac."},
        {55, "Law enforcement Vessel"},
        {56, "Local Vessel"},
        {57, "Local Vessel"},
        {58, "Medical Transport"},
        {59, "Ships according RR Resol. No. 18"},
        {60, "Passenger Ship"},
        {69, "Passenger Ship"},
        {70, "Cargo Ship"},
        {71, "Cargo Ship with dangerous goods"},
        {74, "Cargo Ship with dangerous goods"},
        {75, "Cargo Ship"},
        {79, "Cargo Ship"},
        {80, "Tanker"},
        {81, "Tanker with dangerous goods"},
        {84, "Tanker with dangerous goods"},
        {85, "Tanker"},
        {89, "Tanker"},
        {90, "Ship with no information"},
        {255, "Ship with no information"},
        {256, "n.a."},
    };
    for (auto [code, text] : cases) EXPECT_EQ(ShipTypeText(code), text) << code;
}

TEST(EtaText, Pieces) {
    EXPECT_EQ(EtaText(12, 24, 13, 5), "24. Dec. 13:05 UTC");
    EXPECT_EQ(EtaText(5, 1, 7, 30), "1. May  7:30 UTC");
    EXPECT_EQ(EtaText(13, 0, 24, 61), "-. - -:- UTC");
    EXPECT_EQ(EtaText(0, 0, 24, 60), "-. - -:- UTC");
    EXPECT_EQ(EtaText(1, 31, 0, 0), "31. Jan. 0:00 UTC");
    EXPECT_EQ(EtaText(2, 32, 23, 59), "-. Feb. 23:59 UTC");
    EXPECT_EQ(EtaText(9, 9, 9, 9), "9. Sep. 9:09 UTC");
}

TEST(NineDigitMmsi, PadsOnlyNumbersShorterThanNine) {
    const struct {
        const char *In, *Out;
    } cases[] = {
        {"2275200", "002275200"},
        {"89189231", "089189231"},
        {"211000001", "211000001"},
        {"0", "000000000"},
        {"1039151092", "1039151092"},
        {"n.a.", "n.a."},
        {"", ""},
        {"12a", "12a"},
    };
    for (const auto& c : cases) EXPECT_EQ(NineDigitMmsi(c.In), c.Out) << c.In;
}

struct TDegMinCase {
    bool Lat;
    std::string In, Out;
};

class DegMin : public testing::TestWithParam<TDegMinCase> {};

TEST_P(DegMin, Converts) {
    const auto& c = GetParam();
    EXPECT_EQ(c.Lat ? LatToDegMin(c.In) : LonToDegMin(c.In), c.Out) << c.In;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DegMin,
    testing::Values(TDegMinCase{true, "53.500000", "53\xB0 30.0000' N"},
                    TDegMinCase{true, "-5.250000", "05\xB0 15.0000' S"},
                    TDegMinCase{false, "8.500000", "008\xB0 30.0000' E"},
                    TDegMinCase{false, "-122.000000", "122\xB0 00.0000' W"},
                    TDegMinCase{true, "0.000000", "00\xB0 00.0000' N"},
                    TDegMinCase{true, "53.234375", "53\xB0 14.0625' N"},
                    // Whole minutes whose binary value lies just below them stay whole.
                    TDegMinCase{true, "52.855395", "52\xB0 51.3237' N"},
                    TDegMinCase{true, "10.1", "10\xB0 06.0000' N"},
                    TDegMinCase{false, "0.7", "000\xB0 42.0000' E"},
                    TDegMinCase{false, "179.999999", "179\xB0 59.9999' E"},
                    TDegMinCase{true, "-0.000000", "00\xB0 00.0000' N"}, // zero is north
                    TDegMinCase{true, "-0.0000001", "00\xB0 00.0000' S"},
                    TDegMinCase{true, "+1.5", "01\xB0 30.0000' N"},
                    TDegMinCase{true, "7", "07\xB0 00.0000' N"},
                    TDegMinCase{true, "0053.5", "53\xB0 30.0000' N"},
                    TDegMinCase{true, "91", "91\xB0 00.0000' N"}, // no range check here
                    TDegMinCase{false, "12345.5", "12345\xB0 30.0000' E"},
                    TDegMinCase{true, "1.00001666666666666666666666666666666667",
                                "01\xB0 00.0010' N"},
                    TDegMinCase{true, "1.0000166666", "01\xB0 00.0009' N"},
                    TDegMinCase{true, "n.a.", "n.a."}, TDegMinCase{true, "", "n.a."},
                    TDegMinCase{true, "-", "n.a."}, TDegMinCase{true, ".5", "n.a."},
                    TDegMinCase{true, "5.", "n.a."}, TDegMinCase{true, "5,5", "n.a."},
                    TDegMinCase{true, " 5", "n.a."}, TDegMinCase{true, "5 ", "n.a."},
                    TDegMinCase{true, "1e2", "n.a."}, TDegMinCase{true, "--5", "n.a."},
                    TDegMinCase{false,
                                "\xB1"
                                "5",
                                "n.a."}));

} // namespace
