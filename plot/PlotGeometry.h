#pragma once
// The plot's geometry, without Qt: what a target is to the plot, the zoom ranges and their
// range rings, the north-up projection around the own ship (flat earth, as range and bearing
// are taken in the target list), course vectors and the symbol each kind of station gets.

#include "targets/Cpa.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// Stations the plot tells apart. Only class A and B come from the target list today; the
// others have their symbols ready for the reports that will bring them.
// Distress: a man overboard device, AIS-SART or EPIRB-AIS, whatever its reports look like.
enum class TPlotKind { ClassA, ClassB, BaseStation, AtoN, SarAircraft, Distress, Unknown };

struct TPlotTarget {
    int Entry = -1;   // the target list's entry (table row Entry + 1), or below -1 (PlotScene.h)
    std::string Mmsi; // as the table shows it
    std::string Name; // UTF-8; empty until a static report names the station
    TPlotKind Kind = TPlotKind::Unknown;
    TMotion Motion;                // AIS's "not available" values where unknown
    std::optional<double> Heading; // degrees true, where the station reports one
    bool Lost = false;
    bool Dangerous = false;
};

// What follows the clock and the own ship rather than the target's reports.
struct TPlotLive {
    bool Lost = false;
    bool Dangerous = false;
    TCpa Cpa;
};

// ---- Zoom and range rings ------------------------------------------------------------------

// From the own ship to the edge of the view's shorter side, nautical miles, step by step.
inline constexpr std::array<double, 8> kPlotRangesNm = {0.5, 1, 2, 3, 6, 12, 24, 48};
inline constexpr int kPlotDefaultZoom = 4; // 6 NM
int ClampZoom(int Step);
double ZoomRangeNm(int Step); // the step clamped first
// Three or four rings at round distances, the outer one at the range (two at 0.5 NM).
double RingSpacingNm(int Step);
std::vector<double> RingsNm(int Step);

// ---- Projection ----------------------------------------------------------------------------

struct TNmOffset {
    double East = 0, North = 0; // nautical miles
};
struct TPlotPoint {
    double X = 0, Y = 0; // pixels, y down
};

// Where a position lies from the own position on the local flat plane (a minute of latitude
// is a mile, a minute of longitude the cosine of the own latitude of one), the short way
// across 180 degrees.
TNmOffset OffsetNm(double OwnLat, double OwnLon, double Lat, double Lon);

// Positions that can project into a view. Longitudes run eastwards from West to East, across
// 180 degrees when West > East; AllLongitudes near the poles, where the view spans them all.
struct TGeoBox {
    double LatMin = 0, LatMax = 0;
    double West = 0, East = 0;
    bool AllLongitudes = false;
};

class TPlotProjection {
public:
    // North up, the own position at the centre of a Width x Height pixel view, RangeNm from it
    // to the edge of the shorter side.
    TPlotProjection(double OwnLat, double OwnLon, double RangeNm, double Width, double Height);

    double PixelsPerNm() const { return FPpn; }
    TPlotPoint Centre() const { return {FWidth / 2, FHeight / 2}; }
    double Width() const { return FWidth; }
    double Height() const { return FHeight; }
    TPlotPoint FromNm(TNmOffset O) const;
    TNmOffset ToNm(TPlotPoint P) const;
    TPlotPoint ToScreen(double Lat, double Lon) const;
    // Within the view widened by MarginPx on every side.
    bool Inside(TPlotPoint P, double MarginPx) const;
    // The positions whose points lie inside the view widened by MarginPx; a box around a
    // point, RadiusPx each way.
    TGeoBox Box(double MarginPx) const;
    TGeoBox BoxAround(TPlotPoint P, double RadiusPx) const;

private:
    TGeoBox BoxOfNm(double West, double East, double South, double North) const;

    double FLat, FLon, FPpn, FWidth, FHeight;
};

// How far the station gets in six minutes at its speed over ground along its course; none
// when either is not available.
std::optional<TNmOffset> CourseVector(const TMotion& M);
inline constexpr double kVectorMinutes = 6;

// ---- Symbols -------------------------------------------------------------------------------

enum class TPlotSymbol { ClassA, ClassB, Square, Diamond, Aircraft, Circle, Distress };
struct TPlotShape {
    TPlotSymbol Symbol = TPlotSymbol::Circle;
    std::optional<double> Rotation; // degrees clockwise from north; none: drawn as it is
};
// Vessels point along their heading, or their course when no heading is reported; a vessel
// going nowhere known is a circle, as is a station of unknown kind. Base stations and aids to
// navigation never turn; an aircraft without a course points north.
TPlotShape ShapeOf(const TPlotTarget& T);

// The alert outranks the lost mark: a lost target on a collision course is still drawn red.
enum class TPlotTone { Normal, Lost, Dangerous };
TPlotTone ToneOf(bool Lost, bool Dangerous);

// The coverage trace: the farthest station of each 10 degree sector at the sector's middle
// bearing, as offsets from the own ship, the first repeated at the end; none when nothing was
// heard. Negative, infinite or non-number distances count as nothing heard.
std::vector<TNmOffset> CoverageOutline(const std::array<double, 36>& FarthestNm);
