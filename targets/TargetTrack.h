#pragma once
// What the target list needs of a target in numbers, beside its row's display texts: class,
// motion, navigational status and the time of its last report. Kept for every target so
// that sorting, filtering, CPA and the lost mark never parse a cell again.

#include "ais/AIS_Codec.h"
#include "targets/Cpa.h"
#include "targets/Geodesy.h"
#include "targets/LostTarget.h"

#include <optional>
#include <string>

struct TTrack {
    std::optional<TStationClass> Class; // from position reports, else from static reports
    TMotion Motion;                     // not available until a position report
    int NavStatus = 15;                 // class A only; 15 is "not defined"
    double LastReport = 0;              // UTC days
};

// A decoded position report into the track, its class from the report's class text. NavStatus
// is the raw 4-bit field (15 for class B and the stations that are not vessels).
void TrackPosition(TTrack& T, const TDynamic& D, int NavStatus, double Now);
// A static report: its class when no position report has told it yet.
void TrackStatic(TTrack& T, TStationClass Class, double Now);

// Position and velocity texts as numbers; AIS's "not available" values where a text is none.
TMotion MotionOf(const TGeoCoor& Pos, const TOwnCourse& Course);

// Distance on the local plane from the own position, the short way across 180 degrees; none
// when either position is unknown.
std::optional<double> RangeNm(const TMotion& Own, const TMotion& Target);

// Seconds since the last report at Now (days).
inline double SecondsSince(const TTrack& T, double Now) {
    return (Now - T.LastReport) * 86400;
}
bool TrackLost(const TTrack& T, double Now);
