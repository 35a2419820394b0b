// The traffic the simulator sends on its own: GPS by the NMEA output setting, its own
// transmissions from its configuration, plausible targets, alarms, status, replays, floods.

#include "SimHarness.h"
#include "ais/AIS_Codec.h"
#include "nmea/SplitFields.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <unistd.h>

namespace {

std::int32_t Signed(std::uint32_t V, unsigned Width) {
    const std::uint32_t sign = 1u << (Width - 1);
    return static_cast<std::int32_t>((V ^ sign) - sign);
}

bool StartsWith(const std::string& S, const char* P) {
    return S.rfind(P, 0) == 0;
}

int Count(const std::vector<std::string>& Lines, const char* Prefix) {
    int n = 0;
    for (const auto& l : Lines) n += StartsWith(l, Prefix) ? 1 : 0;
    return n;
}

struct TDecoded {
    T_NMEA_VD VD;
    std::string Sentence;
};

// Every complete VDM/VDO message in Lines (sentences with or without line end).
std::vector<TDecoded> Messages(const std::vector<std::string>& Lines) {
    std::vector<TDecoded> out;
    TMsg5_setup setup;
    for (std::string l : Lines) {
        while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
        if (l.empty() || l[0] != '!') continue;
        TDecoded d;
        if (ParseNmeaVD(l + "\r", d.VD, setup)) {
            d.Sentence = l;
            out.push_back(d);
        }
    }
    return out;
}

std::vector<std::string> Generate(TTrafficGen& G, const TSimConfig& C, std::int64_t ToMs) {
    std::vector<std::string> out;
    for (std::int64_t t = 0; t <= ToMs; t += 100) G.Advance(t, C, out);
    return out;
}

TSimOptions WithTraffic(int Targets) {
    TSimOptions o;
    o.Targets = Targets;
    return o;
}

class GpsOutput : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(GpsOutput, OnceASecondExactlyTheKindsTheSettingNames) {
    const std::uint16_t mask = GetParam();
    TSimHarness h(WithTraffic(0));
    char body[32];
    std::snprintf(body, sizeof body, "PSRT,NMEA,03,%04X,00", mask);
    h.Send(body);
    h.Run(100);
    const auto lines = h.Run(5000);
    const int seconds = 5;
    EXPECT_NEAR(Count(lines, "$GPRMC,"), (mask & kGpsRMC) ? seconds : 0, 1);
    EXPECT_NEAR(Count(lines, "$GPGGA,"), (mask & kGpsGGA) ? seconds : 0, 1);
    EXPECT_NEAR(Count(lines, "$GPGSV,"), (mask & kGpsGSV) ? 3 * seconds : 0, 3);
    EXPECT_NEAR(Count(lines, "$GPVTG,"), (mask & kGpsVTG) ? seconds : 0, 1);
    for (const auto& l : lines) {
        std::string_view b;
        EXPECT_EQ(CheckSentence(l.substr(0, l.size() - 1), b), TSentenceCheck::Ok) << l;
        // What the tool reads of an RMC: status A and the position fields.
        if (StartsWith(l, "$GPRMC,")) {
            EXPECT_NE(l.find(",A,542"), std::string::npos) << l;
        } else if (StartsWith(l, "$GPGGA,")) {
            EXPECT_NE(l.find(",1,08,"), std::string::npos) << l;
        } else if (StartsWith(l, "$GPGSV,")) {
            EXPECT_TRUE(StartsWith(l, "$GPGSV,3,") && l.find(",11,") == 10) << l;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Masks, GpsOutput,
                         ::testing::Values(0x000F, 0x0008, 0x0000, 0x0003, 0x0004));

TEST(Traffic, TheLineNeverFallsQuietForASecond) {
    // No GPS output, no targets: the status sentences alone keep the tool's link watchdog fed.
    TSimConfig c;
    c.NmeaOutput = 0;
    c.MMSI = 0;
    TSimHarness h(WithTraffic(0), c);
    std::int64_t last = 0, worst = 0;
    for (std::int64_t t = 0; t < 20000; t += 10) {
        h.Sim.Poll();
        if (!h.Sim.TakeOutput().empty()) {
            worst = std::max(worst, t - last);
            last = t;
        }
        h.Clock.Advance(10);
    }
    EXPECT_LE(worst, 600);
}

TEST(Traffic, AlarmsComeAndClearOnlyWhileAlarmOutputIsEnabled) {
    for (const bool enabled : {true, false}) {
        TSimConfig c;
        c.AlarmOutput = enabled;
        TTrafficOptions o;
        o.Targets = 0;
        TTrafficGen g(o);
        const auto lines = Generate(g, c, 240000);
        int active = 0, cleared = 0;
        for (const auto& l : lines) {
            if (!StartsWith(l, "$AIALR,")) continue;
            // Fields as the tool reads them: time, number, condition, acknowledgement, text.
            active += l.find(",002,A,V,Antenna VSWR exceeds limit*") != std::string::npos;
            cleared += l.find(",002,V,V,Antenna VSWR exceeds limit*") != std::string::npos;
        }
        EXPECT_EQ(active > 0, enabled);
        EXPECT_EQ(cleared, enabled ? 1 : 0);
        EXPECT_EQ(Count(lines, "$AITXT,01,01,0"), 2) << "text messages do not depend on it";
    }
}

TEST(Traffic, StatusSentencesCarryHexadecimalReadingsWhereTheToolReadsThem) {
    TSimConfig c;
    TTrafficOptions o;
    o.Targets = 0;
    TTrafficGen g(o);
    const auto lines = Generate(g, c, 20000);
    int led = 0, adc = 0;
    const auto hex = [](const std::string& s, std::size_t from, std::size_t to) {
        return std::stoul(At(s, from, to), nullptr, 16);
    };
    for (const auto& l : lines) {
        if (At(l, 7, 14) == "RES,LED,") {
            ++led;
            EXPECT_EQ(l.size(), 21u) << l; // CR LF included
            EXPECT_TRUE(hex(l, 15, 16) & 0x02) << "All OK lamp: " << l;
        } else if (At(l, 7, 14) == "RES,ADC,") {
            ++adc;
            const double f = static_cast<double>(hex(l, 15, 18)),
                         r = static_cast<double>(hex(l, 20, 23));
            EXPECT_GE(f / r, 3.0) << l;
            EXPECT_NEAR(static_cast<double>(hex(l, 25, 26)) * 0.16, 12.5, 0.5) << l;
            EXPECT_LT(static_cast<double>(hex(l, 31, 34)) / -10, -77) << l;
            EXPECT_LT(static_cast<double>(hex(l, 36, 39)) / -10, -77) << l;
            (void)hex(l, 28, 29);
        }
    }
    EXPECT_GE(led, 39);
    EXPECT_GE(adc, 4);
}

TEST(Traffic, OwnTransmissionsCarryTheConfigurationOnTheClassBSchedule) {
    TSimConfig c;
    TTrafficOptions o;
    o.Targets = 0;
    TTrafficGen g(o);
    const auto msgs = Messages(Generate(g, c, 400000));
    int n18 = 0, n24a = 0, n24b = 0;
    for (const auto& m : msgs) {
        ASSERT_EQ(m.VD.Source, T_AI_VD::VDO) << m.Sentence;
        if (m.VD.MsgID == 18) {
            ++n18;
            EXPECT_EQ(DecodeMsg18(m.VD.MsgStr).MMSI, "211234560");
        } else if (m.VD.MsgID == 240) {
            ++n24a;
            EXPECT_EQ(DecodeMsg24A(m.VD.MsgStr).Name, "CORVANE TEST        ");
        } else if (m.VD.MsgID == 241) {
            ++n24b;
            const TMsg24B b = DecodeMsg24B(m.VD.MsgStr);
            EXPECT_EQ(b.MMSI, "211234560");
            EXPECT_EQ(b.CallSign, "DK2345 ");
            EXPECT_EQ(b.VendorID, "CVN2401");
            EXPECT_EQ(b.ShipType, ShipTypeText(37));
            EXPECT_EQ(b.Dimension.A + b.Dimension.B + b.Dimension.C + b.Dimension.D, "10532");
        }
    }
    EXPECT_EQ(n18, 14) << "every 30 s above 2 knots, the first after 2 s";
    EXPECT_EQ(n24a, 2) << "every 6 minutes";
    EXPECT_EQ(n24b, 2);
}

TEST(Traffic, NoOwnTransmissionWithoutMmsiOrInReceiveOnly) {
    TSimConfig noMmsi;
    noMmsi.MMSI = 0;
    TSimConfig rxOnly;
    rxOnly.SwitchEnable = "01";
    rxOnly.SwitchMode = "02";
    for (const TSimConfig& c : {noMmsi, rxOnly}) {
        TTrafficOptions o;
        o.Targets = 0;
        TTrafficGen g(o);
        EXPECT_EQ(Count(Generate(g, c, 400000), "!AIVDO"), 0);
    }
}

TEST(Traffic, ANewNameGoesOutWithinSecondsOfProgramming) {
    TSimHarness h(WithTraffic(0));
    h.Run(10000); // past the first static report
    h.Send("AISSD,DL5XYZ,SEESCHWALBE,12,3,4,5,0,AI");
    bool seen = false;
    for (const auto& m : Messages(h.Run(3000)))
        seen = seen ||
               (m.VD.MsgID == 240 && DecodeMsg24A(m.VD.MsgStr).Name.rfind("SEESCHWALBE", 0) == 0);
    EXPECT_TRUE(seen);
}

TEST(Traffic, TargetsReportEveryKindAndMovePlausibly) {
    TSimConfig c;
    TTrafficOptions o;
    o.Targets = 12;
    TTrafficGen g(o);
    std::vector<std::string> lines;
    struct TFix {
        std::int64_t T;
        double Lat, Lon, Sog;
    };
    std::map<std::uint32_t, std::vector<TFix>> track;
    std::set<int> kinds;
    std::set<std::uint32_t> reportedEarly;
    TMsg5_setup setup;
    for (std::int64_t t = 0; t <= 600000; t += 100) {
        std::vector<std::string> out;
        g.Advance(t, c, out);
        for (std::string s : out) {
            ASSERT_LE(s.size(), 82u) << s;
            std::string_view body;
            ASSERT_EQ(CheckSentence(s.substr(0, s.size() - 2), body), TSentenceCheck::Ok) << s;
            if (!StartsWith(s, "!AIVDM")) continue;
            s.pop_back();
            T_NMEA_VD vd;
            const bool ok = ParseNmeaVD(s, vd, setup);
            std::vector<std::string> f;
            SplitFields(",", "", s, f);
            if (!ok && s.compare(0, 11, "!AIVDM,2,1,") == 0) continue; // first half of a type 5
            const std::string payload = ok ? vd.MsgStr : f.size() > 4 ? f[4] : "";
            const unsigned type = PayloadBits(payload, 0, 6);
            if (!ok && type != 21) ADD_FAILURE() << "rejected: " << s; // 21 has no decoder
            kinds.insert(static_cast<int>(type == 24 ? 240 + PayloadBits(payload, 38, 2) : type));
            const std::uint32_t mmsi = PayloadBits(payload, 8, 30);
            if (t <= 10000) reportedEarly.insert(mmsi);
            if (type <= 3) {
                track[mmsi].push_back({t, Signed(PayloadBits(payload, 89, 27), 27) / 600000.0,
                                       Signed(PayloadBits(payload, 61, 28), 28) / 600000.0,
                                       PayloadBits(payload, 50, 10) / 10.0});
            } else if (type == 18) {
                track[mmsi].push_back({t, Signed(PayloadBits(payload, 85, 27), 27) / 600000.0,
                                       Signed(PayloadBits(payload, 57, 28), 28) / 600000.0,
                                       PayloadBits(payload, 46, 10) / 10.0});
            }
        }
    }
    EXPECT_EQ(kinds, (std::set<int>{1, 2, 3, 4, 5, 18, 21, 240, 241}));
    EXPECT_EQ(track.size(), 12u);
    EXPECT_EQ(reportedEarly.size(), 14u) << "every target shows up within ten seconds";
    for (const auto& [mmsi, fixes] : track) {
        for (std::size_t i = 1; i < fixes.size(); ++i) {
            const TFix &a = fixes[i - 1], &b = fixes[i];
            const double hours = static_cast<double>(b.T - a.T) / 3600000.0;
            const double nm = std::hypot((b.Lat - a.Lat) * 60,
                                         (b.Lon - a.Lon) * 60 * std::cos(a.Lat * 3.14159265 / 180));
            // The reports carry the speed in tenths of a knot, rounded.
            EXPECT_LE(nm, (std::max(a.Sog, b.Sog) + 0.05) * hours * 1.05 + 0.001) << mmsi;
            EXPECT_GE(nm, (std::min(a.Sog, b.Sog) - 0.05) * hours * 0.8 - 0.001) << mmsi;
            const double fromStart = std::hypot((b.Lat - o.Lat) * 60, (b.Lon - o.Lon) * 60 * 0.58);
            EXPECT_LT(fromStart, 12.0) << mmsi << " wandered off";
        }
    }
}

TEST(Traffic, AManOverboardDeviceReportsEveryMinuteWithItsTextAndDrifts) {
    TSimConfig c;
    TTrafficOptions o;
    o.Targets = 0;
    o.Mob = true;
    TTrafficGen g(o);
    TAisJoin join;
    TAisMessage m;
    std::vector<std::int64_t> reports;
    std::vector<std::string> texts;
    double lat = 0, lon = 0;
    for (std::int64_t t = 0; t <= 600000; t += 100) {
        std::vector<std::string> out;
        g.Advance(t, c, out);
        for (const std::string& s : out) {
            if (!ParseAisMessage(s, m, join) || PayloadBits(m.MsgStr, 8, 30) != 972111001u)
                continue;
            if (m.MsgID == 14) texts.push_back(DecodeMsg14(m.MsgStr, m.FillBits).Text);
            if (m.MsgID != 1 && m.MsgID != 3) continue;
            EXPECT_EQ(PayloadBits(m.MsgStr, 38, 4), 14u); // AIS-SART, MOB or EPIRB active
            reports.push_back(t);
            const TPosition p = ReportedPosition(m);
            ASSERT_TRUE(p.Valid);
            lat = p.Lat, lon = p.Lon;
        }
    }
    ASSERT_GE(reports.size(), 10u);
    EXPECT_LE(reports.front(), 10000);
    for (std::size_t i = 1; i < reports.size(); ++i) EXPECT_EQ(reports[i] - reports[i - 1], 60000);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "MOB ACTIVE");
    // still in the water near where it went in
    EXPECT_LT(std::hypot((lat - o.Lat) * 60, (lon - o.Lon) * 60 * 0.58), 1.0);
}

std::string WriteTemp(const char* Name, const std::string& Text) {
    const std::string path = ::testing::TempDir() + "/" + Name + "-" + std::to_string(getpid());
    std::ofstream(path, std::ios::binary) << Text;
    return path;
}

TEST(Replay, PacedByTheCapturesRmcTimesFilteredByTheNmeaOutputAndLooped) {
    const std::string log = "# a comment line\n"
                            "$GPRMC,120000.00,A,5241.99815,N,00517.56525,E,0.005,,010809,,,A*7B\r\n"
                            "!AIVDM,1,1,,B,13njCt031t0DA=lN2:jKmad60l1p,0*12\n"
                            "$GPGGA,120000.00,5241.998,N,00517.565,E,1,09,1.03,-6.0,M,45.8,M,,*7B\n"
                            "$GPRMC,120002.00,A,5241.99805,N,00517.56503,E,0.003,,010809,,,A*77\n"
                            "!AIVDM,1,1,,B,33meMd50000EoJPMvw?:Ubp@0000,0*4F\n";
    const std::string path = WriteTemp("replay", log);
    std::vector<std::string> lines;
    std::string err;
    ASSERT_TRUE(TReplaySource::LoadFile(path, lines, err)) << err;
    std::remove(path.c_str());
    ASSERT_EQ(lines.size(), 5u);

    TSimOptions o;
    o.Speed = 2;
    TSimConfig c;
    c.NmeaOutput = kGpsRMC; // minimal: the GGA stays back
    TSimHarness h(o, c, lines);
    std::vector<std::pair<std::int64_t, std::string>> seen;
    for (std::int64_t t = 0; t <= 2900; t += 10) { // two passes
        h.Sim.Poll();
        for (const auto& s : SplitLines(h.Sim.TakeOutput()))
            if (s[0] == '!' || StartsWith(s, "$GP")) seen.push_back({t, s});
        h.Clock.Advance(10);
    }
    ASSERT_EQ(seen.size(), 8u);
    EXPECT_TRUE(StartsWith(seen[0].second, "$GPRMC,120000"));
    EXPECT_LT(seen[1].first, 100);
    EXPECT_TRUE(StartsWith(seen[2].second, "$GPRMC,120002"));
    EXPECT_NEAR(static_cast<double>(seen[2].first), 1000, 30) << "two capture seconds at speed 2";
    EXPECT_TRUE(StartsWith(seen[4].second, "$GPRMC,120000")) << "starts over";
    EXPECT_NEAR(static_cast<double>(seen[4].first), 1500, 30);
    EXPECT_EQ(seen[1].second, "!AIVDM,1,1,,B,13njCt031t0DA=lN2:jKmad60l1p,0*12\r");
}

TEST(Replay, ALogWithoutRmcGoesAtTheGivenRate) {
    TReplaySource r({"!A", "!B", "!C"}, 4.0);
    std::vector<std::string> out;
    r.Advance(0, out);
    EXPECT_EQ(out.size(), 1u);
    r.Advance(499, out);
    EXPECT_EQ(out.size(), 2u);
    r.Advance(1000, out); // the third at 500, the first again at 750, the second at 1000
    EXPECT_EQ(out.size(), 5u);
    EXPECT_EQ(out[3], "!A\r\n");
}

TEST(Flood, ReceivedTrafficFillsTheLineAndRepliesStillGetThrough) {
    TSimOptions o;
    o.Flood = true;
    o.Targets = 3;
    TSimHarness h(o);
    h.Send("DUAIQ,SSD");
    const auto lines = h.Run(100, 10);
    std::size_t bytes = 0;
    for (const auto& l : lines) bytes += l.size() + 1;
    EXPECT_GT(bytes, 20000u) << "far more than the 384 bytes the paced line carries in 100 ms";
    EXPECT_EQ(Count(lines, "$AISSD,"), 1);
    EXPECT_GT(Messages(lines).size(), 300u);
}

TEST(Pacing, TrafficBeyondTheLineRateIsDroppedNotQueuedForever) {
    TSimOptions o;
    o.Targets = 200;
    o.Speed = 50;
    TSimHarness h(o);
    std::size_t bytes = 0;
    for (const auto& l : h.Run(2000, 5)) bytes += l.size() + 1;
    EXPECT_LE(bytes, 2 * 3840u + 200);
    EXPECT_GT(h.Sim.DroppedTraffic(), 0u);
    EXPECT_EQ(h.Ask("DUAIQ,SRM").size() >= 1, true) << "a reply still goes out at once";
}

} // namespace
