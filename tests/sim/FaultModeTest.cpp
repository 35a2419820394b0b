// Installation faults: each --fault changes the sentences that such a fault changes and leaves
// everything else as a healthy unit sends it; --no-alarms quiets the alarm cycle.

#include "SimHarness.h"
#include "ais/AIS_Codec.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <unistd.h>

namespace {

constexpr std::int64_t kRunMs = 600000; // ten minutes: two alarm cycles, two static reports

bool StartsWith(const std::string& S, const char* P) {
    return S.rfind(P, 0) == 0;
}

// Fields of a sentence without its checksum.
std::vector<std::string> Fields(const std::string& Line) {
    std::vector<std::string> f(1);
    for (char c : Line.substr(0, Line.find('*'))) {
        if (c == ',')
            f.emplace_back();
        else
            f.back() += c;
    }
    return f;
}

struct TVd {
    bool Own = false;
    std::string Channel, Payload, Line;
};

// What a unit sent in kRunMs, and the parts the checks look at.
struct TRun {
    std::vector<std::string> Lines;           // without line end
    std::vector<unsigned> Lamps;              // every LED mask in turn
    std::vector<std::array<unsigned, 6>> Adc; // forward, reverse, idle, tx, signal 1, signal 2
    std::vector<TVd> Vd;

