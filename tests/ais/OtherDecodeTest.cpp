// Decoders of the kinds beyond the tool's, their converters and value texts, on payloads built
// field by field in the layout of ITU-R M.1371.

#include "PayloadBuilder.h"
#include "ais/AIS_Codec.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace {

std::uint64_t Signed(std::int64_t V, int Bits) {
    return static_cast<std::uint64_t>(V) & ((std::uint64_t{1} << Bits) - 1);
}

constexpr std::int64_t kDeg = 600000; // ten-thousandths of a minute in a degree

struct TRaw4 {
    std::uint32_t Type = 4, MMSI = 2442000, Year = 2026, Month = 12, Day = 10, Hour = 21;
    std::uint32_t Minute = 5, Second = 9, Accuracy = 1;
    std::int64_t Lon = 10 * kDeg, Lat = 54 * kDeg;
    std::uint32_t Epfd = 7;
};

std::string Msg4Payload(const TRaw4& r) {
    return TPayload()
        .Put(r.Type, 6)
        .Put(0, 2)
        .Put(r.MMSI, 30)
        .Put(r.Year, 14)
        .Put(r.Month, 4)
        .Put(r.Day, 5)
        .Put(r.Hour, 5)
        .Put(r.Minute, 6)
        .Put(r.Second, 6)
        .Put(r.Accuracy, 1)
        .Put(Signed(r.Lon, 28), 28)
        .Put(Signed(r.Lat, 27), 27)
        .Put(r.Epfd, 4)
        .Put(0, 10)
        .Put(1, 1)
        .Put(0x7FFFF, 19)
        .Armoured();
}

struct TRaw9 {
    std::uint32_t MMSI = 111219501, Altitude = 150, Speed = 120, Accuracy = 0;
    std::int64_t Lon = 8 * kDeg, Lat = 55 * kDeg;
    std::uint32_t Course = 2705, Second = 30;
};

std::string Msg9Payload(const TRaw9& r) {
    return TPayload()
        .Put(9, 6)
        .Put(0, 2)
        .Put(r.MMSI, 30)
        .Put(r.Altitude, 12)
        .Put(r.Speed, 10)
        .Put(r.Accuracy, 1)
        .Put(Signed(r.Lon, 28), 28)
        .Put(Signed(r.Lat, 27), 27)
        .Put(r.Course, 12)
        .Put(r.Second, 6)
        .Put(0, 8)
        .Put(1, 1)
        .Put(0, 3)
        .Put(0, 1)
        .Put(0, 1)
        .Put(0, 20)
        .Armoured();
}

struct TRaw19 {
    std::uint32_t MMSI = 211000001, Speed = 55, Accuracy = 1;
    std::int64_t Lon = 9 * kDeg, Lat = 53 * kDeg;
    std::uint32_t Course = 900, Heading = 91, Second = 12;
    std::string Name = "WIND & SEA";
    std::uint32_t ShipType = 36, A = 8, B = 4, C = 2, D = 1, Epfd = 1;
};

std::string Msg19Payload(const TRaw19& r) {
    return TPayload()
        .Put(19, 6)
        .Put(0, 2)
        .Put(r.MMSI, 30)
        .Put(0, 8)
        .Put(r.Speed, 10)
        .Put(r.Accuracy, 1)
        .Put(Signed(r.Lon, 28), 28)
        .Put(Signed(r.Lat, 27), 27)
        .Put(r.Course, 12)
        .Put(r.Heading, 9)
        .Put(r.Second, 6)
        .Put(0, 4)
        .Text(r.Name, 20)
        .Put(r.ShipType, 8)
        .Put(r.A, 9)
        .Put(r.B, 9)
        .Put(r.C, 6)
        .Put(r.D, 6)
        .Put(r.Epfd, 4)
        .Put(0, 1)
        .Put(1, 1)
        .Put(0, 1)
        .Put(0, 4)
        .Armoured();
}

