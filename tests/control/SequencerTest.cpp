// The configuration dialogue against simulated transponders on a manual clock: connecting,
// reading, writing, giving up and the factory reset, with their timings to the millisecond.

#include "SequencerBench.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Strings = std::vector<std::string>;

const Strings kConnectAndRead = {"DUAIQ,010", "DUAIQ,010",     "DUAIQ,SSD",
                                 "DUAIQ,VSD", "DUAIQ,SRM",     "DUAIQ,010",
                                 "DUAIQ,SER", "DUAIQ,NMEA,03", "DUAIQ,ALM"};

// Connect pressed; true once the seventh read step is done.
bool ConnectAndRead(TSequencerBench& B) {
    B.Seq.Connect();
    return B.RunUntil([&B] { return B.ReadDone; });
}

// The times at which Body was sent.
std::vector<std::int64_t> TimesOf(const TSequencerBench& B, const std::string& Body) {
    std::vector<std::int64_t> t;
    for (const auto& [at, body] : B.Sends)
        if (body == Body) t.push_back(at);
    return t;
}

TEST(AwaitOf, RoutesRepliesOnlyWhileOneIsAwaited) {
    const std::pair<TReplyState, TAwait> cases[] = {
        {rsIdle, TAwait::Nothing},         {rsProbing, TAwait::Probe},
        {rsReplied, TAwait::Nothing},      {rsFailed, TAwait::Nothing},
        {rsAlarmOutput, TAwait::Reply},    {rsStaticData, TAwait::Reply},
        {rsVoyageData, TAwait::Reply},     {rsMMSI, TAwait::Reply},
        {rsVersion, TAwait::Reply},        {rsSwitchType, TAwait::Reply},
        {rsBaudRate, TAwait::Reply},       {rsNmeaOutput, TAwait::Reply},
        {TReplyState(12), TAwait::Nothing}};
    for (const auto& [state, await] : cases) EXPECT_EQ(AwaitOf(state), await) << int(state);
}

TEST(Connect, ReadsTheWholeConfigurationFromTheOnlyPort) {
    TSequencerBench b;
    b.AddTransponder(3);
    ASSERT_TRUE(ConnectAndRead(b));
    EXPECT_EQ(b.SentTo(3), kConnectAndRead);
    EXPECT_TRUE(b.Outcomes.empty());
    EXPECT_EQ(b.ConnectedPort, 3);
    EXPECT_EQ(b.Seq.ScanStep, 0);
    EXPECT_EQ(b.Seq.ReplyState, rsReplied);

    TUnitConfig expected;
    expected.MMSI = "211234560";
    expected.ShipsName = "CORVANE TEST";
    expected.CallSign = "DK2345";
    expected.A = "010";
    expected.B = "005";
    expected.C = "03";
    expected.D = "02";
    expected.VesselType = 37;
    expected.SwitchType = TSwitchType::None;
    expected.VendorID = "CVN2401";
    expected.BaudRate = TBaudRate::Baud38400;
    expected.GpsOutput = TGpsOutput::All;
    expected.AlarmOutput = TAlarmOutput::Enable;
    EXPECT_EQ(b.Seq.Fields, expected);
    EXPECT_EQ(b.Own.VendorID, "CVN2401");
    // each step: its reply, then 100 ms to the next step and 100 ms to its first sending
    const auto ssd = TimesOf(b, "DUAIQ,SSD"), vsd = TimesOf(b, "DUAIQ,VSD");
    ASSERT_EQ(ssd.size(), 1u);
    ASSERT_EQ(vsd.size(), 1u);
    // step 2 pauses 200 ms after its query: the reply waits for the pause's end
    EXPECT_EQ(vsd[0] - ssd[0], 400);
}

TEST(Connect, FindsTheTransponderOnTheSecondOfThreePorts) {
    TSequencerBench b;
    b.AddPort(1);
    b.AddTransponder(2);
    b.AddPort(5);
    ASSERT_TRUE(ConnectAndRead(b));
    EXPECT_EQ(b.SentTo(1), (Strings{"DUAIQ,010", "DUAIQ,010"}));
    EXPECT_EQ(b.ConnectedPort, 2);
    EXPECT_TRUE(b.SentTo(5).empty());
    // the first port gets its full second, from its probe to its close
    const auto probes = TimesOf(b, "DUAIQ,010");
    ASSERT_GE(probes.size(), 4u);
    EXPECT_GE(probes[2] - probes[0], 1000);
    // the port box follows the probe: first item, then the second
    Strings selected;
    for (const std::string& l : b.Log)
        if (l.find(" selected ") != std::string::npos)
            selected.push_back(l.substr(l.find(' ') + 1));
    EXPECT_EQ(selected, (Strings{"selected 0", "selected 1"}));
    EXPECT_EQ(b.Seq.ProbeIndex, 2);
}

