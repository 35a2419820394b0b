// Decoders of the AIS messages the tool shows, and their converters to target records. Each
// decoder reads fixed bit positions in the order of ITU-R M.1371; ParseNmeaVD has already made
// sure the payload is long enough, and PayloadBits reads any bit past the end as 0.

#include "ais/AIS_Codec.h"
#include "ais/AIS_Text.h"

#include <charconv>

namespace {

// One field of a message: first bit and width.
inline std::uint32_t Bits(std::string_view P, std::uint32_t First, std::uint32_t Width) {
    return PayloadBits(P, First, Width);
}

inline std::string Dec(std::string_view P, std::uint32_t First, std::uint32_t Width) {
    return DecimalText(Bits(P, First, Width));
}

inline std::string Flag(std::string_view P, std::uint32_t Bit) {
    return Bits(P, Bit, 1) ? "1" : "0";
}

// Decimal text of a value that means "not available" when it is 0.
inline std::string DecOrNa(std::uint32_t V) {
    return V == 0 ? std::string("n.a.") : DecimalText(V);
}

inline std::string Part(std::string_view P) {
    return Bits(P, 38, 2) == 0 ? "A" : "B";
}

bool ReadInt(const std::string& S, std::int64_t& V) {
    const char* end = S.data() + S.size();
    const auto r = std::from_chars(S.data(), end, V);
    return !S.empty() && r.ec == std::errc() && r.ptr == end;
}

} // namespace

TMsg1 DecodeMsg1(std::string_view P) {
    TMsg1 m;
    m.MMSI = Dec(P, 8, 30);
    m.NavStatus = NavStatusText(Bits(P, 38, 4));
    m.Speed = SpeedText(Bits(P, 50, 10));
    m.Lon = DecimalLon(Bits(P, 61, 28));
    m.Lat = DecimalLat(Bits(P, 89, 27));
    m.COG = CourseText(Bits(P, 116, 12));
    m.TH = HeadingText(Bits(P, 128, 9));
    return m;
}

TMsg5 DecodeMsg5(std::string_view P) {
    TMsg5 m;
    m.MMSI = DecOrNa(Bits(P, 8, 30));
    m.IMO = DecOrNa(Bits(P, 40, 30));
    m.CallSign = SixBitText(P, 70, 7, false);
    m.ShipName = SixBitText(P, 112, 20, true);
    m.ShipsType = ShipTypeText(Bits(P, 232, 8));
    m.Dimension.Laenge = DecOrNa(Bits(P, 240, 9) + Bits(P, 249, 9));
    m.Dimension.Breite = DecOrNa(Bits(P, 258, 6) + Bits(P, 264, 6));
    m.GNSS = EpfdText(Bits(P, 270, 4));
    m.ETA = EtaText(Bits(P, 274, 4), Bits(P, 278, 5), Bits(P, 283, 5), Bits(P, 288, 6));
    m.Draught = DraughtText(Bits(P, 294, 8));
    m.Destination = SixBitText(P, 302, 20, false);
    return m;
}

TMsg18 DecodeMsg18(std::string_view P) {
    TMsg18 m;
    m.Rep = Dec(P, 6, 2);
    m.MMSI = Dec(P, 8, 30);
    m.Sp1 = Dec(P, 38, 8);
    m.SOG = SpeedText(Bits(P, 46, 10));
    m.PA = Flag(P, 56);
    m.Lon = DecimalLon(Bits(P, 57, 28));
    m.Lat = DecimalLat(Bits(P, 85, 27));
    m.COG = CourseText(Bits(P, 112, 12));
    m.TH = HeadingText(Bits(P, 124, 9));
    m.TimeStamp = Dec(P, 133, 6);
    m.Sp2 = Dec(P, 139, 2);
    m.CB_Unit = Flag(P, 141);
    m.CB_Disp = Flag(P, 142);
    m.CB_DSC = Flag(P, 143);
    m.CB_Band = Flag(P, 144);
    m.CB_M22 = Flag(P, 145);
    m.Mode = ModeText(Bits(P, 146, 1));
    m.RAIM = Flag(P, 147);
    m.Comm_Flag = Flag(P, 148);
    m.Comm_State = Dec(P, 149, 19);
    return m;
}

