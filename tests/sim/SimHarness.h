#pragma once
// A simulator on a manual clock; its replies are read with the tool's own reply parser, so the
// tests see them as the tool sees them.

#include "control/Protocol.h"
#include "nmea/Dispatch.h"
#include "nmea/Framing.h"
#include "tools/sim/Simulator.h"

#include <sstream>
#include <string>
#include <vector>

// Characters From to To (counted from 1), fewer when S is shorter.
inline std::string At(std::string_view S, std::size_t From, std::size_t To) {
    return std::string(Positions(S, From, To));
}

// A setting of the record as text: the text itself, the vessel type as its two digits, a
// choice by its profile name, the baud rate as its number; "-" when not read.
inline std::string Shown(const TUnitConfig& C, TConfigField F) {
    auto text = [](const std::optional<std::string>& S) { return S.value_or("-"); };
    auto choice = [](const auto& V) { return V ? std::string(ChoiceName(*V)) : "-"; };
    switch (F) {
    case cfMMSI:
        return text(C.MMSI);
    case cfShipsName:
        return text(C.ShipsName);
    case cfCallSign:
        return text(C.CallSign);
    case cfA:
        return text(C.A);
    case cfB:
        return text(C.B);
    case cfC:
        return text(C.C);
    case cfD:
        return text(C.D);
    case cfVendorID:
        return text(C.VendorID);
    case cfSoftwareVersion:
        return text(C.SoftwareVersion);
    case cfVesselType:
        return C.VesselType
                   ? std::to_string(*C.VesselType / 10) + std::to_string(*C.VesselType % 10)
                   : "-";
    case cfSwitchType:
        return choice(C.SwitchType);
    case cfGpsOutput:
        return choice(C.GpsOutput);
    case cfAlarmOutput:
        return choice(C.AlarmOutput);
    case cfBaudRate:
        return C.BaudRate ? std::to_string(BaudValue(*C.BaudRate)) : "-";
    }
    return "-";
}

inline std::vector<std::string> SplitLines(const std::string& Bytes) {
    std::vector<std::string> out;
    std::size_t p = 0;
    while (p < Bytes.size()) {
        const std::size_t e = Bytes.find("\r\n", p);
        if (e == std::string::npos) break;
        out.push_back(Bytes.substr(p, e - p + 1)); // keep the CR, drop the LF, as the capture does
        p = e + 2;
    }
    return out;
}

struct TSimHarness {
    explicit TSimHarness(TSimOptions O = Quiet(), TSimConfig C = {},
                         std::vector<std::string> Replay = {})
        : Sim(O, Clock, C, std::move(Replay)) {
        Sim.SetTranscript(&Transcript);
    }
    static TSimOptions Quiet() {
        TSimOptions o;
        o.NoTraffic = true;
        return o;
    }

    void Send(const std::string& Body) { Sim.Receive(FrameNMEA(Body)); }
    void SendUnlocked(const std::string& Body) {
        Send("PSRT,012,,,(--VoXeL--)");
        Send(Body);
    }
    // Runs the clock for Ms in steps of StepMs and returns every sentence sent meanwhile.
    std::vector<std::string> Run(std::int64_t Ms, std::int64_t StepMs = 10) {
        std::string bytes;
        for (std::int64_t t = 0; t <= Ms; t += StepMs) {
            Sim.Poll();
            bytes += Sim.TakeOutput();
            if (t < Ms) Clock.Advance(StepMs);
        }
        return SplitLines(bytes);
    }
    // The reply lines to one query.
    std::vector<std::string> Ask(const std::string& Body) {
        Send(Body);
        return Run(100);
    }
    // The record the tool's parser makes of the replies to Query while it awaits State.
    TUnitConfig Read(const std::string& Query, TReplyState State, TUnitConfig V = {}) {
        for (const auto& s : Ask(Query)) ParseReply(State, s, V);
        return V;
    }

    TManualClock Clock;
    std::ostringstream Transcript;
    TSimulator Sim;
};