TEST(Connect, ConnectedComesAHundredMillisecondsAfterTheFirstSign) {
    TSequencerBench b;
    b.AddTransponder(1);
    b.Seq.Connect();
    ASSERT_TRUE(b.RunUntil([&b] { return b.ConnectedAt >= 0; }));
    EXPECT_EQ(b.ConnectedAt - b.RepliedAt, 100);
}

TEST(Connect, WithoutAnyPortItFailsInTheFirstTick) {
    TSequencerBench b;
    b.Seq.Connect();
    ASSERT_TRUE(b.RunUntil([&b] { return !b.Outcomes.empty(); }, 1000));
    EXPECT_EQ(b.Outcomes, (std::vector<TOutcome>{TOutcome::ConnectionFailed}));
    EXPECT_EQ(b.Now(), 100);
    EXPECT_EQ(b.Seq.PortCount, 0);
    EXPECT_EQ(b.Seq.ReplyState, rsFailed);
}

TEST(Connect, PortsWithoutATransponderGetASecondEachThenItFails) {
    TSequencerBench b;
    b.AddPort(1);
    b.AddPort(2);
    b.Seq.Connect();
    ASSERT_TRUE(b.RunUntil([&b] { return !b.Outcomes.empty(); }));
    EXPECT_EQ(b.Outcomes, (std::vector<TOutcome>{TOutcome::ConnectionFailed}));
    const auto probes = TimesOf(b, "DUAIQ,010");
    ASSERT_EQ(probes.size(), 4u);
    EXPECT_GE(b.Now() - probes[2], 1000);
    EXPECT_FALSE(b.Seq.ScanStep == 0 && b.ConnectedPort != 0);
}

TEST(Read, ASilentTransponderGetsTheQueryThreeTimesAndTheStepGivesUpAfterThreeSeconds) {
    TSequencerBench b;
    TSimOptions o;
    o.Silent = true; // answers nothing, but its GPS sentences show it is there
    b.AddTransponder(1, o);
    b.Seq.Connect();
    ASSERT_TRUE(b.RunUntil([&b] { return !b.Outcomes.empty(); }));
    EXPECT_EQ(b.Outcomes, (std::vector<TOutcome>{TOutcome::NoResponse}));
    const auto ssd = TimesOf(b, "DUAIQ,SSD");
    ASSERT_EQ(ssd.size(), 3u);
    EXPECT_EQ(ssd[1] - ssd[0], 1000);
    EXPECT_EQ(ssd[2] - ssd[0], 2000);
    EXPECT_EQ(b.Now() - ssd[0], 3000);
    EXPECT_TRUE(TimesOf(b, "DUAIQ,VSD").empty()); // the later steps do not run
    EXPECT_EQ(b.Seq.ScanStep, 0);
    EXPECT_EQ(b.Seq.ReplyState, rsStaticData); // the parser keeps every "$" sentence
    EXPECT_EQ(b.ConnectedPort, 1);             // the port stays open
}

TEST(Read, ALateReplyStillCompletesItsStep) {
    TSequencerBench b;
    TSimOptions o;
    o.Late = true; // every reply 1300 ms late: past one time-out, within the next; its GPS
                   // sentences complete the probe
    b.AddTransponder(1, o);
    b.Seq.Connect();
    ASSERT_TRUE(b.RunUntil([&b] { return b.Seq.ScanStep >= 3 || !b.Outcomes.empty(); }));
    EXPECT_TRUE(b.Outcomes.empty());
    EXPECT_EQ(TimesOf(b, "DUAIQ,SSD").size(), 2u);
    EXPECT_EQ(b.Seq.Fields.ShipsName, "CORVANE TEST");
}

TEST(Read, TheRepeatOfTheMmsiQueryUsesTheTalkerDI) {
    TSequencerBench b;
    b.AddTransponder(1);
    b.Seq.Connect();
    ASSERT_TRUE(b.RunUntil([&b] { return b.Seq.ScanStep == 5 && b.Seq.ReplyState == rsMMSI; }));
    b.Seq.ReplyState = rsMMSI;
    b.Seq.Disconnect(); // the reply can no longer come
    ASSERT_TRUE(b.RunUntil([&b] { return !b.Outcomes.empty(); }));
    EXPECT_EQ(b.SentTo(0), (Strings{"DIAIQ,010", "DIAIQ,010"}));
}

