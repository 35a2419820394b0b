// The plot's geometry: where positions land in a view, the zoom steps and their rings, course
// vectors, the symbol and tone of each kind of station, the coverage outline and the texts.

#include "plot/PlotGeometry.h"
#include "plot/PlotText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double kRad = std::numbers::pi / 180;

// Degrees of longitude for Nm miles east at Lat.
double LonNm(double Lat, double Nm) {
    return Nm / (60 * std::cos(Lat * kRad));
}

struct TProjectionCase {
    const char* Name;
    double OwnLat, OwnLon, Lat, Lon;
    double X, Y; // expected pixel
};

// A 400 x 300 view at 6 NM: 150 px to the shorter side's edge, 25 px a mile, centre (200, 150).
TEST(PlotProjection, PositionsLandNorthUpAroundTheOwnShip) {
    const TProjectionCase cases[] = {
        {"the own position", 54, 10, 54, 10, 200, 150},
        {"3 NM north", 54, 10, 54.05, 10, 200, 75},
        {"3 NM east", 54, 10, 54, 10 + LonNm(54, 3), 275, 150},
        {"2 NM south, 4 NM west", 54, 10, 54 - 2.0 / 60, 10 - LonNm(54, 4), 100, 200},
        {"southern hemisphere, 1 NM south", -33.9, 151.2, -33.9 - 1.0 / 60, 151.2, 200, 175},
        {"east across 180", 0, 179.95, 0, -179.95, 350, 150},
        {"west across 180", 0, -179.95, 0, 179.95, 50, 150},
        {"far outside", 54, 10, 55, 10, 200, 150 - 60 * 25},
    };
    for (const auto& c : cases) {
        const TPlotProjection p(c.OwnLat, c.OwnLon, 6, 400, 300);
        const TPlotPoint at = p.ToScreen(c.Lat, c.Lon);
        EXPECT_NEAR(at.X, c.X, 1e-6) << c.Name;
        EXPECT_NEAR(at.Y, c.Y, 1e-6) << c.Name;
        const TNmOffset back = p.ToNm(at);
        const TNmOffset direct = OffsetNm(c.OwnLat, c.OwnLon, c.Lat, c.Lon);
        EXPECT_NEAR(back.East, direct.East, 1e-9) << c.Name;
        EXPECT_NEAR(back.North, direct.North, 1e-9) << c.Name;
    }
}

TEST(PlotProjection, TheRangeReachesTheEdgeOfTheShorterSide) {
    struct TCase {
        double Range, Width, Height, PixelsPerNm;
    };
    const TCase cases[] = {
        {6, 400, 300, 25}, {6, 300, 400, 25}, {0.5, 500, 500, 500}, {48, 960, 480, 5}};
    for (const auto& c : cases) {
        const TPlotProjection p(54, 10, c.Range, c.Width, c.Height);
        EXPECT_DOUBLE_EQ(p.PixelsPerNm(), c.PixelsPerNm) << c.Range << " " << c.Width;
        // a position at the range touches the edge of the shorter side
        if (c.Height <= c.Width)
            EXPECT_NEAR(p.ToScreen(54 + c.Range / 60, 10).Y, 0, 1e-6);
        else
            EXPECT_NEAR(p.ToScreen(54, 10 + LonNm(54, c.Range)).X, c.Width, 1e-6);
    }
}

TEST(PlotZoom, StepsClampAtHalfAMileAndFortyEight) {
    const std::pair<int, double> cases[] = {{-5, 0.5}, {0, 0.5}, {1, 1},  {2, 2},  {3, 3},
                                            {4, 6},    {5, 12},  {6, 24}, {7, 48}, {20, 48}};
    for (const auto& [step, range] : cases) EXPECT_EQ(ZoomRangeNm(step), range) << step;
    EXPECT_EQ(ZoomRangeNm(kPlotDefaultZoom), 6);
}

