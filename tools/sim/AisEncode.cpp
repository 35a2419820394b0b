#include "tools/sim/AisEncode.h"

#include "nmea/Framing.h"

#include <cmath>

void TBitWriter::Put(std::uint64_t Value, unsigned Width) {
    for (unsigned i = Width; i-- > 0;) FBits.push_back(((Value >> i) & 1u) != 0);
}

void TBitWriter::PutSigned(std::int64_t Value, unsigned Width) {
    Put(static_cast<std::uint64_t>(Value), Width); // the low bits of two's complement
}

void TBitWriter::PutText(std::string_view Text, unsigned Chars) {
    for (unsigned i = 0; i < Chars; ++i) Put(i < Text.size() ? SixBitCode(Text[i]) : 0u, 6);
}

std::string TBitWriter::Armoured(int& FillBits) const {
    const std::size_t chars = (FBits.size() + 5) / 6;
    FillBits = static_cast<int>(chars * 6 - FBits.size());
    std::string out;
    out.reserve(chars);
    for (std::size_t c = 0; c < chars; ++c) {
        unsigned v = 0;
        for (std::size_t b = c * 6; b < c * 6 + 6; ++b)
            v = (v << 1) | (b < FBits.size() && FBits[b] ? 1u : 0u);
        out.push_back(ArmourChar(v));
    }
    return out;
}

unsigned SixBitCode(char Ch) {
    auto c = static_cast<unsigned char>(Ch);
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    if (c >= 64 && c <= 95) return c - 64u;
    if (c >= 32 && c <= 63) return c;
    return '?';
}

bool IsSixBitText(std::string_view Text) {
    for (char ch : Text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c > 95) return false;
    }
    return true;
}

char ArmourChar(unsigned V) {
    V &= 63u;
    return static_cast<char>(V < 40 ? V + 48 : V + 56);
}

std::int32_t LonLatUnits(double Degrees) {
    return static_cast<std::int32_t>(std::lround(Degrees * 600000.0));
}

namespace {

TAisPayload Finish(const TBitWriter& W) {
    TAisPayload p;
    p.Text = W.Armoured(p.FillBits);
    return p;
}

} // namespace

TAisPayload EncodeMsg123(const TAisPosA& M) {
    TBitWriter w;
    w.Put(M.Type, 6);
    w.Put(M.Repeat, 2);
    w.Put(M.MMSI, 30);
    w.Put(M.NavStatus, 4);
    w.PutSigned(M.Rot, 8);
    w.Put(M.Sog, 10);
    w.Put(M.PosAcc, 1);
    w.PutSigned(M.Lon, 28);
    w.PutSigned(M.Lat, 27);
    w.Put(M.Cog, 12);
    w.Put(M.Heading, 9);
    w.Put(M.Second, 6);
    w.Put(M.Maneuver, 2);
    w.Put(0, 3);
    w.Put(M.Raim, 1);
    w.Put(M.Radio, 19);
    return Finish(w);
}

TAisPayload EncodeMsg4(const TAisBaseStation& M) {
    TBitWriter w;
    w.Put(4, 6);
    w.Put(M.Repeat, 2);
    w.Put(M.MMSI, 30);
    w.Put(M.Year, 14);
    w.Put(M.Month, 4);
    w.Put(M.Day, 5);
    w.Put(M.Hour, 5);
    w.Put(M.Minute, 6);
    w.Put(M.Second, 6);
    w.Put(M.PosAcc, 1);
    w.PutSigned(M.Lon, 28);
    w.PutSigned(M.Lat, 27);
    w.Put(M.Epfd, 4);
    w.Put(0, 10);
    w.Put(M.Raim, 1);
    w.Put(M.Radio, 19);
    return Finish(w);
}

TAisPayload EncodeMsg5(const TAisStaticVoyage& M) {
    TBitWriter w;
    w.Put(5, 6);
    w.Put(M.Repeat, 2);
    w.Put(M.MMSI, 30);
    w.Put(M.AisVersion, 2);
    w.Put(M.IMO, 30);
    w.PutText(M.CallSign, 7);
    w.PutText(M.Name, 20);
    w.Put(M.ShipType, 8);
    w.Put(M.ToBow, 9);
    w.Put(M.ToStern, 9);
    w.Put(M.ToPort, 6);
    w.Put(M.ToStarboard, 6);
    w.Put(M.Epfd, 4);
    w.Put(M.EtaMonth, 4);
    w.Put(M.EtaDay, 5);
    w.Put(M.EtaHour, 5);
    w.Put(M.EtaMinute, 6);
    w.Put(M.Draught, 8);
    w.PutText(M.Destination, 20);
    w.Put(M.Dte, 1);
    w.Put(0, 1);
    return Finish(w);
}

