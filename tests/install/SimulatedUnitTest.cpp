// The simulator's unit, healthy and with each of its faults, judged over minutes of simulated
// time: every check turns OK within one reporting cycle, and each fault turns exactly its check
// to fault.

#include "install/InstallSession.h"
#include "tools/sim/SimClock.h"
#include "tools/sim/Simulator.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// UTC milliseconds since 1970 as the days of TUtcClock.
double Days(std::int64_t UtcMs) {
    return 25569.0 + static_cast<double>(UtcMs) / 86400000.0;
}

class SimulatedUnit {
public:
    explicit SimulatedUnit(const std::vector<std::string>& Args) {
        std::string error;
        EXPECT_TRUE(ParseSimOptions(Args, FOptions, error)) << error;
        FSim = std::make_unique<TSimulator>(FOptions, FClock, TSimConfig{});
        // What the configuration read gives (its replies are tested on their own).
        const TSimConfig& c = FSim->Config();
        char mmsi[16];
        std::snprintf(mmsi, sizeof mmsi, "%09u", c.MMSI);
        Config.MMSI = mmsi;
        Config.ShipsName = c.ShipsName;
        Config.CallSign = c.CallSign;
        Config.A = std::to_string(c.A);
        Config.B = std::to_string(c.B);
        Config.C = std::to_string(c.C);
        Config.D = std::to_string(c.D);
        Session.Start(Now());
    }

    double Now() const { return Days(FClock.UtcMs()); }

    // Runs Seconds of simulated time, feeding every sentence as it leaves the unit.
    void Run(double Seconds) {
        for (int step = 0; step < Seconds * 10; ++step) {
            FClock.Advance(100);
            FSim->Poll();
            const std::string out = FSim->TakeOutput();
            for (std::size_t p = 0; p < out.size();) {
                const std::size_t e = out.find("\r\n", p);
                if (e == std::string::npos) break;
                Session.Feed(std::string_view(out).substr(p, e - p + 1), Now());
                p = e + 2;
            }
        }
    }

    std::vector<TCheck> Checks() const { return Session.Checks(Now(), Config); }

    std::string Listing() const {
        std::string s;
        for (const TCheck& c : Checks())
            s += c.Id + ": " + std::string(VerdictText(c.Verdict)) + ": " + c.Figures + "\n";
        return s;
    }

    TInstallSession Session;
    TUnitConfig Config;

private:
    TSimOptions FOptions;
    TManualClock FClock;
    std::unique_ptr<TSimulator> FSim;
};

TEST(SimulatedUnit, EveryCheckTurnsOkWithinOneReportingCycle) {
    SimulatedUnit u({"--no-alarms"});
    double seconds = 0;
    auto allOk = [&] {
        for (const TCheck& c : u.Checks())
            if (c.Verdict != TVerdict::OK) return false;
        return true;
    };
    while (!allOk() && seconds < 120) {
        u.Run(1);
        ++seconds;
    }
    ASSERT_TRUE(allOk()) << u.Listing();
    // The first own position report goes out at once, the second after the 30 s of a class B
    // unit under way: the intervals are measured then.
    EXPECT_LE(seconds, 35) << u.Listing();
    // And it stays so over the next minutes.
    for (int i = 0; i < 6; ++i) {
        u.Run(60);
        EXPECT_TRUE(allOk()) << u.Listing();
    }
}

// The simulator's alarm cycle shows as an alarm to look at, not as a fault.
TEST(SimulatedUnit, TheAlarmCycleIsACheck) {
    SimulatedUnit u({});
    u.Run(90);
    const std::vector<TCheck> checks = u.Checks();
    EXPECT_EQ(checks.back().Id, "alarms");
    EXPECT_EQ(checks.back().Verdict, TVerdict::Check) << u.Listing();
    EXPECT_NE(checks.back().Figures.find("002 Antenna VSWR exceeds limit"), std::string::npos);
}

struct TFault {
    const char* Name;
    const char* Check;
};

class SimulatedFault : public ::testing::TestWithParam<TFault> {};

TEST_P(SimulatedFault, TurnsExactlyItsCheckToFault) {
    SimulatedUnit u({"--no-alarms", "--fault", GetParam().Name});
    u.Run(240); // past a moored unit's longest wait for its first report
    for (const TCheck& c : u.Checks())
        EXPECT_EQ(c.Verdict == TVerdict::Fault, c.Id == GetParam().Check) << u.Listing();
    // The silence without an MMSI has its reason named, and is not a second fault.
    if (std::string(GetParam().Name) == "no-mmsi") {
        const TCheck tx = u.Checks()[4];
        EXPECT_EQ(tx.Verdict, TVerdict::Check);
        EXPECT_NE(tx.Figures.find("no MMSI programmed"), std::string::npos) << tx.Figures;
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, SimulatedFault,
                         ::testing::Values(TFault{"no-fix", "gps"}, TFault{"low-voltage", "supply"},
                                           TFault{"reverse-power", "vhf-antenna"},
                                           TFault{"rx-only", "transmitter"},
                                           TFault{"no-mmsi", "mmsi"},
                                           TFault{"dead-channel", "reception"},
                                           TFault{"no-own-reports", "transmitter"}),
                         [](const auto& Info) {
                             std::string n = Info.param.Name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });

} // namespace
