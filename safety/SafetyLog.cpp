#include "safety/SafetyLog.h"

#include "nmea/Decimal.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

constexpr std::string_view kNa = "n.a.";
constexpr std::string_view kDegree = "\xC2\xB0"; // UTF-8
constexpr double kUnixEpochDays = 25569.0;       // 1970-01-01 counted from 1899-12-30
constexpr double kMaxAbsDays = 3.0e6;            // some 8000 years either way
constexpr long long kSilenceMs = 10 * 60 * 1000;

// Whole seconds since 1970-01-01 of Time, rounded; none for a time beyond any calendar.
std::optional<long long> UnixSeconds(double Time) {
    if (!std::isfinite(Time) || std::fabs(Time) > kMaxAbsDays) return std::nullopt;
    return std::llround((Time - kUnixEpochDays) * 86400.0);
}

void AppendTwo(std::string& S, long long V) {
    S += static_cast<char>('0' + V / 10);
    S += static_cast<char>('0' + V % 10);
}

std::string ClockText(long long Seconds) {
    const long long sod = ((Seconds % 86400) + 86400) % 86400;
    std::string s;
    AppendTwo(s, sod / 3600);
    s += ':';
    AppendTwo(s, sod / 60 % 60);
    s += ':';
    AppendTwo(s, sod % 60);
    return s;
}

// Milliseconds from Then to Now, rounded: days are binary fractions, and ten minutes computed
// from them directly can come out a hair above or below.
long long MsBetween(double Then, double Now) {
    return std::llround((Now - Then) * 86400000.0);
}

bool UsablePosition(const TPosition& P) {
    return P.Valid && std::isfinite(P.Lat) && std::isfinite(P.Lon) && std::fabs(P.Lat) <= 90.0 &&
           std::fabs(P.Lon) <= 180.0;
}

// Degrees and minutes to a ten-thousandth of a minute, as the codec writes them ("54° 10.1230'
// N"). Rounded from the number, not read from a decimal text: a position from the air is a
// whole number of ten-thousandths, and its binary degrees lie a hair off that.
std::string DegMinText(double V, int DegWidth, char Pos, char Neg) {
    const long long units = std::llround(std::fabs(V) * 600000.0);
    const long long deg = units / 600000, rest = units % 600000;
    std::string s;
    const std::string d = std::to_string(deg);
    for (int k = static_cast<int>(d.size()); k < DegWidth; ++k) s += '0';
    s += d;
    s += kDegree;
    s += ' ';
    AppendTwo(s, rest / 10000);
    s += '.';
    const std::string frac = std::to_string(rest % 10000 + 10000); // leading "1" keeps zeros
    s += frac.substr(1);
    s += "' ";
    s += (V < 0 && units != 0) ? Neg : Pos;
    return s;
}

} // namespace

std::optional<TDistressKind> DistressKindOf(std::string_view Mmsi) {
    if (Mmsi.size() != 9) return std::nullopt;
    for (const char c : Mmsi)
        if (c < '0' || c > '9') return std::nullopt;
    const std::string_view prefix = Mmsi.substr(0, 3);
    if (prefix == "970") return TDistressKind::Sart;
    if (prefix == "972") return TDistressKind::Mob;
    if (prefix == "974") return TDistressKind::Epirb;
    return std::nullopt;
}

std::string DistressKindText(TDistressKind Kind) {
    switch (Kind) {
    case TDistressKind::Sart:
        return "AIS-SART";
    case TDistressKind::Mob:
        return "Man overboard";
    case TDistressKind::Epirb:
        return "EPIRB-AIS";
    }
    return std::string(kNa);
}

std::string UtcTimeText(double Time) {
    const auto s = UnixSeconds(Time);
    return s ? ClockText(*s) : std::string(kNa);
}

std::string UtcDateTimeText(double Time) {
    const auto s = UnixSeconds(Time);
    if (!s) return std::string(kNa);
    // the standard library's proleptic Gregorian calendar, as the target export's dates
    using namespace std::chrono;
    const year_month_day ymd{floor<days>(sys_seconds{seconds{*s}})};
    const long long y = static_cast<int>(ymd.year());
    const auto m = static_cast<unsigned>(ymd.month());
    const auto d = static_cast<unsigned>(ymd.day());
    std::string out;
    if (y < 0) out += '-';
    const std::string ys = std::to_string(y < 0 ? -y : y);
    for (std::size_t k = ys.size(); k < 4; ++k) out += '0';
    out += ys;
    out += '-';
    AppendTwo(out, m);
    out += '-';
    AppendTwo(out, d);
    out += ' ';
    out += ClockText(*s);
    return out;
}

bool SafetyMessageOf(const TAisMessage& M, double Now, TSafetyMessage& Out) {
    if (M.MsgID == 12 && M.MsgStr.size() >= kMsg12Chars) {
        const TMsg12 m = DecodeMsg12(M.MsgStr, M.FillBits);
        Out = TSafetyMessage{Now, NineDigitMmsi(m.MMSI), NineDigitMmsi(m.DestMMSI), m.Text};
        return true;
    }
    if (M.MsgID == 14 && M.MsgStr.size() >= kMsg14Chars) {
        const TMsg14 m = DecodeMsg14(M.MsgStr, M.FillBits);
        Out = TSafetyMessage{Now, NineDigitMmsi(m.MMSI), {}, m.Text};
        return true;
    }
    return false;
}

