#pragma once
// A session fed framed sentences at whole seconds of a clock that starts at a fixed day.

#include "install/InstallSession.h"
#include "nmea/Framing.h"

#include <string>
#include <vector>

inline constexpr double kDay0 = 46000.5; // a UTC date-time in days, any will do

struct TInstallRig {
    TInstallSession Session;
    TUnitConfig Config;
    double Seconds = 0;

    double Now() const { return kDay0 + Seconds / 86400; }
    void At(double S) { Seconds = S; }
    void Body(const std::string& B) { Session.Feed(FrameNMEA(B), Now()); }
    void Raw(const std::string& S) { Session.Feed(S, Now()); }
    void Connect() { Session.Start(Now()); }
    std::vector<TCheck> Run() const { return Session.Checks(Now(), Config); }
    TCheck Get(const std::string& Id) const {
        for (const TCheck& c : Run())
            if (c.Id == Id) return c;
        return {};
    }
    // What the simulator's unit reads back by default.
    void ReadConfig() {
        Config.MMSI = "211234560";
        Config.ShipsName = "CORVANE TEST";
        Config.CallSign = "DK2345";
        Config.A = "10";
        Config.B = "5";
        Config.C = "3";
        Config.D = "2";
        Config.SwitchType = TSwitchType::None;
    }
};
