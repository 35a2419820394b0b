// Code tables and the display texts of AIS values. Everything is integer arithmetic on the raw
// fields, so rounding is exact and no locale can change a decimal separator.

#include "ais/AIS_Codec.h"
#include "ais/AIS_Text.h"

#include <array>

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kNa = "n.a."sv;

constexpr std::array<std::string_view, 16> kNavStatus = {
    "under way using engine"sv,
    "at anchor"sv,
    "not under command"sv,
    "restricted manoeuvrability"sv,
    "constrained by her draught"sv,
    "moored"sv,
    "aground"sv,
    "engaged in fishing"sv,
    "under way sailing"sv,
    "not spicified"sv,
    "not spicified"sv,
    "not spicified"sv,
    "not spicified"sv,
    "not spicified"sv,
    "AIS SART"sv,
    "not spicified"sv,
};

constexpr std::array<std::string_view, 16> kEpfd = {
    "n.a."sv,
    "GPS"sv,
    "GLONASS"sv,
    "GPS/GLONASS"sv,
    "Loran-C"sv,
    "Chayka"sv,
    "Integr. Nav. System"sv,
    "Supervised"sv,
    "Galileo"sv,
    "n.a."sv,
    "n.a."sv,
    "n.a."sv,
    "n.a."sv,
    "n.a."sv,
    "n.a."sv,
    "n.a."sv,
};

constexpr std::string_view ShipTypeOf(unsigned c) {
    if (c <= 19) return "Vessel"sv;
    if (c <= 29) return "Wing in Grand"sv;
    switch (c) {
    case 30:
        return "Vessel Fishing"sv;
    case 31:
        return "Vessel Towing"sv;
    case 32:
        return "Vessel Towing > 200m"sv;
    case 33:
        return "Vessel in Underwater Operations"sv;
    case 34:
        return "Vessel in Diving Operations"sv;
    case 35:
        return "Vessel in Military Operation"sv;
    case 36:
        return "Sailing Vessel"sv;
    case 37:
        return "Pleasure Craft"sv;
    case 38:
    case 39:
        return "Vessel"sv;
    case 50:
        return "Pilot Vessel"sv;
    case 51:
        return "SAR Vessel"sv;
    case 52:
        return "Tug"sv;
    case 53:
        return "Port Tender"sv;
    case 54:
        return "Vessel with anti-pollution fac."sv;
    case 55:
        return "Law enforcement Vessel"sv;
    case 56:
    case 57:
        return "Local Vessel"sv;
    case 58:
        return "Medical Transport"sv;
    case 59:
        return "Ships according RR Resol. No. 18"sv;
    default:
        break;
    }
    if (c <= 49) return "High Speed Craft"sv;
    if (c <= 69) return "Passenger Ship"sv;
    if (c <= 79) return (c >= 71 && c <= 74) ? "Cargo Ship with dangerous goods"sv : "Cargo Ship"sv;
    if (c <= 89) return (c >= 81 && c <= 84) ? "Tanker with dangerous goods"sv : "Tanker"sv;
    return "Ship with no information"sv;
}

constexpr std::array<std::string_view, 256> kShipType = [] {
    std::array<std::string_view, 256> t{};
    for (unsigned c = 0; c < 256; ++c) t[c] = ShipTypeOf(c);
    return t;
}();

constexpr std::array<std::string_view, 12> kMonth = {
    "Jan. "sv, "Feb. "sv, "Mar. "sv, "Apr. "sv, "May  "sv, "Jun. "sv,
    "Jul. "sv, "Aug. "sv, "Sep. "sv, "Oct. "sv, "Nov. "sv, "Dec. "sv,
};

// Type of aid to navigation, ITU-R M.1371 table of message 21.
constexpr std::array<std::string_view, 32> kAidType = {
    "not specified"sv,
    "Reference point"sv,
    "RACON"sv,
    "Fixed structure off shore"sv,
    "Spare"sv,
    "Light, without sectors"sv,
    "Light, with sectors"sv,
    "Leading Light Front"sv,
    "Leading Light Rear"sv,
    "Beacon, Cardinal N"sv,
    "Beacon, Cardinal E"sv,
    "Beacon, Cardinal S"sv,
    "Beacon, Cardinal W"sv,
    "Beacon, Port hand"sv,
    "Beacon, Starboard hand"sv,
    "Beacon, Preferred Channel port hand"sv,
    "Beacon, Preferred Channel starboard hand"sv,
    "Beacon, Isolated danger"sv,
    "Beacon, Safe water"sv,
    "Beacon, Special mark"sv,
    "Cardinal Mark N"sv,
    "Cardinal Mark E"sv,
    "Cardinal Mark S"sv,
    "Cardinal Mark W"sv,
    "Port hand Mark"sv,
    "Starboard hand Mark"sv,
    "Preferred Channel Port hand"sv,
    "Preferred Channel Starboard hand"sv,
    "Isolated danger"sv,
    "Safe Water"sv,
    "Special Mark"sv,
    "Light Vessel/LANBY/Rigs"sv,
};