void TSafetyLog::Add(TSafetyMessage M) {
    ++FAdded;
    if (FCapacity == 0) return;
    if (FMessages.size() >= FCapacity) FMessages.pop_back();
    FMessages.push_front(std::move(M));
}

bool TDistressAlerts::Heard(const std::string& Mmsi, double Now, const TPosition& Pos,
                            std::string_view Text) {
    const auto kind = DistressKindOf(Mmsi);
    if (!kind) return false;
    // A clock that is not a number must not stick to a device and stop every later
    // comparison of its silence.
    const bool clock = std::isfinite(Now);

    auto it = std::find_if(FEntries.begin(), FEntries.end(),
                           [&](const TEntry& E) { return E.Alert.Mmsi == Mmsi; });
    bool raised = false;
    if (it == FEntries.end()) {
        MakeRoom();
        TEntry e;
        e.Alert.Mmsi = Mmsi;
        e.Alert.Kind = *kind;
        e.Alert.FirstHeard = e.Alert.LastHeard = clock ? Now : 0.0;
        FEntries.push_back(std::move(e));
        it = FEntries.end() - 1;
        raised = true;
    } else if (it->Alert.Acknowledged && clock &&
               MsBetween(std::max(it->Alert.LastHeard, it->Alert.AcknowledgedAt), Now) >
                   kSilenceMs) {
        raised = true;
    }

    TDistressAlert& a = it->Alert;
    if (clock) a.LastHeard = Now;
    if (UsablePosition(Pos)) a.Pos = Pos;
    if (!Text.empty() && Text != kNa) a.Text = std::string(Text);
    if (raised) {
        a.Acknowledged = false;
        a.Raised = a.LastHeard;
        it->RaisedSeq = ++FRaises;
    }
    return raised;
}

void TDistressAlerts::MakeRoom() {
    if (FEntries.size() < FMaxDevices) return;
    // The acknowledged device heard longest ago goes first; only when every alert is showing
    // does the one heard longest ago go.
    auto older = [](const TEntry& A, const TEntry& B) {
        if (A.Alert.Acknowledged != B.Alert.Acknowledged) return A.Alert.Acknowledged;
        return A.Alert.LastHeard < B.Alert.LastHeard;
    };
    FEntries.erase(std::min_element(FEntries.begin(), FEntries.end(), older));
}

void TDistressAlerts::Acknowledge(double Now) {
    for (TEntry& e : FEntries) {
        if (e.Alert.Acknowledged) continue;
        e.Alert.Acknowledged = true;
        e.Alert.AcknowledgedAt = std::isfinite(Now) ? Now : 0.0;
    }
}

std::vector<TDistressAlert> TDistressAlerts::Showing() const {
    std::vector<const TEntry*> showing;
    for (const TEntry& e : FEntries)
        if (!e.Alert.Acknowledged) showing.push_back(&e);
    std::sort(showing.begin(), showing.end(),
              [](const TEntry* A, const TEntry* B) { return A->RaisedSeq > B->RaisedSeq; });
    std::vector<TDistressAlert> out;
    out.reserve(showing.size());
    for (const TEntry* e : showing) out.push_back(e->Alert);
    return out;
}

bool TDistressAlerts::Any() const {
    return std::any_of(FEntries.begin(), FEntries.end(),
                       [](const TEntry& E) { return !E.Alert.Acknowledged; });
}

std::vector<TDistressAlert> TDistressAlerts::Devices() const {
    std::vector<TDistressAlert> out;
    out.reserve(FEntries.size());
    for (const TEntry& e : FEntries) out.push_back(e.Alert);
    return out;
}

std::string DistressText(const TDistressAlert& A, std::optional<double> RangeNm,
                         std::optional<double> BearingDeg) {
    std::string s = DistressKindText(A.Kind) + ' ' + A.Mmsi;
    if (UsablePosition(A.Pos)) {
        s += " at " + DegMinText(A.Pos.Lat, 2, 'N', 'S') + ' ' + DegMinText(A.Pos.Lon, 3, 'E', 'W');
        std::string where;
        if (RangeNm && std::isfinite(*RangeNm) && *RangeNm >= 0.0)
            where = FixedDecimals(*RangeNm, 1) + " nm";
        if (BearingDeg && std::isfinite(*BearingDeg)) {
            // Whole degrees, 0 to 359: 359.6 reads 000, as a compass shows it.
            long long b = std::llround(std::fmod(*BearingDeg, 360.0));
            b = ((b % 360) + 360) % 360;
            if (!where.empty()) where += ' ';
            where += static_cast<char>('0' + b / 100);
            AppendTwo(where, b % 100);
            where += kDegree;
        }
        if (!where.empty()) s += ", " + where;
    } else {
        s += ", position not known";
    }
    if (!A.Text.empty()) s += ": \"" + A.Text + '"';
    s += ", first heard " + UtcTimeText(A.FirstHeard) + " UTC";
    return s;
}
