// VDM/VDO sentences, the joining of two-sentence type 5 messages, and the six-bit payload.

#include "ais/AIS_Codec.h"
#include "nmea/SplitFields.h"

#include <array>
#include <cstring>

namespace {

// Six-bit value of every byte, so a payload byte is one table lookup.
constexpr std::array<unsigned char, 256> kSixBit = [] {
    std::array<unsigned char, 256> t{};
    for (unsigned c = 0; c < 256; ++c)
        t[c] = static_cast<unsigned char>((c < 96 ? c - 48u : c - 56u) & 63u);
    return t;
}();

inline unsigned SixBit(char c) {
    return kSixBit[static_cast<unsigned char>(c)];
}

// Width bits (at most 32; wider requests read the first 32) from bit First on. The field lies
// in at most seven characters; characters past the end of the payload read as 0.
std::uint32_t ReadBits(std::string_view Payload, std::uint64_t First, std::uint32_t Width) {
    if (Width > 32) Width = 32;
    if (Width == 0) return 0;
    const std::uint64_t last = First + Width - 1;
    std::uint64_t acc = 0;
    for (std::uint64_t c = First / 6; c <= last / 6; ++c)
        acc = (acc << 6) | (c < Payload.size() ? SixBit(Payload[static_cast<std::size_t>(c)]) : 0u);
    acc >>= 5 - last % 6; // drop the bits after the field in its last character
    return static_cast<std::uint32_t>(acc & ((std::uint64_t{1} << Width) - 1));
}

// A parsed sentence has at most seven fields; more are only counted.
constexpr int kMaxFields = 7;

bool SetSource(std::string_view Field, T_AI_VD& Source) {
    if (Field == "!AIVDM") {
        Source = T_AI_VD::VDM;
        return true;
    }
    if (Field == "!AIVDO") {
        Source = T_AI_VD::VDO;
        return true;
    }
    return false;
}

bool SetChannel(std::string_view Field, T_AI_Chan& Channel) {
    if (Field == "A") {
        Channel = T_AI_Chan::A;
        return true;
    }
    if (Field == "B") {
        Channel = T_AI_Chan::B;
        return true;
    }
    return false;
}

// Message kind of a single-sentence payload by its first character; 0 when it is not one the
// tool accepts ("5" only counts in a joined two-sentence message).
std::int32_t KindOf(std::string_view Payload) {
    switch (Payload[0]) {
    case '1':
        return 1;
    case '2':
        return 2;
    case '3':
        return 3;
    case '4':
        return 4;
    case '>':
        return 14;
    case '?':
        return 15;
    case 'B':
        return 18;
    case 'C':
        return 19;
    case 'D':
        return 20;
    case 'F':
        return 22;
    case 'G':
        return 23;
    case 'H':
        // The part number's low bit is payload bit 39, inside the seventh character.
        if (Payload.size() < 7) return 0;
        return (SixBit(Payload[6]) & 4u) ? 241 : 240;
    default:
        return 0;
    }
}

// Kinds with a decoder need the payload characters that decoder reads; the others need none.
bool LongEnough(std::int32_t MsgID, std::size_t Length) {
    switch (MsgID) {
    case 1:
    case 2:
    case 3:
        return Length >= kMsg1Chars;
    case 5:
        return Length >= kMsg5Chars;
    case 18:
        return Length >= kMsg18Chars;
    case 240:
        return Length >= kMsg24AChars;
    case 241:
        return Length >= kMsg24BChars;
    default:
        return true;
    }
}

} // namespace

bool ParseNmeaVD(std::string_view Sentence, T_NMEA_VD& VD, TMsg5_setup& Setup) {
    const std::size_t bang = Sentence.find('!');
    if (bang == std::string_view::npos) return false;
    std::string_view text = Sentence.substr(bang);
    if (const void* cr = std::memchr(text.data(), '\r', text.size()))
        text = text.substr(0, static_cast<const char*>(cr) - text.data());

    static const TFieldSplitter splitter(",", " ");
    std::array<std::string_view, kMaxFields> f;
    const int count = splitter.ForEach(text, [&f, n = 0](std::string_view field) mutable {
        if (n < kMaxFields) f[n] = field;
        ++n;
    });

    if (count == 6) {
        bool ok = SetSource(f[0], VD.Source);
        ok = SetChannel(f[3], VD.Channel) && ok;
        VD.MsgStr.assign(f[4]);
        VD.MsgID = KindOf(f[4]);
        return ok && VD.MsgID != 0 && LongEnough(VD.MsgID, VD.MsgStr.size());
    }
    if (count != 7 || f[1] != "2") return false;

    // A sentence of a two-sentence message: an unknown address or channel keeps the old value.
    SetSource(f[0], VD.Source);
    SetChannel(f[4], VD.Channel);
    VD.MsgStr.assign(f[5]);
    if (Setup.Step == "0" && f[5][0] == '5' && f[2] == "1") {
        VD.MsgID = 5;
        Setup.Step = "1";
        Setup.Nummer.assign(f[3]);
        Setup.Inhalt.assign(f[5]);
        return false;
    }
    if (Setup.Step == "1" && f[2] == "2" && f[3] == Setup.Nummer) {
        Setup.Step = "0";
        VD.MsgStr.assign(Setup.Inhalt).append(f[5]);
        VD.MsgID = 5;
        return LongEnough(5, VD.MsgStr.size());
    }
    Setup.Step = "0"; // a held first sentence is discarded
    return false;
}

std::uint32_t SixBitValue(char Ch) {
    return SixBit(Ch);
}

char SixBitChar(std::uint32_t Value) {
    const std::uint32_t v = Value & 63u;
    return static_cast<char>(v < 32 ? v + 64 : v);
}

std::uint32_t PayloadBits(std::string_view Payload, std::uint32_t FirstBit, std::uint32_t Width) {
    return ReadBits(Payload, FirstBit, Width);
}

std::string SixBitText(std::string_view Payload, std::uint32_t FirstBit, std::uint32_t Count,
                       bool ReplaceAmpersand) {
    std::string s(Count, ' ');
    bool unavailable = Count > 0;
    std::uint64_t bit = FirstBit; // 64 bits, so that stepping on never wraps round
    for (std::uint32_t i = 0; i < Count; ++i, bit += 6) {
        char c = SixBitChar(ReadBits(Payload, bit, 6));
        if (i == 0) {
            unavailable = c == '@';
        } else {
            if (c == '@')
                c = ' ';
            else if (ReplaceAmpersand && c == '&')
                c = '_';
            if (c != ' ') unavailable = false;
        }
        s[i] = c;
    }
    if (unavailable) return "n.a.";
    return s;
}
