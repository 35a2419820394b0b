#include "nmea/Framing.h"

std::uint8_t NmeaChecksum(std::string_view Body) {
    std::uint8_t x = 0;
    for (char c : Body) x ^= static_cast<std::uint8_t>(c);
    return x;
}

std::string ChecksumHex(std::uint8_t Sum) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return {kHex[Sum >> 4], kHex[Sum & 15]};
}

std::string FrameNMEA(std::string_view Body) {
    std::string framed;
    framed.reserve(Body.size() + 6);
    framed += '$';
    framed += Body;
    framed += '*';
    framed += ChecksumHex(NmeaChecksum(Body));
    framed += "\r\n";
    return framed;
}
