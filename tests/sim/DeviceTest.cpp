// The configuration dialogue: reply layouts at the positions the tool reads, every setting
// written and read back, protected commands, factory reset, checksums, fault modes.

#include "SimHarness.h"

#include <cctype>
#include <gtest/gtest.h>

namespace {

struct TField {
    std::size_t From, To;
    std::string Text;
};

struct TLayoutCase {
    std::string Query;
    std::vector<TField> Fields;
};

class ReplyLayout : public ::testing::TestWithParam<TLayoutCase> {};

TEST_P(ReplyLayout, FieldsStandWhereTheToolReadsThem) {
    TSimHarness h;
    const auto replies = h.Ask(GetParam().Query);
    ASSERT_EQ(replies.size(), 1u);
    const std::string& s = replies[0];
    std::string_view body;
    ASSERT_EQ(CheckSentence(s.substr(0, s.size() - 1), body), TSentenceCheck::Ok) << s;
    for (const TField& f : GetParam().Fields)
        EXPECT_EQ(At(s, f.From, f.To), f.Text)
            << "positions " << f.From << "-" << f.To << " of " << s;
}

const std::vector<TField> kMmsiFields = {
    {2, 6, "PSRT,"}, {2, 12, "PSRT,010,,,"}, {13, 21, "211234560"}};
const std::vector<TField> kStaticFields = {
    {1, 7, "$AISSD,"}, {8, 14, "DK2345@"}, {15, 15, ","}, {16, 35, "CORVANE TEST@@@@@@@@"},
    {36, 36, ","},     {37, 39, "010"},    {40, 40, ","}, {41, 43, "005"},
    {44, 44, ","},     {45, 46, "03"},     {47, 47, ","}, {48, 49, "02"}};

INSTANTIATE_TEST_SUITE_P(
    EveryQuery, ReplyLayout,
    ::testing::Values(TLayoutCase{"DUAIQ,010", kMmsiFields}, TLayoutCase{"DIAIQ,010", kMmsiFields},
                      TLayoutCase{"PSRT,010", kMmsiFields}, TLayoutCase{"DUAIQ,SSD", kStaticFields},
                      TLayoutCase{"AIAIQ,SSD", kStaticFields},
                      TLayoutCase{"DUAIQ,VSD", {{1, 7, "$AIVSD,"}, {8, 10, "037"}}},
                      TLayoutCase{"DUAIQ,SRM",
                                  {{1, 10, "$PSRT,SRM,"}, {11, 12, "00"}, {14, 15, "01"}}},
                      TLayoutCase{"DUAIQ,SER", {{1, 12, "$PSRT,SER,,,"}, {13, 16, "0D36"}}},
                      TLayoutCase{"DUAIQ,NMEA,03", {{1, 14, "$PSRT,NMEA,00,"}, {15, 18, "000F"}}},
                      TLayoutCase{"DUAIQ,ALM", {{1, 10, "$PSRT,ALM,"}, {11, 12, "00"}}},
                      TLayoutCase{"DUAIQ,VER", {{4, 7, "VER,"}}}));

TEST(ReplyLayout, VendorIdSurvivesTheToolsExtractionWhole) {
    for (const std::string vendor : {"CVN2401", "A", "LONGER-VENDOR-ID"}) {
        TSimConfig c;
        c.VendorID = vendor;
        TSimHarness h(TSimHarness::Quiet(), c);
        EXPECT_EQ(h.Read("DUAIQ,SRM", rsSwitchType).VendorID, vendor);
    }
}

TEST(ReplyLayout, VersionReplyCarriesTheSoftwareVersionInItsSixthField) {
    TSimHarness h;
    const auto r = h.Ask("DUAIQ,VER");
    ASSERT_EQ(r.size(), 1u);
    std::vector<std::string> f;
    std::string field;
    for (char c : r[0]) {
        if (c == ',' || c == '*') {
            f.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    ASSERT_GT(f.size(), 5u);
    EXPECT_EQ(f[5], kSoftwareVersion);
}

// One write as the tool composes it, and what the read-back must show.
struct TWrite {
    const char* What;
    std::string Body;
    bool Unlock;
    std::string Query;
    TReplyState State;
    TConfigField Field;
    std::string Expect;
};

TEST(WriteReadBack, EverySettingShowsTheValueWritten) {
    const std::vector<TWrite> writes = {
        {"MMSI", "PSRT,010,,,987654321", true, "PSRT,010", rsMMSI, cfMMSI, "987654321"},
        {"MMSI typed with a leading zero", "PSRT,010,,,12345678", true, "PSRT,010", rsMMSI, cfMMSI,
         "012345678"},
        {"MMSI at the top", "PSRT,010,,,999999999", true, "DUAIQ,010", rsMMSI, cfMMSI, "999999999"},
        {"name", "AISSD,DL5XYZ,SEESCHWALBE,120,15,7,9,0,AI", false, "AIAIQ,SSD", rsStaticData,
         cfShipsName, "SEESCHWALBE"},
        {"call sign", "AISSD,DL5XYZ,SEESCHWALBE,120,15,7,9,0,AI", false, "AIAIQ,SSD", rsStaticData,
         cfCallSign, "DL5XYZ"},
        {"A", "AISSD,DL5XYZ,SEESCHWALBE,120,15,7,9,0,AI", false, "AIAIQ,SSD", rsStaticData, cfA,
         "120"},
        {"B", "AISSD,DL5XYZ,SEESCHWALBE,120,15,7,9,0,AI", false, "AIAIQ,SSD", rsStaticData, cfB,
         "015"},
        {"C", "AISSD,DL5XYZ,SEESCHWALBE,120,15,7,9,0,AI", false, "AIAIQ,SSD", rsStaticData, cfC,
         "07"},
        {"D", "AISSD,DL5XYZ,SEESCHWALBE,120,15,7,9,0,AI", false, "AIAIQ,SSD", rsStaticData, cfD,
         "09"},
        {"full-length name", "AISSD,ABCDEFG,THE LONGEST NAME 20C,511,511,63,63,0,AI", false,
         "DUAIQ,SSD", rsStaticData, cfShipsName, "THE LONGEST NAME 20C"},
        {"full-length call sign", "AISSD,ABCDEFG,THE LONGEST NAME 20C,511,511,63,63,0,AI", false,
         "DUAIQ,SSD", rsStaticData, cfCallSign, "ABCDEFG"},
        {"empty name", "AISSD,,,0,0,0,0,0,AI", false, "AIAIQ,SSD", rsStaticData, cfShipsName, ""},
        {"empty call sign", "AISSD,,,0,0,0,0,0,AI", false, "AIAIQ,SSD", rsStaticData, cfCallSign,
         ""},
        {"vessel type", "AIVSD,52,,,,,,,,", false, "DUAIQ,VSD", rsVoyageData, cfVesselType, "52"},
        {"vessel type back", "AIVSD,37,,,,,,,,", false, "DUAIQ,VSD", rsVoyageData, cfVesselType,
         "37"},
        {"switch rx only", "PSRT,SRM,01,02,CVN2401", true, "DUAIQ,SRM", rsSwitchType, cfSwitchType,
         "rx-only"},
        {"switch safety", "PSRT,SRM,01,01,CVN2401", true, "DUAIQ,SRM", rsSwitchType, cfSwitchType,
         "safety"},
        {"switch none", "PSRT,SRM,00,01,CVN2401", true, "DUAIQ,SRM", rsSwitchType, cfSwitchType,
         "none"},
        {"vendor ID", "PSRT,SRM,00,01,NEWVEND", true, "DUAIQ,SRM", rsSwitchType, cfVendorID,
         "NEWVEND"},
        {"GPS minimal", "PSRT,NMEA,03,0008,00", false, "DUAIQ,NMEA,03", rsNmeaOutput, cfGpsOutput,
         "minimal"},
        {"GPS none", "PSRT,NMEA,03,0000,00", false, "DUAIQ,NMEA,03", rsNmeaOutput, cfGpsOutput,
         "none"},
        {"GPS all", "PSRT,NMEA,03,000F,00", false, "DUAIQ,NMEA,03", rsNmeaOutput, cfGpsOutput,
         "all"},
        {"baud 4800", "PSRT,SER,,,0D1E", true, "DUAIQ,SER", rsBaudRate, cfBaudRate, "4800"},
        {"baud 38400", "PSRT,SER,,,0D36", true, "DUAIQ,SER", rsBaudRate, cfBaudRate, "38400"},
        {"alarm disable", "PSRT,ALM,0001", true, "DUAIQ,ALM", rsAlarmOutput, cfAlarmOutput,
         "disable"},
        {"alarm enable", "PSRT,ALM,0000", true, "DUAIQ,ALM", rsAlarmOutput, cfAlarmOutput,
         "enable"},
    };
    TSimHarness h;
    for (const TWrite& w : writes) {
        if (w.Unlock)
            h.SendUnlocked(w.Body);
        else
            h.Send(w.Body);
        EXPECT_EQ(Shown(h.Read(w.Query, w.State), w.Field), w.Expect) << w.What;
    }
}

// The protected commands, each with a value that differs from the defaults.
struct TProtected {
    std::string Body, Query;
    TReplyState State;
};

class Protected : public ::testing::TestWithParam<TProtected> {
protected:
    std::string Shown(TSimHarness& H) {
        const auto r = H.Ask(GetParam().Query);
        return r.empty() ? "" : r[0];
    }
};

TEST_P(Protected, CountsOnlyRightAfterTheUnlockSentence) {
    TSimHarness h;
    const std::string before = Shown(h);

    h.Send(GetParam().Body);
    EXPECT_EQ(Shown(h), before) << "without unlock";

    h.Send("PSRT,012,,,(--VoXeL--!)");
    h.Send(GetParam().Body);
    EXPECT_EQ(Shown(h), before) << "after a wrong access code";

    h.Send("PSRT,012,,,(--VoXeL--)");
    h.Clock.Advance(TSimDevice::kUnlockValidMs + 1);
    h.Send(GetParam().Body);
    EXPECT_EQ(Shown(h), before) << "after the unlock expired";

    h.Send("PSRT,012,,,(--VoXeL--)");
    h.Send(GetParam().Body);
    EXPECT_NE(Shown(h), before) << "right after the unlock";
}

TEST_P(Protected, OneUnlockOpensForOneCommand) {
    TSimHarness h;
    h.SendUnlocked("PSRT,SRM,01,01,CVN2401"); // spends the unlock on another protected command
    const std::string before = Shown(h);
    h.Send(GetParam().Body);
    EXPECT_EQ(Shown(h), before);
}

INSTANTIATE_TEST_SUITE_P(EveryProtectedCommand, Protected,
                         ::testing::Values(TProtected{"PSRT,010,,,987654321", "PSRT,010", rsMMSI},
                                           TProtected{"PSRT,SRM,01,02,CVN2401", "DUAIQ,SRM",
                                                      rsSwitchType},
                                           TProtected{"PSRT,SER,,,0D1E", "DUAIQ,SER", rsBaudRate},
                                           TProtected{"PSRT,ALM,0001", "DUAIQ,ALM", rsAlarmOutput},
                                           TProtected{"PSRT,RDP", "DUAIQ,010", rsMMSI}));

TEST(Unprotected, StaticVoyageAndNmeaOutputNeedNoUnlock) {
    TSimHarness h;
    h.Send("AISSD,DL5XYZ,SEESCHWALBE,12,3,4,5,0,AI");
    h.Send("AIVSD,52,,,,,,,,");
    h.Send("PSRT,NMEA,03,0008,00");
    EXPECT_EQ(h.Sim.Config().ShipsName, "SEESCHWALBE");
    EXPECT_EQ(h.Sim.Config().ShipType, 52);
    EXPECT_EQ(h.Sim.Config().NmeaOutput, 0x0008);
}

TEST(Unprotected, AQueryBetweenUnlockAndCommandKeepsTheUnlock) {
    TSimHarness h;
    h.Send("PSRT,012,,,(--VoXeL--)");
    h.Ask("DUAIQ,SSD");
    h.Send("PSRT,010,,,123456789");
    EXPECT_EQ(h.Sim.Config().MMSI, 123456789u);
}

TEST(Rejected, MalformedCommandsChangeNothing) {
    const std::vector<std::pair<std::string, bool>> bad = {
        {"PSRT,010,,,0", true},
        {"PSRT,010,,,1234567890", true},
        {"PSRT,010,,,12a", true},
        {"PSRT,010,,,", true},
        {"PSRT,SRM,02,01,CVN2401", true},
        {"PSRT,SRM,01,03,CVN2401", true},
        {"PSRT,SRM,00,01,CVN,2401", true},
        {"PSRT,SER,,,1234", true},
        {"PSRT,ALM,0002", true},
        {"PSRT,ALM,00", true},
        {"AISSD,DL5XYZ,A,B,C,512,5,3,2,0,AI", false}, // a comma in the name
        {"AISSD,DL5XYZ,NAME,512,5,3,2,0,AI", false},
        {"AISSD,DL5XYZ,NAME,10,5,64,2,0,AI", false},
        {"AISSD,TOOLONGCS,NAME,10,5,3,2,0,AI", false},
        {"AISSD,DL5XYZ,A NAME OF MORE THAN 20 CH,10,5,3,2,0,AI", false},
        {"AISSD,DL5XYZ,lower,10,5,3,2,0,AI", false},
        {"AISSD,DL5XYZ,A*B,10,5,3,2,0,AI", false},
        {"AIVSD,256,,,,,,,,", false},
        {"AIVSD,-1,,,,,,,,", false},
        {"PSRT,NMEA,03,00G8,00", false},
        {"PSRT,NMEA,03", false},
    };
    for (const auto& [body, unlock] : bad) {
        TSimHarness h;
        const TSimConfig before = h.Sim.Config();
        if (unlock)
            h.SendUnlocked(body);
        else
            h.Send(body);
        EXPECT_EQ(h.Sim.Config(), before) << body;
    }
}

TEST(FactoryReset, ErasesMmsiAndStaticDataAndKeepsTheVendorId) {
    TSimHarness h;
    // The reset exactly as the tool sends it, with a vendor ID it never read.
    h.SendUnlocked("PSRT,RDP");
    h.Run(200);
    h.SendUnlocked("PSRT,SRM,00,01,");

    EXPECT_EQ(h.Read("DUAIQ,010", rsMMSI).MMSI, "000000000");
    const TUnitConfig v = h.Read("DUAIQ,SSD", rsStaticData);
    EXPECT_EQ(v.ShipsName, "");
    EXPECT_EQ(v.CallSign, "");
    EXPECT_EQ(*v.A + *v.B + *v.C + *v.D, "0000000000");
    EXPECT_EQ(Shown(h.Read("DUAIQ,VSD", rsVoyageData), cfVesselType), "00");
    const TUnitConfig sw = h.Read("DUAIQ,SRM", rsSwitchType);
    EXPECT_EQ(sw.SwitchType, TSwitchType::None);
    EXPECT_EQ(sw.VendorID, "CVN2401");
}

TEST(FaultModes, MmsiLockedKeepsItsMmsiThroughProgrammingAndReset) {
    TSimOptions o = TSimHarness::Quiet();
    o.MmsiLocked = true;
    TSimHarness h(o);
    h.SendUnlocked("PSRT,010,,,987654321");
    EXPECT_EQ(h.Read("PSRT,010", rsMMSI).MMSI, "211234560");
    h.SendUnlocked("PSRT,RDP");
    EXPECT_EQ(h.Read("PSRT,010", rsMMSI).MMSI, "211234560");
    EXPECT_EQ(h.Read("DUAIQ,SSD", rsStaticData).ShipsName, "")
        << "the rest of the reset still works";
}

TEST(FaultModes, SilentNeverAnswersButStillTakesCommands) {
    TSimOptions o = TSimHarness::Quiet();
    o.Silent = true;
    TSimHarness h(o);
    for (const char* q : {"DUAIQ,010", "DUAIQ,SSD", "PSRT,010", "DUAIQ,ALM"})
        EXPECT_TRUE(h.Ask(q).empty()) << q;
    h.Send("AIVSD,52,,,,,,,,");
    EXPECT_EQ(h.Sim.Config().ShipType, 52);
}

TEST(FaultModes, LateAnswersAfterTheToolsFirstTimeOutAndInOrder) {
    TSimOptions o = TSimHarness::Quiet();
    o.Late = true;
    o.LateMs = 1300;
    TSimHarness h(o);
    h.Send("DUAIQ,SSD");
    EXPECT_TRUE(h.Run(1000).empty()) << "nothing before the tool's time-out";
    h.Send("DUAIQ,SSD"); // the tool's repeat
    const auto first = h.Run(400);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(At(first[0], 2, 6), "AISSD");
    EXPECT_EQ(h.Run(1000).size(), 1u) << "the repeat is answered late as well";
}

TEST(Checksum, SentencesThatFailAreIgnoredAndMarkedInTheTranscript) {
    const std::vector<std::string> bad = {
        "$DUAIQ,SSD*21\r\n", "$DUAIQ,SSD\r\n",     "$DUAIQ,SSD*2\r\n",  "$DUAIQ,SSD*2G\r\n",
        "DUAIQ,SSD*20\r\n",  "$DUAIQ,SSD*20X\r\n", "$DUAIQ,SSE*20\r\n",
    };
    for (const std::string& line : bad) {
        TSimHarness h;
        h.Sim.Receive(line);
        EXPECT_TRUE(h.Run(100).empty()) << line;
        EXPECT_NE(h.Transcript.str().find(" #"), std::string::npos) << line;
    }
    TSimHarness h;
    std::string lower = FrameNMEA("DUAIQ,SRM");
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    lower.replace(1, 9, "DUAIQ,SRM"); // only the checksum digits in lower case
    h.Sim.Receive("$DUAIQ,SSD*20\r\n" + lower);
    EXPECT_EQ(h.Run(100).size(), 2u) << lower;
}

TEST(Framing, ASentenceSplitAtAnyByteIsAnsweredOnce) {
    const std::string framed = FrameNMEA("DUAIQ,SSD");
    for (std::size_t cut = 0; cut <= framed.size(); ++cut) {
        TSimHarness h;
        h.Sim.Receive(framed.substr(0, cut));
        h.Sim.Receive(framed.substr(cut));
        EXPECT_EQ(h.Run(100).size(), 1u) << "cut at " << cut;
    }
}

TEST(Framing, NoiseAndOverlongLinesDoNotSwallowTheNextSentence) {
    TSimHarness h;
    h.Sim.Receive(std::string(5000, 'x'));
    h.Sim.Receive("\r\n\n\r" + FrameNMEA("DUAIQ,SSD").substr(0, 13) +
                  "\r"); // a CR alone ends a line too
    EXPECT_EQ(h.Run(100).size(), 1u);
}

TEST(Transcript, EveryBodyWithItsUtcTimeInMilliseconds) {
    TSimHarness h;
    const std::int64_t t0 = h.Clock.UtcMs();
    h.Send("DUAIQ,SSD");
    h.Clock.Advance(1234);
    h.Send("PSRT,012,,,(--VoXeL--)");
    EXPECT_EQ(h.Transcript.str(), std::to_string(t0) + " DUAIQ,SSD\n" + std::to_string(t0 + 1234) +
                                      " PSRT,012,,,(--VoXeL--)\n");
}

} // namespace