    std::vector<std::string> Starting(const char* Prefix) const {
        std::vector<std::string> r;
        for (const auto& l : Lines)
            if (StartsWith(l, Prefix)) r.push_back(l);
        return r;
    }
    std::vector<TVd> Own(bool Own) const {
        std::vector<TVd> r;
        for (const auto& v : Vd)
            if (v.Own == Own) r.push_back(v);
        return r;
    }
};

TRun Analyse(std::vector<std::string> Lines) {
    TRun r;
    for (auto& l : Lines) {
        while (!l.empty() && (l.back() == '\r' || l.back() == '\n')) l.pop_back();
        const auto f = Fields(l);
        if (StartsWith(l, "$PSRT,RES,LED,") && f.size() == 4) {
            r.Lamps.push_back(static_cast<unsigned>(std::stoul(f[3], nullptr, 16)));
        } else if (StartsWith(l, "$PSRT,RES,ADC,") && f.size() == 9) {
            std::array<unsigned, 6> a{};
            for (std::size_t i = 0; i < 6; ++i)
                a[i] = static_cast<unsigned>(std::stoul(f[3 + i], nullptr, 16));
            r.Adc.push_back(a);
        } else if (StartsWith(l, "!AIVDO,") || StartsWith(l, "!AIVDM,")) {
            EXPECT_EQ(f.size(), 7u) << l;
            if (f.size() == 7) r.Vd.push_back({l[5] == 'O', f[4], f[5], l});
        }
        r.Lines.push_back(l);
    }
    return r;
}

// Runs the whole simulator with 12 targets; the line is emptied at the end, so that runs
// that send less or more compare whole.
TRun RunSim(const std::vector<std::string>& Args, TSimConfig C = {}) {
    TSimOptions o;
    std::string err;
    EXPECT_TRUE(ParseSimOptions(Args, o, err)) << err;
    TSimHarness h(o, C);
    std::string bytes;
    for (std::int64_t t = 0; t <= kRunMs; t += 100) {
        h.Sim.Poll();
        bytes += h.Sim.TakeOutput();
        h.Clock.Advance(100);
    }
    for (int i = 0; i < 30; ++i, h.Clock.Advance(100)) bytes += h.Sim.TakeOutput();
    EXPECT_EQ(h.Sim.DroppedTraffic(), 0u) << "the line kept up; nothing is missing by chance";
    return Analyse(SplitLines(bytes));
}

const TRun& Healthy() {
    static const TRun r = RunSim({});
    return r;
}

std::string Digest(std::vector<std::string> Items, bool Sorted = false) {
    if (Sorted) std::sort(Items.begin(), Items.end());
    std::string all;
    for (const auto& s : Items) all += s + '\n';
    char b[48];
    std::snprintf(b, sizeof b, "%zu #%016zx", Items.size(), std::hash<std::string>{}(all));
    return b;
}

// A run described by what an installation check looks at, one feature a line.
std::map<std::string, std::string> Features(const TRun& R) {
    std::map<std::string, std::string> f;
    std::vector<std::string> gps, alarms, other, own, received;
    std::set<std::string> channels;
    for (const auto& l : R.Lines) {
        if (StartsWith(l, "$GP"))
            gps.push_back(l);
        else if (StartsWith(l, "$AIALR,") || StartsWith(l, "$AITXT,"))
            alarms.push_back(l);
        else if (!StartsWith(l, "$PSRT,RES,") && !StartsWith(l, "!AIVD"))
            other.push_back(l);
    }
    for (const auto& v : R.Vd) {
        if (v.Own) {
            own.push_back(v.Line);
        } else {
            received.push_back(v.Payload); // the sequence number is the unit's own business
            channels.insert(v.Channel);
        }
    }
    f["gps"] = Digest(gps);
    f["alarms and texts"] = Digest(alarms);
    f["other"] = Digest(other);
    f["own"] = Digest(own);
    f["received"] = Digest(received, true);
    f["received channels"] = Digest({channels.begin(), channels.end()});
    const std::set<unsigned> lamps(R.Lamps.begin(), R.Lamps.end());
    for (unsigned m : lamps) f["status lamps"] += std::to_string(m) + " ";
    const char* const adc[6] = {"forward",   "reverse",  "supply idle",
                                "supply tx", "signal 1", "signal 2"};
    for (std::size_t i = 0; i < 6; ++i) {
        unsigned lo = 0xFFFF, hi = 0;
        for (const auto& a : R.Adc) lo = std::min(lo, a[i]), hi = std::max(hi, a[i]);
        f[adc[i]] =
            std::to_string(R.Adc.size()) + " in " + std::to_string(lo) + ".." + std::to_string(hi);
    }
    return f;
}

std::vector<unsigned> Lamps(const TRun& R, const std::function<unsigned(unsigned)>& Fn) {
    std::vector<unsigned> r;
    for (unsigned m : R.Lamps) r.push_back(Fn(m));
    return r;
}

std::vector<std::string> Payloads(const std::vector<TVd>& V, const std::string& Channel) {
    std::vector<std::string> r;
    for (const auto& v : V)
        if (v.Channel == Channel) r.push_back(v.Payload);
    std::sort(r.begin(), r.end());
    return r;
}

struct TFaultCase {
    std::vector<std::string> Args;
    std::set<std::string> Changes; // features it may change; the others stay as when healthy
    std::function<void(const TRun& Faulty, const TRun& Healthy)> Check;
};

const std::map<std::string, TFaultCase>& Cases() {
    static const std::map<std::string, TFaultCase> cases = {
        {"no-fix",
         {{"--fault", "no-fix"},
          {"gps", "own"},
          [](const TRun& F, const TRun& H) {
              const auto rmc = F.Starting("$GPRMC,"), healthyRmc = H.Starting("$GPRMC,");
              ASSERT_EQ(rmc.size(), healthyRmc.size());
              for (std::size_t i = 0; i < rmc.size(); ++i) {
                  const auto f = Fields(rmc[i]), h = Fields(healthyRmc[i]);
                  ASSERT_EQ(f.size(), 13u) << rmc[i];
                  EXPECT_EQ(f[1], h[1]) << "the time goes on";
                  EXPECT_EQ(f[2], "V");
                  for (std::size_t k = 3; k <= 8; ++k) EXPECT_EQ(f[k], "") << rmc[i];
                  EXPECT_EQ(f[9], h[9]) << "and the date";
                  EXPECT_EQ(f[12], "N");
              }
              const auto gga = F.Starting("$GPGGA,");
              EXPECT_EQ(gga.size(), H.Starting("$GPGGA,").size());
              for (const auto& l : gga) {
                  const auto f = Fields(l);
                  ASSERT_GE(f.size(), 8u) << l;
                  for (std::size_t k = 2; k <= 5; ++k) EXPECT_EQ(f[k], "") << l;
                  EXPECT_EQ(f[6], "0") << l;
                  EXPECT_EQ(f[7], "00") << l;
              }
              EXPECT_EQ(F.Starting("$GPGSV,"), H.Starting("$GPGSV,"));

              int reports = 0;
              std::vector<std::string> statics, healthyStatics;
              for (const auto& v : F.Own(true)) {
                  if (PayloadBits(v.Payload, 0, 6) != 18) {
                      statics.push_back(v.Line);
                      continue;
                  }
                  ++reports;
                  EXPECT_EQ(PayloadBits(v.Payload, 57, 28), 181u * 600000) << "lon not available";
                  EXPECT_EQ(PayloadBits(v.Payload, 85, 27), 91u * 600000) << "lat not available";
                  EXPECT_EQ(PayloadBits(v.Payload, 46, 10), 1023u) << "speed not available";
                  EXPECT_EQ(PayloadBits(v.Payload, 112, 12), 3600u) << "course not available";
              }
              for (const auto& v : H.Own(true))
                  if (PayloadBits(v.Payload, 0, 6) != 18) healthyStatics.push_back(v.Line);
              EXPECT_EQ(reports, 20) << "every 30 s as before";
              EXPECT_EQ(statics, healthyStatics);
          }}},
        {"low-voltage",
         {{"--fault", "low-voltage"},
          {"supply idle", "supply tx"},
          [](const TRun& F, const TRun&) {
              ASSERT_FALSE(F.Adc.empty());
              for (const auto& a : F.Adc) {
                  EXPECT_LT(a[2] * 0.16, 11.5) << "below what a 12 V system needs";
                  EXPECT_GT(a[2] * 0.16, 9.0) << "low, not gone";
                  EXPECT_LT(a[3], a[2]) << "and lower still while transmitting";
              }
          }}},
        {"reverse-power",
         {{"--fault", "reverse-power"},
          {"reverse"},
          [](const TRun& F, const TRun&) {
              ASSERT_FALSE(F.Adc.empty());
              for (const auto& a : F.Adc)
                  EXPECT_LT(static_cast<double>(a[0]) / a[1], 3.0) << a[0] << "/" << a[1];
          }}},
        {"rx-only",
         {{"--fault", "rx-only"},
          {"own", "status lamps"},
          [](const TRun& F, const TRun& H) {
              EXPECT_TRUE(F.Own(true).empty());
              EXPECT_EQ(F.Lamps, Lamps(H, [](unsigned m) { return (m & ~0xC0u) | 0x10u; }));
          }}},
        {"no-mmsi",
         {{"--fault", "no-mmsi"},
          {"own", "status lamps"},
          [](const TRun& F, const TRun& H) {
              EXPECT_TRUE(F.Own(true).empty());
              // Warning instead of all OK, never TX.
              EXPECT_EQ(F.Lamps, Lamps(H, [](unsigned m) { return (m & ~0xC2u) | 0x01u; }));
          }}},
        {"dead-channel",
         {{"--fault", "dead-channel"},
          {"received", "received channels", "status lamps"},
          [](const TRun& F, const TRun& H) {
              const auto received = F.Own(false), healthy = H.Own(false);
              EXPECT_TRUE(Payloads(received, "B").empty());
              EXPECT_FALSE(Payloads(received, "A").empty());
              EXPECT_EQ(Payloads(received, "A"), Payloads(healthy, "A"));
              EXPECT_FALSE(Payloads(F.Own(true), "A").empty());
              EXPECT_FALSE(Payloads(F.Own(true), "B").empty()) << "the unit still transmits on B";
              // Only the RX lamp lights less often.
              const auto noRx = [](unsigned m) { return m & ~0x20u; };
              EXPECT_EQ(Lamps(F, noRx), Lamps(H, noRx));
          }}},
        {"no-own-reports",
         {{"--fault", "no-own-reports"},
          {"own", "status lamps"},
          [](const TRun& F, const TRun& H) {
              EXPECT_TRUE(F.Own(true).empty());
              EXPECT_EQ(F.Lamps, Lamps(H, [](unsigned m) { return m & ~0xC0u; }));
          }}},
        {"no-alarms",
         {{"--no-alarms"},
          {"alarms and texts", "reverse", "status lamps"},
          [](const TRun& F, const TRun& H) {
              EXPECT_TRUE(F.Starting("$AIALR,").empty());
              EXPECT_TRUE(F.Starting("$AITXT,").empty());
              for (const auto& a : F.Adc) EXPECT_EQ(a[1], 0x0060u);
              // All OK where the alarm had lit the error lamp.
              EXPECT_EQ(F.Lamps, Lamps(H, [](unsigned m) { return m & 4 ? (m & ~4u) | 2 : m; }));
          }}},
    };
    return cases;
}

class FaultMode : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(FaultMode, ChangesWhatTheFaultChangesAndNothingElse) {
    std::vector<std::string> args;
    std::set<std::string> changes;
    for (const auto& name : GetParam()) {
        const TFaultCase& s = Cases().at(name);
        args.insert(args.end(), s.Args.begin(), s.Args.end());
        changes.insert(s.Changes.begin(), s.Changes.end());
    }
    const TRun faulty = RunSim(args);
    const auto f = Features(faulty), h = Features(Healthy());
    for (const auto& [feature, value] : h)
        if (!changes.count(feature)) {
            EXPECT_EQ(f.at(feature), value) << feature;
        }
    for (const auto& name : GetParam()) {
        SCOPED_TRACE(name);
        Cases().at(name).Check(faulty, Healthy());
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachAndTogether, FaultMode,
    ::testing::Values(std::vector<std::string>{"no-fix"}, std::vector<std::string>{"low-voltage"},
                      std::vector<std::string>{"reverse-power"},
                      std::vector<std::string>{"rx-only"}, std::vector<std::string>{"no-mmsi"},
                      std::vector<std::string>{"dead-channel"},
                      std::vector<std::string>{"no-own-reports"},
                      std::vector<std::string>{"no-alarms"},
                      std::vector<std::string>{"no-fix", "dead-channel"},
                      std::vector<std::string>{"low-voltage", "reverse-power", "no-own-reports"}),
    [](const ::testing::TestParamInfo<std::vector<std::string>>& I) {
        std::string n;
        for (const auto& s : I.param) n += (n.empty() ? "" : "_and_") + s;
        std::replace(n.begin(), n.end(), '-', '_');
        return n;
    });

TEST(FaultMode, AHealthyRunHasTheFiguresTheChecksAreMeasuredAgainst) {
    const TRun& h = Healthy();
    EXPECT_EQ(h.Starting("$GPRMC,").size(), 601u) << "0 to 600 s";
    EXPECT_FALSE(h.Starting("$AIALR,").empty());
    EXPECT_EQ(h.Starting("$AITXT,").size(), 5u) << "at 20, 180, 260, 420 and 500 s";
    EXPECT_FALSE(Payloads(h.Own(false), "B").empty());
    unsigned lit = 0;
    for (unsigned m : h.Lamps) lit |= m;
    EXPECT_EQ(lit & 0xE7u, 0xE6u) << "OK, error, RX and TX lamps all lit at times; no warning";
    for (const auto& a : h.Adc) {
        EXPECT_GE(a[2] * 0.16, 11.5);
        EXPECT_LT(a[3], a[2]);
    }
}

TEST(FaultOptions, EachNameRepeatedOrCombined) {
    const std::vector<std::pair<std::vector<std::string>, std::vector<TSimFault>>> cases = {
        {{"--fault", "no-fix"}, {TSimFault::NoFix}},
        {{"--fault", "low-voltage"}, {TSimFault::LowVoltage}},
        {{"--fault", "reverse-power"}, {TSimFault::ReversePower}},
        {{"--fault", "rx-only"}, {TSimFault::RxOnly}},
        {{"--fault", "no-mmsi"}, {TSimFault::NoMmsi}},
        {{"--fault", "dead-channel"}, {TSimFault::DeadChannel}},
        {{"--fault", "no-own-reports"}, {TSimFault::NoOwnReports}},
        {{"--fault", "rx-only", "--fault", "rx-only"}, {TSimFault::RxOnly}},
        {{"--fault", "no-fix", "--silent", "--fault", "dead-channel"},
         {TSimFault::NoFix, TSimFault::DeadChannel}},
        {{"--replay", "r.nmea", "--fault", "dead-channel"}, {TSimFault::DeadChannel}},
        {{}, {}},
    };
    for (const auto& [args, expected] : cases) {
        TSimOptions o;
        std::string err;
        ASSERT_TRUE(ParseSimOptions(args, o, err)) << err;
        for (unsigned i = 0; i < kSimFaultCount; ++i) {
            const auto f = static_cast<TSimFault>(i);
            EXPECT_EQ(o.Faults.Has(f), std::count(expected.begin(), expected.end(), f) == 1)
                << ::testing::PrintToString(args) << ": " << SimFaultName(f);
        }
        EXPECT_FALSE(o.NoAlarms);
    }
    TSimOptions o;
    std::string err;
    ASSERT_TRUE(ParseSimOptions({"--no-alarms"}, o, err));
    EXPECT_TRUE(o.NoAlarms && o.Faults.Empty());
}

TEST(FaultOptions, RejectsWhatItCannotDo) {
    const std::vector<std::vector<std::string>> bad = {
        {"--fault"},
        {"--fault", "bogus"},
        {"--fault", ""},
        {"--fault", "NO-FIX"},
        {"--fault", "no-fix,dead-channel"},
        {"--replay", "r.nmea", "--fault", "no-fix"}, // the capture's GPS has its own fixes
    };
    for (const auto& args : bad) {
        TSimOptions o;
        std::string err;
        EXPECT_FALSE(ParseSimOptions(args, o, err)) << ::testing::PrintToString(args);
        EXPECT_FALSE(err.empty());
    }
    TSimOptions o;
    std::string err;
    ASSERT_FALSE(ParseSimOptions({"--fault", "bogus"}, o, err));
    EXPECT_NE(err.find("bogus"), std::string::npos) << err;
    for (unsigned i = 0; i < kSimFaultCount; ++i) {
        const std::string name(SimFaultName(static_cast<TSimFault>(i)));
        EXPECT_NE(err.find(name), std::string::npos) << "names the valid ones: " << err;
        EXPECT_NE(SimUsage().find(name), std::string::npos) << name;
    }
    EXPECT_NE(SimUsage().find("--no-alarms"), std::string::npos);
}

std::string TempPath(const char* Name) {
    return ::testing::TempDir() + "/" + Name + "-" + std::to_string(getpid());
}

TEST(NoMmsiFault, AnswersZeroAndTheFileKeepsItsMmsiUntilOneIsWritten) {
    struct TCase {
        std::vector<std::string> Unlocked; // protected commands, each after an unlock
        std::uint32_t Stored;              // the file's MMSI afterwards
        std::string Reported;
    };
    const std::vector<TCase> cases = {
        {{}, 987654321, "000000000"},
        {{"PSRT,010,,,123456789"}, 123456789, "123456789"},
        {{"PSRT,RDP"}, 0, "000000000"},
    };
    const std::string path = TempPath("sim-no-mmsi");
    for (const TCase& c : cases) {
        TSimConfig stored;
        stored.MMSI = 987654321;
        std::string err;
        ASSERT_TRUE(SaveConfigFile(path, stored, err)) << err;
        TSimOptions o = TSimHarness::Quiet();
        o.ConfigFile = path;
        o.Faults.Add(TSimFault::NoMmsi);
        TSimHarness h(o, stored);
        EXPECT_EQ(h.Read("DUAIQ,010", rsMMSI).MMSI, "000000000") << "as a fresh unit";
        h.Send("AISSD,DL5XYZ,SEESCHWALBE,12,3,4,5,0,AI"); // rewrites the file
        for (const auto& cmd : c.Unlocked) h.SendUnlocked(cmd);
        EXPECT_EQ(h.Read("DUAIQ,010", rsMMSI).MMSI, c.Reported);

        TSimConfig loaded;
        bool exists = false;
        ASSERT_TRUE(LoadConfigFile(path, loaded, exists, err)) << err;
        EXPECT_EQ(loaded.MMSI, c.Stored) << ::testing::PrintToString(c.Unlocked);
        EXPECT_EQ(loaded.ShipsName,
                  c.Unlocked == std::vector<std::string>{"PSRT,RDP"} ? "" : "SEESCHWALBE");
    }
    std::remove(path.c_str());
}

TEST(NoMmsiFault, AProgrammedMmsiGoesOnAir) {
    TSimOptions o;
    o.Targets = 0;
    o.Faults.Add(TSimFault::NoMmsi);
    TSimHarness h(o);
    const auto count = [](const std::vector<std::string>& Lines) {
        return std::count_if(Lines.begin(), Lines.end(),
                             [](const std::string& l) { return StartsWith(l, "!AIVDO,"); });
    };
    EXPECT_EQ(count(h.Run(60000, 100)), 0);
    h.SendUnlocked("PSRT,010,,,123456789");
    EXPECT_GE(count(h.Run(60000, 100)), 2);
}

TEST(RxOnlyFault, LeavesTheSwitchSettingAsConfigured) {
    for (const std::string mode : {"00,01", "01,01"}) {
        TSimConfig c;
        c.SwitchEnable = mode.substr(0, 2);
        c.SwitchMode = mode.substr(3);
        TSimHarness healthy(TSimHarness::Quiet(), c);
        TSimOptions o = TSimHarness::Quiet();
        o.Faults.Add(TSimFault::RxOnly);
        TSimHarness faulty(o, c);
        EXPECT_EQ(Shown(faulty.Read("DUAIQ,SRM", rsSwitchType), cfSwitchType),
                  Shown(healthy.Read("DUAIQ,SRM", rsSwitchType), cfSwitchType));
        EXPECT_EQ(faulty.Sim.Config(), c);
    }
}

TEST(FaultReplay, TakesOutWhatTheFaultWouldNotSend) {
    const std::vector<std::string> log = {
        "!AIVDM,1,1,,A,13njCt031t0DA=lN2:jKmad60l1p,0*11",
        "!AIVDM,1,1,,B,13njCt031t0DA=lN2:jKmad60l1p,0*12",
        "!AIVDM,1,1,,2,13njCt031t0DA=lN2:jKmad60l1p,0*42",
        "!AIVDM,1,1,,,13njCt031t0DA=lN2:jKmad60l1p,0*50",
        "!AIVDO,1,1,,A,B3P<iS000?tsKD7IQ9SQ3wUUoP06,0*2B",
        "$GPGGA,120000.00,5241.998,N,00517.565,E,1,09,1.03,-6.0,M,45.8,M,,*7B",
    }; // no RMC: paced by the rate
    struct TCase {
        std::vector<TSimFault> Faults;
        std::set<std::size_t> Kept; // of the log's lines
    };
    const std::vector<TCase> cases = {
        {{}, {0, 1, 2, 3, 4, 5}},
        {{TSimFault::DeadChannel}, {0, 3, 4, 5}},
        {{TSimFault::NoOwnReports}, {0, 1, 2, 3, 5}},
        {{TSimFault::RxOnly}, {0, 1, 2, 3, 5}},
        {{TSimFault::NoMmsi}, {0, 1, 2, 3, 5}},
        {{TSimFault::LowVoltage, TSimFault::ReversePower}, {0, 1, 2, 3, 4, 5}},
    };
    for (const TCase& c : cases) {
        TSimOptions o;
        o.ReplayRate = 10;
        for (TSimFault f : c.Faults) o.Faults.Add(f);
        TSimHarness h(o, {}, log);
        std::multiset<std::string> seen;
        for (const auto& l : h.Run(590)) // just under one pass
            if (l[0] == '!' || StartsWith(l, "$GP")) seen.insert(l.substr(0, l.size() - 1));
        std::multiset<std::string> expected;
        for (std::size_t i : c.Kept) expected.insert(log[i]);
        EXPECT_EQ(seen, expected) << c.Faults.size();
    }
}

TEST(FaultFlood, ADeadChannelStillFillsTheLineFromChannelA) {
    TSimOptions o;
    o.Flood = true;
    o.Targets = 3;
    o.Faults.Add(TSimFault::DeadChannel);
    TSimHarness h(o);
    std::size_t received = 0;
    for (const auto& l : h.Run(100, 10)) {
        if (!StartsWith(l, "!AIVDM,")) continue;
        ++received;
        EXPECT_EQ(Fields(l).at(4), "A") << l;
    }
    EXPECT_GT(received, 300u) << "far more than the paced line carries in 100 ms";
}

} // namespace
