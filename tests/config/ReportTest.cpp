// What corvane-config prints: the configuration as text, the changes, the sentences of a dry run.

#include "nmea/Framing.h"
#include "tools/config/ConfigReport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& S) {
    std::vector<std::string> out;
    std::istringstream in(S);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

TEST(ConfigText, EverySettingOnItsLineValuesInOneColumn) {
    const std::vector<std::string> lines = Lines(ConfigText(TUnitConfig{}));
    ASSERT_EQ(lines.size(), 13u);
    // two blanks after the longest label
    const std::size_t column = std::string("D (to starboard)").size() + 2;
    for (const std::string& l : lines) EXPECT_EQ(l.find("(not reported)"), column) << l;
}

TEST(ConfigText, ValuesAsAnInstallerReadsThem) {
    TUnitConfig c;
    c.MMSI = "000000000";
    c.A = "010";
    c.B = "x1";
    c.VesselType = 70;
    c.GpsOutput = TGpsOutput::Minimal;
    c.BaudRate = TBaudRate::Baud4800;
    const std::string t = ConfigText(c);
    for (const char* want :
         {"MMSI              000000000 (none programmed)\n", "A (to bow)        10 m\n",
          "B (to stern)      \"x1\" (not a number)\n",
          "Vessel type       70 (not one of the window's list)\n", "GPS output        minimal\n",
          "RS422 baud rate   4800\n"})
        EXPECT_NE(t.find(want), std::string::npos) << want << "\n" << t;
    c.VesselType = 52;
    EXPECT_NE(ConfigText(c).find("Vessel type       52 = Tugs\n"), std::string::npos);
}

TEST(ConfigText, ControlCharactersFromTheLineNeverReachTheTerminal) {
    TUnitConfig c;
    c.ShipsName = "EVIL\x1B[2J";
    c.VendorID = "V\xC2\x9B"
                 "1m"; // C1 CSI
    const std::string t = ConfigText(c);
    EXPECT_EQ(t.find('\x1B'), std::string::npos);
    EXPECT_EQ(t.find("\xC2\x9B"), std::string::npos);
    EXPECT_NE(t.find("\"EVIL\\u001b[2J\""), std::string::npos) << t;
    EXPECT_NE(t.find("\"V\\u009b1m\""), std::string::npos) << t;
}

TEST(ConfigChanges, OnlyWhatDiffersInKeyOrder) {
    TUnitConfig read;
    read.MMSI = "211234560";
    read.ShipsName = "CORVANE TEST";
    read.A = "010";
    read.AlarmOutput = TAlarmOutput::Enable;
    EXPECT_TRUE(ConfigChanges(read, read).empty());
    TUnitConfig w = read;
    w.A = "10"; // the same distance
    EXPECT_TRUE(ConfigChanges(read, w).empty());
    w.AlarmOutput = TAlarmOutput::Disable;
    w.MMSI = "244123456";
    w.GpsOutput = TGpsOutput::None;
    const auto changes = ConfigChanges(read, w);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].Key, "mmsi");
    EXPECT_EQ(changes[0].Old, "\"211234560\"");
    EXPECT_EQ(changes[0].New, "\"244123456\"");
    EXPECT_EQ(changes[1].Key, "gps_output");
    EXPECT_EQ(changes[1].Old, "(not reported)");
    EXPECT_EQ(changes[2].Key, "alarm_output");
    EXPECT_EQ(ChangesText(changes), "Changes:\n"
                                    "  mmsi          \"211234560\"    -> \"244123456\"\n"
                                    "  gps_output    (not reported) -> \"none\"\n"
                                    "  alarm_output  \"enable\"       -> \"disable\"\n");
    EXPECT_EQ(ChangesText({}), "No changes: the configuration is written as it was read.\n");
}

TEST(WireText, ChecksumIsOverTheBytesTheLineCarries) {
    EXPECT_EQ(WireText("DUAIQ,SSD") + "\r\n", FrameNMEA("DUAIQ,SSD"));
    // É is one byte (0xC9) on the line; the text shown stays UTF-8
    EXPECT_EQ(WireText("AISSD,\xC3\x89"),
              "$AISSD,\xC3\x89*" + ChecksumHex(NmeaChecksum("AISSD,\xC9")));
}

TEST(WriteStepsText, EveryGroupWithItsSentencesAndPausesInSavesOrder) {
    TOwnShip own;
    own.MMSI = 244123456;
    own.ShipsName = "NEW NAME";
    own.CallSign = "AB12";
    own.A = 20;
    own.B = 10;
    own.C = 4;
    own.D = 4;
    own.ShipTyp = 36;
    own.VendorID = "CVN2401";
    TUnitConfig f; // no baud rate and no GPS output chosen: nothing is written for them
    f.SwitchType = TSwitchType::RxOnly;
    f.AlarmOutput = TAlarmOutput::Disable;
    EXPECT_EQ(WriteStepsText(own, f), R"(MMSI:
  $PSRT,012,,,(--VoXeL--)*7F
  (pause 100 ms)
  $PSRT,010,,,244123456*01
  (pause 300 ms)
  $PSRT,010*18
Static data:
  $AISSD,AB12,NEW NAME,20,10,4,4,0,AI*0C
  (pause 300 ms)
  $AIAIQ,SSD*39
Vessel type:
  $AIVSD,36,,,,,,,,*60
  (pause 300 ms)
  $DUAIQ,VSD*25
Switch type:
  $PSRT,012,,,(--VoXeL--)*7F
  $PSRT,SRM,01,02,CVN2401*16
  (pause 300 ms)
  $DUAIQ,SRM*28
GPS output (not confirmed by the transponder):
  (nothing: no setting chosen)
RS422 baud rate:
  (pause 300 ms)
  $DUAIQ,SER*20
Alarm output:
  $PSRT,012,,,(--VoXeL--)*7F
  $PSRT,ALM,0001*44
  (pause 300 ms)
  $DUAIQ,ALM*24
)");
}

TEST(PlainLines, WindowTextsLoseTheirCarriageReturns) {
    EXPECT_EQ(PlainLines(OutcomeText(TOutcome::NoResponse).Text),
              "No response from corvane.\nTry to connect again.");
    EXPECT_EQ(PlainLines("a\rb"), "a\rb");
}

} // namespace
