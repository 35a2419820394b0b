#include "tools/sim/SimDevice.h"

#include "nmea/Framing.h"

#include <charconv>
#include <cstdio>

namespace {

bool StartsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}

// Fields at every comma, empty ones kept: a configuration sentence means its empty fields.
std::vector<std::string_view> Fields(std::string_view s) {
    std::vector<std::string_view> f;
    for (;;) {
        const std::size_t c = s.find(',');
        f.push_back(s.substr(0, c));
        if (c == std::string_view::npos) return f;
        s.remove_prefix(c + 1);
    }
}

bool ReadDecimal(std::string_view s, long Max, long& Out) {
    if (s.empty() || s.size() > 9) return false;
    long v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || v < 0 || v > Max) return false;
    Out = v;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool ReadHex4(std::string_view s, unsigned& Out) {
    if (s.size() != 4) return false;
    unsigned v = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        v = v * 16 + static_cast<unsigned>(d);
    }
    Out = v;
    return true;
}

std::string Padded(std::string_view s, std::size_t n) {
    std::string r(s.substr(0, n));
    r.resize(n, '@');
    return r;
}

std::string Digits(long v, int Width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*ld", Width, v);
    return buf;
}

} // namespace

TSentenceCheck CheckSentence(std::string_view Line, std::string_view& Body) {
    if (Line.empty() || (Line.front() != '$' && Line.front() != '!'))
        return TSentenceCheck::NoStart;
    const std::size_t star = Line.rfind('*');
    if (star == std::string_view::npos || star + 3 != Line.size())
        return TSentenceCheck::NoChecksum;
    const int hi = HexDigit(Line[star + 1]);
    const int lo = HexDigit(Line[star + 2]);
    if (hi < 0 || lo < 0) return TSentenceCheck::NoChecksum;
    const std::string_view body = Line.substr(1, star - 1);
    if (NmeaChecksum(body) != hi * 16 + lo) return TSentenceCheck::BadChecksum;
    Body = body;
    return TSentenceCheck::Ok;
}

std::string ReplyMMSI(const TSimConfig& C) {
    return "PSRT,010,,," + Digits(C.MMSI, 9);
}

std::string ReplyStatic(const TSimConfig& C) {
    return "AISSD," + Padded(C.CallSign, 7) + "," + Padded(C.ShipsName, 20) + "," + Digits(C.A, 3) +
           "," + Digits(C.B, 3) + "," + Digits(C.C, 2) + "," + Digits(C.D, 2) + ",0,AI";
}

std::string ReplyVoyage(const TSimConfig& C) {
    return "AIVSD," + Digits(C.ShipType, 3) + ",,,,,,,,";
}

// The comma after the vendor ID is the one character the reader expects before "*".
std::string ReplySwitch(const TSimConfig& C) {
    return "PSRT,SRM," + C.SwitchEnable + "," + C.SwitchMode + "," + C.VendorID + ",";
}

std::string ReplyBaud(const TSimConfig& C) {
    return "PSRT,SER,,," + C.BaudCode;
}

std::string ReplyNmea(const TSimConfig& C) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(C.NmeaOutput));
    return std::string("PSRT,NMEA,00,") + buf + ",00";
}

// The reader looks at the first two digits only, so the two states differ there; the four
// digits of the command ("0000", "0001") would both read as enabled.
std::string ReplyAlarm(const TSimConfig& C) {
    return C.AlarmOutput ? "PSRT,ALM,00" : "PSRT,ALM,01";
}

std::string ReplyVersion(const TSimConfig& C) {
    return "AIVER,1,1,AI," + C.VendorID + "," + std::string(kSoftwareVersion) + ",SIM";
}

TSimDevice::TSimDevice(const TSimConfig& Initial, const TDeviceFaults& Faults)
    : FConfig(Initial), FFaults(Faults) {}

bool TSimDevice::TakeUnlock(std::int64_t NowMs) {
    const bool ok = FUnlocked && NowMs - FUnlockedAt <= kUnlockValidMs;
    FUnlocked = false;
    return ok;
}

void TSimDevice::Change(const TSimConfig& C, bool Static, TOutcome& R) {
    if (C == FConfig) return;
    FConfig = C;
    R.ConfigChanged = true;
    R.StaticChanged = R.StaticChanged || Static;
}

TSimDevice::TOutcome TSimDevice::Handle(std::string_view Body, std::int64_t NowMs) {
    TOutcome r;
    if (Body == kUnlockBody) {
        FUnlocked = true;
        FUnlockedAt = NowMs;
        r.Note = "unlocked for the next protected command";
    } else if (StartsWith(Body, "PSRT,012,")) {
        FUnlocked = false;
        r.Note = "wrong service access code";
    } else if (Body.size() >= 6 && Body.substr(2, 4) == "AIQ,") {
        Query(Body.substr(6), r);
    } else if (Body == "PSRT,010") {
        Query("010", r);
    } else {
        Command(Body, NowMs, r);
    }
    if (FFaults.Silent && !r.Replies.empty()) {
        r.Replies.clear();
        r.Note += " (silent: no reply)";
    }
    return r;
}

void TSimDevice::Query(std::string_view What, TOutcome& R) {
    if (What == "SSD")
        R.Replies.push_back(ReplyStatic(FConfig));
    else if (What == "VSD")
        R.Replies.push_back(ReplyVoyage(FConfig));
    else if (What == "SRM")
        R.Replies.push_back(ReplySwitch(FConfig));
    else if (What == "010")
        R.Replies.push_back(ReplyMMSI(FConfig));
    else if (What == "SER")
        R.Replies.push_back(ReplyBaud(FConfig));
    else if (What == "ALM")
        R.Replies.push_back(ReplyAlarm(FConfig));
    else if (What == "VER")
        R.Replies.push_back(ReplyVersion(FConfig));
    else if (What == "NMEA" || StartsWith(What, "NMEA,"))
        R.Replies.push_back(ReplyNmea(FConfig));
    else {
        R.Note = "unknown query";
        return;
    }
    R.Note = "query answered";
}

