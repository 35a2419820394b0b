// Base stations, aids to navigation and SAR aircraft as the target list takes them: the class,
// the cells' texts, and reports that are out of range, nameless or not theirs.

#include "targets/OtherStation.h"
#include "../ais/PayloadBuilder.h"
#include "targets/TargetTrack.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::uint32_t Units(double Degrees) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(Degrees * 600000)));
}

TAisMessage Message(std::int32_t Id, const TPayload& P) {
    TAisMessage m;
    m.MsgID = Id;
    m.MsgStr = P.Armoured();
    m.FillBits = static_cast<std::uint32_t>(m.MsgStr.size() * 6 - P.BitCount());
    return m;
}

TAisMessage Base(std::uint32_t Mmsi, std::uint32_t Lon, std::uint32_t Lat, int Id = 4) {
    TPayload p;
    p.Put(static_cast<std::uint64_t>(Id), 6).Put(0, 2).Put(Mmsi, 30);
    p.Put(2025, 14).Put(12, 4).Put(9, 5).Put(12, 5).Put(0, 6).Put(0, 6).Put(1, 1);
    p.Put(Lon, 28).Put(Lat, 27).Put(7, 4).Put(0, 10).Put(0, 1).Put(0, 19);
    return Message(Id, p);
}

TAisMessage Aid(std::uint32_t Mmsi, const std::string& Name, unsigned Bow, unsigned Port) {
    TPayload p;
    p.Put(21, 6).Put(0, 2).Put(Mmsi, 30).Put(5, 5).Text(Name, 20).Put(0, 1);
    p.Put(Units(10.2), 28).Put(Units(54.4), 27).Put(Bow, 9).Put(Bow, 9).Put(Port, 6).Put(Port, 6);
    p.Put(1, 4).Put(60, 6).Put(0, 1).Put(0, 8).Put(0, 1).Put(0, 1).Put(0, 1).Put(0, 1);
    return Message(21, p);
}

TAisMessage Aircraft(std::uint32_t Mmsi, unsigned Sog, unsigned Cog) {
    TPayload p;
    p.Put(9, 6).Put(0, 2).Put(Mmsi, 30).Put(300, 12).Put(Sog, 10).Put(1, 1);
    p.Put(Units(10.5), 28).Put(Units(54.5), 27).Put(Cog, 12).Put(30, 6);
    p.Put(0, 8).Put(0, 1).Put(0, 3).Put(0, 1).Put(0, 1).Put(0, 1).Put(0, 20);
    return Message(9, p);
}

TEST(OtherStation, EachKindGivesItsClassAndCells) {
    TOtherReport r;
    ASSERT_TRUE(OtherReportOf(Base(2190047, Units(10.1), Units(54.3)), r));
    EXPECT_EQ(r.Class, TStationClass::Base);
    EXPECT_EQ(r.Position.AISclass, "Base");
    EXPECT_EQ(r.Position.MMSI, "002190047"); // a coast station's leading zeros kept
    EXPECT_EQ(r.Position.Lat, "54.300000");
    EXPECT_EQ(r.Position.Speed, ""); // no speed cell for a station that never moves
    EXPECT_EQ(r.Kind, "Base station");
    EXPECT_TRUE(r.Name.empty());

    ASSERT_TRUE(OtherReportOf(Aid(992191234, "KIEL LIGHT", 3, 2), r));
    EXPECT_EQ(r.Class, TStationClass::AtoN);
    EXPECT_EQ(r.Position.AISclass, "AtoN");
    EXPECT_EQ(r.Name, "KIEL LIGHT");
    EXPECT_EQ(r.Kind, "Light, without sectors");
    EXPECT_EQ(r.Dimension.Laenge, "6");
    EXPECT_EQ(r.Dimension.Breite, "4");

    ASSERT_TRUE(OtherReportOf(Aircraft(111219501, 140, 2250), r));
    EXPECT_EQ(r.Class, TStationClass::Sar);
    EXPECT_EQ(r.Position.AISclass, "SAR");
    EXPECT_EQ(r.Position.Speed, "140");
    EXPECT_EQ(r.Position.COG, "225");
    EXPECT_EQ(r.Kind, "SAR aircraft");
}

TEST(OtherStation, BadReportsGiveNothingFalse) {
    TOtherReport r;
    // a name of "@" only and no size: neither is shown
    ASSERT_TRUE(OtherReportOf(Aid(992191234, "", 0, 0), r));
    EXPECT_TRUE(r.Name.empty());
    EXPECT_TRUE(r.Dimension.Laenge.empty());
    // out of range: "n.a." texts, and a track with no position
    ASSERT_TRUE(OtherReportOf(Base(2190047, Units(181), Units(91)), r));
    EXPECT_EQ(r.Position.Lat, "n.a.");
    TTrack t;
    TrackPosition(t, r.Position, 15, 46000.5);
    EXPECT_FALSE(PositionKnown(t.Motion));
    EXPECT_EQ(t.Class, TStationClass::Base);
    // speed and course not available: unknown to CPA and the plot's vector
    ASSERT_TRUE(OtherReportOf(Aircraft(111219501, 1023, 3600), r));
    TrackPosition(t, r.Position, 15, 46000.5);
    EXPECT_FALSE(SogKnown(t.Motion.Sog));
    EXPECT_FALSE(CogKnown(t.Motion.Cog));
    // a time answer from any station, and vessels' reports, are not other stations
    EXPECT_FALSE(OtherReportOf(Base(211000001, Units(10), Units(54), 11), r));
    TAisMessage vessel = Base(211000001, Units(10), Units(54));
    vessel.MsgID = 1;
    EXPECT_FALSE(OtherReportOf(vessel, r));
}

TEST(OtherStation, ClassTextsGoBothWays) {
    for (TStationClass c : {TStationClass::A, TStationClass::B, TStationClass::Base,
                            TStationClass::AtoN, TStationClass::Sar})
        EXPECT_EQ(StationClassOf(StationClassText(c)), c);
    EXPECT_FALSE(StationClassOf("C").has_value());
    EXPECT_FALSE(StationClassOf("").has_value());
    EXPECT_FALSE(IsVessel(TStationClass::Sar));
    EXPECT_TRUE(IsVessel(TStationClass::B));
}

} // namespace
