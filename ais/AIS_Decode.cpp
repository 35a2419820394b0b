// Decoders of the AIS messages, and their converters to target records. Each decoder reads
// fixed bit positions in the order of ITU-R M.1371; for the tool's kinds ParseNmeaVD has already
// made sure the payload is long enough, the others check it first themselves (ParseNmeaVD takes
// types 4, 14 and 19 at any length), and PayloadBits reads any bit past the end as 0.

#include "ais/AIS_Codec.h"
#include "ais/AIS_Text.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <utility>

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

// Whole six-bit characters from bit First to the end of the data: the payload less its fill
// bits.
std::uint32_t CharsFrom(std::string_view P, std::uint32_t FillBits, std::uint32_t First) {
    const std::uint64_t all = std::uint64_t{P.size()} * 6;
    const std::uint64_t data = all > FillBits ? all - FillBits : 0;
    return data > First ? static_cast<std::uint32_t>((data - First) / 6) : 0;
}

// Six-bit characters of separate stretches of the payload (first bit, count) as a payload of
// their own, one character each, so that SixBitText's filler rules apply to them as one text.
std::string Gathered(std::string_view P,
                     std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> Stretches) {
    std::string g;
    for (const auto& [first, count] : Stretches)
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t v = Bits(P, first + 6 * i, 6);
            g += static_cast<char>(v < 40 ? v + 48 : v + 56);
        }
    return g;
}

// A text of variable length. An "@" after the first character is padding: the text ends
// there, since what some senders put after it is no text. Then SixBitText's rules, and the
// blanks at the end dropped; no character at all, or blanks only, is as unavailable as "@".
std::string TrimmedText(std::string Gathered, bool ReplaceAmpersand) {
    Gathered.resize(std::min(Gathered.size(), Gathered.find('0', 1))); // "0" carries the "@"
    std::string s =
        SixBitText(Gathered, 0, static_cast<std::uint32_t>(Gathered.size()), ReplaceAmpersand);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s.empty() ? "n.a." : s;
}