TEST(PlotZoom, RingsAtRoundDistancesTheOuterOneAtTheRange) {
    const std::vector<std::vector<double>> rings = {
        {0.25, 0.5}, {0.25, 0.5, 0.75, 1}, {0.5, 1, 1.5, 2}, {1, 2, 3},
        {2, 4, 6},   {4, 8, 12},           {6, 12, 18, 24},  {12, 24, 36, 48}};
    for (int step = 0; step < static_cast<int>(kPlotRangesNm.size()); ++step) {
        EXPECT_EQ(RingsNm(step), rings[static_cast<std::size_t>(step)]) << step;
        EXPECT_EQ(RingsNm(step).back(), ZoomRangeNm(step)) << step;
    }
}

TEST(PlotVector, SixMinutesAlongTheCourse) {
    struct TCase {
        const char* Name;
        double Sog, Cog;
        std::optional<TNmOffset> End;
    };
    const double half = 0.6 / std::sqrt(2.0);
    const TCase cases[] = {
        {"north at 10 kn", 10, 0, TNmOffset{0, 1}},
        {"east at 10 kn", 10, 90, TNmOffset{1, 0}},
        {"south-west at 6 kn", 6, 225, TNmOffset{-half, -half}},
        {"stopped", 0, 123, TNmOffset{0, 0}},
        {"speed not available", 102.3, 90, std::nullopt},
        {"course not available", 10, 360, std::nullopt},
        {"impossible speed", -1, 90, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto end = CourseVector({54, 10, c.Sog, c.Cog});
        ASSERT_EQ(end.has_value(), c.End.has_value()) << c.Name;
        if (!end) continue;
        EXPECT_NEAR(end->East, c.End->East, 1e-9) << c.Name;
        EXPECT_NEAR(end->North, c.End->North, 1e-9) << c.Name;
    }
}

TEST(PlotSymbols, EachKindHasItsShapeAndVesselsTurnWithHeadingOrCourse) {
    struct TCase {
        const char* Name;
        TPlotKind Kind;
        double Cog;
        std::optional<double> Heading;
        TPlotSymbol Symbol;
        std::optional<double> Rotation;
    };
    const TCase cases[] = {
        {"class A on its course", TPlotKind::ClassA, 45, std::nullopt, TPlotSymbol::ClassA, 45},
        {"class A by its heading", TPlotKind::ClassA, 45, 90, TPlotSymbol::ClassA, 90},
        {"a heading that is none", TPlotKind::ClassA, 45, 511, TPlotSymbol::ClassA, 45},
        {"class A going nowhere known", TPlotKind::ClassA, 360, std::nullopt, TPlotSymbol::Circle,
         std::nullopt},
        {"class B", TPlotKind::ClassB, 10, std::nullopt, TPlotSymbol::ClassB, 10},
        {"class B without course", TPlotKind::ClassB, 360, std::nullopt, TPlotSymbol::Circle,
         std::nullopt},
        {"base station never turns", TPlotKind::BaseStation, 90, std::nullopt, TPlotSymbol::Square,
         std::nullopt},
        {"aid to navigation", TPlotKind::AtoN, 360, std::nullopt, TPlotSymbol::Diamond,
         std::nullopt},
        {"SAR aircraft", TPlotKind::SarAircraft, 270, std::nullopt, TPlotSymbol::Aircraft, 270},
        {"SAR aircraft without course", TPlotKind::SarAircraft, 360, std::nullopt,
         TPlotSymbol::Aircraft, 0},
        {"unknown kind", TPlotKind::Unknown, 30, std::nullopt, TPlotSymbol::Circle, std::nullopt},
        {"distress device, drifting", TPlotKind::Distress, 90, std::nullopt, TPlotSymbol::Distress,
         std::nullopt},
    };
    for (const auto& c : cases) {
        TPlotTarget t;
        t.Kind = c.Kind;
        t.Motion = {54, 10, 5, c.Cog};
        t.Heading = c.Heading;
        const TPlotShape s = ShapeOf(t);
        EXPECT_EQ(s.Symbol, c.Symbol) << c.Name;
        EXPECT_EQ(s.Rotation, c.Rotation) << c.Name;
    }
}

TEST(PlotSymbols, TheAlertOutranksTheLostMark) {
    EXPECT_EQ(ToneOf(false, false), TPlotTone::Normal);
    EXPECT_EQ(ToneOf(true, false), TPlotTone::Lost);
    EXPECT_EQ(ToneOf(false, true), TPlotTone::Dangerous);
    EXPECT_EQ(ToneOf(true, true), TPlotTone::Dangerous);
}

TEST(PlotCoverage, TheFarthestOfEachSectorAtItsMiddleBearing) {
    std::array<double, 36> far{};
    EXPECT_TRUE(CoverageOutline(far).empty());
    far[0] = 10;  // 0-10 degrees: at 5
    far[9] = 4;   // 90-100: at 95
    far[18] = -3; // impossible: nothing heard
    far[27] = std::nan("");
    far[30] = INFINITY;
    const auto o = CoverageOutline(far);
    ASSERT_EQ(o.size(), 37u);
    EXPECT_NEAR(o[0].East, 10 * std::sin(5 * kRad), 1e-9);
    EXPECT_NEAR(o[0].North, 10 * std::cos(5 * kRad), 1e-9);
    EXPECT_NEAR(o[9].East, 4 * std::sin(95 * kRad), 1e-9);
    EXPECT_NEAR(o[9].North, 4 * std::cos(95 * kRad), 1e-9);
    for (std::size_t i : {1u, 18u, 27u, 30u}) {
        EXPECT_EQ(o[i].East, 0) << i;
        EXPECT_EQ(o[i].North, 0) << i;
    }
    EXPECT_EQ(o.back().East, o.front().East);
    EXPECT_EQ(o.back().North, o.front().North);

    std::array<double, 36> none{};
    none.fill(std::nan(""));
    EXPECT_TRUE(CoverageOutline(none).empty());
}

// ---- Texts -----------------------------------------------------------------------------------

TEST(PlotText, TheKeyDataOfATarget) {
    struct TCase {
        const char* Name;
        TPlotTarget Target;
        TMotion Own;
        TPlotLive Live;
        std::vector<std::string> Lines;
    };
    TPlotTarget named;
    named.Mmsi = "211000001";
    named.Name = "BALTIC STAR";
    named.Kind = TPlotKind::ClassA;
    named.Motion = {54.05, 10, 12, 180};
    TPlotTarget bare;
    bare.Mmsi = "244000002";
    bare.Kind = TPlotKind::ClassB;
    TPlotTarget east = named;
    east.Name.clear();
    east.Kind = TPlotKind::Unknown;
    east.Motion = {54, 10 + LonNm(54, 2), 0.04, 359.6};
    const TMotion own{54, 10, 10, 0};
    const TCase cases[] = {
        {"named, closing",
         named,
         own,
         {false, true, TCpa{0.0, 13.6}},
         {"BALTIC STAR, MMSI 211000001, class A", "Range 3.0 NM, bearing 0\xC2\xB0",
          "SOG 12.0 kn, COG 180\xC2\xB0", "CPA 0.0 NM, TCPA 13.6 min",
          "Dangerous: inside the CPA and TCPA alert limits"}},
        {"no position, no motion",
         bare,
         own,
         {true, false, {}},
         {"MMSI 244000002, class B", "Range n.a., bearing n.a.", "SOG n.a., COG n.a.",
          "Lost: its reports have stopped"}},
        {"without an own position",
         named,
         TMotion{},
         {},
         {"BALTIC STAR, MMSI 211000001, class A", "Range n.a., bearing n.a.",
          "SOG 12.0 kn, COG 180\xC2\xB0"}},
        {"due east, CPA without TCPA",
         east,
         own,
         {false, false, TCpa{2.0, std::nullopt}},
         {"MMSI 211000001, class not known", "Range 2.0 NM, bearing 90\xC2\xB0",
          "SOG 0.0 kn, COG 0\xC2\xB0", "CPA 2.0 NM, TCPA n.a."}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TargetDetails(c.Target, c.Own, c.Live), c.Lines) << c.Name;
}

} // namespace