TMsg24A DecodeMsg24A(std::string_view P) {
    TMsg24A m;
    m.Rep = Dec(P, 6, 2);
    m.MMSI = Dec(P, 8, 30);
    m.PN = Part(P);
    m.Name = SixBitText(P, 40, 20, true);
    return m;
}

TMsg24B DecodeMsg24B(std::string_view P) {
    TMsg24B m;
    m.Rep = Dec(P, 6, 2);
    m.MMSI = Dec(P, 8, 30);
    m.PN = Part(P);
    m.ShipType = ShipTypeText(Bits(P, 40, 8));
    m.VendorID = SixBitText(P, 48, 7, true);
    m.CallSign = SixBitText(P, 90, 7, true);
    m.Dimension.A = Dec(P, 132, 9);
    m.Dimension.B = Dec(P, 141, 9);
    m.Dimension.C = Dec(P, 150, 6);
    m.Dimension.D = Dec(P, 156, 6);
    m.Sp = Dec(P, 162, 6);
    return m;
}

TDynamic Msg1ToDynamic(const TMsg1& M) {
    TDynamic d;
    d.AISclass = "A";
    d.MMSI = M.MMSI;
    d.NavStatus = M.NavStatus;
    d.Speed = M.Speed;
    d.Lon = M.Lon;
    d.Lat = M.Lat;
    d.COG = M.COG;
    d.TH = M.TH;
    return d;
}

TDynamic Msg18ToDynamic(const TMsg18& M) {
    TDynamic d;
    d.AISclass = "B";
    d.MMSI = M.MMSI;
    d.Speed = M.SOG;
    d.Lon = M.Lon;
    d.Lat = M.Lat;
    d.COG = M.COG;
    d.TH = M.TH;
    d.TimeStamp = M.TimeStamp;
    return d;
}

TStatic Msg5ToStatic(const TMsg5& M) {
    TStatic s;
    s.MMSI = M.MMSI;
    s.IMO = M.IMO;
    s.CallSign = M.CallSign;
    s.ShipName = M.ShipName;
    s.ShipsType = M.ShipsType;
    s.Dimension = M.Dimension;
    s.GNSS = M.GNSS;
    s.ETA = M.ETA;
    s.Draught = M.Draught;
    s.Destination = M.Destination;
    return s;
}

TStatic Msg24AToStatic(const TMsg24A& M) {
    TStatic s;
    s.MMSI = M.MMSI;
    // A ":" in fifteenth place ends the name there.
    s.ShipName = (M.Name.size() >= 15 && M.Name[14] == ':') ? M.Name.substr(0, 14) : M.Name;
    return s;
}

bool Msg24BToStatic(const TMsg24B& M, TStatic& Out) {
    std::int64_t a, b, c, d, length, beam;
    if (!ReadInt(M.Dimension.A, a) || !ReadInt(M.Dimension.B, b) || !ReadInt(M.Dimension.C, c) ||
        !ReadInt(M.Dimension.D, d))
        return false;
    // Texts that do not come from the decoder may be any integer; a sum that does not fit is
    // treated like a text that is not a number.
    if (__builtin_add_overflow(a, b, &length) || __builtin_add_overflow(c, d, &beam)) return false;
    TStatic s;
    s.MMSI = M.MMSI;
    s.CallSign = M.CallSign;
    s.ShipsType = M.ShipType;
    s.Dimension.Laenge = DecimalText(length);
    s.Dimension.Breite = DecimalText(beam);
    s.VendorID = M.VendorID;
    Out = std::move(s);
    return true;
}