template <std::size_t N>
std::string Lookup(const std::array<std::string_view, N>& Table, std::uint32_t Code) {
    return std::string(Code < N ? Table[Code] : kNa);
}

// Whole-number text of Raw / 10, halves away from zero (Raw is never negative).
std::string TenthsRounded(std::uint32_t Raw) {
    return DecimalText((Raw + 5) / 10);
}

void AppendPadded(std::string& s, std::uint32_t v, int Width) {
    char buf[12];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    for (int i = n; i < Width; ++i) s += '0';
    while (n > 0) s += buf[--n];
}

// Signed value of a two's complement field of Bits bits.
std::int64_t SignedField(std::uint32_t Field, unsigned Bits) {
    const std::int64_t mask = (std::int64_t{1} << Bits) - 1;
    std::int64_t v = static_cast<std::int64_t>(Field) & mask;
    if (v >= (std::int64_t{1} << (Bits - 1))) v -= std::int64_t{1} << Bits;
    return v;
}

// Signed field of Bits bits in ten-thousandths of a minute, as degrees with six decimals:
// micro-degrees = field * 5 / 3, rounded half away from zero, or "n.a." beyond Limit degrees.
std::string DecimalDegrees(std::uint32_t Field, unsigned Bits, std::int64_t Limit) {
    const std::int64_t v = SignedField(Field, Bits);
    const std::int64_t mag = v < 0 ? -v : v;
    if (mag > Limit * 600000) return std::string(kNa);
    const std::int64_t micro = (mag * 5 + 1) / 3; // remainder 2 of 3 rounds up, 1 rounds down
    std::string s;
    s.reserve(12);
    if (v < 0) s += '-';
    s += DecimalText(micro / 1000000);
    s += '.';
    AppendPadded(s, static_cast<std::uint32_t>(micro % 1000000), 6);
    return s;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Degrees and minutes of a decimal-degree text, read digit by digit so that no binary
// fraction can make 53.5 come out as 53 deg 29.9999'. Pos and Neg are the hemisphere letters.
std::string DegMin(std::string_view S, int DegWidth, char Pos, char Neg) {
    std::size_t i = 0;
    bool minus = false;
    if (i < S.size() && (S[i] == '-' || S[i] == '+')) minus = S[i++] == '-';
    const std::size_t intStart = i;
    while (i < S.size() && IsDigit(S[i])) ++i;
    const std::string_view intDigits = S.substr(intStart, i - intStart);
    std::string_view fracDigits;
    if (i < S.size() && S[i] == '.') {
        const std::size_t fracStart = ++i;
        while (i < S.size() && IsDigit(S[i])) ++i;
        fracDigits = S.substr(fracStart, i - fracStart);
        if (fracDigits.empty()) return std::string(kNa);
    }
    if (intDigits.empty() || i != S.size()) return std::string(kNa);

    // Ten-thousandths of a minute in the fraction: floor(0.fff... * 600000), exact for any
    // number of digits (long multiplication from the last digit, keeping only the carry).
    std::uint32_t carry = 0;
    for (std::size_t k = fracDigits.size(); k-- > 0;)
        carry = (static_cast<std::uint32_t>(fracDigits[k] - '0') * 600000u + carry) / 10u;
    const std::uint32_t minutes = carry / 10000, tenThousandths = carry % 10000;

    std::size_t lead = 0; // the integer part is kept as text: any number of digits is exact
    while (lead + 1 < intDigits.size() && intDigits[lead] == '0') ++lead;
    const std::string_view deg = intDigits.substr(lead);
    const bool zero = deg == "0" && fracDigits.find_first_not_of('0') == std::string_view::npos;

    std::string s;
    s.reserve(16);
    for (int k = static_cast<int>(deg.size()); k < DegWidth; ++k) s += '0';
    s += deg;
    s += "\xB0 ";
    AppendPadded(s, minutes, 2);
    s += '.';
    AppendPadded(s, tenThousandths, 4);
    s += "' ";
    s += (minus && !zero) ? Neg : Pos; // "-0.0" is zero, not south or west
    return s;
}

} // namespace

std::string NavStatusText(std::uint32_t Code) {
    return Lookup(kNavStatus, Code);
}
std::string EpfdText(std::uint32_t Code) {
    return Lookup(kEpfd, Code);
}
std::string ShipTypeText(std::uint32_t Code) {
    return Lookup(kShipType, Code);
}

std::string SpeedText(std::uint32_t Raw) {
    return Raw < 1023 ? TenthsRounded(Raw) : std::string(kNa);
}

std::string CourseText(std::uint32_t Raw) {
    return Raw < 3600 ? TenthsRounded(Raw) : std::string(kNa);
}

