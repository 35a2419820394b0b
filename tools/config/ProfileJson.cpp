#include "tools/config/ProfileJson.h"

#include "control/Protocol.h"
#include "nmea/Decimal.h"
#include "nmea/Framing.h"
#include "nmea/Latin1.h"
#include "tools/config/JsonReader.h"

#include <charconv>
#include <cstdio>
#include <functional>
#include <map>

namespace {

using TKind = TJsonValue::TKind;

// A value as a complaint quotes it; a long string is cut (at a character boundary).
std::string Shown(const TJsonValue& V) {
    if (V.Kind == TKind::Number) return V.Text;
    if (V.Kind != TKind::String) return JsonKindName(V.Kind);
    std::string_view t = V.Text;
    bool cut = false;
    if (t.size() > 40) {
        std::size_t n = 40;
        while (n > 0 && (static_cast<unsigned char>(t[n]) & 0xC0) == 0x80) --n;
        t = t.substr(0, n);
        cut = true;
    }
    std::string q = JsonQuote(t);
    if (cut) q.insert(q.size() - 1, "...");
    return q;
}

// "30 to 39, 40, 50 to 60, 90"
std::string VesselTypeList() {
    std::string out;
    for (std::size_t i = 0; i < kVesselTypes.size();) {
        std::size_t j = i;
        while (j + 1 < kVesselTypes.size() && kVesselTypes[j + 1].Code == kVesselTypes[j].Code + 1)
            ++j;
        if (!out.empty()) out += ", ";
        out += std::to_string(kVesselTypes[i].Code);
        if (j > i) out += " to " + std::to_string(kVesselTypes[j].Code);
        i = j + 1;
    }
    return out;
}

class TChecker {
public:
    TChecker(const std::string& Source, TProfile& Out) : FSource(Source), FOut(Out) {}

    bool Member(const TJsonMember& M) {
        FMember = &M;
        const TJsonValue& v = M.Value;
        const std::string& k = M.Key;
        if (k == "mmsi") return Mmsi(v);
        if (k == "name") return ShipText(v, 20, FOut.ShipsName);
        if (k == "callsign") return ShipText(v, 7, FOut.CallSign);
        if (k == "a") return Whole(v, 0, 511, FOut.A);
        if (k == "b") return Whole(v, 0, 511, FOut.B);
        if (k == "c") return Whole(v, 0, 63, FOut.C);
        if (k == "d") return Whole(v, 0, 63, FOut.D);
        if (k == "vessel_type") return VesselType(v);
        if (k == "switch_type")
            return Choice(v, FOut.SwitchType, "\"none\", \"safety\" or \"rx-only\"");
        if (k == "gps_output") return Choice(v, FOut.GpsOutput, "\"all\", \"minimal\" or \"none\"");
        if (k == "alarm_output") return Choice(v, FOut.AlarmOutput, "\"enable\" or \"disable\"");
        if (k == "rs422_baud") return Baud(v);
        if (k == "vendor_id") return VendorID(v);
        std::string known;
        for (const std::string_view key : kProfileKeys)
            known += (known.empty() ? "" : ", ") + std::string(key);
        return Fail("unknown key (the keys are " + known + ")");
    }

    const std::string& Error() const { return FError; }

private:
    bool Fail(const std::string& Problem) {
        FError = FSource + ":" + std::to_string(FMember->Line) + ": " + JsonQuote(FMember->Key) +
                 ": " + Problem;
        return false;
    }

    template <class T> bool Take(TProfileValue<T>& Into, T Value) {
        Into.Value = std::move(Value);
        Into.Line = FMember->Line;
        return true;
    }

    bool Mmsi(const TJsonValue& V) {
        if (V.Kind != TKind::String)
            return Fail(Shown(V) + " must be a string of digits, e.g. \"211234560\"");
        const std::string& t = V.Text;
        bool digits = !t.empty();
        for (const char c : t) digits = digits && c >= '0' && c <= '9';
        if (!digits) return Fail(Shown(V) + " is not a number: MMSI must be a number!");
        std::size_t first = t.find_first_not_of('0');
        const std::string_view significant =
            first == std::string::npos ? std::string_view("0") : std::string_view(t).substr(first);
        int v = 0;
        if (significant.size() > 9 || !ReadWholeNumber(significant, v) || v < 1)
            return Fail(Shown(V) + " is out of range 1 to 999999999");
        return Take(FOut.MMSI, v);
    }

