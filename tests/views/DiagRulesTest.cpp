#include "diag/DiagRules.h"

#include <gtest/gtest.h>

namespace {

// ---- GPS position fields ---------------------------------------------------------------------

struct TCoorCase {
    const char* Field;
    const char* Hemisphere;
    const char* Degrees;
};

std::ostream& operator<<(std::ostream& Os, const TCoorCase& C) {
    return Os << '"' << C.Field << "\" \"" << C.Hemisphere << '"';
}

class Latitudes : public ::testing::TestWithParam<TCoorCase> {};
class Longitudes : public ::testing::TestWithParam<TCoorCase> {};

TEST_P(Latitudes, AsSignedDegrees) {
    EXPECT_EQ(NmeaLatToDeg(GetParam().Field, GetParam().Hemisphere), GetParam().Degrees);
}
TEST_P(Longitudes, AsSignedDegrees) {
    EXPECT_EQ(NmeaLonToDeg(GetParam().Field, GetParam().Hemisphere), GetParam().Degrees);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Latitudes,
    ::testing::Values(TCoorCase{"4807.038", "N", "48.11730"},
                      TCoorCase{"5330.1234", "N", "53.50206"},
                      TCoorCase{"3330", "S", "-33.50000"},  // the minutes count south too
                      TCoorCase{"3330.0", "s", "33.50000"}, // only "S" is south
                      TCoorCase{"0000.0000", "S", "0.00000"},
                      TCoorCase{"5959.99999", "N", "60.00000"},
                      TCoorCase{"9999.0", "N", "100.6500"}, // seven digits at most
                      TCoorCase{"", "N", "n.a."}, TCoorCase{"48", "N", "n.a."},
                      TCoorCase{"4", "N", "n.a."}, TCoorCase{"x807.038", "N", "n.a."},
                      TCoorCase{"4807,038", "N", "n.a."}, TCoorCase{"48 7.038", "N", "n.a."}));

INSTANTIATE_TEST_SUITE_P(Table, Longitudes,
                         ::testing::Values(TCoorCase{"01131.000", "E", "11.51667"},
                                           TCoorCase{"01000.6", "E", "10.01000"},
                                           TCoorCase{"07030", "W", "-70.50000"},
                                           TCoorCase{"17959.99", "W", "-179.99983"},
                                           TCoorCase{"17959.9999", "W", "-180.00000"},
                                           TCoorCase{"011", "E", "n.a."},
                                           TCoorCase{"01131.", "E", "n.a."}));

// ---- Lamp masks ------------------------------------------------------------------------------

using L = TLampColour;
constexpr L N = L::Neutral, Li = L::Lime, Y = L::Yellow, R = L::Red;

struct TMaskCase {
    const char* Sentence;
    std::int32_t Mask;
    std::array<L, 8> Lamps; // top to bottom: All OK, RX, TX, RX Only, Warning, SRM, Error, VHF TX
};

class Lamps : public ::testing::TestWithParam<TMaskCase> {};

TEST_P(Lamps, FollowTheirBits) {
    const auto mask = LedMask(GetParam().Sentence);
    ASSERT_TRUE(mask.has_value());
    EXPECT_EQ(*mask, GetParam().Mask);
    for (std::size_t i = 0; i < kLamps.size(); ++i)
        EXPECT_EQ(LampColour(*mask, kLamps[i]), GetParam().Lamps[i]) << kLamps[i].Caption;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Lamps,
    ::testing::Values(TMaskCase{"$PSRT,RES,LED,42*3A", 0x42, {Li, N, Li, N, N, N, N, N}},
                      TMaskCase{"$PSRT,RES,LED,85*3D", 0x85, {N, N, N, N, Y, N, R, R}},
                      TMaskCase{"$PSRT,RES,LED,00", 0, {N, N, N, N, N, N, N, N}},
                      TMaskCase{"$PSRT,RES,LED,ff", 0xFF, {Li, Li, Li, Y, Y, Y, R, R}},
                      TMaskCase{"$PSRT,RES,LED,38", 0x38, {N, Li, N, Y, N, Y, N, N}}));

TEST(Lamps, AMaskThatIsNoHexNumberIsNoReading) {
    for (const char* s :
         {"$PSRT,RES,LED,0G", "$PSRT,RES,LED,4", "$PSRT,RES,LED,", "$PSRT,RES,LED, 4", "$PSRT"})
        EXPECT_FALSE(LedMask(s).has_value()) << s;
}

// ---- Converter readings ----------------------------------------------------------------------

struct TAdcCase {
    const char* Sentence;
    bool TxSeen;
    TAdcCaptions Captions;
};

std::ostream& operator<<(std::ostream& Os, const TAdcCase& C) {
    return Os << C.Sentence << (C.TxSeen ? " (transmitting)" : " (Standby)");
}
std::ostream& operator<<(std::ostream& Os, const TMaskCase& C) {
    return Os << C.Sentence;
}

std::string Show(const std::optional<std::string>& S) {
    return S ? *S : "(kept)";
}

class Adc : public ::testing::TestWithParam<TAdcCase> {};

TEST_P(Adc, Verdicts) {
    const TAdcCaptions c = EvaluateADC(GetParam().Sentence, GetParam().TxSeen);
    const TAdcCaptions& e = GetParam().Captions;
    EXPECT_EQ(Show(c.ForPwr), Show(e.ForPwr));
    EXPECT_EQ(Show(c.RevPwr), Show(e.RevPwr));
    EXPECT_EQ(Show(c.V_Idle), Show(e.V_Idle));
    EXPECT_EQ(Show(c.V_TX), Show(e.V_TX));
    EXPECT_EQ(Show(c.RSSI1), Show(e.RSSI1));
    EXPECT_EQ(Show(c.RSSI2), Show(e.RSSI2));
}

const auto kNone = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Table, Adc,
    ::testing::Values(
        // ratio exactly 3: OK; idle 4B is 12 V, while transmitting 50 is 12.8, shown 13 V
        TAdcCase{"$PSRT,RES,ADC,0300,0100,4B,50,0320,0303*00",
                 true,
                 {"OK", "OK", "12 V", "13 V", "OK", "OK"}},
        // just under 3: ERROR; -77 is ERROR, -70 too
        TAdcCase{"$PSRT,RES,ADC,0300,0101,9C,4B,0302,02BC*00",
                 true,
                 {"ERROR", "ERROR", "25 V", "12 V", "ERROR", "ERROR"}},
        // reverse 0 keeps both power captions; lower-case digits read
        TAdcCase{"$PSRT,RES,ADC,0300,0000,4e,4b,0320,0320",
                 true,
                 {kNone, kNone, "12 V", "12 V", "OK", "OK"}},
        // Standby: positions 28 and 29 are not read, whatever they hold
        TAdcCase{"$PSRT,RES,ADC,0300,0100,4B,zz,0320,0302",
                 false,
                 {"OK", "OK", "12 V", kNone, "OK", "ERROR"}},
        TAdcCase{"$PSRT,RES,ADC,0300,0100,4B,zz,0320,0302",
                 true,
                 {"OK", "OK", "12 V", kNone, kNone, kNone}},
        // ends after position 26: the power verdicts and the idle voltage only
        TAdcCase{"$PSRT,RES,ADC,0300,0100,50", true, {"OK", "OK", "13 V", kNone, kNone, kNone}},
        TAdcCase{"$PSRT,RES,ADC,0300,0100,5", true, {"OK", "OK", kNone, kNone, kNone, kNone}},
        TAdcCase{"$PSRT,RES,ADC,03G0,0100,50,50,0320,0320", true, {}},
        TAdcCase{"$PSRT,RES,LED,0300,0100,50,50,0320,0320", true, {}}, // not the ADC variant
        TAdcCase{"$PSRT,RES,ADC,FFFF,0001,FF,00,FFFF,0000",
                 true,
                 {"OK", "OK", "41 V", "0 V", "OK", "ERROR"}}));

