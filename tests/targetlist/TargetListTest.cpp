// The target list's rules: how cells sort, what the filter keeps, how a track reads decoded
// texts, and the CSV export's fields and times.

#include "targets/TargetExport.h"
#include "targets/TargetOrder.h"
#include "targets/TargetTrack.h"

#include <gtest/gtest.h>

namespace {

std::vector<int> Order(const std::vector<TSortKey>& Keys, bool ByNumber, bool Ascending) {
    return SortOrder(Keys, ByNumber, Ascending);
}

TEST(SortKeys, CellsReadAsNumbersWithTheirUnitsOrAsTexts) {
    struct {
        const char* text;
        bool known;
        double number;
    } numbers[] = {{"12.3 kn", true, 12.3}, {"80m / 16m", true, 80}, {"359\xB0", true, 359},
                   {"-3.5", true, -3.5},    {"n.a. kn", false, 0},   {"", false, 0},
                   {".", false, 0},         {"kn", false, 0}};
    for (const auto& c : numbers) {
        const TSortKey k = LeadingNumberKey(c.text);
        EXPECT_EQ(k.Known, c.known) << c.text;
        if (c.known) {
            EXPECT_DOUBLE_EQ(k.Number, c.number) << c.text;
        }
    }
    EXPECT_EQ(TextKey("Baltic Star").Text, "BALTIC STAR");
    EXPECT_FALSE(TextKey("").Known);
    EXPECT_FALSE(TextKey("   ").Known);
    EXPECT_FALSE(TextKey("n.a.").Known);
}

TEST(SortOrder, NumbersAsNumbersNotAvailableLastEitherWayTiesInFirstHeardOrder) {
    // as texts "9.5" would follow "10.2"
    const std::vector<TSortKey> keys = {LeadingNumberKey("10.2 kn"), LeadingNumberKey("n.a. kn"),
                                        LeadingNumberKey("9.5 kn"), LeadingNumberKey("10.2 kn"),
                                        LeadingNumberKey("0.0 kn")};
    EXPECT_EQ(Order(keys, true, true), (std::vector<int>{4, 2, 0, 3, 1}));
    EXPECT_EQ(Order(keys, true, false), (std::vector<int>{0, 3, 2, 4, 1}));
    const std::vector<TSortKey> names = {TextKey("baltic"), TextKey(""), TextKey("Aurora"),
                                         TextKey("BALTIC")};
    EXPECT_EQ(Order(names, false, true), (std::vector<int>{2, 0, 3, 1}));
    EXPECT_EQ(Order(names, false, false), (std::vector<int>{0, 3, 2, 1}));
    EXPECT_TRUE(Order({}, true, true).empty());
}

TEST(Filter, SearchClassMotionAndRangeEachNarrowTheList) {
    const TTargetFacts moving{"211000001", "BALTIC STAR", "DABC", TStationClass::A, 12.0, 3.0};
    const TTargetFacts moored{"244000002", "Aurora", "PD1234", TStationClass::B, 0.1, 15.0};
    const TTargetFacts unknown{"257000003", "", "", std::nullopt, 102.3, std::nullopt};
    using M = TTargetFilter::TMotionFilter;
    auto filter = [](std::string Search, std::optional<TStationClass> Class = std::nullopt,
                     M Motion = M::Any, std::optional<double> Within = std::nullopt) {
        return TTargetFilter{std::move(Search), Class, Motion, Within};
    };
    struct {
        const char* name;
        TTargetFilter filter;
        bool a, b, c;
    } cases[] = {
        {"nothing set", filter(""), true, true, true},
        {"MMSI part", filter("2440"), false, true, false},
        {"name in any case", filter("baltic"), true, false, false},
        {"call sign", filter("pd12"), false, true, false},
        {"class A", filter("", TStationClass::A), true, false, false},
        {"class B", filter("", TStationClass::B), false, true, false},
        {"moving", filter("", std::nullopt, M::Moving), true, false, false},
        {"not moving", filter("", std::nullopt, M::NotMoving), false, true, false},
        {"within 5 NM", filter("", std::nullopt, M::Any, 5.0), true, false, false},
        {"within 15 NM, edge included", filter("", std::nullopt, M::Any, 15.0), true, true, false},
        {"all at once", filter("star", TStationClass::A, M::Moving, 5.0), true, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Matches(c.filter, moving), c.a) << c.name;
        EXPECT_EQ(Matches(c.filter, moored), c.b) << c.name;
        EXPECT_EQ(Matches(c.filter, unknown), c.c) << c.name;
        EXPECT_EQ(c.filter.Active(), std::string(c.name) != "nothing set") << c.name;
    }
}

TEST(Track, ReadsDecodedTextsAndKeepsNotAvailableAsSuch) {
    TTrack t;
    TDynamic d;
    d.AISclass = "A";
    d.Lat = "54.500000";
    d.Lon = "-0.250000";
    d.Speed = "n.a.";
    d.COG = "359.9";
    TrackPosition(t, d, 5, 46000.5);
    EXPECT_EQ(t.Class, TStationClass::A);
    EXPECT_DOUBLE_EQ(t.Motion.Lat, 54.5);
    EXPECT_DOUBLE_EQ(t.Motion.Lon, -0.25);
    EXPECT_DOUBLE_EQ(t.Motion.Sog, 102.3);
    EXPECT_DOUBLE_EQ(t.Motion.Cog, 359.9);
    EXPECT_EQ(t.NavStatus, 5);
    // a static report leaves a class learnt from position reports
    TrackStatic(t, TStationClass::B, 46000.6);
    EXPECT_EQ(t.Class, TStationClass::A);
    EXPECT_DOUBLE_EQ(t.LastReport, 46000.6);
    TTrack s;
    TrackStatic(s, TStationClass::B, 46000.6);
    EXPECT_EQ(s.Class, TStationClass::B);

    const TMotion own = MotionOf({"54.0", "179.9"}, {"n.a.", ""});
    EXPECT_DOUBLE_EQ(own.Sog, 102.3);
    EXPECT_DOUBLE_EQ(own.Cog, 360);
    // across 180 degrees: 0.2 degrees of longitude, not 359.8
    const auto r = RangeNm(own, {54.0, -179.9, 0, 0});
    ASSERT_TRUE(r);
    EXPECT_NEAR(*r, 12 * 0.5878, 0.01);
    EXPECT_FALSE(RangeNm(own, {91, 181, 0, 0}));
    EXPECT_FALSE(RangeNm(MotionOf({"n.a.", "n.a."}, {}), {54.0, 10.0, 0, 0}));
}

TEST(Track, LostAfterItsClassesMissedReports) {
    TTrack b;
    TDynamic d;
    d.AISclass = "B", d.Lat = "54", d.Lon = "10", d.Speed = "8.0", d.COG = "90";
    TrackPosition(b, d, 15, 46000.5);
    EXPECT_FALSE(TrackLost(b, 46000.5 + 180.0 / 86400));
    EXPECT_TRUE(TrackLost(b, 46000.5 + 181.0 / 86400));
    TTrack heardOnlyStatic; // class B by its static report, speed unknown: 6 x 3 minutes
    TrackStatic(heardOnlyStatic, TStationClass::B, 46000.5);
    EXPECT_FALSE(TrackLost(heardOnlyStatic, 46000.5 + 1080.0 / 86400));
    EXPECT_TRUE(TrackLost(heardOnlyStatic, 46000.5 + 1081.0 / 86400));
}

TEST(Export, CsvFieldsQuotedOnlyWhereNeeded) {
    EXPECT_EQ(CsvLine({"A", "211000001", "BALTIC STAR"}), "A,211000001,BALTIC STAR\r\n");
    EXPECT_EQ(CsvLine({"80m / 16m", "say \"hi\"", "a,b", "two\nlines", ""}),
              "80m / 16m,\"say \"\"hi\"\"\",\"a,b\",\"two\nlines\",\r\n");
}

TEST(Export, TimesAsIso8601UtcAndPositionsAsDecimalDegrees) {
    EXPECT_EQ(IsoUtc(25569.0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(IsoUtc(46000.5), "2025-12-09T12:00:00Z");
    EXPECT_EQ(IsoUtc(46000.5 + 5.4 / 86400), "2025-12-09T12:00:05Z");
    EXPECT_EQ(IsoUtc(0), ""); // never reported
    EXPECT_EQ(IsoUtc(1e300), "");
    EXPECT_EQ(DegreesText(54.5, 90), "54.500000");
    EXPECT_EQ(DegreesText(-0.25, 180), "-0.250000");
    EXPECT_EQ(DegreesText(91, 90), "");
    EXPECT_EQ(DegreesText(181, 180), "");
}

} // namespace
