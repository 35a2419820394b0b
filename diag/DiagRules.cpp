#include "diag/DiagRules.h"

#include "nmea/Decimal.h"
#include "nmea/Dispatch.h"

#include <charconv>
#include <cmath>

namespace {

// Fixed-point text with Decimals decimals, fewer where more than Significant digits would be
// written ("." separator in every locale).
std::string FixedText(double V, int Decimals, int Significant) {
    const double magnitude = std::fabs(V);
    int intDigits = 1;
    for (double p = 10; magnitude >= p && intDigits < 400; p *= 10) ++intDigits;
    int decimals = Significant - intDigits;
    if (decimals > Decimals) decimals = Decimals;
    if (decimals < 0) decimals = 0;
    char buf[512];
    const auto r =
        std::to_chars(buf, buf + sizeof buf, V + 0.0, std::chars_format::fixed, decimals);
    std::string s(buf, r.ptr);
    if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-')
        s.erase(0, 1); // no "-0.00000"
    return s;
}

std::string DegreesText(std::string_view Field, std::string_view Hemisphere,
                        std::size_t DegreeDigits, char Negative, int Significant) {
    double degrees, minutes;
    if (Field.size() < DegreeDigits || !ReadDecimal(Field.substr(0, DegreeDigits), degrees))
        return "n.a.";
    if (!ReadDecimal(Field.substr(DegreeDigits), minutes)) return "n.a.";
    double value = degrees + minutes / 60;
    if (Hemisphere.size() == 1 && Hemisphere[0] == Negative) value = -value;
    return FixedText(value, 5, Significant);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::string NmeaLatToDeg(std::string_view Field, std::string_view Hemisphere) {
    return DegreesText(Field, Hemisphere, 2, 'S', 7);
}

std::string NmeaLonToDeg(std::string_view Field, std::string_view Hemisphere) {
    return DegreesText(Field, Hemisphere, 3, 'W', 8);
}

std::optional<std::uint32_t> HexAt(std::string_view S, int First, int Last) {
    if (First < 1 || Last < First || static_cast<std::size_t>(Last) > S.size()) return std::nullopt;
    std::uint32_t v = 0;
    for (int p = First; p <= Last; ++p) {
        const int d = HexDigit(S[static_cast<std::size_t>(p - 1)]);
        if (d < 0) return std::nullopt;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    return v;
}

std::optional<std::int32_t> LedMask(std::string_view S) {
    const auto m = HexAt(S, 15, 16);
    if (!m) return std::nullopt;
    return static_cast<std::int32_t>(*m);
}

std::optional<std::string> PowerVerdict(std::uint32_t Forward, std::uint32_t Reverse) {
    if (Reverse == 0) return std::nullopt;
    return static_cast<double>(Forward) / static_cast<double>(Reverse) >= 3 ? "OK" : "ERROR";
}

std::string VoltageText(std::uint32_t Reading) {
    return FixedText(Reading * 0.16, 0, 3) + " V";
}

std::string RssiVerdict(std::uint32_t Reading) {
    return static_cast<double>(Reading) / -10 >= -77 ? "ERROR" : "OK";
}

TAdcCaptions EvaluateADC(std::string_view S, bool TxSeen) {
    TAdcCaptions c;
    if (!HasAt(S, 11, "ADC,")) return c;
    const auto f = HexAt(S, 15, 18);
    if (!f) return c;
    const auto r = HexAt(S, 20, 23);
    if (!r) return c;
    if (auto v = PowerVerdict(*f, *r)) c.ForPwr = c.RevPwr = *v;
    const auto vi = HexAt(S, 25, 26);
    if (!vi) return c;
    c.V_Idle = VoltageText(*vi);
    if (TxSeen) {
        const auto vt = HexAt(S, 28, 29);
        if (!vt) return c;
        c.V_TX = VoltageText(*vt);
    }
    const auto s1 = HexAt(S, 31, 34);
    if (!s1) return c;
    c.RSSI1 = RssiVerdict(*s1);
    const auto s2 = HexAt(S, 36, 39);
    if (!s2) return c;
    c.RSSI2 = RssiVerdict(*s2);
    return c;
}

TOwnCourse RmcVelocity(std::string_view Sentence) {
    Sentence = Sentence.substr(0, Sentence.find_first_of("*\r\n"));
    TOwnCourse v{"", ""};
    std::size_t start = 0;
    for (int field = 0; start <= Sentence.size(); ++field) {
        const std::size_t comma = Sentence.find(',', start);
        const std::string_view f = Sentence.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (field == 7) v.Sog = f;
        if (field == 8) {
            v.Cog = f;
            break;
        }
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return v;
}