std::string HeadingText(std::uint32_t Raw) {
    return Raw < 360 ? DecimalText(Raw) : std::string(kNa);
}

std::string DecimalLon(std::uint32_t Field28) {
    return DecimalDegrees(Field28, 28, 180);
}
std::string DecimalLat(std::uint32_t Field27) {
    return DecimalDegrees(Field27, 27, 90);
}

std::string EtaText(std::uint32_t Month, std::uint32_t Day, std::uint32_t Hour,
                    std::uint32_t Minute) {
    std::string s;
    s.reserve(20);
    if (Day >= 1 && Day <= 31) {
        s += DecimalText(Day);
        s += ". ";
    } else {
        s += "-. ";
    }
    s += (Month >= 1 && Month <= 12) ? kMonth[Month - 1] : "- "sv;
    if (Hour <= 23) {
        s += DecimalText(Hour);
        s += ':';
    } else {
        s += "-:";
    }
    if (Minute <= 59)
        AppendPadded(s, Minute, 2);
    else
        s += '-';
    s += " UTC";
    return s;
}

std::string DraughtText(std::uint32_t Raw) {
    if (Raw == 255) return "> 25 m";
    if (Raw == 0 || Raw > 255) return std::string(kNa);
    std::string s = DecimalText(Raw / 10);
    s += '.';
    s += static_cast<char>('0' + Raw % 10);
    return s;
}

std::string ModeText(std::uint32_t Flag) {
    if (Flag == 0) return "autonomous";
    if (Flag == 1) return "assigned";
    return std::string(kNa);
}

std::string LatToDegMin(std::string_view S) {
    return DegMin(S, 2, 'N', 'S');
}
std::string LonToDegMin(std::string_view S) {
    return DegMin(S, 3, 'E', 'W');
}

std::string UtcText(std::uint32_t Year, std::uint32_t Month, std::uint32_t Day, std::uint32_t Hour,
                    std::uint32_t Minute, std::uint32_t Second) {
    const bool year = Year >= 1 && Year <= 9999, month = Month >= 1 && Month <= 12;
    const bool day = Day >= 1 && Day <= 31, hour = Hour <= 23, minute = Minute <= 59;
    const bool second = Second <= 59;
    if (!year && !month && !day && !hour && !minute && !second) return std::string(kNa);
    std::string s;
    s.reserve(28);
    if (day) {
        s += DecimalText(Day);
        s += ". ";
    } else {
        s += "-. ";
    }
    s += month ? kMonth[Month - 1] : "- "sv;
    s += year ? DecimalText(Year) : std::string("-");
    s += ' ';
    s += hour ? DecimalText(Hour) : std::string("-");
    const std::pair<bool, unsigned> parts[] = {{minute, Minute}, {second, Second}};
    for (const auto& [ok, v] : parts) {
        s += ':';
        if (ok)
            AppendPadded(s, v, 2);
        else
            s += '-';
    }
    s += " UTC";
    return s;
}

std::string AltitudeText(std::uint32_t Raw) {
    if (Raw == 4094) return ">= 4094";
    return Raw < 4094 ? DecimalText(Raw) : std::string(kNa);
}

std::string SarSpeedText(std::uint32_t Raw) {
    if (Raw == 1022) return ">= 1022";
    return Raw < 1022 ? DecimalText(Raw) : std::string(kNa);
}

std::string AidTypeText(std::uint32_t Code) {
    return Lookup(kAidType, Code);
}

std::string NineDigitMmsi(std::string_view Decimal) {
    const bool digits =
        !Decimal.empty() && Decimal.find_first_not_of("0123456789") == std::string_view::npos;
    std::string s = digits && Decimal.size() < 9 ? std::string(9 - Decimal.size(), '0') : "";
    return s.append(Decimal);
}

TPosition ReportedPosition(const TAisMessage& M) {
    std::uint32_t lon; // first bit of the longitude; the latitude follows it
    switch (M.MsgID) {
    case 1:
    case 2:
    case 3:
    case 9:
        lon = 61;
        break;
    case 4:
    case 11:
        lon = 79;
        break;
    case 18:
    case 19:
        lon = 57;
        break;
    case 21:
        lon = 164;
        break;
    default:
        return {};
    }
    return PositionOf(PayloadBits(M.MsgStr, lon, 28), PayloadBits(M.MsgStr, lon + 28, 27));
}

TPosition PositionOf(std::uint32_t Field28, std::uint32_t Field27) {
    const std::int64_t lon = SignedField(Field28, 28), lat = SignedField(Field27, 27);
    TPosition p;
    p.Valid =
        lon >= -180 * 600000 && lon <= 180 * 600000 && lat >= -90 * 600000 && lat <= 90 * 600000;
    if (p.Valid) {
        p.Lon = static_cast<double>(lon) / 600000.0;
        p.Lat = static_cast<double>(lat) / 600000.0;
    }
    return p;
}
