#include "control/ConfigRows.h"

#include "nmea/Decimal.h"

namespace {

constexpr const char* kNotReported = "(not reported)";

// A text that should have been a number, in quotes: '"', '\' and control characters (C0, DEL,
// C1) escaped as a JSON string has them, so nothing invisible hides in it.
std::string Quoted(const std::string& S) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < S.size(); ++i) {
        const auto c = static_cast<unsigned char>(S[i]);
        const bool c1 = c == 0xC2 && i + 1 < S.size() &&
                        static_cast<unsigned char>(S[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(S[i + 1]) <= 0x9F;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || c1) {
            const unsigned e = c1 ? static_cast<unsigned char>(S[++i]) : c;
            out += "\\u00";
            out += kHex[e >> 4];
            out += kHex[e & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Plain(const std::optional<std::string>& S) {
    return S ? *S : kNotReported;
}

std::string Distance(const std::optional<std::string>& Text) {
    if (!Text) return kNotReported;
    int v = 0;
    if (ReadWholeNumber(*Text, v)) return std::to_string(v) + " m";
    return Quoted(*Text) + " (not a number)";
}

std::string VesselTypeText(std::optional<int> Code) {
    if (!Code) return kNotReported;
    for (const TVesselTypeItem& t : kVesselTypes)
        if (t.Code == *Code) return t.Text;
    return std::to_string(*Code) + " (not one of the window's list)";
}

template <class E> std::string Name(const std::optional<E>& Choice) {
    return Choice ? std::string(ChoiceName(*Choice)) : kNotReported;
}

} // namespace

std::vector<std::pair<std::string, std::string>> ConfigRows(const TUnitConfig& C) {
    std::string mmsi = Plain(C.MMSI);
    if (C.MMSI && *C.MMSI == "000000000") mmsi += " (none programmed)";
    return {
        {"MMSI", mmsi},
        {"Ship's name", Plain(C.ShipsName)},
        {"Call sign", Plain(C.CallSign)},
        {"A (to bow)", Distance(C.A)},
        {"B (to stern)", Distance(C.B)},
        {"C (to port)", Distance(C.C)},
        {"D (to starboard)", Distance(C.D)},
        {"Vessel type", VesselTypeText(C.VesselType)},
        {"Switch type", Name(C.SwitchType)},
        {"Vendor ID", Plain(C.VendorID)},
        {"RS422 baud rate", C.BaudRate ? std::to_string(BaudValue(*C.BaudRate)) : kNotReported},
        {"GPS output", Name(C.GpsOutput)},
        {"Alarm output", Name(C.AlarmOutput)},
    };
}
