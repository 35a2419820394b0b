#include "install/InstallChecks.h"

#include "ais/AIS_Codec.h"
#include "nmea/Decimal.h"
#include "nmea/Latin1.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSecondsPerDay = 86400;

// The class B schedule: every 30 s above 2 knots, every 3 minutes below.
constexpr double kFastInterval = 30, kSlowInterval = 180;
// Longest wait for the first own report: a moored unit's 3 minutes and a margin.
constexpr double kFirstReportLimit = kSlowInterval + 20;
// Static data goes out every 6 minutes.
constexpr double kStaticLimit = 6 * 60 + 30;

std::string Whole(double V) {
    return FixedDecimals(std::round(V), 0);
}

// "12 s", "3 min 5 s", "2 h 4 min".
std::string Duration(double Seconds) {
    const long long s = static_cast<long long>(std::max(0.0, std::round(Seconds)));
    if (s < 120) return std::to_string(s) + " s";
    if (s < 7200)
        return std::to_string(s / 60) + " min" +
               (s % 60 ? " " + std::to_string(s % 60) + " s" : "");
    return std::to_string(s / 3600) + " h " + std::to_string(s / 60 % 60) + " min";
}

struct TContext {
    const TInstallInputs& In;
    double Since(double At) const { return (In.Now - At) * kSecondsPerDay; }
    bool Fresh(double At) const { return At > 0 && Since(At) <= kStaleSeconds; }
    bool Connected() const { return In.ListeningSince > 0; }
    double Listened() const { return Connected() ? Since(In.ListeningSince) : 0; }
    bool LampLit(int Bit) const { return Fresh(In.Status->LedAt) && (In.Status->LED >> Bit) & 1; }
};

TCheck Make(const char* Id, const char* Title, TVerdict V, std::string Figures,
            std::string Advice = {}) {
    return TCheck{Id, Title, V, std::move(Figures),
                  V == TVerdict::OK ? std::string() : std::move(Advice)};
}

// A reading that never came or has gone stale: its check waits, with the age shown.
std::optional<TCheck> Unread(const TContext& X, const char* Id, const char* Title, double At,
                             const char* What) {
    if (At <= 0) return Make(Id, Title, TVerdict::Waiting, std::string("No ") + What + " yet");
    if (!X.Fresh(At))
        return Make(Id, Title, TVerdict::Waiting,
                    std::string("No ") + What + " for " + Duration(X.Since(At)),
                    "Check that the unit is connected and its sentences arrive.");
    return std::nullopt;
}

// ---- GPS ---------------------------------------------------------------------------------------

TCheck GpsCheck(const TContext& X) {
    const char *id = "gps", *title = "GPS fix";
    const TDUT_Status& s = *X.In.Status;
    if (auto w = Unread(X, id, title, s.GpsAt, "GPS sentence")) return *w;
    const std::string sats = "satellites " + s.SatView + " in view, " + s.SatUsed + " used";
    const std::string lastFix =
        s.FixAt > 0 ? "last fix " + Duration(X.Since(s.FixAt)) + " ago" : "no fix since the start";
    if (s.ValidFix == "No Fix.")
        return Make(id, title, TVerdict::Fault, "No fix; " + sats + "; " + lastFix,
                    "Give the GPS antenna a clear view of the sky and check its cable and "
                    "connector; a first fix can take a few minutes.");
    if (s.ValidFix != "OK" || !X.Fresh(s.FixAt))
        return Make(id, title, TVerdict::Waiting,
                    (s.FixAt > 0 ? "No fix reported for " + Duration(X.Since(s.FixAt))
                                 : std::string("Fix not reported yet")) +
                        "; " + sats);
    double lat, lon;
    if (!ReadDecimal(X.In.OwnPos.Lat, lat) || !ReadDecimal(X.In.OwnPos.Lon, lon) ||
        std::fabs(lat) > 90 || std::fabs(lon) > 180)
        return Make(id, title, TVerdict::Check, "Fix reported without a readable position; " + sats,
                    "Check the GPS receiver's output sentences.");
    return Make(id, title, TVerdict::OK,
                "Fix; " + sats + "; " + Latin1ToUtf8(LatToDegMin(X.In.OwnPos.Lat)) + " " +
                    Latin1ToUtf8(LonToDegMin(X.In.OwnPos.Lon)) + "; " + lastFix);
}