struct TRaw21 {
    std::uint32_t MMSI = 992111111, AidType = 24;
    std::string Name = "ELBE 1";
    std::string Extension = ""; // six-bit characters as they are sent
    std::uint32_t Accuracy = 1;
    std::int64_t Lon = 8 * kDeg, Lat = 54 * kDeg;
    std::uint32_t A = 5, B = 5, C = 2, D = 2, Epfd = 7, Second = 60, OffPosition = 0;
    std::uint32_t Virtual = 0, ExtraBits = 0; // spare bits after the extension
};

TPayload Msg21Bits(const TRaw21& r) {
    TPayload p;
    p.Put(21, 6)
        .Put(0, 2)
        .Put(r.MMSI, 30)
        .Put(r.AidType, 5)
        .Text(r.Name, 20)
        .Put(r.Accuracy, 1)
        .Put(Signed(r.Lon, 28), 28)
        .Put(Signed(r.Lat, 27), 27)
        .Put(r.A, 9)
        .Put(r.B, 9)
        .Put(r.C, 6)
        .Put(r.D, 6)
        .Put(r.Epfd, 4)
        .Put(r.Second, 6)
        .Put(r.OffPosition, 1)
        .Put(0, 8)
        .Put(0, 1)
        .Put(r.Virtual, 1)
        .Put(0, 1)
        .Put(0, 1)
        .Text(r.Extension, r.Extension.size())
        .Put(0, static_cast<int>(r.ExtraBits));
    return p;
}

// The armoured payload and the fill bits that make it whole characters.
struct TArmoured {
    std::string Payload;
    std::uint32_t Fill;
};

TArmoured Armour(const TPayload& P) {
    return {P.Armoured(), static_cast<std::uint32_t>((6 - P.BitCount() % 6) % 6)};
}

TMsg21 Decode21(const TRaw21& r) {
    const TArmoured a = Armour(Msg21Bits(r));
    return DecodeMsg21(a.Payload, a.Fill);
}

TEST(DecodeMsg4, AllFieldsOfTypes4And11) {
    for (std::uint32_t type : {4u, 11u}) {
        const TMsg4 m = DecodeMsg4(Msg4Payload({.Type = type,
                                                .MMSI = 2442000,
                                                .Year = 2026,
                                                .Month = 12,
                                                .Day = 10,
                                                .Hour = 21,
                                                .Minute = 5,
                                                .Second = 9,
                                                .Accuracy = 1,
                                                .Lon = -5 * kDeg - 150000,
                                                .Lat = 36 * kDeg + 1,
                                                .Epfd = 7}));
        EXPECT_EQ(m.MMSI, "2442000");
        EXPECT_EQ(m.UTC, "10. Dec. 2026 21:05:09 UTC");
        EXPECT_EQ(m.PA, "1");
        EXPECT_EQ(m.Lon, "-5.250000");
        EXPECT_EQ(m.Lat, "36.000002");
        EXPECT_EQ(m.GNSS, "Supervised");
        EXPECT_TRUE(m.Pos.Valid);
        EXPECT_DOUBLE_EQ(m.Pos.Lon, -5.25);
        EXPECT_DOUBLE_EQ(m.Pos.Lat, 36.0 + 1.0 / 600000);
    }
}

TEST(DecodeMsg9, AllFields) {
    const TMsg9 m = DecodeMsg9(Msg9Payload({.MMSI = 111219501,
                                            .Altitude = 4094,
                                            .Speed = 1022,
                                            .Accuracy = 1,
                                            .Lon = -180 * kDeg,
                                            .Lat = 90 * kDeg,
                                            .Course = 3599,
                                            .Second = 61}));
    EXPECT_EQ(m.MMSI, "111219501");
    EXPECT_EQ(m.Altitude, ">= 4094");
    EXPECT_EQ(m.SOG, ">= 1022"); // whole knots, not tenths as in types 1 and 18
    EXPECT_EQ(m.PA, "1");
    EXPECT_EQ(m.Lon, "-180.000000");
    EXPECT_EQ(m.Lat, "90.000000");
    EXPECT_EQ(m.COG, "360"); // 359.9 rounds up, as CourseText does for every report
    EXPECT_EQ(m.TimeStamp, "61");
    EXPECT_TRUE(m.Pos.Valid);
    const TMsg9 slow = DecodeMsg9(Msg9Payload({.Altitude = 0, .Speed = 7}));
    EXPECT_EQ(slow.Altitude + "/" + slow.SOG, "0/7");
}

