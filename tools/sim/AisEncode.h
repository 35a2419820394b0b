#pragma once
// AIS payload encoder: ITU-R M.1371 messages packed into bits, armoured as six-bit text and
// wrapped into VDM/VDO sentences with fill bits and checksum. Every field is a raw integer in
// the units of the standard (speed and course in tenths, positions in 1/10000 minute), so a
// caller can also send the "not available" codes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TBitWriter {
public:
    // The low Width bits of Value, most significant first (Width at most 64).
    void Put(std::uint64_t Value, unsigned Width);
    // Two's complement in Width bits.
    void PutSigned(std::int64_t Value, unsigned Width);
    // Chars six-bit characters: Text cut or padded with "@" to that length.
    void PutText(std::string_view Text, unsigned Chars);
    std::size_t BitCount() const { return FBits.size(); }
    // The armoured payload; FillBits receives the zero bits added to end on a character.
    std::string Armoured(int& FillBits) const;

private:
    std::vector<bool> FBits;
};

// Six-bit value of a text character (M.1371 six-bit ASCII). Lower-case letters count as
// upper case; characters outside the alphabet become "?".
unsigned SixBitCode(char Ch);
// True when every character has a six-bit code of its own (codes 32 to 95).
bool IsSixBitText(std::string_view Text);
// Payload character that carries the six-bit value V (0 to 63).
char ArmourChar(unsigned V);

// Degrees to the 1/10000-minute units of the position fields.
std::int32_t LonLatUnits(double Degrees);

struct TAisPayload {
    std::string Text;
    int FillBits = 0;
};

// Types 1, 2 and 3: class A position report.
struct TAisPosA {
    unsigned Type = 1;
    unsigned Repeat = 0;
    std::uint32_t MMSI = 0;
    unsigned NavStatus = 15;
    int Rot = -128;      // -128 = no turn information
    unsigned Sog = 1023; // 0.1 kn; 1023 = not available
    unsigned PosAcc = 0;
    std::int32_t Lon = 108600000; // 181 degrees = not available
    std::int32_t Lat = 54600000;  // 91 degrees = not available
    unsigned Cog = 3600;          // 0.1 degree; 3600 = not available
    unsigned Heading = 511;       // 511 = not available
    unsigned Second = 60;         // 60 = no time stamp
    unsigned Maneuver = 0;
    unsigned Raim = 0;
    std::uint32_t Radio = 0; // 19 bits
};

// Type 4: base station report.
struct TAisBaseStation {
    unsigned Repeat = 0;
    std::uint32_t MMSI = 0;
    unsigned Year = 0, Month = 0, Day = 0, Hour = 24, Minute = 60, Second = 60;
    unsigned PosAcc = 0;
    std::int32_t Lon = 108600000;
    std::int32_t Lat = 54600000;
    unsigned Epfd = 0;
    unsigned Raim = 0;
    std::uint32_t Radio = 0;
};

// Type 5: static and voyage related data (two sentences).
struct TAisStaticVoyage {
    unsigned Repeat = 0;
    std::uint32_t MMSI = 0;
    unsigned AisVersion = 0;
    std::uint32_t IMO = 0;
    std::string CallSign; // 7 characters
    std::string Name;     // 20 characters
    unsigned ShipType = 0;
    unsigned ToBow = 0, ToStern = 0, ToPort = 0, ToStarboard = 0;
    unsigned Epfd = 0;
    unsigned EtaMonth = 0, EtaDay = 0, EtaHour = 24, EtaMinute = 60;
    unsigned Draught = 0;    // 0.1 m
    std::string Destination; // 20 characters
    unsigned Dte = 1;
};

// Type 18: standard class B position report.
struct TAisPosB {
    unsigned Repeat = 0;
    std::uint32_t MMSI = 0;
    unsigned Reserved = 0;
    unsigned Sog = 1023;
    unsigned PosAcc = 0;
    std::int32_t Lon = 108600000;
    std::int32_t Lat = 54600000;
    unsigned Cog = 3600;
    unsigned Heading = 511;
    unsigned Second = 60;
    unsigned Regional = 0;
    unsigned CsUnit = 1, Display = 0, Dsc = 1, Band = 1, Msg22 = 1, Assigned = 0, Raim = 0;
    unsigned CommFlag = 1;
    std::uint32_t CommState = 393222; // 19 bits; the usual value of a carrier-sense unit
};

// Type 14: safety related broadcast message.
struct TAisSafety {
    unsigned Repeat = 0;
    std::uint32_t MMSI = 0;
    std::string Text; // at most 161 characters (five slots); more are left out
};

// Type 21: aid-to-navigation report.
struct TAisAtoN {
    unsigned Repeat = 0;
    std::uint32_t MMSI = 0;
    unsigned AidType = 0;
    std::string Name; // 20 characters in the message; more go into the name extension
    unsigned PosAcc = 0;
    std::int32_t Lon = 108600000;
    std::int32_t Lat = 54600000;
    unsigned ToBow = 0, ToStern = 0, ToPort = 0, ToStarboard = 0;
    unsigned Epfd = 0;
    unsigned Second = 60;
    unsigned OffPosition = 0;
    unsigned Regional = 0;
    unsigned Raim = 0, Virtual = 0, Assigned = 0;
};

// Type 24 part A: the name.
struct TAisStaticA {
    unsigned Repeat = 0;
    std::uint32_t MMSI = 0;
    std::string Name;
};

// Type 24 part B: type, vendor, call sign and dimensions.
struct TAisStaticB {
    unsigned Repeat = 0;
    std::uint32_t MMSI = 0;
    unsigned ShipType = 0;
    std::string VendorID; // 7 characters
    std::string CallSign; // 7 characters
    unsigned ToBow = 0, ToStern = 0, ToPort = 0, ToStarboard = 0;
    unsigned Spare = 0; // 6 bits
};

TAisPayload EncodeMsg123(const TAisPosA& M);
TAisPayload EncodeMsg4(const TAisBaseStation& M);
TAisPayload EncodeMsg5(const TAisStaticVoyage& M);
TAisPayload EncodeMsg18(const TAisPosB& M);
TAisPayload EncodeMsg14(const TAisSafety& M);
TAisPayload EncodeMsg21(const TAisAtoN& M);
TAisPayload EncodeMsg24A(const TAisStaticA& M);
TAisPayload EncodeMsg24B(const TAisStaticB& M);

// Wraps payloads into "!AIVDM"/"!AIVDO" sentences, CR LF included. A payload longer than one
// sentence holds is split; such a message gets the next sequential identifier (0 to 9).
class TVdSentenceBuilder {
public:
    static constexpr std::size_t kMaxChars = 60; // keeps every sentence within 82 characters

    std::vector<std::string> Build(bool Own, char Channel, const TAisPayload& P);

private:
    unsigned FNextSeq = 0;
};

// "!" + body + "*" + checksum + CR LF.
std::string FrameEncapsulated(std::string_view Body);