// ---- Identity ----------------------------------------------------------------------------------

TCheck MmsiCheck(const TContext& X) {
    const char *id = "mmsi", *title = "MMSI";
    if (!X.In.Config.MMSI) return Make(id, title, TVerdict::Waiting, "Not read yet");
    const std::string& m = *X.In.Config.MMSI;
    const TMmsiKind k = MmsiKind(m);
    switch (k) {
    case TMmsiKind::Ship:
        return Make(id, title, TVerdict::OK,
                    m + " (a ship's, country code " + m.substr(0, 3) + ")");
    case TMmsiKind::None:
        return Make(id, title, TVerdict::Fault, "No MMSI programmed",
                    "Enter the MMSI from the ship's radio licence on the Static data tab and "
                    "press Save; the unit does not transmit without one.");
    case TMmsiKind::Invalid:
        return Make(id, title, TVerdict::Fault, "\"" + m + "\" is not nine digits",
                    "Enter the nine-digit MMSI from the ship's radio licence and press Save.");
    default:
        return Make(id, title, TVerdict::Fault,
                    m + " is " + std::string(MmsiKindText(k)) + "'s, not a ship's",
                    "A ship's transponder needs a ship's MMSI (first digit 2 to 7) from the "
                    "radio licence: enter it and press Save.");
    }
}

bool Blank(const std::optional<std::string>& S) {
    return !S || S->find_first_not_of(" @") == std::string::npos;
}

TCheck IdentityCheck(const TContext& X) {
    const char *id = "identity", *title = "Name and call sign";
    const TUnitConfig& c = X.In.Config;
    if (!c.ShipsName || !c.CallSign) return Make(id, title, TVerdict::Waiting, "Not read yet");
    const std::string name = Blank(c.ShipsName) ? "no name" : *c.ShipsName;
    const std::string call = Blank(c.CallSign) ? "no call sign" : *c.CallSign;
    const TVerdict v = Blank(c.ShipsName) || Blank(c.CallSign) ? TVerdict::Check : TVerdict::OK;
    return Make(id, title, v, name + ", " + call,
                "Enter the ship's name and call sign as the radio licence gives them on the "
                "Static data tab and press Save, so other ships can call you.");
}

TCheck AntennaPositionCheck(const TContext& X) {
    const char *id = "antenna-position", *title = "GPS antenna position";
    const TUnitConfig& c = X.In.Config;
    const std::optional<std::string>* texts[] = {&c.A, &c.B, &c.C, &c.D};
    int d[4];
    std::string figures;
    for (int i = 0; i < 4; ++i) {
        if (!*texts[i]) return Make(id, title, TVerdict::Waiting, "Not read yet");
        if (!ReadWholeNumber(**texts[i], d[i]) || d[i] < 0)
            return Make(id, title, TVerdict::Check,
                        std::string(1, static_cast<char>('A' + i)) + " reads \"" + **texts[i] +
                            "\"",
                        "Enter the distances A to D in whole metres and press Save.");
        figures += std::string(i ? ", " : "") + static_cast<char>('A' + i) + " " +
                   std::to_string(d[i]) + " m";
    }
    const int length = d[0] + d[1], beam = d[2] + d[3];
    figures = "Length " + std::to_string(length) + " m, beam " + std::to_string(beam) + " m (" +
              figures + ")";
    const char* measure = "Measure the GPS antenna's distance to bow (A), stern (B), port (C) "
                          "and starboard (D), enter them and press Save.";
    if (std::count(d, d + 4, 0) > 0)
        return Make(id, title, TVerdict::Check, figures + "; a distance is 0", measure);
    if (beam > length)
        return Make(id, title, TVerdict::Check, figures + "; beam greater than length", measure);
    return Make(id, title, TVerdict::OK, figures);
}