    // Name and call sign travel as fields of one sentence, one byte per character.
    bool ShipText(const TJsonValue& V, std::size_t Max, TProfileValue<std::string>& Into) {
        if (V.Kind != TKind::String) return Fail(Shown(V) + " must be a string");
        const std::vector<std::uint32_t> cps = CodePoints(V.Text);
        for (const std::uint32_t c : cps)
            if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
                return Fail(Shown(V) + " holds a control character");
        for (const std::uint32_t c : cps)
            if (c < 0x80 && NmeaReserved(static_cast<char>(c)))
                return Fail(Shown(V) + ": " + SaveMessage(TSaveVerdict::ReservedCharacter));
        // The unit sends them in AIS six-bit text (capitals, digits, space and some signs), and
        // "@" pads that text: any other character would come back changed or cut, the read-back
        // would never confirm the write, and the groups before it would stay written.
        for (const std::uint32_t c : cps) {
            const std::uint32_t upper = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
            if (upper < 0x20 || upper > 0x5F || upper == '@')
                return Fail(Shown(V) +
                            " holds a character AIS cannot send: letters, digits, space and"
                            " \" # % & ' ( ) + - . / : ; < = > ? [ ] _ only");
        }
        if (cps.size() > Max)
            return Fail(Shown(V) + " has " + std::to_string(cps.size()) + " characters, at most " +
                        std::to_string(Max) + " fit");
        return Take(Into, V.Text);
    }

    bool Integer(const TJsonValue& V, long long Min, long long Max, long long& Out) {
        if (V.Kind != TKind::Number) return Fail(Shown(V) + " must be a number");
        if (V.Text.find_first_of(".eE") != std::string::npos)
            return Fail(V.Text + " is not a whole number");
        long long v = 0;
        const auto r = std::from_chars(V.Text.data(), V.Text.data() + V.Text.size(), v);
        if (r.ec != std::errc() || v < Min || v > Max)
            return Fail(V.Text + " is out of range " + std::to_string(Min) + " to " +
                        std::to_string(Max));
        Out = v;
        return true;
    }

    bool Whole(const TJsonValue& V, int Min, int Max, TProfileValue<int>& Into) {
        long long v = 0;
        if (!Integer(V, Min, Max, v)) return false;
        return Take(Into, static_cast<int>(v));
    }

    bool VesselType(const TJsonValue& V) {
        if (V.Kind != TKind::Number) return Fail(Shown(V) + " must be a number");
        if (V.Text.find_first_of(".eE") != std::string::npos)
            return Fail(V.Text + " is not a whole number");
        long long v = -1;
        std::from_chars(V.Text.data(), V.Text.data() + V.Text.size(), v);
        for (const TVesselTypeItem& t : kVesselTypes)
            if (t.Code == v) return Take(FOut.VesselType, t.Code);
        return Fail(V.Text + " is not one of the vessel types (" + VesselTypeList() + ")");
    }

    template <class E> bool Choice(const TJsonValue& V, TProfileValue<E>& Into, const char* Names) {
        E e{};
        if (V.Kind != TKind::String) return Fail(Shown(V) + " must be one of " + Names);
        if (!ParseChoice(V.Text, e)) return Fail(Shown(V) + " is not one of " + Names);
        return Take(Into, e);
    }

    bool Baud(const TJsonValue& V) {
        if (V.Kind != TKind::Number) return Fail(Shown(V) + " must be the number 38400 or 4800");
        long long v = 0;
        TBaudRate b{};
        const bool whole = V.Text.find_first_of(".eE") == std::string::npos;
        const auto r = std::from_chars(V.Text.data(), V.Text.data() + V.Text.size(), v);
        if (!whole || r.ec != std::errc() || !ParseBaud(v, b))
            return Fail(V.Text + " is not 38400 or 4800");
        return Take(FOut.BaudRate, b);
    }

    bool VendorID(const TJsonValue& V) {
        if (V.Kind != TKind::String) return Fail(Shown(V) + " must be a string");
        return Take(FOut.VendorID, V.Text);
    }

    const std::string& FSource;
    TProfile& FOut;
    const TJsonMember* FMember = nullptr;
    std::string FError;
};

} // namespace

bool ParseProfile(std::string_view Text, const std::string& Source, TProfile& Out,
                  std::string& Error) {
    Out = TProfile{};
    std::vector<TJsonMember> members;
    TJsonError e;
    if (!ReadJsonObject(Text, members, e)) {
        Error = Source + ":" + std::to_string(e.Line) + ": " + e.Message;
        return false;
    }
    std::map<std::string, int> seen; // key -> line
    TChecker check(Source, Out);
    for (const TJsonMember& m : members) {
        if (const auto it = seen.find(m.Key); it != seen.end()) {
            Error = Source + ":" + std::to_string(m.Line) + ": " + JsonQuote(m.Key) +
                    ": given twice (first on line " + std::to_string(it->second) + ")";
            Out = TProfile{};
            return false;
        }
        seen.emplace(m.Key, m.Line);
        if (!check.Member(m)) {
            Error = check.Error();
            Out = TProfile{};
            return false;
        }
    }
    return true;
}

