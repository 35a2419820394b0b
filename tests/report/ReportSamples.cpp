#include "ReportSamples.h"

#include <cmath>

TInstallReport SampleReport() {
    TInstallReport r;
    r.Tool = "corvane 0.1.0";
    r.UtcTime = "2026-12-10 20:57:20 UTC";
    r.LocalTime = "2026-12-10 21:57:20 CET";
    r.Port = "COM3";
    r.ListenedSeconds = 412;
    r.Config = {{"MMSI", "211234560"},
                {"Ship's name", "CORVANE TEST"},
                {"Call sign", "DC4567"},
                {"Vessel type", "37 Pleasure craft"},
                {"GPS antenna: bow, stern (A, B)", "8 m, 4 m"},
                {"GPS antenna: port, starboard (C, D)", "2 m, 2 m"},
                {"Switch type", "none"},
                {"RS422 baud rate", "38400"},
                {"GPS output", "all"},
                {"Alarm output", "enable"},
                {"Vendor ID", "CVN"}};
    const auto ok = TVerdict::OK;
    r.Checks = {
        {"gps", "GPS fix", ok,
         "Fix; satellites 11 in view, 8 used; 54°10.215'N 007°53.480'E; last fix 1 s ago", ""},
        {"mmsi", "MMSI", ok, "211234560 (a ship's, country code 211)", ""},
        {"identity", "Name and call sign", ok, "CORVANE TEST, DC4567", ""},
        {"antenna-position", "GPS antenna position", ok,
         "Length 12 m, beam 4 m (A 8 m, B 4 m, C 2 m, D 2 m)", ""},
        {"transmitter", "Transmitter", TVerdict::Check,
         "Position reports due every 3 min at 0.1 kn, intervals 180, 181, 243 s; last 52 s ago; "
         "static reports A and B sent; TX lamp lit",
         "Reports come late: the channels may be busy (a class B unit gives way) or the unit "
         "misses its slots; watch a few more cycles."},
        {"supply", "Supply voltage", ok,
         "Idle 12.8 V, transmitting 12.5 V (drop 0.3 V); 12 V system", ""},
        {"vhf-antenna", "VHF antenna", ok, "Forward power 212, reverse power 9 (ratio 23.6)", ""},
        {"receivers", "Receiver noise level", ok, "receiver 1 -107.5 dBm, receiver 2 -108.0 dBm",
         ""},
        {"reception", "AIS reception", ok,
         "Channel A 14/min, channel B 13/min; 9 stations in the last 10 min; farthest 9.1 NM "
         "(211000123)",
         ""},
        {"alarms", "Alarms and messages", ok, "No active alarm", ""},
    };
    // Open water all round but for the harbour wall between north-east and east.
    for (std::size_t i = 0; i < r.Coverage.FarthestNm.size(); ++i) {
        const bool wall = i >= 3 && i <= 8;
        r.Coverage.FarthestNm[i] = wall ? 2.4 + 0.2 * static_cast<double>(i % 3)
                                        : 7.6 + 0.9 * std::sin(static_cast<double>(i) * 0.7);
    }
    r.Coverage.FarthestNm[20] = 9.1;
    r.Coverage.FarthestA = 9.1;
    r.Coverage.FarthestB = 8.4;
    return r;
}

TInstallReport MixedReport() {
    TInstallReport r = SampleReport();
    r.Checks[0].Verdict = TVerdict::Waiting;
    r.Checks[0].Figures = "No fix reported for 14 s; satellites 3 in view, 0 used";
    r.Checks[5].Verdict = TVerdict::Fault;
    r.Checks[5].Figures = "Idle 10.2 V, transmitting 9.1 V (drop 1.1 V); 12 V system";
    r.Checks[5].Advice = "The supply is low: charge the battery and check the supply cable, fuse "
                         "and connections.";
    return r;
}