// ---- Transmitter -------------------------------------------------------------------------------

TCheck TransmitterCheck(const TContext& X) {
    const char *id = "transmitter", *title = "Transmitter";
    if (!X.Connected()) return Make(id, title, TVerdict::Waiting, "Not connected");
    const TInstallWatch& w = *X.In.Watch;
    const auto& reports = w.OwnReports();
    const double listened = X.Listened();
    const bool rxOnly = X.LampLit(4);
    const bool noMmsi = X.In.Config.MMSI && MmsiKind(*X.In.Config.MMSI) == TMmsiKind::None;
    const char* rxOnlyAdvice = "Open the receive-only (silent) switch, or set the switch type to "
                               "none on the Static data tab, so the unit transmits again.";

    std::string lamp = w.TxLampAt() > 0 ? "TX lamp lit" : "TX lamp not seen lit";
    std::string statics;
    if (w.Own24AAt() > 0 && w.Own24BAt() > 0)
        statics = "static reports A and B sent";
    else if (w.Own24AAt() > 0 || w.Own24BAt() > 0)
        statics = std::string("static report ") + (w.Own24AAt() > 0 ? "A" : "B") + " sent only";
    else
        statics = "no static report yet";

    if (reports.empty()) {
        const std::string none = "No own position report in " + Duration(listened);
        if (rxOnly)
            return Make(id, title, TVerdict::Fault, none + "; receive-only mode (RX Only lamp lit)",
                        rxOnlyAdvice);
        if (noMmsi)
            return Make(id, title, TVerdict::Check, none + "; no MMSI programmed (see MMSI)",
                        "The unit transmits only once an MMSI is programmed.");
        if (listened < kFirstReportLimit)
            return Make(id, title, TVerdict::Waiting,
                        "No own report yet, listening " + Duration(listened) +
                            " (a moored unit reports every 3 min)");
        return Make(id, title, TVerdict::Fault, none + "; " + lamp,
                    "The unit does not transmit: check that it is not in silent mode and check the "
                    "VHF antenna and cable; if it stays so, have the unit serviced.");
    }

    const TOwnReport& last = reports.back();
    const bool fast = last.SogKnots && *last.SogKnots > 2;
    const double expected = fast ? kFastInterval : kSlowInterval;
    std::string figures =
        "Position reports due every " + Duration(expected) + " at " +
        (last.SogKnots ? FixedDecimals(*last.SogKnots, 1) + " kn" : "unknown speed");
    double longest = 0;
    if (reports.size() > 1) {
        figures += ", intervals";
        const std::size_t first = reports.size() > 6 ? reports.size() - 6 : 1;
        for (std::size_t i = first; i < reports.size(); ++i) {
            const double gap = (reports[i].At - reports[i - 1].At) * kSecondsPerDay;
            longest = std::max(longest, gap);
            figures += std::string(i == first ? " " : ", ") + Whole(gap);
        }
        figures += " s";
    }
    const double sinceLast = X.Since(last.At);
    figures += "; last " + Duration(sinceLast) + " ago; " + statics + "; " + lamp;
    const double limit = expected * 1.5 + 10;
    // One report shows the transmitter works; the schedule needs a second one.
    if (reports.size() == 1 && sinceLast <= limit)
        return Make(id, title, TVerdict::Waiting, figures + "; waiting for the next report");
    if (sinceLast > limit) {
        if (rxOnly)
            return Make(id, title, TVerdict::Fault,
                        figures + "; receive-only mode (RX Only lamp lit)", rxOnlyAdvice);
        return Make(id, title, TVerdict::Fault, figures,
                    "Own reports have stopped: check the VHF antenna and cable and that the unit "
                    "is not in silent mode.");
    }
    if (longest > limit)
        return Make(id, title, TVerdict::Check, figures,
                    "Reports come late: the channels may be busy (a class B unit gives way) or the "
                    "unit misses its slots; watch a few more cycles.");
    if (listened > kStaticLimit && (w.Own24AAt() == 0 || w.Own24BAt() == 0))
        return Make(id, title, TVerdict::Check, figures,
                    "Static data goes out every 6 minutes: check that name, call sign and "
                    "dimensions are programmed.");
    return Make(id, title, TVerdict::OK, figures);
}

