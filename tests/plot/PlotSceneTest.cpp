// The targets behind the plot: what lies in a view is found through the position index, the
// index follows targets as they move, culling looks at no target far outside the view however
// many there are, and a hit test finds the nearest target within its radius.

#include "plot/PlotScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double kOwnLat = 54, kOwnLon = 10;

// A target Nm miles east and north of the own ship at 54 N 10 E.
TPlotTarget At(int Entry, double East, double North, double Lat0 = kOwnLat, double Lon0 = kOwnLon) {
    TPlotTarget t;
    t.Entry = Entry;
    t.Mmsi = std::to_string(211000000 + Entry);
    t.Kind = TPlotKind::ClassA;
    const double lon = Lon0 + East / (60 * std::cos(Lat0 * std::numbers::pi / 180));
    t.Motion = {Lat0 + North / 60, lon > 180 ? lon - 360 : lon < -180 ? lon + 360 : lon, 5, 90};
    return t;
}

// 400 x 300 at 6 NM: 25 px a mile, 8 NM to the sides, 6 NM up and down.
TPlotProjection View(double Range = 6, double Lat = kOwnLat, double Lon = kOwnLon) {
    return TPlotProjection(Lat, Lon, Range, 400, 300);
}

TEST(PlotScene, TheViewHoldsWhatProjectsIntoIt) {
    struct TCase {
        const char* Name;
        double East, North;
        bool In;
    };
    const TCase cases[] = {
        {"close by", 0.5, 0.5, true},          {"near the east edge", 7.9, 0, true},
        {"past the east edge", 8.5, 0, false}, {"near the top", 0, 5.9, true},
        {"above the top", 0, 6.5, false},      {"south-west corner", -7.9, -5.9, true},
        {"a degree away", 0, 60, false},       {"the other side of the earth", 0, -5000, false},
    };
    TPlotScene scene;
    std::vector<int> expected;
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        scene.Store(At(i, cases[i].East, cases[i].North));
        if (cases[i].In) expected.push_back(i);
    }
    TPlotTarget unknown;
    unknown.Entry = 50;
    scene.Store(unknown); // no position: never in a view
    EXPECT_EQ(scene.InView(View(), 0), expected);
    EXPECT_EQ(scene.Count(), std::size(cases) + 1);
}

TEST(PlotScene, AViewAcross180DegreesHoldsTargetsOnBothSides) {
    TPlotScene scene;
    scene.Store(At(0, -3, 0, 0, 179.98));  // east of 180 is west of the own ship here
    scene.Store(At(1, 3, 1, 0, 179.98));   // beyond 180: 179.97 W
    scene.Store(At(2, 30, 0, 0, 179.98));  // out of view to the east
    scene.Store(At(3, -30, 0, 0, 179.98)); // out of view to the west
    EXPECT_EQ(scene.InView(View(6, 0, 179.98), 0), (std::vector<int>{0, 1}));
    EXPECT_EQ(scene.HitTest(View(6, 0, 179.98), {275, 125}, 5), 1);
}

TEST(PlotScene, NearAPoleAFewMilesSpanWideLongitudes) {
    TPlotScene scene;
    scene.Store(At(0, 0, 0, 89.95, 0));
    scene.Store(At(1, 0, 0, 89.95, 120));
    scene.Store(At(2, 0, 0, 89.95, 30));
    scene.Store(At(3, 0, 0, 80, 0)); // 600 NM away
    // within 3.2 NM of the own ship at 89.95 N 60 E, 90 degrees of longitude apart
    EXPECT_EQ(scene.InView(View(6, 89.95, 60), 0), (std::vector<int>{0, 1, 2}));
    // at the pole itself every longitude is in view
    EXPECT_EQ(scene.InView(View(48, 90, 0), 0), (std::vector<int>{0, 1, 2}));
}

