#pragma once
// Flat-earth range and bearing from the own position to a target.

#include <string>

// A position as two texts of signed decimal degrees ("." separator); any other text means
// that no valid position is known.
struct TGeoCoor {
    std::string Lat;
    std::string Lon;
};

// The own ship's speed (knots) and course (degrees true) as last reported, by its own position
// report or RMC, beside the own position; a text that is no number means not known.
struct TOwnCourse {
    std::string Sog = "n.a.";
    std::string Cog = "n.a.";
};

// Range in nautical miles, one decimal and at most four significant digits, or "n.a.".
std::string CalcRange(const TGeoCoor& Own, const TGeoCoor& Target);
// True bearing in whole degrees (at most three significant digits), or "n.a.".
std::string CalcBearing(const TGeoCoor& Own, const TGeoCoor& Target);

// The same flat-earth range (nautical miles) and true bearing (degrees from 0 up to 360) as
// numbers, to a position in decimal degrees; false when the own position is not valid.
bool RangeAndBearing(const TGeoCoor& Own, double Lat, double Lon, double& RangeNm,
                     double& BearingDeg);