// ---- Power and antenna -------------------------------------------------------------------------

struct TSupplyLimits {
    int System;
    double FaultLow, CheckLow, CheckHigh, FaultHigh, Drop;
};
constexpr TSupplyLimits kSystems[] = {{12, 10.8, 11.5, 15.0, 16.0, 1.0},
                                      {24, 21.6, 23.0, 30.0, 32.0, 2.0}};

TVerdict VoltageVerdict(double V, const TSupplyLimits& L) {
    if (V < L.FaultLow || V > L.FaultHigh) return TVerdict::Fault;
    if (V < L.CheckLow || V > L.CheckHigh) return TVerdict::Check;
    return TVerdict::OK;
}

TCheck SupplyCheck(const TContext& X) {
    const char *id = "supply", *title = "Supply voltage";
    const TDUT_Status& s = *X.In.Status;
    if (auto w = Unread(X, id, title, s.VoltIdleAt, "voltage reading")) return *w;
    const double idle = static_cast<double>(s.VoltIdle);
    if (idle <= 0)
        return Make(id, title, TVerdict::Check, "The unit reads 0 V",
                    "A reading of 0 V cannot be right while the unit runs: if it stays so, have "
                    "the unit serviced.");
    const TSupplyLimits& l = idle >= 18 ? kSystems[1] : kSystems[0];
    std::string figures = "Idle " + FixedDecimals(idle, 1) + " V";
    TVerdict v = VoltageVerdict(idle, l);
    const bool underLoad = s.VoltTxAt > 0 && X.Since(s.VoltTxAt) <= kStaleSeconds && s.VoltTx > 0;
    double drop = 0;
    if (underLoad) {
        const double tx = static_cast<double>(s.VoltTx);
        drop = idle - tx;
        figures += ", transmitting " + FixedDecimals(tx, 1) + " V (drop " +
                   FixedDecimals(std::max(0.0, drop), 1) + " V)";
        v = std::max(v, VoltageVerdict(tx, l));
        if (drop > l.Drop) v = std::max(v, TVerdict::Check);
    } else {
        figures += ", under load not measured yet";
    }
    figures += "; " + std::to_string(l.System) + " V system";
    std::string advice;
    if (drop > l.Drop && VoltageVerdict(idle, l) == TVerdict::OK)
        advice = "The voltage sags while transmitting: use a thicker supply cable or mend a poor "
                 "connection or fuse holder.";
    else if (idle > l.CheckHigh)
        advice = "The supply is too high for the unit: check the charger or regulator.";
    else
        advice = "The supply is low: charge the battery and check the supply cable, fuse and "
                 "connections.";
    return Make(id, title, v, figures, advice);
}

TCheck VhfAntennaCheck(const TContext& X) {
    const char *id = "vhf-antenna", *title = "VHF antenna";
    const TDUT_Status& s = *X.In.Status;
    if (auto w = Unread(X, id, title, s.PowerAt, "power reading")) return *w;
    const double f = static_cast<double>(s.FwdPwr), r = static_cast<double>(s.RevPwr);
    const std::string figures = "Forward power " + Whole(f) + ", reverse power " + Whole(r);
    if (f <= 0)
        return Make(id, title, TVerdict::Waiting, figures + "; no transmission measured yet");
    if (r <= 0)
        return Make(id, title, TVerdict::Check, figures + "; reverse power reads 0",
                    "A reverse power of 0 cannot be judged: the power meter may be faulty; watch "
                    "a few more transmissions.");
    const double ratio = f / r;
    const std::string withRatio = figures + " (ratio " + FixedDecimals(ratio, 1) + ")";
    if (ratio < 3)
        return Make(id, title, TVerdict::Fault, withRatio,
                    "Much of the power comes back from the antenna: check the VHF antenna, its "
                    "cable and connectors for damage or water.");
    return Make(id, title, TVerdict::OK, withRatio);
}

