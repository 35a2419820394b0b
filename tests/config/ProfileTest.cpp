// Profiles: what write accepts, what it refuses (naming the key and the line), how a profile is
// laid over what was read, and the JSON that read prints.

#include "tools/config/ProfileJson.h"

#include <gtest/gtest.h>

namespace {

// The simulator's factory-fresh configuration, as the seven read steps leave it.
TUnitConfig ReadDefaults() {
    TUnitConfig c;
    c.MMSI = "211234560";
    c.ShipsName = "CORVANE TEST";
    c.CallSign = "DK2345";
    c.A = "010";
    c.B = "005";
    c.C = "03";
    c.D = "02";
    c.VesselType = 37;
    c.SwitchType = TSwitchType::None;
    c.VendorID = "CVN2401";
    c.BaudRate = TBaudRate::Baud38400;
    c.GpsOutput = TGpsOutput::All;
    c.AlarmOutput = TAlarmOutput::Enable;
    return c;
}

TProfile Parse(const std::string& Text) {
    TProfile p;
    std::string error;
    EXPECT_TRUE(ParseProfile(Text, "p.json", p, error)) << Text << ": " << error;
    return p;
}

std::string Refusal(const std::string& Text) {
    TProfile p;
    std::string error;
    EXPECT_FALSE(ParseProfile(Text, "p.json", p, error)) << Text;
    EXPECT_FALSE(p.MMSI || p.ShipsName || p.A) << "a refused profile keeps nothing: " << Text;
    return error;
}

TEST(Profile, EveryKeyIsTakenWithItsLine) {
    const TProfile p = Parse(R"({
  "mmsi": "244123456",
  "name": "new name",
  "callsign": "ab12",
  "a": 511, "b": 0, "c": 63, "d": 0,
  "vessel_type": 90,
  "switch_type": "safety",
  "vendor_id": "CVN2401",
  "rs422_baud": 4800,
  "gps_output": "none",
  "alarm_output": "disable"
})");
    EXPECT_EQ(*p.MMSI, 244123456);
    EXPECT_EQ(p.MMSI.Line, 2);
    EXPECT_EQ(*p.ShipsName, "new name"); // Save writes it in capitals
    EXPECT_EQ(*p.CallSign, "ab12");
    EXPECT_EQ(*p.A, 511);
    EXPECT_EQ(p.A.Line, 5);
    EXPECT_EQ(*p.B, 0);
    EXPECT_EQ(*p.C, 63);
    EXPECT_EQ(*p.D, 0);
    EXPECT_EQ(*p.VesselType, 90);
    EXPECT_EQ(*p.SwitchType, TSwitchType::SafetyMsg);
    EXPECT_EQ(*p.VendorID, "CVN2401");
    EXPECT_EQ(*p.BaudRate, TBaudRate::Baud4800);
    EXPECT_EQ(*p.GpsOutput, TGpsOutput::None);
    EXPECT_EQ(*p.AlarmOutput, TAlarmOutput::Disable);
    EXPECT_EQ(p.AlarmOutput.Line, 11);
}

TEST(Profile, ValuesAtTheEdgesOfWhatSaveTakes) {
    EXPECT_EQ(*Parse(R"({"mmsi": "1"})").MMSI, 1);
    EXPECT_EQ(*Parse(R"({"mmsi": "000000001"})").MMSI, 1);
    EXPECT_EQ(*Parse(R"({"mmsi": "999999999"})").MMSI, 999999999);
    EXPECT_EQ(*Parse(R"({"name": ""})").ShipsName, "");
    EXPECT_EQ(*Parse(R"({"name": "12345678901234567890"})").ShipsName, "12345678901234567890");
    // every sign of AIS text that no sentence reserves, and lower case, which Save capitalises
    EXPECT_EQ(*Parse(R"({"name": "\"#%&'()+-./:;<=>?[]_"})").ShipsName, "\"#%&'()+-./:;<=>?[]_");
    EXPECT_EQ(*Parse(R"({"callsign": "pd 1234"})").CallSign, "pd 1234");
    EXPECT_EQ(*Parse(R"({"rs422_baud": 38400})").BaudRate, TBaudRate::Baud38400);
    for (const TVesselTypeItem& t : kVesselTypes)
        EXPECT_EQ(*Parse("{\"vessel_type\": " + std::to_string(t.Code) + "}").VesselType, t.Code);
    EXPECT_FALSE(Parse("{}").MMSI);
}