void TSimDevice::Command(std::string_view Body, std::int64_t NowMs, TOutcome& R) {
    TSimConfig c = FConfig;
    const auto reject = [&](const char* why) { R.Note = std::string("rejected: ") + why; };

    // Protected commands: each one needs its own unlock sentence first.
    const bool protectedCmd = StartsWith(Body, "PSRT,010,,,") || StartsWith(Body, "PSRT,SRM,") ||
                              StartsWith(Body, "PSRT,SER,") || StartsWith(Body, "PSRT,ALM,") ||
                              Body == "PSRT,RDP";
    if (protectedCmd && !TakeUnlock(NowMs)) return reject("protected command without unlock");

    if (StartsWith(Body, "PSRT,010,,,")) {
        long mmsi = 0;
        if (!ReadDecimal(Body.substr(11), 999999999, mmsi) || mmsi == 0)
            return reject("MMSI must be 1 to 999999999");
        if (FFaults.MmsiLocked) return reject("MMSI locked");
        c.MMSI = static_cast<std::uint32_t>(mmsi);
        R.MmsiWritten = true;
        Change(c, true, R);
        R.Note = "MMSI programmed";
    } else if (StartsWith(Body, "PSRT,SRM,")) {
        const auto f = Fields(Body.substr(9));
        if (f.size() < 2 || (f[0] != "00" && f[0] != "01") || (f[1] != "01" && f[1] != "02"))
            return reject("switch codes must be 00,01 / 01,01 / 01,02");
        // Everything after the second code is the vendor ID; an empty one (a tool that never
        // read it) must not wipe the unit's identity.
        const std::string_view vendor = f.size() > 2 ? Body.substr(9 + 6) : std::string_view();
        if (!vendor.empty() && !ValidVendorID(vendor)) return reject("invalid vendor ID");
        c.SwitchEnable = std::string(f[0]);
        c.SwitchMode = std::string(f[1]);
        if (!vendor.empty()) c.VendorID = std::string(vendor);
        Change(c, c.VendorID != FConfig.VendorID, R);
        R.Note = "switch type set";
    } else if (StartsWith(Body, "PSRT,SER,")) {
        const auto f = Fields(Body.substr(9));
        if (f.size() != 3 || !f[0].empty() || !f[1].empty() || (f[2] != "0D36" && f[2] != "0D1E"))
            return reject("baud code must be 0D36 or 0D1E");
        c.BaudCode = std::string(f[2]);
        Change(c, false, R);
        R.Note = "RS422 baud rate set";
    } else if (StartsWith(Body, "PSRT,ALM,")) {
        unsigned v = 0;
        if (!ReadHex4(Body.substr(9), v) || v > 1) return reject("alarm code must be 0000 or 0001");
        c.AlarmOutput = v == 0;
        Change(c, false, R);
        R.Note = "alarm output set";
    } else if (Body == "PSRT,RDP") {
        if (!FFaults.MmsiLocked) {
            c.MMSI = 0;
            R.MmsiWritten = true;
        }
        c.CallSign.clear();
        c.ShipsName.clear();
        c.A = c.B = c.C = c.D = 0;
        c.ShipType = 0;
        Change(c, true, R);
        R.Note = "factory reset";
    } else if (Body.size() >= 6 && Body.substr(2, 4) == "SSD,") {
        const auto f = Fields(Body);
        // Call sign, name and A to D are required; the DTE flag and source may follow. More
        // fields mean a comma inside a text, which a device cannot tell from a field end.
        if (f.size() < 7 || f.size() > 9) return reject("static data needs 6 to 8 fields");
        if (!ValidShipText(f[1], 7)) return reject("call sign: up to 7 AIS characters");
        if (!ValidShipText(f[2], 20)) return reject("name: up to 20 AIS characters");
        c.CallSign = std::string(f[1]);
        c.ShipsName = std::string(f[2]);
        int* dims[4] = {&c.A, &c.B, &c.C, &c.D};
        for (int i = 0; i < 4; ++i) {
            long v = 0;
            if (f[3 + i].empty()) continue; // a null field leaves the value as it is
            if (!ReadDecimal(f[3 + i], i < 2 ? 511 : 63, v))
                return reject("dimension out of range");
            *dims[i] = static_cast<int>(v);
        }
        Change(c, true, R);
        R.Note = "static data set";
    } else if (Body.size() >= 6 && Body.substr(2, 4) == "VSD,") {
        const auto f = Fields(Body);
        long v = 0;
        if (f.size() < 2) return reject("voyage data without ship type");
        if (!f[1].empty()) {
            if (!ReadDecimal(f[1], 255, v)) return reject("ship type must be 0 to 255");
            c.ShipType = static_cast<int>(v);
        }
        Change(c, true, R);
        R.Note = "voyage data set";
    } else if (StartsWith(Body, "PSRT,NMEA,")) {
        const auto f = Fields(Body);
        unsigned v = 0;
        if (f.size() < 4 || !ReadHex4(f[3], v)) return reject("NMEA output needs four hex digits");
        c.NmeaOutput = static_cast<std::uint16_t>(v);
        Change(c, false, R);
        R.Note = "NMEA output set";
    } else {
        R.Note = "unknown sentence";
    }
}