// ---- Receivers ---------------------------------------------------------------------------------

TCheck ReceiverLevelCheck(const TContext& X) {
    const char *id = "receivers", *title = "Receiver noise level";
    const TDUT_Status& s = *X.In.Status;
    if (auto w =
            Unread(X, id, title, std::min(s.Rssi1At, s.Rssi2At), "level reading of both receivers"))
        return *w;
    const double levels[] = {static_cast<double>(s.RSSI1), static_cast<double>(s.RSSI2)};
    std::string figures;
    bool high = false;
    for (int i = 0; i < 2; ++i) {
        // The unit's own rule: a background of -77 dBm or more drowns weak stations.
        const bool bad = levels[i] >= -77;
        high = high || bad;
        figures += std::string(i ? ", " : "") + "receiver " + std::to_string(i + 1) + " " +
                   FixedDecimals(levels[i], 1) + " dBm" + (bad ? " (high)" : "");
    }
    figures[0] = 'R';
    return Make(id, title, high ? TVerdict::Check : TVerdict::OK, figures,
                "A high background level deafens the receiver: look for a nearby transmitter or a "
                "noisy device (inverter, charger, LED lights) near the antenna or its cable.");
}

TCheck ReceptionCheck(const TContext& X) {
    const char *id = "reception", *title = "AIS reception";
    if (!X.Connected()) return Make(id, title, TVerdict::Waiting, "Not connected");
    const TInstallWatch& w = *X.In.Watch;
    const double window = std::min(600.0, X.Listened());
    const int seconds = std::max(1, static_cast<int>(window));
    const long long a = w.SentencesWithin('A', X.In.Now, seconds);
    const long long b = w.SentencesWithin('B', X.In.Now, seconds);
    const double minutes = std::max(window, 1.0) / 60;
    long long stations = 0;
    double farthest = 0;
    std::uint32_t farthestMmsi = 0;
    for (const auto& [mmsi, st] : w.Stations()) {
        if (X.Since(st.LastAt) > 600) continue;
        ++stations;
        if (st.RangeNm && *st.RangeNm <= 500 && *st.RangeNm > farthest) {
            farthest = *st.RangeNm;
            farthestMmsi = mmsi;
        }
    }
    std::string figures = "Channel A " + Whole(a / minutes) + "/min, channel B " +
                          Whole(b / minutes) + "/min; " + std::to_string(stations) +
                          (stations == 1 ? " station" : " stations") + " in the last " +
                          Duration(window);
    if (farthestMmsi)
        figures += "; farthest " + FixedDecimals(farthest, 1) + " NM (" +
                   std::to_string(farthestMmsi) + ")";
    if (window < 60 && a + b < 20) return Make(id, title, TVerdict::Waiting, figures);
    if (std::min(a, b) == 0 && std::max(a, b) >= 10)
        return Make(id, title, TVerdict::Fault,
                    figures + "; nothing on channel " + (a == 0 ? "A" : "B"),
                    "One receiver channel hears nothing while the other hears traffic: the unit's "
                    "receiver is faulty; have it serviced.");
    if (a + b == 0)
        return Make(id, title, TVerdict::Check, "Nothing heard in " + Duration(window),
                    "No station heard: far from other ships this is normal; near traffic or the "
                    "coast check the VHF antenna and its cable.");
    if (std::max(a, b) >= 40 && std::min(a, b) * 4 < std::max(a, b))
        return Make(id, title, TVerdict::Check, figures,
                    "One channel hears far less than the other: watch longer; if it stays so, have "
                    "the receiver checked.");
    return Make(id, title, TVerdict::OK, figures);
}

