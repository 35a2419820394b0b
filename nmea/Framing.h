#pragma once
// Outgoing NMEA 0183 framing: "$" + body + "*" + checksum + CR LF.

#include <cstdint>
#include <string>
#include <string_view>

// XOR of the low 8 bits of every character of the body.
std::uint8_t NmeaChecksum(std::string_view Body);

// The checksum as exactly two upper-case hexadecimal digits.
std::string ChecksumHex(std::uint8_t Sum);

// Characters NMEA 0183 reserves for framing and delimiting: none may stand inside a field.
constexpr bool NmeaReserved(char C) {
    return C == '$' || C == '!' || C == '*' || C == ',' || C == '\\' || C == '^' || C == '~';
}

// The framed sentence, CR LF included, as it goes on the wire.
std::string FrameNMEA(std::string_view Body);
