// The payload encoder against the project's decoder: every field written comes back, raw and
// as the decoder formats it.

#include "ais/AIS_Codec.h"
#include "tools/sim/AisEncode.h"
#include "tools/sim/SimDevice.h"

#include <gtest/gtest.h>

namespace {

std::int32_t Signed(std::uint32_t V, unsigned Width) {
    const std::uint32_t sign = 1u << (Width - 1);
    return static_cast<std::int32_t>((V ^ sign) - sign);
}

// The sentences of one message through ParseNmeaVD; the record of the last one.
bool Parse(const std::vector<std::string>& Sentences, T_NMEA_VD& VD) {
    TMsg5_setup setup;
    bool ok = false;
    for (const std::string& s : Sentences) ok = ParseNmeaVD(s.substr(0, s.size() - 1), VD, setup);
    return ok;
}

std::vector<std::string> Vdm(const TAisPayload& P, char Channel = 'A') {
    TVdSentenceBuilder b;
    return b.Build(false, Channel, P);
}

std::string Blanks(std::string S, std::size_t N) {
    S.resize(N, ' ');
    return S;
}

TEST(Encode, PositionReportsOfClassA) {
    const std::vector<TAisPosA> cases = [] {
        std::vector<TAisPosA> v(3);
        v[0].Type = 1, v[0].MMSI = 211234560, v[0].NavStatus = 0, v[0].Rot = 17, v[0].Sog = 123;
        v[0].Lon = LonLatUnits(10.2), v[0].Lat = LonLatUnits(54.4), v[0].Cog = 2345,
        v[0].Heading = 234;
        v[0].Second = 59, v[0].Raim = 1, v[0].Radio = 0x7FFFF, v[0].PosAcc = 1;
        v[1].Type = 2, v[1].MMSI = 999999999, v[1].NavStatus = 5, v[1].Rot = -126, v[1].Sog = 0;
        v[1].Lon = LonLatUnits(-70.5), v[1].Lat = LonLatUnits(-33.5), v[1].Cog = 0,
        v[1].Heading = 0;
        v[1].Second = 0, v[1].Maneuver = 2;
        v[2].Type = 3, v[2].MMSI = 1; // every value "not available"
        return v;
    }();
    for (const TAisPosA& m : cases) {
        const TAisPayload p = EncodeMsg123(m);
        EXPECT_EQ(p.Text.size(), 28u);
        EXPECT_EQ(p.FillBits, 0);
        T_NMEA_VD vd;
        ASSERT_TRUE(Parse(Vdm(p, 'B'), vd)) << p.Text;
        EXPECT_EQ(vd.MsgID, static_cast<int>(m.Type));
        EXPECT_EQ(vd.Channel, T_AI_Chan::B);
        EXPECT_EQ(vd.Source, T_AI_VD::VDM);

        const TMsg1 d = DecodeMsg1(vd.MsgStr);
        EXPECT_EQ(d.MMSI, std::to_string(m.MMSI));
        EXPECT_EQ(d.NavStatus, NavStatusText(m.NavStatus));
        EXPECT_EQ(d.Speed, SpeedText(m.Sog));
        EXPECT_EQ(d.Lon, DecimalLon(static_cast<std::uint32_t>(m.Lon) & 0x0FFFFFFF));
        EXPECT_EQ(d.Lat, DecimalLat(static_cast<std::uint32_t>(m.Lat) & 0x07FFFFFF));
        EXPECT_EQ(d.COG, CourseText(m.Cog));
        EXPECT_EQ(d.TH, HeadingText(m.Heading));

        const std::string& s = vd.MsgStr;
        EXPECT_EQ(Signed(PayloadBits(s, 42, 8), 8), m.Rot);
        EXPECT_EQ(PayloadBits(s, 60, 1), m.PosAcc);
        EXPECT_EQ(Signed(PayloadBits(s, 61, 28), 28), m.Lon);
        EXPECT_EQ(Signed(PayloadBits(s, 89, 27), 27), m.Lat);
        EXPECT_EQ(PayloadBits(s, 137, 6), m.Second);
        EXPECT_EQ(PayloadBits(s, 143, 2), m.Maneuver);
        EXPECT_EQ(PayloadBits(s, 148, 1), m.Raim);
        EXPECT_EQ(PayloadBits(s, 149, 19), m.Radio);
    }
}

TEST(Encode, StaticAndVoyageDataInTwoSentences) {
    TAisStaticVoyage m;
    m.MMSI = 211100007;
    m.IMO = 9123456;
    m.CallSign = "DA1234";
    m.Name = "L & R 6";
    m.ShipType = 70;
    m.ToBow = 10, m.ToStern = 5, m.ToPort = 3, m.ToStarboard = 2;
    m.Epfd = 1;
    m.EtaMonth = 12, m.EtaDay = 24, m.EtaHour = 18, m.EtaMinute = 30;
    m.Draught = 56;
    m.Destination = "KIEL & BACK";
    const TAisPayload p = EncodeMsg5(m);
    EXPECT_EQ(p.Text.size(), 71u);
    EXPECT_EQ(p.FillBits, 2);
    const auto sentences = Vdm(p);
    ASSERT_EQ(sentences.size(), 2u);
    T_NMEA_VD vd;
    ASSERT_TRUE(Parse(sentences, vd));
    EXPECT_EQ(vd.MsgID, 5);
    const TMsg5 d = DecodeMsg5(vd.MsgStr);
    EXPECT_EQ(d.MMSI, "211100007");
    EXPECT_EQ(d.IMO, "9123456");
    EXPECT_EQ(d.CallSign, Blanks("DA1234", 7));
    EXPECT_EQ(d.ShipName, Blanks("L _ R 6", 20));
    EXPECT_EQ(d.Destination, Blanks("KIEL & BACK", 20));
    EXPECT_EQ(d.ShipsType, ShipTypeText(70));
    EXPECT_EQ(d.Dimension.Laenge, "15");
    EXPECT_EQ(d.Dimension.Breite, "5");
    EXPECT_EQ(d.GNSS, EpfdText(1));
    EXPECT_EQ(d.ETA, EtaText(12, 24, 18, 30));
    EXPECT_EQ(d.Draught, DraughtText(56));
    EXPECT_EQ(PayloadBits(vd.MsgStr, 422, 1), m.Dte);

    const TMsg5 empty = DecodeMsg5(EncodeMsg5(TAisStaticVoyage{}).Text);
    EXPECT_EQ(empty.MMSI, "n.a.");
    EXPECT_EQ(empty.ShipName, "n.a.");
    EXPECT_EQ(empty.CallSign, "n.a.");
    EXPECT_EQ(empty.Dimension.Laenge, "n.a.");
}

TEST(Encode, ClassBPositionReport) {
    TAisPosB m;
    m.Repeat = 3;
    m.MMSI = 244123456;
    m.Reserved = 0xA5;
    m.Sog = 62;
    m.PosAcc = 1;
    m.Lon = LonLatUnits(-0.5);
    m.Lat = LonLatUnits(51.25);
    m.Cog = 3599;
    m.Heading = 359;
    m.Second = 60;
    m.Regional = 2;
    m.Display = 1;
    m.Assigned = 1;
    m.Raim = 1;
    m.CommFlag = 1;
    m.CommState = 262144;
    const TAisPayload p = EncodeMsg18(m);
    TVdSentenceBuilder b;
    T_NMEA_VD vd;
    ASSERT_TRUE(Parse(b.Build(true, 'A', p), vd));
    EXPECT_EQ(vd.Source, T_AI_VD::VDO);
    EXPECT_EQ(vd.MsgID, 18);
    const TMsg18 d = DecodeMsg18(vd.MsgStr);
    EXPECT_EQ(d.Rep, "3");
    EXPECT_EQ(d.MMSI, "244123456");
    EXPECT_EQ(d.Sp1, "165");
    EXPECT_EQ(d.SOG, SpeedText(62));
    EXPECT_EQ(d.PA, "1");
    EXPECT_EQ(d.Lon, DecimalLon(static_cast<std::uint32_t>(m.Lon) & 0x0FFFFFFF));
    EXPECT_EQ(d.Lat, DecimalLat(static_cast<std::uint32_t>(m.Lat)));
    EXPECT_EQ(d.COG, CourseText(3599));
    EXPECT_EQ(d.TH, HeadingText(359));
    EXPECT_EQ(d.TimeStamp, "60");
    EXPECT_EQ(d.Sp2, "2");
    EXPECT_EQ(d.CB_Unit + d.CB_Disp + d.CB_DSC + d.CB_Band + d.CB_M22, "11111");
    EXPECT_EQ(d.Mode, ModeText(1));
    EXPECT_EQ(d.RAIM, "1");
    EXPECT_EQ(d.Comm_Flag, "1");
    EXPECT_EQ(d.Comm_State, "262144");
}

TEST(Encode, StaticDataReportPartsAAndB) {
    TAisStaticA a;
    a.MMSI = 211234560;
    a.Name = "CORVANE TEST";
    const TAisPayload pa = EncodeMsg24A(a);
    EXPECT_EQ(pa.Text.size(), 27u);
    EXPECT_EQ(pa.FillBits, 2);
    T_NMEA_VD vd;
    ASSERT_TRUE(Parse(Vdm(pa), vd));
    EXPECT_EQ(vd.MsgID, 240);
    const TMsg24A da = DecodeMsg24A(vd.MsgStr);
    EXPECT_EQ(da.MMSI, "211234560");
    EXPECT_EQ(da.PN, "A");
    EXPECT_EQ(da.Name, Blanks("CORVANE TEST", 20));

    TAisStaticB b;
    b.MMSI = 211234560;
    b.ShipType = 37;
    b.VendorID = "CVN2401";
    b.CallSign = "DK2345";
    b.ToBow = 511, b.ToStern = 0, b.ToPort = 63, b.ToStarboard = 1;
    b.Spare = 5;
    const TAisPayload pb = EncodeMsg24B(b);
    EXPECT_EQ(pb.Text.size(), 28u);
    ASSERT_TRUE(Parse(Vdm(pb), vd));
    EXPECT_EQ(vd.MsgID, 241);
    const TMsg24B db = DecodeMsg24B(vd.MsgStr);
    EXPECT_EQ(db.PN, "B");
    EXPECT_EQ(db.ShipType, ShipTypeText(37));
    EXPECT_EQ(db.VendorID, "CVN2401");
    EXPECT_EQ(db.CallSign, Blanks("DK2345", 7));
    EXPECT_EQ(db.Dimension.A + "/" + db.Dimension.B + "/" + db.Dimension.C + "/" + db.Dimension.D,
              "511/0/63/1");
    EXPECT_EQ(db.Sp, "5");
}

// No decoder for these: their fields are read back at the standard's bit positions.
TEST(Encode, BaseStationAndAidToNavigationReports) {
    TAisBaseStation m4;
    m4.MMSI = 2111240;
    m4.Year = 2026, m4.Month = 12, m4.Day = 9, m4.Hour = 23, m4.Minute = 27, m4.Second = 1;
    m4.PosAcc = 1;
    m4.Lon = LonLatUnits(10.12), m4.Lat = LonLatUnits(54.45);
    m4.Epfd = 7;
    const std::string s4 = EncodeMsg4(m4).Text;
    T_NMEA_VD vd;
    ASSERT_TRUE(Parse(Vdm(EncodeMsg4(m4)), vd));
    EXPECT_EQ(vd.MsgID, 4);
    EXPECT_EQ(PayloadBits(s4, 8, 30), m4.MMSI);
    EXPECT_EQ(PayloadBits(s4, 38, 14), 2026u);
    EXPECT_EQ(PayloadBits(s4, 52, 4), 12u);
    EXPECT_EQ(PayloadBits(s4, 72, 6), 1u);
    EXPECT_EQ(Signed(PayloadBits(s4, 79, 28), 28), m4.Lon);
    EXPECT_EQ(Signed(PayloadBits(s4, 107, 27), 27), m4.Lat);
    EXPECT_EQ(PayloadBits(s4, 134, 4), 7u);

    TAisAtoN m21;
    m21.MMSI = 992111001;
    m21.AidType = 6;
    m21.Name = "KIEL LIGHTHOUSE NORTH PIER";
    m21.Lon = LonLatUnits(10.25), m21.Lat = LonLatUnits(54.42);
    m21.Virtual = 1;
    const TAisPayload p21 = EncodeMsg21(m21);
    EXPECT_EQ(p21.Text.size() * 6 - static_cast<std::size_t>(p21.FillBits), 272u + 6 * 6);
    EXPECT_EQ(PayloadBits(p21.Text, 0, 6), 21u);
    EXPECT_EQ(PayloadBits(p21.Text, 38, 5), 6u);
    EXPECT_EQ(SixBitText(p21.Text, 43, 20, false), "KIEL LIGHTHOUSE NORT");
    EXPECT_EQ(Signed(PayloadBits(p21.Text, 164, 28), 28), m21.Lon);
    EXPECT_EQ(Signed(PayloadBits(p21.Text, 192, 27), 27), m21.Lat);
    EXPECT_EQ(PayloadBits(p21.Text, 269, 1), 1u);
    EXPECT_EQ(SixBitText(p21.Text, 272, 6, false), "H PIER");

    TAisSafety m14;
    m14.MMSI = 972111001;
    m14.Text = "MOB ACTIVE";
    const TAisPayload p14 = EncodeMsg14(m14);
    EXPECT_EQ(p14.Text.size() * 6 - static_cast<std::size_t>(p14.FillBits), 40u + 10 * 6);
    const TMsg14 d14 = DecodeMsg14(p14.Text, static_cast<std::uint32_t>(p14.FillBits));
    EXPECT_EQ(d14.MMSI, "972111001");
    EXPECT_EQ(d14.Text, "MOB ACTIVE");
}

TEST(Encode, SentencesCarryFillBitsChecksumAndCyclingSequentialIds) {
    TVdSentenceBuilder b;
    TAisStaticVoyage m;
    for (unsigned i = 0; i < 12; ++i) {
        const auto s = b.Build(false, 'A', EncodeMsg5(m));
        ASSERT_EQ(s.size(), 2u);
        const std::string id = "," + std::to_string(i % 10) + ",A,";
        for (const std::string& line : s) {
            EXPECT_LE(line.size(), 82u) << line;
            EXPECT_NE(line.find(id), std::string::npos) << line;
            std::string_view body;
            EXPECT_EQ(CheckSentence(line.substr(0, line.size() - 2), body), TSentenceCheck::Ok)
                << line;
        }
        EXPECT_EQ(s[0].substr(0, 11), "!AIVDM,2,1,");
        EXPECT_NE(s[0].find(",0*"), std::string::npos) << "fill bits only on the last sentence";
        EXPECT_NE(s[1].find(",2*"), std::string::npos);
    }
    const auto single = b.Build(false, 'B', EncodeMsg18(TAisPosB{}));
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].substr(0, 16), "!AIVDM,1,1,,B,B0");
}

TEST(Encode, TextOutsideTheAlphabet) {
    EXPECT_EQ(SixBitCode('a'), SixBitCode('A'));
    EXPECT_EQ(SixBitCode('@'), 0u);
    EXPECT_EQ(SixBitCode(' '), 32u);
    EXPECT_EQ(SixBitCode('~'), static_cast<unsigned>('?'));
    EXPECT_TRUE(IsSixBitText("L & R 6 [_]^"));
    EXPECT_FALSE(IsSixBitText("lower"));
    for (unsigned v = 0; v < 64; ++v) EXPECT_EQ(SixBitValue(ArmourChar(v)), v);
}

} // namespace