// ---- Alarms ------------------------------------------------------------------------------------

TCheck AlarmCheck(const TContext& X) {
    const char *id = "alarms", *title = "Alarms and messages";
    const auto messages = X.In.Watch->ActiveMessages(X.In.Now);
    std::string alarms, texts;
    for (const TUnitMessage& m : messages)
        (m.Alarm ? alarms : texts) +=
            std::string((m.Alarm ? alarms : texts).empty() ? "" : "; ") + m.Id + " " + m.Text;
    std::string figures = alarms.empty() ? "No active alarm" : "Alarm " + alarms;
    if (!texts.empty()) figures += "; messages: " + texts;
    if (X.LampLit(2)) figures += "; Error lamp lit";
    if (!alarms.empty() || X.LampLit(2))
        return Make(
            id, title, TVerdict::Check, figures,
            "The unit reports an alarm: its text names the cause, and it clears itself once "
            "the cause is gone.");
    // No alarm means something only while the unit is heard from.
    if (auto w = Unread(X, id, title, X.In.Status->LedAt, "status report")) return *w;
    return Make(id, title, TVerdict::OK, figures);
}

} // namespace

std::string_view VerdictText(TVerdict V) {
    switch (V) {
    case TVerdict::OK:
        return "OK";
    case TVerdict::Check:
        return "check";
    case TVerdict::Fault:
        return "fault";
    case TVerdict::Waiting:
        break;
    }
    return "waiting";
}

TMmsiKind MmsiKind(std::string_view M) {
    if (M.empty() || M == "000000000") return TMmsiKind::None;
    if (M.size() != 9 || M.find_first_not_of("0123456789") != std::string_view::npos)
        return TMmsiKind::Invalid;
    if (M.starts_with("00")) return TMmsiKind::CoastStation;
    if (M[0] == '0') return TMmsiKind::Group;
    if (M.starts_with("111")) return TMmsiKind::SarAircraft;
    if (M.starts_with("970") || M.starts_with("972") || M.starts_with("974"))
        return TMmsiKind::Device;
    if (M.starts_with("99")) return TMmsiKind::AidToNavigation;
    if (M[0] >= '2' && M[0] <= '7') return TMmsiKind::Ship;
    return TMmsiKind::Other;
}

std::string_view MmsiKindText(TMmsiKind K) {
    switch (K) {
    case TMmsiKind::None:
        return "none";
    case TMmsiKind::Ship:
        return "a ship";
    case TMmsiKind::Group:
        return "a group of ships";
    case TMmsiKind::CoastStation:
        return "a coast station";
    case TMmsiKind::SarAircraft:
        return "a search and rescue aircraft";
    case TMmsiKind::AidToNavigation:
        return "an aid to navigation";
    case TMmsiKind::Device:
        return "a distress device (AIS-SART, man overboard or EPIRB)";
    case TMmsiKind::Other:
        return "another kind of station";
    case TMmsiKind::Invalid:
        break;
    }
    return "not an MMSI";
}

std::vector<TCheck> RunInstallChecks(const TInstallInputs& In) {
    static const TDUT_Status kNoStatus;
    static const TInstallWatch kNoWatch;
    TInstallInputs in = In;
    if (!in.Status) in.Status = &kNoStatus;
    if (!in.Watch) in.Watch = &kNoWatch;
    const TContext x{in};
    return {GpsCheck(x),         MmsiCheck(x),   IdentityCheck(x),   AntennaPositionCheck(x),
            TransmitterCheck(x), SupplyCheck(x), VhfAntennaCheck(x), ReceiverLevelCheck(x),
            ReceptionCheck(x),   AlarmCheck(x)};
}

bool NoFault(const std::vector<TCheck>& Checks) {
    return std::none_of(Checks.begin(), Checks.end(),
                        [](const TCheck& C) { return C.Verdict == TVerdict::Fault; });
}
