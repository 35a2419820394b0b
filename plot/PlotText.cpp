#include "plot/PlotText.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace {

const std::string kDegree = "\xC2\xB0";
const std::string kNa = "n.a.";

std::string Fixed(double V, int Decimals) {
    if (V == 0) V = 0; // no "-0.0"
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, V, std::chars_format::fixed, Decimals);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : kNa;
}

// Whole degrees from 0 to 359.
std::string Degrees(double V) {
    long d = std::lround(V) % 360;
    if (d < 0) d += 360;
    return std::to_string(d) + kDegree;
}

} // namespace

std::string KindText(TPlotKind K) {
    switch (K) {
    case TPlotKind::ClassA:
        return "class A";
    case TPlotKind::ClassB:
        return "class B";
    case TPlotKind::BaseStation:
        return "base station";
    case TPlotKind::AtoN:
        return "aid to navigation";
    case TPlotKind::SarAircraft:
        return "SAR aircraft";
    case TPlotKind::Distress:
        return "distress device (man overboard, AIS-SART or EPIRB-AIS)";
    case TPlotKind::Unknown:
        break;
    }
    return "class not known";
}

std::vector<std::string> TargetDetails(const TPlotTarget& T, const TMotion& Own,
                                       const TPlotLive& Live) {
    std::vector<std::string> lines;
    lines.push_back((T.Name.empty() ? std::string() : T.Name + ", ") + "MMSI " + T.Mmsi + ", " +
                    KindText(T.Kind));
    if (PositionKnown(Own) && PositionKnown(T.Motion)) {
        const TNmOffset o = OffsetNm(Own.Lat, Own.Lon, T.Motion.Lat, T.Motion.Lon);
        const double bearing = std::atan2(o.East, o.North) * 180 / std::numbers::pi;
        lines.push_back("Range " + Fixed(std::hypot(o.East, o.North), 1) + " NM, bearing " +
                        Degrees(bearing));
    } else {
        lines.push_back("Range " + kNa + ", bearing " + kNa);
    }
    lines.push_back("SOG " + (SogKnown(T.Motion.Sog) ? Fixed(T.Motion.Sog, 1) + " kn" : kNa) +
                    ", COG " + (CogKnown(T.Motion.Cog) ? Degrees(T.Motion.Cog) : kNa));
    if (Live.Cpa.CpaNm)
        lines.push_back("CPA " + Fixed(*Live.Cpa.CpaNm, 1) + " NM, TCPA " +
                        (Live.Cpa.TcpaMin ? Fixed(*Live.Cpa.TcpaMin, 1) + " min" : kNa));
    if (Live.Dangerous) lines.push_back("Dangerous: inside the CPA and TCPA alert limits");
    if (Live.Lost) lines.push_back("Lost: its reports have stopped");
    return lines;
}