bool CheckVendorID(const TProfile& P, const TUnitConfig& Read, const std::string& Source,
                   std::string& Error) {
    if (!P.VendorID || (Read.VendorID && *Read.VendorID == *P.VendorID)) return true;
    Error = Source + ":" + std::to_string(P.VendorID.Line) +
            ": \"vendor_id\": " + JsonQuote(*P.VendorID) +
            " cannot be written; the transponder reports " +
            (Read.VendorID ? JsonQuote(*Read.VendorID) : std::string("none")) +
            " (leave the key out, or give the one it reports)";
    return false;
}

TUnitConfig MergeProfile(const TUnitConfig& Read, const TProfile& P) {
    TUnitConfig c = Read;
    if (P.MMSI) {
        // nine digits, as the transponder reports it, so an unchanged number reads as unchanged
        char nine[16];
        std::snprintf(nine, sizeof nine, "%09d", *P.MMSI);
        c.MMSI = nine;
    }
    if (P.ShipsName) c.ShipsName = *P.ShipsName;
    if (P.CallSign) c.CallSign = *P.CallSign;
    const std::pair<const TProfileValue<int>*, std::optional<std::string>*> dims[] = {
        {&P.A, &c.A}, {&P.B, &c.B}, {&P.C, &c.C}, {&P.D, &c.D}};
    for (const auto& [given, field] : dims)
        if (*given) *field = std::to_string(**given);
    if (P.VesselType) c.VesselType = *P.VesselType;
    if (P.SwitchType) c.SwitchType = *P.SwitchType;
    if (P.BaudRate) c.BaudRate = *P.BaudRate;
    if (P.GpsOutput) c.GpsOutput = *P.GpsOutput;
    if (P.AlarmOutput) c.AlarmOutput = *P.AlarmOutput;
    return c;
}

std::optional<int> DistanceValue(const std::optional<std::string>& Text) {
    int v = 0;
    if (!Text || !ReadWholeNumber(*Text, v)) return std::nullopt;
    return v;
}

std::optional<std::string> JsonValueOf(const TUnitConfig& C, std::string_view Key) {
    const auto text = [](const std::optional<std::string>& S) -> std::optional<std::string> {
        if (!S) return std::nullopt;
        return JsonQuote(*S);
    };
    const auto number = [](std::optional<int> V) -> std::optional<std::string> {
        if (!V) return std::nullopt;
        return std::to_string(*V);
    };
    const auto name = [](const auto& Choice) -> std::optional<std::string> {
        if (!Choice) return std::nullopt;
        return JsonQuote(ChoiceName(*Choice));
    };
    if (Key == "mmsi") return text(C.MMSI);
    if (Key == "name") return text(C.ShipsName);
    if (Key == "callsign") return text(C.CallSign);
    if (Key == "a") return number(DistanceValue(C.A));
    if (Key == "b") return number(DistanceValue(C.B));
    if (Key == "c") return number(DistanceValue(C.C));
    if (Key == "d") return number(DistanceValue(C.D));
    if (Key == "vessel_type") return number(C.VesselType);
    if (Key == "switch_type") return name(C.SwitchType);
    if (Key == "vendor_id") return text(C.VendorID);
    if (Key == "rs422_baud")
        return C.BaudRate ? std::optional<std::string>(std::to_string(BaudValue(*C.BaudRate)))
                          : std::nullopt;
    if (Key == "gps_output") return name(C.GpsOutput);
    if (Key == "alarm_output") return name(C.AlarmOutput);
    return std::nullopt;
}

std::string ConfigJson(const TUnitConfig& C, std::vector<std::string>& Warnings) {
    const std::pair<std::string_view, const std::optional<std::string>*> dims[] = {
        {"a", &C.A}, {"b", &C.B}, {"c", &C.C}, {"d", &C.D}};
    for (const auto& [key, text] : dims)
        if (*text && !DistanceValue(*text))
            Warnings.push_back("\"" + std::string(key) + "\" left out: the transponder reported " +
                               JsonQuote(**text) + ", which is not a number");
    std::string out = "{";
    bool first = true;
    for (const std::string_view key : kProfileKeys) {
        const std::optional<std::string> v = JsonValueOf(C, key);
        if (!v) continue;
        out += first ? "\n  " : ",\n  ";
        out += JsonQuote(key) + ": " + *v;
        first = false;
    }
    out += first ? "}\n" : "\n}\n";
    return out;
}