TEST(Disconnect, AStepUnderWayKeepsTickingAndGivesUp) {
    TSequencerBench b;
    b.AddTransponder(1);
    b.Seq.Connect();
    ASSERT_TRUE(
        b.RunUntil([&b] { return b.Seq.ScanStep == 3 && b.Seq.ReplyState == rsVoyageData; }));
    b.Seq.Disconnect();
    EXPECT_FALSE(b.Seq.Fields.MMSI || b.Seq.Fields.ShipsName); // the edit fields are cleared
    ASSERT_TRUE(b.RunUntil([&b] { return !b.Outcomes.empty(); }));
    EXPECT_EQ(b.Outcomes, (std::vector<TOutcome>{TOutcome::NoResponse}));
    EXPECT_EQ(b.SentTo(0), (Strings{"DUAIQ,VSD", "DUAIQ,VSD"})); // to the closed port
}

TEST(Disconnect, WhileProbingTheNextListedPortIsProbed) {
    TSequencerBench b;
    b.AddPort(1);
    b.AddTransponder(2);
    b.Seq.Connect();
    ASSERT_TRUE(b.RunUntil([&b] { return b.SentTo(1).size() == 2; }));
    b.Seq.Disconnect();
    ASSERT_TRUE(b.RunUntil([&b] { return b.ReadDone || !b.Outcomes.empty(); }));
    EXPECT_EQ(b.ConnectedPort, 2);
}

// ---- Writing ------------------------------------------------------------------------------------

const Strings kUnlock = {"PSRT,012,,,(--VoXeL--)"};

TEST(Write, SaveSendsEveryGroupInOrderAndEndsWithSuccess) {
    TSequencerBench b;
    b.AddTransponder(1);
    ASSERT_TRUE(ConnectAndRead(b));
    TUnitConfig& f = b.Seq.Fields;
    f.MMSI = "244123456";
    f.ShipsName = "Sea Spray";
    f.CallSign = "pd1234";
    f.A = "12";
    f.B = "4";
    f.C = "2";
    f.D = "3";
    f.VesselType = 36;
    f.SwitchType = TSwitchType::RxOnly;
    f.GpsOutput = TGpsOutput::Minimal;
    f.BaudRate = TBaudRate::Baud4800;
    f.AlarmOutput = TAlarmOutput::Disable;
    const std::size_t before = b.SentTo(1).size();
    ASSERT_EQ(b.Seq.Save(), TSaveVerdict::Ok);
    ASSERT_TRUE(b.RunUntil([&b] { return !b.Outcomes.empty(); }));
    EXPECT_EQ(b.Outcomes, (std::vector<TOutcome>{TOutcome::Programmed}));
    const Strings all = b.SentTo(1);
    const Strings sent(all.begin() + static_cast<long>(before), all.end());
    EXPECT_EQ(sent, (Strings{kUnlock[0], "PSRT,010,,,244123456", "PSRT,010",
                             "AISSD,PD1234,SEA SPRAY,12,4,2,3,0,AI", "AIAIQ,SSD",
                             "AIVSD,36,,,,,,,,", "DUAIQ,VSD", kUnlock[0], "PSRT,SRM,01,02,CVN2401",
                             "DUAIQ,SRM", "PSRT,NMEA,03,0008,00", kUnlock[0], "PSRT,SER,,,0D1E",
                             "DUAIQ,SER", kUnlock[0], "PSRT,ALM,0001", "DUAIQ,ALM"}));
    // the fields show what the transponder reports now
    EXPECT_EQ(f.MMSI, "244123456");
    EXPECT_EQ(f.ShipsName, "SEA SPRAY");
    EXPECT_EQ(f.A, "012");
    EXPECT_EQ(f.VesselType, 36);
    EXPECT_EQ(b.Sim(1).Config().BaudCode, "0D1E");
    EXPECT_EQ(b.Seq.ScanStep, 0);
}

TEST(Write, ALockedMmsiIsSentFourTimesThenGivenUpAndNothingElseIsWritten) {
    TSequencerBench b;
    TSimOptions o = TSequencerBench::Transponder();
    o.MmsiLocked = true;
    b.AddTransponder(1, o);
    ASSERT_TRUE(ConnectAndRead(b));
    b.Seq.Fields.MMSI = "244123456";
    ASSERT_EQ(b.Seq.Save(), TSaveVerdict::Ok);
    ASSERT_TRUE(b.RunUntil([&b] { return !b.Outcomes.empty(); }));
    EXPECT_EQ(b.Outcomes, (std::vector<TOutcome>{TOutcome::MmsiNotChanged}));
    // Each read-back comes before the time-out; the next group follows 100 ms after it.
    const auto groups = TimesOf(b, kUnlock[0]);
    ASSERT_EQ(groups.size(), 4u);
    const std::int64_t cycle = groups[1] - groups[0];
    EXPECT_GT(cycle, 500); // 400 ms of pauses in the group, the reply, 100 ms
    EXPECT_LT(cycle, 600);
    for (std::size_t i = 2; i < groups.size(); ++i) EXPECT_EQ(groups[i] - groups[i - 1], cycle);
    EXPECT_EQ(b.Now() - groups[3], cycle);
    EXPECT_TRUE(TimesOf(b, "AIAIQ,SSD").empty());
    EXPECT_EQ(b.Seq.Fields.MMSI, "211234560"); // the read-back shows the MMSI it kept
}

