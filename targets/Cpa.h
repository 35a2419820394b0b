#pragma once
// Closest point of approach: how near a target comes if it and the own ship keep their course
// and speed, and when. Relative motion on a local flat plane around the own position, as for
// range and bearing; longitude differences are taken the short way, across 180 degrees too.

#include <optional>

// A station's motion as AIS reports it. Latitude 91, longitude 181, speed 102.3 knots and
// course 360 are AIS's "not available"; anything beyond them is impossible.
struct TMotion {
    double Lat = 91;    // degrees, north positive
    double Lon = 181;   // degrees, east positive
    double Sog = 102.3; // knots
    double Cog = 360;   // degrees true
};

// Real values, not "not available" or impossible: latitude within +-90 and longitude within
// +-180, speed 0 to 102.2 knots, course 0 to below 360.
inline bool LatKnown(double Lat) {
    return Lat >= -90 && Lat <= 90;
}
inline bool LonKnown(double Lon) {
    return Lon >= -180 && Lon <= 180;
}
inline bool PositionKnown(const TMotion& M) {
    return LatKnown(M.Lat) && LonKnown(M.Lon);
}
inline bool SogKnown(double Sog) {
    return Sog >= 0 && Sog <= 102.2;
}
inline bool CogKnown(double Cog) {
    return Cog >= 0 && Cog < 360;
}
// True when every value is a real one.
bool MotionKnown(const TMotion& M);

struct TCpa {
    std::optional<double> CpaNm;   // none when an input is unknown
    std::optional<double> TcpaMin; // negative once passed; none also at zero relative speed
};

// Own and Target must both be known; a target at the own position's speed and course keeps
// its distance, so its CPA is the range now and it has no TCPA.
TCpa CalcCpa(const TMotion& Own, const TMotion& Target);

// The alert: CPA below CpaNm and TCPA from 0 to TcpaMin minutes.
struct TCpaLimits {
    double CpaNm = 2;
    double TcpaMin = 30;
};
bool Dangerous(const TCpa& C, const TCpaLimits& L);