// The cost of drawing must not grow with the targets outside the view: the index offers the
// same candidates whether or not ten thousand more sail elsewhere.
TEST(PlotScene, CullingLooksAtNoTargetFarOutsideTheView) {
    for (const double range : {0.5, 6.0, 48.0}) {
        TPlotScene near, crowded;
        for (int i = 0; i < 5; ++i) {
            const TPlotTarget t = At(i, range * 0.2 * i, -range * 0.1 * i);
            near.Store(t);
            crowded.Store(t);
        }
        for (int i = 0; i < 10000; ++i) { // a grid of targets 3 to 20 degrees away
            TPlotTarget t = At(5 + i, 0, 0);
            t.Motion.Lat = 57 + (i % 100) * 0.17;
            t.Motion.Lon = -10 + (i / 100) * 0.4;
            crowded.Store(t);
        }
        std::size_t alone = 0, among = 0;
        const auto in = crowded.InView(View(range), 0, &among);
        EXPECT_EQ(near.InView(View(range), 0, &alone), in) << range;
        EXPECT_EQ(in.size(), 5u) << range;
        EXPECT_EQ(among, alone) << range;
        EXPECT_EQ(among, 5u) << range;
    }
}

TEST(PlotScene, TheIndexFollowsTargetsAsTheyMove) {
    TPlotScene scene;
    // three in the same cell, so moving one out reorders the cell's list
    scene.Store(At(0, 0.1, 0.1));
    scene.Store(At(1, 0.2, 0.2));
    scene.Store(At(2, 0.3, 0.3));
    scene.Store(At(3, 100, 100)); // far away
    EXPECT_EQ(scene.InView(View(), 0), (std::vector<int>{0, 1, 2}));

    scene.Store(At(0, 100, 0)); // sails off
    EXPECT_EQ(scene.InView(View(), 0), (std::vector<int>{1, 2}));
    scene.Store(At(3, -1, -1)); // comes in
    EXPECT_EQ(scene.InView(View(), 0), (std::vector<int>{1, 2, 3}));
    TPlotTarget lost = At(1, 0, 0);
    lost.Motion.Lat = 91; // its position no longer available
    scene.Store(lost);
    EXPECT_EQ(scene.InView(View(), 0), (std::vector<int>{2, 3}));
    scene.Store(At(1, 0.2, 0.2));
    scene.Store(At(0, 0.1, 0.1));
    EXPECT_EQ(scene.InView(View(), 0), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(scene.Count(), 4u);
    EXPECT_EQ(scene.Find(3)->Motion.Lat, At(3, -1, -1).Motion.Lat);
    EXPECT_EQ(scene.Find(4), nullptr);
}

TEST(PlotScene, AHitFindsTheNearestTargetWithinItsRadius) {
    TPlotScene scene;
    scene.Store(At(0, 2, 0));            // (250, 150)
    scene.Store(At(1, 2 + 6.0 / 25, 0)); // 6 px east of it
    scene.Store(At(2, -4, 2));           // (100, 100)
    struct TCase {
        const char* Name;
        TPlotPoint Click;
        std::optional<int> Hit;
    };
    const TCase cases[] = {
        {"on the first", {250, 150}, 0},
        {"nearer the second", {254, 151}, 1},
        {"between, nearer the first", {252.9, 150}, 0},
        {"within the radius", {100, 92}, 2},
        {"beyond the radius", {100, 88}, std::nullopt},
        {"empty water", {350, 250}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(scene.HitTest(View(), c.Click, 10), c.Hit) << c.Name;
}

TEST(PlotScene, MarksAreKeptWithTheTarget) {
    TPlotScene scene;
    scene.Store(At(0, 1, 1));
    scene.SetMarks(0, true, true);
    EXPECT_TRUE(scene.Find(0)->Lost);
    EXPECT_TRUE(scene.Find(0)->Dangerous);
    scene.SetMarks(7, true, true); // no such entry: nothing happens
    EXPECT_EQ(scene.Count(), 1u);
}

} // namespace
