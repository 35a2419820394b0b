#include "targets/TargetTrack.h"

#include "nmea/Decimal.h"
#include "targets/OtherStation.h"

#include <cmath>
#include <numbers>

namespace {

// The text's number, or the given "not available" value.
double Number(const std::string& Text, double NotAvailable) {
    double v = NotAvailable;
    return ReadDecimal(Text, v) ? v : NotAvailable;
}

} // namespace

void TrackPosition(TTrack& T, const TDynamic& D, int NavStatus, double Now) {
    T.Class = StationClassOf(D.AISclass).value_or(TStationClass::B);
    T.Motion = {Number(D.Lat, 91), Number(D.Lon, 181), Number(D.Speed, 102.3), Number(D.COG, 360)};
    T.NavStatus = NavStatus;
    T.LastReport = Now;
}

void TrackStatic(TTrack& T, TStationClass Class, double Now) {
    if (!T.Class) T.Class = Class;
    T.LastReport = Now;
}

TMotion MotionOf(const TGeoCoor& Pos, const TOwnCourse& Course) {
    return {Number(Pos.Lat, 91), Number(Pos.Lon, 181), Number(Course.Sog, 102.3),
            Number(Course.Cog, 360)};
}

std::optional<double> RangeNm(const TMotion& Own, const TMotion& Target) {
    if (!PositionKnown(Own) || !PositionKnown(Target)) return std::nullopt;
    double dLon = Target.Lon - Own.Lon;
    if (dLon > 180) dLon -= 360;
    if (dLon < -180) dLon += 360;
    const double x = dLon * 60 * std::cos(Own.Lat * std::numbers::pi / 180);
    const double y = (Target.Lat - Own.Lat) * 60;
    return std::hypot(x, y);
}

bool TrackLost(const TTrack& T, double Now) {
    return Lost(T.Class.value_or(TStationClass::B), T.Motion.Sog, T.NavStatus,
                SecondsSince(T, Now));
}
