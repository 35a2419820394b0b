#include "tools/sim/SimConfig.h"

#include "nmea/Framing.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

bool SwitchRxOnly(const TSimConfig& C) {
    return C.SwitchEnable == "01" && C.SwitchMode == "02";
}
bool SwitchSafety(const TSimConfig& C) {
    return C.SwitchEnable == "01" && C.SwitchMode == "01";
}

namespace {

bool PrintableSixBit(std::string_view Text) {
    for (char ch : Text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c > 95 || NmeaReserved(ch)) return false; // never echoed inside a field
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool ReadInt(std::string_view s, long Min, long Max, long& Out) {
    if (s.empty()) return false;
    long v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || v < Min || v > Max) return false;
    Out = v;
    return true;
}

bool ReadHex4(std::string_view s, unsigned& Out) {
    if (s.size() != 4) return false;
    unsigned v = 0;
    const auto r = std::from_chars(s.data(), s.data() + 4, v, 16);
    if (r.ec != std::errc() || r.ptr != s.data() + 4) return false;
    Out = v;
    return true;
}

std::string Hex4(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFFu);
    return buf;
}

} // namespace

bool ValidShipText(std::string_view Text, std::size_t MaxLength) {
    return Text.size() <= MaxLength && PrintableSixBit(Text);
}

bool ValidVendorID(std::string_view Text) {
    return !Text.empty() && Text.size() <= 20 && PrintableSixBit(Text);
}

std::string FormatConfig(const TSimConfig& C) {
    std::ostringstream o;
    o << "# corvane-sim transponder memory; rewritten whenever a setting changes\n"
      << "mmsi = " << C.MMSI << "\n"
      << "callsign = " << C.CallSign << "\n"
      << "name = " << C.ShipsName << "\n"
      << "a = " << C.A << "\n"
      << "b = " << C.B << "\n"
      << "c = " << C.C << "\n"
      << "d = " << C.D << "\n"
      << "shiptype = " << C.ShipType << "\n"
      << "switch = " << C.SwitchEnable << "," << C.SwitchMode << "\n"
      << "vendorid = " << C.VendorID << "\n"
      << "baud = " << C.BaudCode << "\n"
      << "nmea = " << Hex4(C.NmeaOutput) << "\n"
      << "alarm = " << (C.AlarmOutput ? "enable" : "disable") << "\n";
    return o.str();
}

bool ParseConfig(std::string_view Text, TSimConfig& C, std::string& Error) {
    TSimConfig c = C;
    int lineNo = 0;
    while (!Text.empty()) {
        const std::size_t nl = Text.find('\n');
        std::string_view line = Text.substr(0, nl);
        Text = nl == std::string_view::npos ? std::string_view() : Text.substr(nl + 1);
        ++lineNo;
        // Texts may hold blanks and "#", so only a line that starts with "#" is a comment.
        if (Trim(line).empty() || Trim(line).front() == '#') continue;
        const std::size_t eq = line.find('=');
        const auto fail = [&](const std::string& why) {
            Error = "line " + std::to_string(lineNo) + ": " + why;
            return false;
        };
        if (eq == std::string_view::npos) return fail("expected key = value");
        const std::string key(Trim(line.substr(0, eq)));
        std::string_view value = line.substr(eq + 1);
        // One blank after "=" belongs to the layout; the rest of a text is kept as it stands.
        if (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        while (!value.empty() && value.back() == '\r') value.remove_suffix(1);
        const std::string_view v = Trim(value);
        long n = 0;
        if (key == "mmsi") {
            if (!ReadInt(v, 0, 999999999, n)) return fail("mmsi must be 0 to 999999999");
            c.MMSI = static_cast<std::uint32_t>(n);
        } else if (key == "callsign") {
            if (!ValidShipText(value, 7)) return fail("callsign: up to 7 AIS characters");
            c.CallSign = std::string(value);
        } else if (key == "name") {
            if (!ValidShipText(value, 20)) return fail("name: up to 20 AIS characters");
            c.ShipsName = std::string(value);
        } else if (key == "a" || key == "b" || key == "c" || key == "d") {
            const long max = (key == "a" || key == "b") ? 511 : 63;
            if (!ReadInt(v, 0, max, n)) return fail(key + " must be 0 to " + std::to_string(max));
            (key == "a" ? c.A : key == "b" ? c.B : key == "c" ? c.C : c.D) = static_cast<int>(n);
        } else if (key == "shiptype") {
            if (!ReadInt(v, 0, 255, n)) return fail("shiptype must be 0 to 255");
            c.ShipType = static_cast<int>(n);
        } else if (key == "switch") {
            if (v != "00,01" && v != "01,01" && v != "01,02" && v != "00,02")
                return fail("switch must be 00,01 (none), 01,01 (safety) or 01,02 (rx only)");
            c.SwitchEnable = std::string(v.substr(0, 2));
            c.SwitchMode = std::string(v.substr(3, 2));
        } else if (key == "vendorid") {
            if (!ValidVendorID(v)) return fail("vendorid: 1 to 20 characters, no , * $ ! \\ ^ ~");
            c.VendorID = std::string(v);
        } else if (key == "baud") {
            if (v != "0D36" && v != "0D1E") return fail("baud must be 0D36 (38400) or 0D1E (4800)");
            c.BaudCode = std::string(v);
        } else if (key == "nmea") {
            unsigned h = 0;
            if (!ReadHex4(v, h)) return fail("nmea must be four hexadecimal digits");
            c.NmeaOutput = static_cast<std::uint16_t>(h);
        } else if (key == "alarm") {
            if (v != "enable" && v != "disable") return fail("alarm must be enable or disable");
            c.AlarmOutput = v == "enable";
        } else {
            return fail("unknown key \"" + key + "\"");
        }
    }
    C = c;
    return true;
}

bool LoadConfigFile(const std::string& Path, TSimConfig& C, bool& Exists, std::string& Error) {
    struct stat st {};
    Exists = stat(Path.c_str(), &st) == 0 || errno != ENOENT;
    std::ifstream in(Path, std::ios::binary);
    if (!in) {
        Error = Path + (Exists ? ": cannot be read" : ": no such file");
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!ParseConfig(text.str(), C, Error)) {
        Error = Path + ": " + Error;
        return false;
    }
    return true;
}

bool SaveConfigFile(const std::string& Path, const TSimConfig& C, std::string& Error) {
    const std::string tmp = Path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << FormatConfig(C);
        out.flush();
        if (!out) {
            Error = tmp + ": cannot write";
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), Path.c_str()) != 0) {
        Error = Path + ": " + std::strerror(errno);
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}
