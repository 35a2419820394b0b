// Message decoders and converters, on payloads built field by field in the standard's layout.

#include "ais/AIS_Codec.h"
#include "PayloadBuilder.h"

#include <gtest/gtest.h>

namespace {

// Two's complement of a signed field.
std::uint64_t Signed(std::int64_t V, int Bits) {
    return static_cast<std::uint64_t>(V) & ((std::uint64_t{1} << Bits) - 1);
}

struct TRaw1 {
    std::uint32_t Type = 1, MMSI = 244660274, Status = 0, Speed = 0;
    std::int64_t Lon = 0, Lat = 0;
    std::uint32_t Course = 0, Heading = 0;
};

std::string Msg1Payload(const TRaw1& r) {
    return TPayload()
        .Put(r.Type, 6)
        .Put(0, 2)
        .Put(r.MMSI, 30)
        .Put(r.Status, 4)
        .Put(0x80, 8)
        .Put(r.Speed, 10)
        .Put(1, 1)
        .Put(Signed(r.Lon, 28), 28)
        .Put(Signed(r.Lat, 27), 27)
        .Put(r.Course, 12)
        .Put(r.Heading, 9)
        .Put(59, 6)
        .Put(0, 2)
        .Put(0, 3)
        .Put(1, 1)
        .Put(0x7FFFF, 19)
        .Armoured();
}

struct TRaw5 {
    std::uint32_t MMSI = 211000000, IMO = 9266633;
    std::string CallSign = "DABC", Name = "SEA", Destination = "HAMBURG";
    std::uint32_t ShipType = 70, Bow = 10, Stern = 5, Port = 3, Starboard = 2, Epfd = 1;
    std::uint32_t Month = 0, Day = 0, Hour = 24, Minute = 60, Draught = 0;
};

std::string Msg5Payload(const TRaw5& r) {
    return TPayload()
        .Put(5, 6)
        .Put(0, 2)
        .Put(r.MMSI, 30)
        .Put(1, 2)
        .Put(r.IMO, 30)
        .Text(r.CallSign, 7)
        .Text(r.Name, 20)
        .Put(r.ShipType, 8)
        .Put(r.Bow, 9)
        .Put(r.Stern, 9)
        .Put(r.Port, 6)
        .Put(r.Starboard, 6)
        .Put(r.Epfd, 4)
        .Put(r.Month, 4)
        .Put(r.Day, 5)
        .Put(r.Hour, 5)
        .Put(r.Minute, 6)
        .Put(r.Draught, 8)
        .Text(r.Destination, 20)
        .Put(0, 1)
        .Put(0, 1)
        .PadTo(71)
        .Armoured();
}

struct TRaw18 {
    std::uint32_t Repeat = 0, MMSI = 211000000, Reserved = 0, Speed = 0, Accuracy = 0;
    std::int64_t Lon = 0, Lat = 0;
    std::uint32_t Course = 0, Heading = 0, Second = 0, Regional = 0, Flags = 0 /* 5 bits */;
    std::uint32_t Assigned = 0, Raim = 0, CommFlag = 0, CommState = 0;
};

std::string Msg18Payload(const TRaw18& r) {
    return TPayload()
        .Put(18, 6)
        .Put(r.Repeat, 2)
        .Put(r.MMSI, 30)
        .Put(r.Reserved, 8)
        .Put(r.Speed, 10)
        .Put(r.Accuracy, 1)
        .Put(Signed(r.Lon, 28), 28)
        .Put(Signed(r.Lat, 27), 27)
        .Put(r.Course, 12)
        .Put(r.Heading, 9)
        .Put(r.Second, 6)
        .Put(r.Regional, 2)
        .Put(r.Flags, 5)
        .Put(r.Assigned, 1)
        .Put(r.Raim, 1)
        .Put(r.CommFlag, 1)
        .Put(r.CommState, 19)
        .Armoured();
}

std::string Msg24APayload(std::uint32_t Part, std::string_view Name) {
    return TPayload()
        .Put(24, 6)
        .Put(1, 2)
        .Put(338000000, 30)
        .Put(Part, 2)
        .Text(Name, 20)
        .PadTo(27)
        .Armoured();
}

struct TRaw24B {
    std::uint32_t Part = 1, ShipType = 37;
    std::string Vendor = "ACME", CallSign = "DK1234";
    std::uint32_t A = 0, B = 0, C = 0, D = 0, Spare = 0;
};

std::string Msg24BPayload(const TRaw24B& r) {
    return TPayload()
        .Put(24, 6)
        .Put(0, 2)
        .Put(338000000, 30)
        .Put(r.Part, 2)
        .Put(r.ShipType, 8)
        .Text(r.Vendor, 7)
        .Text(r.CallSign, 7)
        .Put(r.A, 9)
        .Put(r.B, 9)
        .Put(r.C, 6)
        .Put(r.D, 6)
        .Put(r.Spare, 6)
        .Armoured();
}

std::int32_t KindOf(const std::string& Payload) {
    TMsg5_setup setup;
    T_NMEA_VD vd;
    if (!ParseNmeaVD("!AIVDM,1,1,,A," + Payload + ",0*00\r", vd, setup)) return -1;
    return vd.MsgID;
}

TEST(DecodeMsg1, NotAvailableValues) {
    const TMsg1 m = DecodeMsg1(Msg1Payload({.MMSI = 0,
                                            .Speed = 1023,
                                            .Lon = 181 * 600000,
                                            .Lat = 91 * 600000,
                                            .Course = 3600,
                                            .Heading = 511}));
    EXPECT_EQ(m.MMSI, "0"); // written even when it is 0
    EXPECT_EQ(m.Speed, "n.a.");
    EXPECT_EQ(m.Lon, "n.a.");
    EXPECT_EQ(m.Lat, "n.a.");
    EXPECT_EQ(m.COG, "n.a.");
    EXPECT_EQ(m.TH, "n.a.");
}

TEST(DecodeMsg1, AllFields) {
    for (std::uint32_t type : {1u, 2u, 3u}) {
        const std::string p = Msg1Payload({.Type = type,
                                           .MMSI = 999999999,
                                           .Status = 8,
                                           .Speed = 125,
                                           .Lon = -3150000,
                                           .Lat = 32100000,
                                           .Course = 3595,
                                           .Heading = 359});
        ASSERT_EQ(KindOf(p), static_cast<std::int32_t>(type));
        const TMsg1 m = DecodeMsg1(p);
        EXPECT_EQ(m.MMSI, "999999999");
        EXPECT_EQ(m.NavStatus, "under way sailing");
        EXPECT_EQ(m.Speed, "13");
        EXPECT_EQ(m.Lon, "-5.250000");
        EXPECT_EQ(m.Lat, "53.500000");
        EXPECT_EQ(m.COG, "360");
        EXPECT_EQ(m.TH, "359");
    }
}

TEST(DecodeMsg5, NotAvailableValues) {
    const TMsg5 m = DecodeMsg5(Msg5Payload({.MMSI = 0,
                                            .IMO = 0,
                                            .CallSign = "",
                                            .Name = "",
                                            .Destination = "",
                                            .ShipType = 0,
                                            .Bow = 0,
                                            .Stern = 0,
                                            .Port = 0,
                                            .Starboard = 0,
                                            .Epfd = 0}));
    EXPECT_EQ(m.MMSI, "n.a.");
    EXPECT_EQ(m.IMO, "n.a.");
    EXPECT_EQ(m.CallSign, "n.a.");
    EXPECT_EQ(m.ShipName, "n.a.");
    EXPECT_EQ(m.ShipsType, "Vessel");
    EXPECT_EQ(m.Dimension.Laenge, "n.a.");
    EXPECT_EQ(m.Dimension.Breite, "n.a.");
    EXPECT_EQ(m.GNSS, "n.a.");
    EXPECT_EQ(m.ETA, "-. - -:- UTC");
    EXPECT_EQ(m.Draught, "n.a.");
    EXPECT_EQ(m.Destination, "n.a.");
    EXPECT_EQ(m.Num_Stat, 0);
    EXPECT_EQ(m.Num_Dyn, 0);
}

TEST(DecodeMsg5, AllFieldsAndAmpersands) {
    const std::string p = Msg5Payload({.MMSI = 211000000,
                                       .IMO = 9266633,
                                       .CallSign = "D&BC",
                                       .Name = "L & R 6",
                                       .Destination = "X&Y",
                                       .ShipType = 71,
                                       .Bow = 10,
                                       .Stern = 5,
                                       .Port = 3,
                                       .Starboard = 2,
                                       .Epfd = 8,
                                       .Month = 12,
                                       .Day = 24,
                                       .Hour = 13,
                                       .Minute = 5,
                                       .Draught = 254});
    ASSERT_EQ(p.size(), 71u);
    const TMsg5 m = DecodeMsg5(p);
    EXPECT_EQ(m.MMSI, "211000000");
    EXPECT_EQ(m.IMO, "9266633");
    EXPECT_EQ(m.CallSign, "D&BC   ");                        // ampersands kept
    EXPECT_EQ(m.ShipName, "L _ R 6" + std::string(13, ' ')); // replaced, padding kept as blanks
    EXPECT_EQ(m.ShipsType, "Cargo Ship with dangerous goods");
    EXPECT_EQ(m.Dimension.Laenge, "15");
    EXPECT_EQ(m.Dimension.Breite, "5");
    EXPECT_EQ(m.GNSS, "Galileo");
    EXPECT_EQ(m.ETA, "24. Dec. 13:05 UTC");
    EXPECT_EQ(m.Draught, "25.4");
    EXPECT_EQ(m.Destination, "X&Y" + std::string(17, ' '));
    EXPECT_EQ(DecodeMsg5(Msg5Payload({.Name = "&AB"})).ShipName, "&AB" + std::string(17, ' '));
}

TEST(DecodeMsg5, JoinedFromTwoSentences) {
    const std::string p =
        Msg5Payload({.Name = "SEA ENTERPRISE", .Month = 5, .Day = 1, .Hour = 7, .Minute = 30});
    TMsg5_setup setup;
    T_NMEA_VD vd;
    EXPECT_FALSE(ParseNmeaVD("!AIVDM,2,1,9,B," + p.substr(0, 60) + ",0*00\r", vd, setup));
    ASSERT_TRUE(ParseNmeaVD("!AIVDM,2,2,9,B," + p.substr(60) + ",2*00\r", vd, setup));
    ASSERT_EQ(vd.MsgID, 5);
    const TMsg5 m = DecodeMsg5(vd.MsgStr);
    EXPECT_EQ(m.ShipName, "SEA ENTERPRISE      ");
    EXPECT_EQ(m.ETA, "1. May  7:30 UTC");
}

TEST(DecodeMsg18, AllFields) {
    const TMsg18 m = DecodeMsg18(Msg18Payload({.Repeat = 3,
                                               .MMSI = 338087471,
                                               .Reserved = 255,
                                               .Speed = 1022,
                                               .Accuracy = 1,
                                               .Lon = -122 * 600000,
                                               .Lat = 37 * 600000 + 1,
                                               .Course = 0,
                                               .Heading = 0,
                                               .Second = 60,
                                               .Regional = 2,
                                               .Flags = 0b10110,
                                               .Assigned = 1,
                                               .Raim = 1,
                                               .CommFlag = 1,
                                               .CommState = 0x7FFFF}));
    EXPECT_EQ(m.Rep, "3");
    EXPECT_EQ(m.MMSI, "338087471");
    EXPECT_EQ(m.Sp1, "255");
    EXPECT_EQ(m.SOG, "102");
    EXPECT_EQ(m.PA, "1");
    EXPECT_EQ(m.Lon, "-122.000000");
    EXPECT_EQ(m.Lat, "37.000002");
    EXPECT_EQ(m.COG, "0");
    EXPECT_EQ(m.TH, "0");
    EXPECT_EQ(m.TimeStamp, "60");
    EXPECT_EQ(m.Sp2, "2");
    EXPECT_EQ(m.CB_Unit + m.CB_Disp + m.CB_DSC + m.CB_Band + m.CB_M22, "10110");
    EXPECT_EQ(m.Mode, "assigned");
    EXPECT_EQ(m.RAIM, "1");
    EXPECT_EQ(m.Comm_Flag, "1");
    EXPECT_EQ(m.Comm_State, "524287");
}

TEST(DecodeMsg18, FlagsAndCommState) {
    const TMsg18 m = DecodeMsg18(Msg18Payload({.Speed = 1023, .CommState = 1u << 18}));
    EXPECT_EQ(m.Mode, "autonomous");
    EXPECT_EQ(m.SOG, "n.a.");
    EXPECT_EQ(m.Comm_Flag, "0");
    EXPECT_EQ(m.Comm_State, "262144"); // bit 149 alone
    EXPECT_EQ(m.CB_Unit + m.CB_Disp + m.CB_DSC + m.CB_Band + m.CB_M22 + m.RAIM + m.PA, "0000000");
}

TEST(DecodeMsg24, PartNumberAndName) {
    const std::string a = Msg24APayload(0, "NORDLICHT");
    ASSERT_EQ(KindOf(a), 240);
    TMsg24A m = DecodeMsg24A(a);
    EXPECT_EQ(m.Rep, "1");
    EXPECT_EQ(m.MMSI, "338000000");
    EXPECT_EQ(m.PN, "A");
    EXPECT_EQ(m.Name, "NORDLICHT" + std::string(11, ' '));

    // Part number 2 is read as part A by its low bit, but shows as "B".
    const std::string two = Msg24APayload(2, "X");
    ASSERT_EQ(KindOf(two), 240);
    EXPECT_EQ(DecodeMsg24A(two).PN, "B");
    // Part number 3 goes to the part B decoder.
    const std::string three = Msg24BPayload({.Part = 3});
    ASSERT_EQ(KindOf(three), 241);
    EXPECT_EQ(DecodeMsg24B(three).PN, "B");
}

TEST(DecodeMsg24, ShipNameFromPartA) {
    const struct {
        std::string Name, ShipName;
    } cases[] = {
        {"", "n.a."},
        {"ABCDEFGHIJKLMN:PQRS", "ABCDEFGHIJKLMN"},
        {"ABCDEFGHIJKLMNOPQRS", "ABCDEFGHIJKLMNOPQRS "},
        {"ABC:", "ABC:" + std::string(16, ' ')},
        {"A&B", "A_B" + std::string(17, ' ')},
    };
    for (const auto& c : cases) {
        const TStatic s = Msg24AToStatic(DecodeMsg24A(Msg24APayload(0, c.Name)));
        EXPECT_EQ(s.ShipName, c.ShipName) << c.Name;
        EXPECT_EQ(s.MMSI, "338000000");
        EXPECT_EQ(s.CallSign + s.IMO + s.ShipsType + s.Dimension.Laenge + s.VendorID, "");
    }
}

TEST(DecodeMsg24, PartB) {
    const std::string p = Msg24BPayload({.ShipType = 37,
                                         .Vendor = "AC&E",
                                         .CallSign = "DK&1",
                                         .A = 511,
                                         .B = 511,
                                         .C = 63,
                                         .D = 62,
                                         .Spare = 5});
    ASSERT_EQ(KindOf(p), 241);
    const TMsg24B m = DecodeMsg24B(p);
    EXPECT_EQ(m.PN, "B");
    EXPECT_EQ(m.ShipType, "Pleasure Craft");
    EXPECT_EQ(m.VendorID, "AC_E   ");
    EXPECT_EQ(m.CallSign, "DK_1   ");
    EXPECT_EQ(m.Dimension.A + "/" + m.Dimension.B + "/" + m.Dimension.C + "/" + m.Dimension.D,
              "511/511/63/62");
    EXPECT_EQ(m.Sp, "5");
    TStatic s;
    ASSERT_TRUE(Msg24BToStatic(m, s));
    EXPECT_EQ(s.Dimension.Laenge, "1022");
    EXPECT_EQ(s.Dimension.Breite, "125");
    EXPECT_EQ(s.CallSign, "DK_1   ");
    EXPECT_EQ(s.VendorID, "AC_E   ");
    EXPECT_EQ(s.ShipsType, "Pleasure Craft");
    EXPECT_EQ(s.ShipName + s.IMO + s.ETA, "");
}

TEST(DecodeMsg24, PartBZeroDimensions) {
    const TMsg24B m = DecodeMsg24B(Msg24BPayload({}));
    EXPECT_EQ(m.Dimension.A + m.Dimension.B + m.Dimension.C + m.Dimension.D, "0000");
    TStatic s;
    ASSERT_TRUE(Msg24BToStatic(m, s));
    EXPECT_EQ(s.Dimension.Laenge, "0"); // no "n.a." rule here, unlike type 5
    EXPECT_EQ(s.Dimension.Breite, "0");
}

TEST(DecodeMsg24, PartBToStaticRefusesNonIntegers) {
    for (const char* bad : {"", "n.a.", "1.5", " 3", "3 ", "x", "99999999999999999999"}) {
        TMsg24B m = DecodeMsg24B(Msg24BPayload({.A = 1, .B = 2, .C = 3, .D = 4}));
        m.Dimension.C = bad;
        TStatic s;
        s.MMSI = "kept";
        s.aPlot.resize(2);
        EXPECT_FALSE(Msg24BToStatic(m, s)) << bad;
        EXPECT_EQ(s.MMSI, "kept");
        EXPECT_EQ(s.aPlot.size(), 2u);
    }
}

TEST(Converters, ToDynamic) {
    const TMsg1 m1 =
        DecodeMsg1(Msg1Payload({.Status = 5, .Speed = 10, .Course = 900, .Heading = 91}));
    const TDynamic d1 = Msg1ToDynamic(m1);
    EXPECT_EQ(d1.AISclass, "A");
    EXPECT_EQ(d1.MMSI, m1.MMSI);
    EXPECT_EQ(d1.NavStatus, "moored");
    EXPECT_EQ(d1.Speed + "/" + d1.COG + "/" + d1.TH, "1/90/91");
    EXPECT_EQ(d1.Lat + "/" + d1.Lon, m1.Lat + "/" + m1.Lon);
    EXPECT_EQ(d1.TimeStamp, "");

    const TMsg18 m18 =
        DecodeMsg18(Msg18Payload({.Speed = 55, .Lon = 600000, .Lat = -600000, .Second = 7}));
    const TDynamic d18 = Msg18ToDynamic(m18);
    EXPECT_EQ(d18.AISclass, "B");
    EXPECT_EQ(d18.NavStatus, "");
    EXPECT_EQ(d18.Speed, "6");
    EXPECT_EQ(d18.Lat + "/" + d18.Lon, "-1.000000/1.000000");
    EXPECT_EQ(d18.TimeStamp, "7");
}

TEST(Converters, Msg5ToStatic) {
    const TMsg5 m =
        DecodeMsg5(Msg5Payload({.Month = 3, .Day = 29, .Hour = 11, .Minute = 0, .Draught = 14}));
    const TStatic s = Msg5ToStatic(m);
    EXPECT_EQ(s.MMSI, m.MMSI);
    EXPECT_EQ(s.IMO, m.IMO);
    EXPECT_EQ(s.CallSign, m.CallSign);
    EXPECT_EQ(s.ShipName, m.ShipName);
    EXPECT_EQ(s.ShipsType, m.ShipsType);
    EXPECT_EQ(s.Dimension.Laenge + "/" + s.Dimension.Breite, "15/5");
    EXPECT_EQ(s.GNSS, "GPS");
    EXPECT_EQ(s.ETA, "29. Mar. 11:00 UTC");
    EXPECT_EQ(s.Draught, "1.4");
    EXPECT_EQ(s.Destination, m.Destination);
    EXPECT_EQ(s.VendorID, "");
    EXPECT_TRUE(s.aPlot.empty());
}

} // namespace