void SetNa(std::initializer_list<std::string*> Fields) {
    for (std::string* f : Fields) *f = "n.a.";
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

TMsg4 DecodeMsg4(std::string_view P) {
    TMsg4 m;
    if (P.size() < kMsg4Chars) {
        SetNa({&m.MMSI, &m.UTC, &m.PA, &m.Lon, &m.Lat, &m.GNSS});
        return m;
    }
    m.MMSI = Dec(P, 8, 30);
    m.UTC = UtcText(Bits(P, 38, 14), Bits(P, 52, 4), Bits(P, 56, 5), Bits(P, 61, 5), Bits(P, 66, 6),
                    Bits(P, 72, 6));
    m.PA = Flag(P, 78);
    m.Lon = DecimalLon(Bits(P, 79, 28));
    m.Lat = DecimalLat(Bits(P, 107, 27));
    m.GNSS = EpfdText(Bits(P, 134, 4));
    m.Pos = PositionOf(Bits(P, 79, 28), Bits(P, 107, 27));
    return m;
}

TMsg9 DecodeMsg9(std::string_view P) {
    TMsg9 m;
    if (P.size() < kMsg9Chars) {
        SetNa({&m.MMSI, &m.Altitude, &m.SOG, &m.PA, &m.Lon, &m.Lat, &m.COG, &m.TimeStamp});
        return m;
    }
    m.MMSI = Dec(P, 8, 30);
    m.Altitude = AltitudeText(Bits(P, 38, 12));
    m.SOG = SarSpeedText(Bits(P, 50, 10));
    m.PA = Flag(P, 60);
    m.Lon = DecimalLon(Bits(P, 61, 28));
    m.Lat = DecimalLat(Bits(P, 89, 27));
    m.COG = CourseText(Bits(P, 116, 12));
    m.TimeStamp = Dec(P, 128, 6);
    m.Pos = PositionOf(Bits(P, 61, 28), Bits(P, 89, 27));
    return m;
}

TMsg12 DecodeMsg12(std::string_view P, std::uint32_t FillBits) {
    TMsg12 m;
    if (P.size() < kMsg12Chars) {
        SetNa({&m.MMSI, &m.SeqNo, &m.DestMMSI, &m.Retransmit, &m.Text});
        return m;
    }
    m.MMSI = Dec(P, 8, 30);
    m.SeqNo = Dec(P, 38, 2);
    m.DestMMSI = Dec(P, 40, 30);
    m.Retransmit = Flag(P, 70);
    m.Text = TrimmedText(Gathered(P, {{72, CharsFrom(P, FillBits, 72)}}), false);
    return m;
}

TMsg14 DecodeMsg14(std::string_view P, std::uint32_t FillBits) {
    TMsg14 m;
    if (P.size() < kMsg14Chars) {
        SetNa({&m.MMSI, &m.Text});
        return m;
    }
    m.MMSI = Dec(P, 8, 30);
    m.Text = TrimmedText(Gathered(P, {{40, CharsFrom(P, FillBits, 40)}}), false);
    return m;
}

TMsg19 DecodeMsg19(std::string_view P) {
    TMsg19 m;
    if (P.size() < kMsg19Chars) {
        SetNa({&m.MMSI, &m.SOG, &m.PA, &m.Lon, &m.Lat, &m.COG, &m.TH, &m.TimeStamp, &m.Name,
               &m.ShipType, &m.Dimension.A, &m.Dimension.B, &m.Dimension.C, &m.Dimension.D,
               &m.GNSS});
        return m;
    }
    m.MMSI = Dec(P, 8, 30);
    m.SOG = SpeedText(Bits(P, 46, 10));
    m.PA = Flag(P, 56);
    m.Lon = DecimalLon(Bits(P, 57, 28));
    m.Lat = DecimalLat(Bits(P, 85, 27));
    m.COG = CourseText(Bits(P, 112, 12));
    m.TH = HeadingText(Bits(P, 124, 9));
    m.TimeStamp = Dec(P, 133, 6);
    m.Name = SixBitText(P, 143, 20, true);
    m.ShipType = ShipTypeText(Bits(P, 263, 8));
    m.Dimension.A = Dec(P, 271, 9);
    m.Dimension.B = Dec(P, 280, 9);
    m.Dimension.C = Dec(P, 289, 6);
    m.Dimension.D = Dec(P, 295, 6);
    m.GNSS = EpfdText(Bits(P, 301, 4));
    m.Pos = PositionOf(Bits(P, 57, 28), Bits(P, 85, 27));
    return m;
}

TMsg21 DecodeMsg21(std::string_view P, std::uint32_t FillBits) {
    TMsg21 m;
    if (P.size() < kMsg21Chars) {
        SetNa({&m.MMSI, &m.AidType, &m.Name, &m.PA, &m.Lon, &m.Lat, &m.Dimension.A, &m.Dimension.B,
               &m.Dimension.C, &m.Dimension.D, &m.GNSS, &m.OffPosition, &m.Virtual});
        return m;
    }
    m.MMSI = Dec(P, 8, 30);
    m.AidType = AidTypeText(Bits(P, 38, 5));
    // The extension carries at most 14 more characters; bits after them are spare.
    const std::uint32_t ext = std::min<std::uint32_t>(CharsFrom(P, FillBits, 272), 14);
    m.Name = TrimmedText(Gathered(P, {{43, 20}, {272, ext}}), true);
    m.PA = Flag(P, 163);
    m.Lon = DecimalLon(Bits(P, 164, 28));
    m.Lat = DecimalLat(Bits(P, 192, 27));
    m.Dimension.A = Dec(P, 219, 9);
    m.Dimension.B = Dec(P, 228, 9);
    m.Dimension.C = Dec(P, 237, 6);
    m.Dimension.D = Dec(P, 243, 6);
    m.GNSS = EpfdText(Bits(P, 249, 4));
    m.OffPosition = Flag(P, 259);
    m.Virtual = Flag(P, 269);
    m.Pos = PositionOf(Bits(P, 164, 28), Bits(P, 192, 27));
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

TDynamic Msg19ToDynamic(const TMsg19& M) {
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

bool Msg19ToStatic(const TMsg19& M, TStatic& Out) {
    TMsg24B b; // the dimensions as part B carries them
    b.MMSI = M.MMSI;
    b.ShipType = M.ShipType;
    b.Dimension = M.Dimension;
    TStatic s;
    if (!Msg24BToStatic(b, s)) return false;
    s.ShipName = M.Name;
    s.GNSS = M.GNSS;
    Out = std::move(s);
    return true;
}
