// Distress numbers, safety messages from real captures (as Debian's gpsdecode reads them), the
// log's order and capacity, and the times the views show.

#include "safety/SafetyLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

namespace {

constexpr double kDay0 = 45658.0; // 2025-01-01 00:00 UTC

TEST(DistressKindOf, NineDigitsWithADistressPrefix) {
    const struct {
        const char* Mmsi;
        std::optional<TDistressKind> Kind;
    } cases[] = {
        {"970123456", TDistressKind::Sart},  {"972000001", TDistressKind::Mob},
        {"974999999", TDistressKind::Epirb}, {"97012345", std::nullopt}, // eight digits
        {"9721234567", std::nullopt},                                    // ten digits
        {"971123456", std::nullopt},         {"973123456", std::nullopt},
        {"979324783", std::nullopt},         {"211234560", std::nullopt},
        {"097012345", std::nullopt},         {"97412345x", std::nullopt},
        {"970 12345", std::nullopt},         {"+97012345", std::nullopt},
        {"970123456 ", std::nullopt},        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(DistressKindOf(c.Mmsi), c.Kind) << '"' << c.Mmsi << '"';
}

TEST(DistressKindText, NamesEachKind) {
    EXPECT_EQ(DistressKindText(TDistressKind::Sart), "AIS-SART");
    EXPECT_EQ(DistressKindText(TDistressKind::Mob), "Man overboard");
    EXPECT_EQ(DistressKindText(TDistressKind::Epirb), "EPIRB-AIS");
}

struct TExpected {
    std::string From, To, Text;
};

// Every safety message of a capture, in order; the sentences ParseAisMessage joins.
std::vector<TSafetyMessage> SafetyMessagesOf(const std::string& File, int& Others) {
    std::ifstream in(File);
    std::vector<TSafetyMessage> out;
    TAisJoin join;
    TAisMessage m;
    std::string line;
    Others = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!ParseAisMessage(line, m, join)) continue;
        TSafetyMessage s;
        if (SafetyMessageOf(m, kDay0, s))
            out.push_back(s);
        else
            ++Others;
    }
    return out;
}

TEST(SafetyMessageOf, ReadsCapturesAsGpsdecodeDoes) {
    // gpsdecode -u on each file, MMSIs written out to nine digits; its empty text is the
    // codec's "n.a.".
    const struct {
        const char* File;
        std::vector<TExpected> Messages;
    } files[] = {
        {"gpsd-sample-aivdm.nmea",
         {
             {"002275200", "215724000", "PLEASE REPORT TO JOBOURG TRAFFIC CHANNEL 13"},
             {"351853000", "316123456", "GOOD"},
             {"351853000", "351809000", "THANX"},
             {"271002099", "271002111", "MSG FROM 271002099"},
             {"237032000", "002391100", "EP 531 CARS 80 TRACKS 103 MOTO 5 CREW 86"},
             {"636012668", "413118000", "NI HAO.CALL TEST"},
             // two sentences
             {"211217560", "211378120", "GUD PM 2U N HAPI NEW YIR OL D BES FRM AL FUJAIRAH"},
             {"351809000", "", "RCVD YR TEST MSG"},
             {"237008900", "", "EP228 IX48 FG3 DK7 PL56."},
             {"311764000", "", "TEST"},
         }},
        {"libais-typeexamples.nmea",
         {
             {"654173679", "", "=08Q#4"},
             {"996574371", "273501299", "9&CO97\"5"},
         }},
        {"libais-test-aivdm.nmea",
         {
             {"366999707", "538003422", "MSG FROM 366999707"},
             {"366999707", "538003422", "MSG FROM 366999707"},
             {"661327588", "865683231", ":Z=]$Y/.;1"},
             {"791853644", "1039151092", "^?"},
             {"1054892009", "985511866", "F?ERS%"},
             {"704636231", "701420825", ";4H5U=F+>'-??A/;]4$ Q"},
             {"1036564667", "902344332", ">;"},
             {"691342225", "668035278", "[ER%U<#6:C;W?GZ\\"},
             {"934271224", "489239714", "QK2BBHJ[?+/ ]D^I9VTX?8\\*K._D&2I?(&9PONK?RR;J"},
             {"259038701", "", "/0;?>[,3Q/\\^:\\>*TZDKH2MJ"},
             {"393981105", "", ")D:[.8R;"},
             {"979324783", "", "RBW=:YD\\-"},
             {"089189231", "", "n.a."}, // no character at all
             {"515666220", "", "?5#=']"},
             {"515894436", "", "JCMR^"},
             {"374817684", "", ">7<K0\"W4\\>+O&(I]"},
             {"397310862", "", ",H,"},
             {"224896417", "", ">(?5_;"},
             {"204597191", "", "_> ';M9<"},
             {"034772279", "", ">7.D=EH+5=;Y<_;^N5&38=G=/_]5.)2B;O>5#E]+;?=7["},
             {"710370245", "", "H!2=Q7L/P<&V8GEL6W"},
         }},
    };
    for (const auto& f : files) {
        const std::string path = std::string(CORVANE_CORPUS_DIR) + "/ais/" + f.File;
        if (!std::ifstream(path)) GTEST_SKIP() << "no corpus at " << path;
        int others = 0;
        const auto got = SafetyMessagesOf(path, others);
        EXPECT_GT(others, 0) << f.File << ": other kinds are not safety messages";
        ASSERT_EQ(got.size(), f.Messages.size()) << f.File;
        for (std::size_t i = 0; i < got.size(); ++i) {
            const TExpected& e = f.Messages[i];
            EXPECT_EQ(got[i].From, e.From) << f.File << " #" << i;
            EXPECT_EQ(got[i].To, e.To) << f.File << " #" << i;
            EXPECT_EQ(got[i].Text, e.Text) << f.File << " #" << i;
            EXPECT_EQ(got[i].Time, kDay0);
        }
    }
}

