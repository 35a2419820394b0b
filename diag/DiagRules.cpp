#include "diag/DiagRules.h"

#include "nmea/Decimal.h"
#include "nmea/Dispatch.h"
#include "nmea/SplitFields.h"

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

TAdcReadings ReadADC(std::string_view S, bool TxSeen) {
    TAdcReadings r;
    if (!HasAt(S, 11, "ADC,")) return r;
    if (!(r.Forward = HexAt(S, 15, 18))) return r;
    if (!(r.Reverse = HexAt(S, 20, 23))) return r;
    if (!(r.VoltIdle = HexAt(S, 25, 26))) return r;
    if (TxSeen && !(r.VoltTx = HexAt(S, 28, 29))) return r;
    if (!(r.Rssi1 = HexAt(S, 31, 34))) return r;
    r.Rssi2 = HexAt(S, 36, 39);
    return r;
}

TAdcCaptions EvaluateADC(std::string_view S, bool TxSeen) {
    const TAdcReadings r = ReadADC(S, TxSeen);
    TAdcCaptions c;
    if (r.Forward && r.Reverse)
        if (auto v = PowerVerdict(*r.Forward, *r.Reverse)) c.ForPwr = c.RevPwr = *v;
    if (r.VoltIdle) c.V_Idle = VoltageText(*r.VoltIdle);
    if (r.VoltTx) c.V_TX = VoltageText(*r.VoltTx);
    if (r.Rssi1) c.RSSI1 = RssiVerdict(*r.Rssi1);
    if (r.Rssi2) c.RSSI2 = RssiVerdict(*r.Rssi2);
    return c;
}

double SupplyVolts(std::uint32_t Reading) {
    return Reading * 0.16;
}

double SignalDbm(std::uint32_t Reading) {
    return static_cast<double>(Reading) / -10;
}

void RecordADC(TDUT_Status& Status, const TAdcReadings& R, double At) {
    if (R.Forward && R.Reverse) {
        Status.FwdPwr = *R.Forward;
        Status.RevPwr = *R.Reverse;
        Status.PowerAt = At;
    }
    if (R.VoltIdle) {
        Status.VoltIdle = SupplyVolts(*R.VoltIdle);
        Status.VoltIdleAt = At;
    }
    if (R.VoltTx) {
        Status.VoltTx = SupplyVolts(*R.VoltTx);
        Status.VoltTxAt = At;
    }
    if (R.Rssi1) {
        Status.RSSI1 = SignalDbm(*R.Rssi1);
        Status.Rssi1At = At;
    }
    if (R.Rssi2) {
        Status.RSSI2 = SignalDbm(*R.Rssi2);
        Status.Rssi2At = At;
    }
}

TGpsRecorded RecordGPS(const std::vector<std::string>& F, std::string_view S, TDUT_Status& Status,
                       TGeoCoor& OwnPos, TOwnCourse& OwnCourse, double At) {
    const std::size_t n = F.size();
    const std::string address = n > 0 ? F[0] : std::string();
    Status.GpsAt = At;
    // A sentence with fewer fields than its rule reads changes nothing.
    if (address == "$GPGGA") {
        if (n >= 3 && F[2] != "0") {
            if (n >= 8) {
                Status.SatUsed = F[7];
                return {TGpsMemo::GGA, n};
            }
        } else if (n >= 3) {
            // Without a position the empty latitude and longitude fields have dropped out.
            Status.SatUsed = "0";
            Status.ValidFix = "No Fix.";
            return {TGpsMemo::GGA, n};
        }
    } else if (address == "$GPGSV") {
        if (n >= 4) {
            Status.SatView = F[3];
            return {TGpsMemo::GSV, n};
        }
    } else if (address == "$GPRMC") {
        if (n >= 7 && F[2] == "A") {
            Status.ValidFix = "OK";
            Status.FixAt = At;
            OwnPos.Lat = NmeaLatToDeg(F[3], F[4]);
            OwnPos.Lon = NmeaLonToDeg(F[5], F[6]);
            OwnCourse = RmcVelocity(S);
            return {TGpsMemo::RMC, n};
        }
        if (n >= 3 && F[2] != "A") {
            Status.ValidFix = "No Fix.";
            return {TGpsMemo::RMC, 5};
        }
    }
    return {};
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

std::optional<TUnitMessageFields> AlarmOf(const std::vector<std::string>& F) {
    if (F.size() < 6) return std::nullopt;
    return TUnitMessageFields{F[2], F[5], F[3] == "A"};
}

std::optional<TUnitMessageFields> TextOf(const std::vector<std::string>& F) {
    if (F.size() < 5) return std::nullopt;
    return TUnitMessageFields{F[3], F[4], true};
}

std::optional<TUnitMessageFields> ReadAlarm(std::string_view S) {
    std::vector<std::string> f;
    SplitFields(",*", " ", S, f);
    return AlarmOf(f);
}

std::optional<TUnitMessageFields> ReadText(std::string_view S) {
    std::vector<std::string> f;
    SplitFields(",*", " ", S, f);
    return TextOf(f);
}

void RecordLED(TDUT_Status& Status, std::int32_t Mask, double At) {
    Status.LED = Mask;
    Status.LedAt = At;
}
