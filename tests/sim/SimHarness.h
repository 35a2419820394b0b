#pragma once
// A simulator on a manual clock, and the setup tool's fixed-position reading of the replies,
// so the tests see the replies as the tool sees them.

#include "Framing.h"
#include "Simulator.h"

#include <sstream>
#include <string>
#include <vector>

// Characters From to To (counted from 1), fewer when S is shorter.
inline std::string At(const std::string& S, std::size_t From, std::size_t To) {
    if (From > S.size()) return {};
    return S.substr(From - 1, To - From + 1);
}

// What the tool's "Static data" tab shows after reading replies.
struct TToolView {
    std::string CallSign, ShipsName, A, B, C, D, TypeCode, MMSI, VendorID;
    int Switch = -1, Baud = -1, Alarm = -1, Gps = -1; // radio group indexes; -1 none selected
};

enum TReplyState {
    kAlarm = 4,
    kStatic = 5,
    kVoyage = 6,
    kMMSI = 7,
    kSwitch = 9,
    kBaud = 10,
    kNmea = 11
};

// S as the tool's capture delivers it: the sentence up to and including its CR.
inline bool ToolReads(int State, const std::string& S, TToolView& V) {
    const std::size_t L = S.size();
    const auto before = [&](std::size_t From, std::size_t To) {
        const std::string f = At(S, From, To);
        return f.substr(0, f.find('@'));
    };
    switch (State) {
    case kStatic:
        if (At(S, 2, 6) != "AISSD") return false;
        V.ShipsName = before(16, 35);
        V.CallSign = before(8, 14);
        V.A = At(S, 37, 39);
        V.B = At(S, 41, 43);
        V.C = At(S, 45, 46);
        V.D = At(S, 48, 49);
        return true;
    case kVoyage:
        if (At(S, 2, 6) != "AIVSD") return false;
        V.TypeCode = At(S, 9, 10);
        return true;
    case kMMSI:
        if (At(S, 2, 12) != "PSRT,010,,,") return false;
        V.MMSI = At(S, 13, 21);
        return true;
    case kSwitch:
        if (At(S, 2, 9) != "PSRT,SRM") return false;
        V.VendorID = L > 21 ? S.substr(16, L - 21) : std::string();
        if (At(S, 11, 12) == "00")
            V.Switch = 0;
        else if (At(S, 14, 15) == "01")
            V.Switch = 1;
        else if (At(S, 14, 15) == "02")
            V.Switch = 2;
        return true;
    case kBaud:
        if (At(S, 2, 9) != "PSRT,SER") return false;
        V.Baud = At(S, 13, 16) == "0D36" ? 0 : 1;
        return true;
    case kAlarm:
        if (At(S, 2, 9) != "PSRT,ALM") return false;
        V.Alarm = At(S, 11, 12) == "00" ? 0 : 1;
        return true;
    case kNmea:
        if (At(S, 2, 13) != "PSRT,NMEA,00") return false;
        V.Gps = At(S, 15, 18) == "0008" ? 1 : At(S, 15, 18) == "0000" ? 2 : 0;
        return true;
    }
    return false;
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
    TToolView Read(const std::string& Query, int State, TToolView V = {}) {
        for (const auto& s : Ask(Query)) ToolReads(State, s, V);
        return V;
    }

    TManualClock Clock;
    std::ostringstream Transcript;
    TSimulator Sim;
};