TEST(SafetyMessageOf, LeavesOtherKindsAndShortPayloadsAlone) {
    const TSafetyMessage before{1.0, "a", "b", "c"};
    TAisMessage position;
    position.MsgID = 1;
    position.MsgStr = "13u?etPv2;0n:dDPwUM1U1Cb069D"; // a whole position report
    TAisMessage shortMsg12;
    shortMsg12.MsgID = 12;
    shortMsg12.MsgStr = "<5?SIj1"; // ends inside the destination
    TAisMessage shortMsg14;
    shortMsg14.MsgID = 14;
    shortMsg14.MsgStr = ">5?Pe"; // ends inside the sender
    for (const TAisMessage* m : {&position, &shortMsg12, &shortMsg14}) {
        TSafetyMessage out = before;
        EXPECT_FALSE(SafetyMessageOf(*m, kDay0, out)) << m->MsgStr;
        EXPECT_EQ(out.From, "a");
        EXPECT_EQ(out.Text, "c");
    }
}

TEST(SafetyLog, NewestFirstAndTheOldestDroppedPastAThousand) {
    TSafetyLog log;
    EXPECT_EQ(log.Capacity(), 1000u);
    for (int i = 0; i < 1005; ++i) log.Add({kDay0 + i, "211000001", "", std::to_string(i)});
    ASSERT_EQ(log.Messages().size(), 1000u);
    EXPECT_EQ(log.Added(), 1005u);
    EXPECT_EQ(log.Messages().front().Text, "1004");
    EXPECT_EQ(log.Messages()[1].Text, "1003");
    EXPECT_EQ(log.Messages().back().Text, "5");
}

TEST(SafetyLog, ALogKeepingNothingStillCounts) {
    TSafetyLog log(0);
    log.Add({kDay0, "211000001", "", "X"});
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ(log.Added(), 1u);
}

TEST(UtcTimes, CalendarAndClockRoundedToTheSecond) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double Time;
        const char* DateTime;
        const char* Clock;
    } cases[] = {
        {0.0, "1899-12-30 00:00:00", "00:00:00"},
        {25569.0, "1970-01-01 00:00:00", "00:00:00"},
        {kDay0 + 0.5, "2025-01-01 12:00:00", "12:00:00"},
        {45351.0 + (12 * 3600 + 34 * 60 + 56) / 86400.0, "2024-02-29 12:34:56", "12:34:56"},
        {kDay0 - 0.4 / 86400.0, "2025-01-01 00:00:00", "00:00:00"}, // 23:59:59.6
        {kDay0 - 0.6 / 86400.0, "2024-12-31 23:59:59", "23:59:59"},
        {-1.25, "1899-12-28 18:00:00", "18:00:00"},
        {nan, "n.a.", "n.a."},
        {1e300, "n.a.", "n.a."},
        {std::numeric_limits<double>::infinity(), "n.a.", "n.a."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UtcDateTimeText(c.Time), c.DateTime) << c.Time;
        EXPECT_EQ(UtcTimeText(c.Time), c.Clock) << c.Time;
    }
}

} // namespace
