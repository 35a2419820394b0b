#include "targets/Cpa.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kRad = std::numbers::pi / 180;

} // namespace

bool MotionKnown(const TMotion& M) {
    return PositionKnown(M) && SogKnown(M.Sog) && CogKnown(M.Cog);
}

TCpa CalcCpa(const TMotion& Own, const TMotion& Target) {
    if (!MotionKnown(Own) || !MotionKnown(Target)) return {};
    double dLon = Target.Lon - Own.Lon;
    if (dLon > 180) dLon -= 360; // the short way round
    if (dLon < -180) dLon += 360;
    // Nautical miles east and north of the own ship, and knots.
    const double x = dLon * 60 * std::cos(Own.Lat * kRad);
    const double y = (Target.Lat - Own.Lat) * 60;
    const double vx = Target.Sog * std::sin(Target.Cog * kRad) - Own.Sog * std::sin(Own.Cog * kRad);
    const double vy = Target.Sog * std::cos(Target.Cog * kRad) - Own.Sog * std::cos(Own.Cog * kRad);
    const double v2 = vx * vx + vy * vy;
    if (v2 < 1e-9) return {std::hypot(x, y), std::nullopt}; // the distance stays as it is
    const double hours = -(x * vx + y * vy) / v2;
    return {std::hypot(x + vx * hours, y + vy * hours), hours * 60};
}

bool Dangerous(const TCpa& C, const TCpaLimits& L) {
    return C.CpaNm && C.TcpaMin && *C.CpaNm < L.CpaNm && *C.TcpaMin >= 0 && *C.TcpaMin <= L.TcpaMin;
}