TEST(Profile, RefusalsNameTheKeyTheLineAndTheProblem) {
    const struct {
        const char* Member;
        const char* Says;
    } cases[] = {
        {R"("mmsi": 211234560)", "\"mmsi\": 211234560 must be a string of digits"},
        {R"("mmsi": "21123456x")",
         "\"mmsi\": \"21123456x\" is not a number: MMSI must be a number!"},
        {R"("mmsi": "")", "\"mmsi\": \"\" is not a number"},
        {R"("mmsi": "-5")", "\"mmsi\": \"-5\" is not a number"},
        {R"("mmsi": " 5")", "is not a number"},
        {R"("mmsi": "0")", "\"mmsi\": \"0\" is out of range 1 to 999999999"},
        {R"("mmsi": "1000000000")", "\"mmsi\": \"1000000000\" is out of range 1 to 999999999"},
        {R"("mmsi": "99999999999999999999")", "is out of range 1 to 999999999"},
        {R"("name": 5)", "\"name\": 5 must be a string"},
        {R"("name": null)", "\"name\": null must be a string"},
        {R"("name": "123456789012345678901")", "has 21 characters, at most 20 fit"},
        {R"("callsign": "ABCDEFGH")", "\"callsign\": \"ABCDEFGH\" has 8 characters, at most 7 fit"},
        {R"("name": "A\u0001B")", "\"name\": \"A\\u0001B\" holds a control character"},
        {R"("name": "A\nB")", "holds a control character"},
        {R"("callsign": "A\u007f")", "holds a control character"},
        {R"("callsign": "A\u0085")", "holds a control character"},
        {R"("callsign": "Ω")", "holds a character AIS cannot send"},
        {R"("name": "€")", "holds a character AIS cannot send"},
        {R"("name": "Seebär")", "holds a character AIS cannot send"}, // in ISO 8859-1, not in AIS
        {R"("name": "A{B")", "holds a character AIS cannot send"},
        {R"("name": "SEA@HOME")", "holds a character AIS cannot send"}, // "@" pads AIS text
        {R"("a": 512)", "\"a\": 512 is out of range 0 to 511"},
        {R"("b": -1)", "\"b\": -1 is out of range 0 to 511"},
        {R"("c": 64)", "\"c\": 64 is out of range 0 to 63"},
        {R"("d": 100000000000000000000)", "is out of range 0 to 63"},
        {R"("a": 1.5)", "\"a\": 1.5 is not a whole number"},
        {R"("a": 1e2)", "\"a\": 1e2 is not a whole number"},
        {R"("a": "10")", "\"a\": \"10\" must be a number"},
        {R"("vessel_type": 70)",
         "\"vessel_type\": 70 is not one of the vessel types (30 to 40, 50 to 60, 90)"},
        {R"("vessel_type": 41)", "is not one of the vessel types"},
        {R"("vessel_type": "37")", "\"vessel_type\": \"37\" must be a number"},
        {R"("switch_type": "off")",
         "\"switch_type\": \"off\" is not one of \"none\", \"safety\" or \"rx-only\""},
        {R"("switch_type": 1)", "must be one of"},
        {R"("gps_output": "some")", "is not one of \"all\", \"minimal\" or \"none\""},
        {R"("alarm_output": true)",
         "\"alarm_output\": true must be one of \"enable\" or \"disable\""},
        {R"("rs422_baud": 9600)", "\"rs422_baud\": 9600 is not 38400 or 4800"},
        {R"("rs422_baud": 4800.0)", "is not 38400 or 4800"},
        {R"("rs422_baud": "38400")", "must be the number 38400 or 4800"},
        {R"("vendor_id": 5)", "\"vendor_id\": 5 must be a string"},
        {R"("colour": "red")", "\"colour\": unknown key (the keys are mmsi, name, callsign"},
        {R"("Name": "X")", "\"Name\": unknown key"},
    };
    for (const auto& c : cases) {
        const std::string error = Refusal(std::string("{\n\n  ") + c.Member + "\n}");
        EXPECT_EQ(error.rfind("p.json:3: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.Says), std::string::npos) << c.Member << " -> " << error;
    }
}

TEST(Profile, EveryCharacterSaveRefusesInNameAndCallSign) {
    for (const char* key : {"name", "callsign"})
        for (const std::string c : {",", "*", "$", "!", "\\\\", "^", "~"}) {
            const std::string error = Refusal(std::string("{\"") + key + "\": \"A" + c + "\"}");
            EXPECT_NE(error.find("Ship's name and call sign must not contain , * $ ! \\ ^ or ~!"),
                      std::string::npos)
                << key << " " << c << " -> " << error;
        }
}

TEST(Profile, MalformedJsonAndRepeatedKeysAreRefusedWithTheirLine) {
    EXPECT_EQ(Refusal("{\n  \"a\": 1,\n  \"a\": 2\n}"),
              "p.json:3: \"a\": given twice (first on line 2)");
    EXPECT_EQ(Refusal("{\n  \"a\": 1\n  \"b\": 2\n}"),
              "p.json:3: expected ',' or '}' after a value, found '\"'");
    EXPECT_EQ(Refusal("[]"), "p.json:1: the profile must be one JSON object ({ ... })");
}

TEST(Profile, VendorIdMayOnlyRepeatTheOneReported) {
    const TUnitConfig read = ReadDefaults();
    std::string error;
    EXPECT_TRUE(CheckVendorID(Parse("{}"), read, "p.json", error));
    EXPECT_TRUE(CheckVendorID(Parse(R"({"vendor_id": "CVN2401"})"), read, "p.json", error));
    EXPECT_FALSE(CheckVendorID(Parse("{\n\"vendor_id\": \"OTHER\"}"), read, "p.json", error));
    EXPECT_EQ(error, "p.json:2: \"vendor_id\": \"OTHER\" cannot be written; the transponder "
                     "reports \"CVN2401\" (leave the key out, or give the one it reports)");
    TUnitConfig none = read;
    none.VendorID.reset();
    EXPECT_FALSE(CheckVendorID(Parse(R"({"vendor_id": "CVN2401"})"), none, "p.json", error));
}

TEST(Profile, KeysLeftOutKeepWhatWasRead) {
    const TUnitConfig read = ReadDefaults();
    EXPECT_EQ(MergeProfile(read, Parse("{}")), read);
    const TUnitConfig m = MergeProfile(
        read, Parse(R"({"mmsi": "1234", "name": "x", "b": 7, "gps_output": "minimal"})"));
    TUnitConfig want = read;
    want.MMSI = "000001234"; // as the transponder reports a number
    want.ShipsName = "x";
    want.B = "7";
    want.GpsOutput = TGpsOutput::Minimal;
    EXPECT_EQ(m, want);
}

TEST(Profile, SettingsNeitherReadNorGivenStayUnset) {
    TUnitConfig read = ReadDefaults();
    read.BaudRate.reset();
    read.SwitchType.reset();
    const TUnitConfig m = MergeProfile(read, Parse(R"({"switch_type": "rx-only"})"));
    EXPECT_FALSE(m.BaudRate); // so nothing is written for it
    EXPECT_EQ(m.SwitchType, TSwitchType::RxOnly);
}

TEST(ConfigJson, AllKeysInOrderAsNumbersStringsAndNames) {
    std::vector<std::string> warnings;
    EXPECT_EQ(ConfigJson(ReadDefaults(), warnings), R"({
  "mmsi": "211234560",
  "name": "CORVANE TEST",
  "callsign": "DK2345",
  "a": 10,
  "b": 5,
  "c": 3,
  "d": 2,
  "vessel_type": 37,
  "switch_type": "none",
  "vendor_id": "CVN2401",
  "rs422_baud": 38400,
  "gps_output": "all",
  "alarm_output": "enable"
}
)");
    EXPECT_TRUE(warnings.empty());
}

TEST(ConfigJson, WhatWasNotReportedIsLeftOutNeverGuessed) {
    std::vector<std::string> warnings;
    EXPECT_EQ(ConfigJson(TUnitConfig{}, warnings), "{}\n");
    TUnitConfig c;
    c.A = "0x1";
    c.C = "07";
    c.SwitchType = TSwitchType::RxOnly;
    c.BaudRate = TBaudRate::Baud4800;
    EXPECT_EQ(ConfigJson(c, warnings), "{\n  \"c\": 7,\n  \"switch_type\": \"rx-only\",\n"
                                       "  \"rs422_baud\": 4800\n}\n");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "\"a\" left out: the transponder reported \"0x1\", which is not a number");
}

TEST(ConfigJson, TextsFromTheLineAreEscaped) {
    TUnitConfig c;
    c.ShipsName = "SAY \"HI\" \\ \x1B[2J";
    c.CallSign = "\xC3\x84"; // Ä, from the line's byte 0xC4
    std::vector<std::string> warnings;
    EXPECT_EQ(ConfigJson(c, warnings), "{\n  \"name\": \"SAY \\\"HI\\\" \\\\ \\u001b[2J\",\n"
                                       "  \"callsign\": \"\xC3\x84\"\n}\n");
}

TEST(ConfigJson, ReadOutputIsAProfileThatChangesNothing) {
    const TUnitConfig read = ReadDefaults();
    std::vector<std::string> warnings;
    const TProfile p = Parse(ConfigJson(read, warnings));
    std::string error;
    EXPECT_TRUE(CheckVendorID(p, read, "p.json", error)) << error;
    const TUnitConfig m = MergeProfile(read, p);
    for (const std::string_view key : kProfileKeys)
        EXPECT_EQ(JsonValueOf(m, key), JsonValueOf(read, key)) << key;
}

} // namespace