// Values beyond their ranges read as the codec reads them in the tool's reports.
TEST(OtherDecoders, OutOfRangeValuesAreNotAvailable) {
    struct {
        const char* Name;
        std::int64_t Lon, Lat;
        std::uint32_t Course;
    } cases[] = {
        {"NotAvailableCodes", 181 * kDeg, 91 * kDeg, 3600},
        {"BeyondTheCodes", 190 * kDeg, -95 * kDeg, 3601},
        {"LargestFieldValues", (std::int64_t{1} << 27) - 1, -(std::int64_t{1} << 26), 4095},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TMsg4 m4 = DecodeMsg4(Msg4Payload({.Lon = c.Lon, .Lat = c.Lat}));
        const TMsg9 m9 = DecodeMsg9(Msg9Payload({.Lon = c.Lon, .Lat = c.Lat, .Course = c.Course}));
        const TMsg19 m19 =
            DecodeMsg19(Msg19Payload({.Lon = c.Lon, .Lat = c.Lat, .Course = c.Course}));
        const TMsg21 m21 = Decode21({.Lon = c.Lon, .Lat = c.Lat});
        for (const auto& [lon, lat, pos] :
             {std::tuple{m4.Lon, m4.Lat, m4.Pos}, std::tuple{m9.Lon, m9.Lat, m9.Pos},
              std::tuple{m19.Lon, m19.Lat, m19.Pos}, std::tuple{m21.Lon, m21.Lat, m21.Pos}}) {
            EXPECT_EQ(lon + "/" + lat, "n.a./n.a.");
            EXPECT_FALSE(pos.Valid);
        }
        EXPECT_EQ(m9.COG + "/" + m19.COG, "n.a./n.a.");
    }
    // One coordinate out of range is enough to leave no position to plot.
    const TMsg4 half = DecodeMsg4(Msg4Payload({.Lon = 181 * kDeg, .Lat = 10 * kDeg}));
    EXPECT_EQ(half.Lat, "10.000000");
    EXPECT_FALSE(half.Pos.Valid);

    const TMsg9 m9 = DecodeMsg9(Msg9Payload({.Altitude = 4095, .Speed = 1023}));
    EXPECT_EQ(m9.Altitude + "/" + m9.SOG, "n.a./n.a.");
    const TMsg19 m19 = DecodeMsg19(Msg19Payload({.Speed = 1023, .Heading = 360, .Name = ""}));
    EXPECT_EQ(m19.SOG + "/" + m19.TH + "/" + m19.Name, "n.a./n.a./n.a.");
    EXPECT_EQ(DecodeMsg19(Msg19Payload({.Heading = 511})).TH, "n.a.");
    EXPECT_EQ(Decode21({.Name = ""}).Name, "n.a.");
    EXPECT_EQ(DecodeMsg4(Msg4Payload({.Epfd = 15})).GNSS, "n.a.");
}

