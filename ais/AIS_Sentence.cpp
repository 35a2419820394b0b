// VDM/VDO sentences, the joining of two-sentence type 5 messages as the tool does it and of
// messages of any kind and length for the other decoders, and the six-bit payload.

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

// ---- ParseAisMessage ----------------------------------------------------------------------

bool IsArmouring(char c) {
    return (c >= '0' && c <= 'W') || (c >= '`' && c <= 'w');
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One digit from Low to High, or -1.
int Digit(std::string_view Field, int Low, int High) {
    if (Field.size() != 1 || Field[0] < '0' + Low || Field[0] > '0' + High) return -1;
    return Field[0] - '0';
}

// Kind of a whole payload by the six-bit value of its first character; 0 for kinds without a
// decoder and for type 24 part numbers other than 0 and 1.
std::int32_t DecodedKindOf(std::string_view Payload) {
    const std::int32_t type = static_cast<std::int32_t>(SixBit(Payload[0]));
    switch (type) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 9:
    case 11:
    case 12:
    case 14:
    case 18:
    case 19:
    case 21:
        return type;
    case 24: {
        if (Payload.size() < 7) return 0;
        const unsigned part = (SixBit(Payload[6]) >> 2) & 3u; // bits 38 and 39
        return part == 0 ? 240 : part == 1 ? 241 : 0;
    }
    default:
        return 0;
    }
}

std::size_t DecodedChars(std::int32_t MsgID) {
    switch (MsgID) {
    case 4:
    case 11:
        return kMsg4Chars;
    case 9:
        return kMsg9Chars;
    case 12:
        return kMsg12Chars;
    case 14:
        return kMsg14Chars;
    case 19:
        return kMsg19Chars;
    case 21:
        return kMsg21Chars;
    default:
        return 0;
    }
}

bool Complete(TAisMessage& Msg) {
    Msg.MsgID = DecodedKindOf(Msg.MsgStr);
    return Msg.MsgID != 0 && LongEnough(Msg.MsgID, Msg.MsgStr.size()) &&
           Msg.MsgStr.size() >= DecodedChars(Msg.MsgID);
}

} // namespace

bool ParseAisMessage(std::string_view Sentence, TAisMessage& Msg, TAisJoin& Join) {
    const std::size_t bang = Sentence.find('!');
    if (bang == std::string_view::npos) return false;
    std::string_view text = Sentence.substr(bang);
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string_view::npos) text = text.substr(0, end);

    // "*" and two hexadecimal digits, the XOR of what lies between "!" and "*", end the
    // sentence; what a receiver appends after them is not read.
    const std::size_t star = text.find('*');
    if (star == std::string_view::npos || star + 2 >= text.size()) return false;
    const int hi = HexDigit(text[star + 1]), lo = HexDigit(text[star + 2]);
    const std::string_view body = text.substr(1, star - 1);
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    if (hi < 0 || lo < 0 || sum != static_cast<unsigned>(hi * 16 + lo)) return false;

    // Seven fields, empty ones counted: address, count, number, identifier, channel, payload,
    // fill bits.
    std::array<std::string_view, 7> f;
    std::size_t n = 0, from = 0;
    for (;;) {
        const std::size_t comma = body.find(',', from);
        if (n == f.size()) return false;
        f[n++] = body.substr(from, comma == std::string_view::npos ? comma : comma - from);
        if (comma == std::string_view::npos) break;
        from = comma + 1;
    }
    if (n != f.size()) return false;

    T_AI_VD source;
    T_AI_Chan channel;
    if (f[0] == "AIVDM")
        source = T_AI_VD::VDM;
    else if (f[0] == "AIVDO")
        source = T_AI_VD::VDO;
    else
        return false;
    // Some receivers write the channels as "1" and "2"; some leave the field empty, which the
    // record cannot tell: it reads as A.
    if (f[4].empty() || f[4] == "1")
        channel = T_AI_Chan::A;
    else if (f[4] == "2")
        channel = T_AI_Chan::B;
    else if (!SetChannel(f[4], channel))
        return false;
    const int count = Digit(f[1], 1, 9);
    const int number = count < 0 ? -1 : Digit(f[2], 1, count);
    const int id = f[3].empty() ? 10 : Digit(f[3], 0, 9);
    const int fill = Digit(f[6], 0, 5);
    if (number < 0 || id < 0 || fill < 0) return false;
    const std::string_view payload = f[5];
    if (payload.empty() || payload.size() > kMaxPayloadChars) return false;
    for (char c : payload)
        if (!IsArmouring(c)) return false;

    if (count == 1) {
        Msg.Source = source;
        Msg.Channel = channel;
        Msg.MsgStr.assign(payload);
        Msg.FillBits = static_cast<std::uint32_t>(fill);
        return Complete(Msg);
    }

    TAisJoin::TPending& p = Join.Pending[static_cast<std::size_t>(id)];
    if (number == 1) { // a new message under this identifier: one still pending is lost
        p.Count = static_cast<std::uint32_t>(count);
        p.Next = 2;
        p.Source = source;
        p.Channel = channel;
        p.Payload.assign(payload);
        return false;
    }
    const bool fits = p.Count == static_cast<std::uint32_t>(count) &&
                      p.Next == static_cast<std::uint32_t>(number) && p.Source == source &&
                      p.Channel == channel && p.Payload.size() + payload.size() <= kMaxPayloadChars;
    if (!fits) {
        p.Count = 0;
        p.Payload.clear();
        return false;
    }
    p.Payload.append(payload);
    if (number < count) {
        ++p.Next;
        return false;
    }
    p.Count = 0;
    Msg.Source = source;
    Msg.Channel = channel;
    Msg.MsgStr.swap(p.Payload);
    p.Payload.clear();
    Msg.FillBits = static_cast<std::uint32_t>(fill);
    return Complete(Msg);
}

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
