// Flat-earth range and bearing. Positions are read with from_chars and written with to_chars,
// so the user's locale never changes a decimal separator.

#include "targets/Geodesy.h"

#include "nmea/Decimal.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <string_view>

namespace {

const std::string kNa = "n.a.";

// The four positions in minutes of arc, and the cosine of the own latitude; false when any
// text is not a number or a latitude or longitude lies beyond its upper bound.
struct TFlat {
    double oLat, oLon, tLat, tLon, k;
};

bool ToFlat(const TGeoCoor& Own, const TGeoCoor& Target, TFlat& F) {
    if (!ReadDecimal(Own.Lat, F.oLat) || !ReadDecimal(Own.Lon, F.oLon) ||
        !ReadDecimal(Target.Lat, F.tLat) || !ReadDecimal(Target.Lon, F.tLon))
        return false;
    F.oLat *= 60;
    F.oLon *= 60;
    F.tLat *= 60;
    F.tLon *= 60;
    if (F.oLat > 5400 || F.tLat > 5400 || F.oLon > 10800 || F.tLon > 10800) return false;
    F.k = std::cos(F.oLat / 60 * std::numbers::pi / 180);
    return true;
}

std::string WholeText(double V) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, V, std::chars_format::fixed, 0);
    return std::string(buf, r.ptr);
}

} // namespace

std::string CalcRange(const TGeoCoor& Own, const TGeoCoor& Target) {
    TFlat f;
    if (!ToFlat(Own, Target, f)) return kNa;
    const double dx = f.k * (f.oLon - f.tLon);
    const double dy = f.oLat - f.tLat;
    const double range = std::hypot(dx, dy); // no overflow for far-off southern or western texts
    if (!std::isfinite(range)) return kNa;

    // One decimal while that keeps four significant digits, else none.
    const double tenths = std::round(range * 10); // halves away from zero
    if (tenths < 10000) {
        const auto t = static_cast<long>(tenths);
        std::string s = std::to_string(t / 10);
        s += '.';
        s += static_cast<char>('0' + t % 10);
        return s;
    }
    // 10000 nm and more cannot keep to four significant digits: the whole number is written.
    return WholeText(std::round(range));
}

std::string CalcBearing(const TGeoCoor& Own, const TGeoCoor& Target) {
    TFlat f;
    if (!ToFlat(Own, Target, f)) return kNa;
    const double dx = f.k * (f.tLon - f.oLon); // east positive
    const double dy = f.tLat - f.oLat;         // north positive
    double bearing;
    if (dy == 0) {
        // On the own latitude the bearing is due east or west; only the own position itself
        // has none.
        if (dx == 0 || std::isnan(dx)) return kNa;
        bearing = dx > 0 ? 90 : 270;
    } else {
        const double a = std::atan(dx / dy) * 180 / std::numbers::pi;
        if (dy > 0)
            bearing = dx >= 0 ? a : a + 360;
        else
            bearing = a + 180;
    }
    if (!(bearing >= 0 && bearing <= 360)) return kNa; // NaN from texts far out of range
    return std::to_string(static_cast<long>(std::round(bearing)));
}

bool RangeAndBearing(const TGeoCoor& Own, double Lat, double Lon, double& RangeNm,
                     double& BearingDeg) {
    double oLat, oLon;
    if (!ReadDecimal(Own.Lat, oLat) || !ReadDecimal(Own.Lon, oLon)) return false;
    if (std::fabs(oLat) > 90 || std::fabs(oLon) > 180) return false;
    const double dx = std::cos(oLat * std::numbers::pi / 180) * (Lon - oLon) * 60;
    const double dy = (Lat - oLat) * 60;
    RangeNm = std::hypot(dx, dy);
    double b = std::atan2(dx, dy) * 180 / std::numbers::pi;
    if (b < 0) b += 360;
    BearingDeg = b >= 360 ? 0 : b;
    return std::isfinite(RangeNm);
}