TEST(DecodeMsg19, AllFieldsAndConverters) {
    const TMsg19 m = DecodeMsg19(Msg19Payload({}));
    EXPECT_EQ(m.MMSI, "211000001");
    EXPECT_EQ(m.SOG, "6");
    EXPECT_EQ(m.PA, "1");
    EXPECT_EQ(m.Lon + "/" + m.Lat, "9.000000/53.000000");
    EXPECT_EQ(m.COG + "/" + m.TH, "90/91");
    EXPECT_EQ(m.TimeStamp, "12");
    EXPECT_EQ(m.Name, "WIND _ SEA          "); // padded, ampersand replaced as in part A
    EXPECT_EQ(m.ShipType, "Sailing Vessel");
    EXPECT_EQ(m.Dimension.A + "/" + m.Dimension.B + "/" + m.Dimension.C + "/" + m.Dimension.D,
              "8/4/2/1");
    EXPECT_EQ(m.GNSS, "GPS");

    // The same cells of a class B row as a type 18 report and parts A and B of type 24 give.
    const TDynamic d = Msg19ToDynamic(m);
    EXPECT_EQ(d.AISclass, "B");
    EXPECT_EQ(d.MMSI + "|" + d.NavStatus + "|" + d.Speed + "|" + d.Lon + "|" + d.Lat + "|" + d.COG +
                  "|" + d.TH + "|" + d.TimeStamp,
              "211000001||6|9.000000|53.000000|90|91|12");
    TStatic s;
    ASSERT_TRUE(Msg19ToStatic(m, s));
    EXPECT_EQ(s.MMSI, "211000001");
    EXPECT_EQ(s.ShipName, m.Name);
    EXPECT_EQ(s.ShipsType, "Sailing Vessel");
    EXPECT_EQ(s.Dimension.Laenge + "/" + s.Dimension.Breite, "12/3");
    EXPECT_EQ(s.GNSS, "GPS");
    EXPECT_EQ(s.IMO + s.CallSign + s.ETA + s.Draught + s.Destination + s.VendorID, "");
    EXPECT_TRUE(s.aPlot.empty());
}

TEST(DecodeMsg19, ToStaticRefusesNonIntegerDimensions) {
    TMsg19 m = DecodeMsg19(Msg19Payload({}));
    m.Dimension.B = "n.a.";
    TStatic s;
    s.MMSI = "kept";
    EXPECT_FALSE(Msg19ToStatic(m, s));
    EXPECT_EQ(s.MMSI, "kept");
}

// Texts that run to the end of the payload: whole characters only, the fill bits not counted.
TEST(SafetyMessages, TextToTheEndOfThePayload) {
    struct {
        const char* Name;
        std::string Text; // as sent, six-bit characters
        int ExtraBits;    // bits after the text that make no whole character
        std::string Expected;
    } cases[] = {
        {"Plain", "SECURITE", 0, "SECURITE"},
        {"TrailingPaddingDropped", "ICE AHEAD@@", 0, "ICE AHEAD"},
        {"TrailingBlanksDropped", "ICE AHEAD  ", 0, "ICE AHEAD"},
        {"AmpersandKept", "R&D", 0, "R&D"},
        {"PartialCharacterNotRead", "OK", 4, "OK"},
        {"EndsAtPadding", "OK@JUNK", 0, "OK"},
        {"FirstAtKept", "@OK", 0, "@OK"},
        {"Empty", "", 0, "n.a."},
        {"OnlyPadding", "@@@", 0, "n.a."},
        {"OnlyBlanks", "   ", 0, "n.a."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TArmoured m12 = Armour(TPayload()
                                         .Put(12, 6)
                                         .Put(1, 2)
                                         .Put(366999707, 30)
                                         .Put(3, 2)
                                         .Put(538003422, 30)
                                         .Put(1, 1)
                                         .Put(0, 1)
                                         .Text(c.Text, c.Text.size())
                                         .Put(0b1111, c.ExtraBits));
        const TMsg12 a = DecodeMsg12(m12.Payload, m12.Fill);
        EXPECT_EQ(a.MMSI + "/" + a.SeqNo + "/" + a.DestMMSI + "/" + a.Retransmit,
                  "366999707/3/538003422/1");
        EXPECT_EQ(a.Text, c.Expected);

        const TArmoured m14 = Armour(TPayload()
                                         .Put(14, 6)
                                         .Put(0, 2)
                                         .Put(351809000, 30)
                                         .Put(0, 2)
                                         .Text(c.Text, c.Text.size())
                                         .Put(0b1111, c.ExtraBits));
        const TMsg14 b = DecodeMsg14(m14.Payload, m14.Fill);
        EXPECT_EQ(b.MMSI, "351809000");
        EXPECT_EQ(b.Text, c.Expected);
    }
}

// The fill bits decide whether the last character is whole: of ten characters, 60 bits, the
// text from bit 40 has three whole characters with up to two fill bits and two with more.
TEST(SafetyMessages, FillBitsEndTheText) {
    const std::string p =
        TPayload().Put(14, 6).Put(0, 2).Put(1, 30).Put(0, 2).Text("HI", 2).Put(0xFF, 8).Armoured();
    ASSERT_EQ(p.size(), 10u);
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "HI?"}, {2, "HI?"}, {3, "HI"}, {5, "HI"}, {99, "n.a."}, // 99: more than it has
    };
    for (auto [fill, text] : cases) EXPECT_EQ(DecodeMsg14(p, fill).Text, text) << fill;
}