TEST(Write, AGroupWithoutItsReadBackGivesUpWithTheCapitalisedMessage) {
    TSequencerBench b;
    b.AddTransponder(1);
    ASSERT_TRUE(ConnectAndRead(b));
    ASSERT_EQ(b.Seq.Save(), TSaveVerdict::Ok);
    ASSERT_TRUE(
        b.RunUntil([&b] { return b.Seq.ScanStep == 23 && b.Seq.ReplyState == rsSwitchType; }));
    b.Seq.Disconnect();
    ASSERT_TRUE(b.RunUntil([&b] { return !b.Outcomes.empty(); }));
    EXPECT_EQ(b.Outcomes, (std::vector<TOutcome>{TOutcome::NoResponseCapital}));
    EXPECT_EQ(b.SentTo(0).size(), 3u * 3u); // three more groups of unlock, setting, query
}

TEST(Write, SaveChecksInTheWindowsOrderAndKeepsWhatItCopiedBeforeARejection) {
    struct {
        const char *mmsi, *name, *a, *c;
        std::optional<int> type;
        TSaveVerdict verdict;
        bool endsSequence;
    } cases[] = {
        {"12a", "X", "1", "1", 37, TSaveVerdict::MmsiNotANumber, false},
        {"", "X", "1", "1", 37, TSaveVerdict::MmsiNotANumber, false},
        {"-5", "X", "1", "1", 37, TSaveVerdict::MmsiOutOfRange, false},
        {"1000000000", "X", "1", "1", 37, TSaveVerdict::MmsiOutOfRange, false},
        {"999999999", "SEA,100", "1", "1", 37, TSaveVerdict::ReservedCharacter, false},
        {"999999999", "X", "", "1", 37, TSaveVerdict::DimensionNotANumber, false},
        {"999999999", "X", "512", "1", 37, TSaveVerdict::DimensionOutOfRange, true},
        {"999999999", "X", "1", "64", 37, TSaveVerdict::DimensionOutOfRange, true},
        {"999999999", "X", "1", "1", std::nullopt, TSaveVerdict::NoVesselType, true},
        {"012345678", "sea spray äb", "511", "63", 90, TSaveVerdict::Ok, false},
    };
    for (const auto& c : cases) {
        TUnitConfig f;
        f.MMSI = c.mmsi;
        f.ShipsName = c.name;
        f.CallSign = "cs";
        f.A = c.a;
        f.B = "0";
        f.C = c.c;
        f.D = "0";
        f.VesselType = c.type;
        TOwnShip own;
        EXPECT_EQ(CheckSave(f, own).Verdict, c.verdict) << c.mmsi << " " << c.name;
        EXPECT_EQ(SaveEndsSequence(c.verdict), c.endsSequence) << c.mmsi << " " << c.name;
        if (c.verdict == TSaveVerdict::Ok) {
            EXPECT_EQ(own.MMSI, 12345678);            // written without its leading zero
            EXPECT_EQ(own.ShipsName, "SEA SPRAY äB"); // only a to z change
            EXPECT_EQ(f.CallSign, "CS");
            EXPECT_EQ(own.ShipTyp, 90);
        }
        if (c.verdict == TSaveVerdict::MmsiOutOfRange) {
            EXPECT_NE(own.MMSI, 0); // copied before the rejection
        }
    }
}

// ---- Factory reset ------------------------------------------------------------------------------

TEST(FactoryReset, SendsItsSentencesWithTheVendorIdAndThePauseBetween) {
    TSequencerBench b;
    b.AddTransponder(1);
    ASSERT_TRUE(ConnectAndRead(b));
    const std::size_t before = b.Sends.size();
    b.Seq.FactoryReset();
    const std::vector<std::pair<std::int64_t, std::string>> reset(
        b.Sends.begin() + static_cast<long>(before), b.Sends.end());
    ASSERT_EQ(reset.size(), 4u);
    EXPECT_EQ(reset[1].second, "PSRT,RDP");
    EXPECT_EQ(reset[3].second, "PSRT,SRM,00,01,CVN2401");
    EXPECT_EQ(reset[2].first - reset[1].first, 200);
    b.Run(500);
    EXPECT_EQ(b.Sim(1).Config().MMSI, 0u);
    EXPECT_EQ(b.Sim(1).Config().VendorID, "CVN2401");
}

TEST(FactoryReset, WithoutASwitchTypeReplyTheVendorIdIsEmpty) {
    EXPECT_EQ(FactoryResetSentences("").back().Body, "PSRT,SRM,00,01,");
}

} // namespace