TAisPayload EncodeMsg18(const TAisPosB& M) {
    TBitWriter w;
    w.Put(18, 6);
    w.Put(M.Repeat, 2);
    w.Put(M.MMSI, 30);
    w.Put(M.Reserved, 8);
    w.Put(M.Sog, 10);
    w.Put(M.PosAcc, 1);
    w.PutSigned(M.Lon, 28);
    w.PutSigned(M.Lat, 27);
    w.Put(M.Cog, 12);
    w.Put(M.Heading, 9);
    w.Put(M.Second, 6);
    w.Put(M.Regional, 2);
    w.Put(M.CsUnit, 1);
    w.Put(M.Display, 1);
    w.Put(M.Dsc, 1);
    w.Put(M.Band, 1);
    w.Put(M.Msg22, 1);
    w.Put(M.Assigned, 1);
    w.Put(M.Raim, 1);
    w.Put(M.CommFlag, 1);
    w.Put(M.CommState, 19);
    return Finish(w);
}

TAisPayload EncodeMsg14(const TAisSafety& M) {
    TBitWriter w;
    w.Put(14, 6);
    w.Put(M.Repeat, 2);
    w.Put(M.MMSI, 30);
    w.Put(0, 2);
    const std::string_view text = std::string_view(M.Text).substr(0, 161);
    w.PutText(text, static_cast<unsigned>(text.size()));
    return Finish(w);
}

TAisPayload EncodeMsg21(const TAisAtoN& M) {
    TBitWriter w;
    w.Put(21, 6);
    w.Put(M.Repeat, 2);
    w.Put(M.MMSI, 30);
    w.Put(M.AidType, 5);
    w.PutText(M.Name, 20);
    w.Put(M.PosAcc, 1);
    w.PutSigned(M.Lon, 28);
    w.PutSigned(M.Lat, 27);
    w.Put(M.ToBow, 9);
    w.Put(M.ToStern, 9);
    w.Put(M.ToPort, 6);
    w.Put(M.ToStarboard, 6);
    w.Put(M.Epfd, 4);
    w.Put(M.Second, 6);
    w.Put(M.OffPosition, 1);
    w.Put(M.Regional, 8);
    w.Put(M.Raim, 1);
    w.Put(M.Virtual, 1);
    w.Put(M.Assigned, 1);
    w.Put(0, 1);
    // Up to 14 more name characters follow in the extension.
    if (M.Name.size() > 20) {
        const std::string_view ext = std::string_view(M.Name).substr(20, 14);
        w.PutText(ext, static_cast<unsigned>(ext.size()));
    }
    return Finish(w);
}

TAisPayload EncodeMsg24A(const TAisStaticA& M) {
    TBitWriter w;
    w.Put(24, 6);
    w.Put(M.Repeat, 2);
    w.Put(M.MMSI, 30);
    w.Put(0, 2);
    w.PutText(M.Name, 20);
    return Finish(w);
}

TAisPayload EncodeMsg24B(const TAisStaticB& M) {
    TBitWriter w;
    w.Put(24, 6);
    w.Put(M.Repeat, 2);
    w.Put(M.MMSI, 30);
    w.Put(1, 2);
    w.Put(M.ShipType, 8);
    w.PutText(M.VendorID, 7);
    w.PutText(M.CallSign, 7);
    w.Put(M.ToBow, 9);
    w.Put(M.ToStern, 9);
    w.Put(M.ToPort, 6);
    w.Put(M.ToStarboard, 6);
    w.Put(M.Spare, 6);
    return Finish(w);
}

std::string FrameEncapsulated(std::string_view Body) {
    std::string s = "!";
    s.append(Body);
    s += '*';
    s += ChecksumHex(NmeaChecksum(Body));
    s += "\r\n";
    return s;
}

std::vector<std::string> TVdSentenceBuilder::Build(bool Own, char Channel, const TAisPayload& P) {
    const std::string address = Own ? "AIVDO" : "AIVDM";
    const std::size_t count = P.Text.empty() ? 1 : (P.Text.size() + kMaxChars - 1) / kMaxChars;
    std::string seq;
    if (count > 1) {
        seq = std::to_string(FNextSeq);
        FNextSeq = (FNextSeq + 1) % 10;
    }
    std::vector<std::string> out;
    for (std::size_t i = 0; i < count; ++i) {
        const bool last = i + 1 == count;
        std::string body = address + "," + std::to_string(count) + "," + std::to_string(i + 1) +
                           "," + seq + "," + std::string(1, Channel) + "," +
                           P.Text.substr(i * kMaxChars, kMaxChars) + "," +
                           std::to_string(last ? P.FillBits : 0);
        out.push_back(FrameEncapsulated(body));
    }
    return out;
}