TEST(DecodeMsg21, AllFields) {
    const TMsg21 m = Decode21({.AidType = 24,
                               .Name = "ELBE 1",
                               .Lon = 8 * kDeg + 3000,
                               .Lat = 54 * kDeg,
                               .Epfd = 7,
                               .OffPosition = 1,
                               .Virtual = 1});
    EXPECT_EQ(m.MMSI, "992111111");
    EXPECT_EQ(m.AidType, "Port hand Mark");
    EXPECT_EQ(m.Name, "ELBE 1");
    EXPECT_EQ(m.PA, "1");
    EXPECT_EQ(m.Lon + "/" + m.Lat, "8.005000/54.000000");
    EXPECT_EQ(m.Dimension.A + "/" + m.Dimension.B + "/" + m.Dimension.C + "/" + m.Dimension.D,
              "5/5/2/2");
    EXPECT_EQ(m.GNSS, "Supervised");
    EXPECT_EQ(m.OffPosition + m.Virtual, "11");
    EXPECT_TRUE(m.Pos.Valid);
    EXPECT_EQ(Decode21({.OffPosition = 0, .Virtual = 0}).OffPosition, "0");
}

TEST(DecodeMsg21, NameAndExtension) {
    const std::string twenty = "NORTH SEA WIND PARK ";
    struct {
        const char* Name;
        std::string Name20, Extension;
        std::uint32_t ExtraBits;
        std::string Expected;
    } cases[] = {
        {"ShortPadded", "BUOY 3", "", 0, "BUOY 3"},
        {"FullNoExtension", "NORTH SEA WIND PARKS", "", 0, "NORTH SEA WIND PARKS"},
        {"Extension", "NORTH SEA WIND PARK ", "NORTH", 0, "NORTH SEA WIND PARK NORTH"},
        {"ExtensionSpareBits", "NORTH SEA WIND PARK ", "NORTH", 2, "NORTH SEA WIND PARK NORTH"},
        {"FourteenCharacters", twenty, "ABCDEFGHIJKLMN", 0, twenty + "ABCDEFGHIJKLMN"},
        {"PastFourteenIsSpare", twenty, "ABCDEFGHIJKLMNOP", 0, twenty + "ABCDEFGHIJKLMN"},
        {"ExtensionPadded", twenty, "EAST@@", 0, twenty + "EAST"},
        {"JunkAfterExtensionPadding", twenty, "EAST@X3", 0, twenty + "EAST"},
        {"JunkAfterNamePadding", "ROCKS", "JUNK", 0, "ROCKS"},
        {"AmpersandsReplaced", "A&B", "&C", 0, "A_B"},
        {"AmpersandInExtension", "ABCDEFGHIJKLMNOPQRST", "&C", 0, "ABCDEFGHIJKLMNOPQRST_C"},
        {"FirstAtKept", "@ALPHA", "", 0, "@ALPHA"},
        {"OnlyPadding", "", "", 0, "n.a."},
        {"OnlyPaddingAndExtensionPadding", "", "@@", 0, "n.a."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TMsg21 m =
            Decode21({.Name = c.Name20, .Extension = c.Extension, .ExtraBits = c.ExtraBits});
        EXPECT_EQ(m.Name, c.Expected);
        EXPECT_EQ(m.AidType, "Port hand Mark"); // the fields before and after stay in place
        EXPECT_EQ(m.Virtual, "0");
    }
}

// ---- Value texts ---------------------------------------------------------------------------

TEST(OtherFormat, UtcText) {
    struct {
        std::uint32_t Y, Mo, D, H, Mi, S;
        const char* Expected;
    } cases[] = {
        {2026, 12, 10, 21, 5, 9, "10. Dec. 2026 21:05:09 UTC"},
        {2009, 5, 22, 2, 22, 40, "22. May  2009 2:22:40 UTC"},
        {1, 1, 1, 0, 0, 0, "1. Jan. 1 0:00:00 UTC"},
        {9999, 12, 31, 23, 59, 59, "31. Dec. 9999 23:59:59 UTC"},
        {2012, 6, 1, 24, 60, 60, "1. Jun. 2012 -:-:- UTC"}, // the date alone
        {0, 0, 0, 24, 60, 60, "n.a."},                      // every part "not available"
        {10196, 0, 24, 9, 57, 37, "24. - - 9:57:37 UTC"},   // years past 9999 fit 14 bits
        {0, 13, 32, 31, 63, 63, "n.a."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UtcText(c.Y, c.Mo, c.D, c.H, c.Mi, c.S), c.Expected) << c.Expected;
}

TEST(OtherFormat, AltitudeAndSarSpeed) {
    const std::pair<std::uint32_t, const char*> altitudes[] = {
        {0, "0"}, {4093, "4093"}, {4094, ">= 4094"}, {4095, "n.a."}, {5000, "n.a."}};
    for (auto [raw, text] : altitudes) EXPECT_EQ(AltitudeText(raw), text) << raw;
    const std::pair<std::uint32_t, const char*> speeds[] = {
        {0, "0"}, {1021, "1021"}, {1022, ">= 1022"}, {1023, "n.a."}, {2000, "n.a."}};
    for (auto [raw, text] : speeds) EXPECT_EQ(SarSpeedText(raw), text) << raw;
}

TEST(OtherFormat, AidTypes) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "not specified"},
        {1, "Reference point"},
        {3, "Fixed structure off shore"},
        {9, "Beacon, Cardinal N"},
        {20, "Cardinal Mark N"},
        {29, "Safe Water"},
        {31, "Light Vessel/LANBY/Rigs"},
        {32, "n.a."},
    };
    for (auto [code, text] : cases) EXPECT_EQ(AidTypeText(code), text) << code;
    std::set<std::string> texts;
    for (std::uint32_t c = 0; c < 32; ++c) texts.insert(AidTypeText(c));
    EXPECT_EQ(texts.size(), 32u); // every type tells itself apart
}

TEST(OtherFormat, PositionOf) {
    struct {
        std::int64_t Lon, Lat;
        bool Valid;
        double LonDeg, LatDeg;
    } cases[] = {
        {0, 0, true, 0.0, 0.0},
        {-122 * kDeg - 300000, 37 * kDeg, true, -122.5, 37.0},
        {180 * kDeg, -90 * kDeg, true, 180.0, -90.0},
        {180 * kDeg + 1, 0, false, 0.0, 0.0},
        {0, -90 * kDeg - 1, false, 0.0, 0.0},
        {181 * kDeg, 91 * kDeg, false, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        const TPosition p = PositionOf(static_cast<std::uint32_t>(Signed(c.Lon, 28)),
                                       static_cast<std::uint32_t>(Signed(c.Lat, 27)));
        EXPECT_EQ(p.Valid, c.Valid) << c.Lon << " " << c.Lat;
        EXPECT_DOUBLE_EQ(p.Lon, c.LonDeg);
        EXPECT_DOUBLE_EQ(p.Lat, c.LatDeg);
    }
}

} // namespace
