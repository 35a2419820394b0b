#include "nmea/Latin1.h"

namespace {

// Decodes one UTF-8 sequence at Text[I]; advances I. -1 for a broken sequence.
long NextCodePoint(std::string_view Text, std::size_t& I) {
    const auto b = static_cast<unsigned char>(Text[I++]);
    if (b < 0x80) return b;
    int extra = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : -1;
    if (extra < 0 || (b >= 0xE0 && extra == 1)) return -1;
    long cp = b & (0x3F >> extra);
    for (; extra > 0; --extra) {
        if (I >= Text.size()) return -1;
        const auto c = static_cast<unsigned char>(Text[I]);
        if ((c & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (c & 0x3F);
        ++I;
    }
    return cp;
}

} // namespace

std::string Latin1ToUtf8(std::string_view Bytes) {
    std::string out;
    out.reserve(Bytes.size());
    for (const char ch : Bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

std::string Utf8ToLatin1(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size();) {
        const long cp = NextCodePoint(Text, i);
        out += cp >= 0 && cp <= 0xFF ? static_cast<char>(cp) : '?';
    }
    return out;
}

std::vector<std::uint32_t> CodePoints(std::string_view Text) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < Text.size();) {
        const long cp = NextCodePoint(Text, i);
        out.push_back(cp >= 0 ? static_cast<std::uint32_t>(cp) : 0xFFFD);
    }
    return out;
}