TEST(Adc, SignalLevelsAroundTheLimit) {
    EXPECT_EQ(RssiVerdict(0x0320), "OK");    // -80
    EXPECT_EQ(RssiVerdict(0x0303), "OK");    // -77.1
    EXPECT_EQ(RssiVerdict(0x0302), "ERROR"); // -77
    EXPECT_EQ(RssiVerdict(0x02BC), "ERROR"); // -70
    EXPECT_EQ(VoltageText(0x4B), "12 V");
    EXPECT_EQ(VoltageText(0x50), "13 V");
    EXPECT_EQ(VoltageText(0x9C), "25 V");
    EXPECT_EQ(PowerVerdict(0x0300, 0x0100), "OK");
    EXPECT_EQ(PowerVerdict(0x0300, 0x0101), "ERROR");
    EXPECT_FALSE(PowerVerdict(0x0300, 0).has_value());
}

TEST(Hex, PositionsPastTheEndFail) {
    EXPECT_EQ(HexAt("$PSRT,RES,ADC,0300", 15, 18), 0x300u);
    EXPECT_FALSE(HexAt("$PSRT,RES,ADC,030", 15, 18).has_value());
    EXPECT_FALSE(HexAt("$PSRT", 0, 2).has_value());
    EXPECT_FALSE(HexAt("$PSRT", 3, 2).has_value());
}

} // namespace

// Speed and course by position: a ship lying still often leaves the course empty, and the
// fields after it must not slide into its place.
TEST(RmcVelocity, FieldsSevenAndEightAsTheyStand) {
    struct {
        const char* sentence;
        const char* sog;
        const char* cog;
    } cases[] = {
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r", "022.4",
         "084.4"},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,0.0,,230394,,*6A\r", "0.0", ""},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,,,230394,,*6A", "", ""},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,5.5*00", "5.5", ""}, // cut short
        {"$GPRMC,123519,A", "", ""},
    };
    for (const auto& c : cases) {
        const TOwnCourse v = RmcVelocity(c.sentence);
        EXPECT_EQ(v.Sog, c.sog) << c.sentence;
        EXPECT_EQ(v.Cog, c.cog) << c.sentence;
    }
}
