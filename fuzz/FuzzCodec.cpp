// Arbitrary bytes through the sentence layer and the AIS codec alone: the capture cuts them
// into sentences, and each goes through the field splitter, ParseNmeaVD and its decoder and
// converter, with one joining state across the input as in the tool, and through
// ParseAisMessage and the decoders of every kind, with a joining state of its own.

#include "ais/AIS_Codec.h"
#include "nmea/SplitFields.h"
#include "serial/VaCapture.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

struct TJoining {
    TMsg5_setup Setup;
    TAisJoin Join;
};

// The decoders of the other kinds, on whatever payload either parser gives them: those the tool
// takes without a decoder (4, 14, 19) may be too short for it.
void DecodeOther(std::int32_t MsgID, const std::string& Payload, std::uint32_t FillBits) {
    TStatic st;
    switch (MsgID) {
    case 4:
    case 11:
        DecodeMsg4(Payload);
        break;
    case 9:
        DecodeMsg9(Payload);
        break;
    case 12:
        DecodeMsg12(Payload, FillBits);
        break;
    case 14:
        DecodeMsg14(Payload, FillBits);
        break;
    case 19: {
        const TMsg19 m = DecodeMsg19(Payload);
        Msg19ToDynamic(m);
        Msg19ToStatic(m, st);
        break;
    }
    case 21:
        DecodeMsg21(Payload, FillBits);
        break;
    default:
        break;
    }
}

void Decode(const std::string& S, TJoining& J) {
    TAisMessage msg;
    if (ParseAisMessage(S, msg, J.Join)) DecodeOther(msg.MsgID, msg.MsgStr, msg.FillBits);
    std::vector<std::string> fields;
    SplitFields(",*", " ", S, fields);
    T_NMEA_VD vd;
    if (!ParseNmeaVD(S, vd, J.Setup)) return;
    TStatic st;
    switch (vd.MsgID) {
    case 1:
    case 2:
    case 3:
        Msg1ToDynamic(DecodeMsg1(vd.MsgStr));
        break;
    case 5:
        Msg5ToStatic(DecodeMsg5(vd.MsgStr));
        break;
    case 18:
        Msg18ToDynamic(DecodeMsg18(vd.MsgStr));
        break;
    case 240:
        Msg24AToStatic(DecodeMsg24A(vd.MsgStr));
        break;
    case 241:
        Msg24BToStatic(DecodeMsg24B(vd.MsgStr), st);
        break;
    default:
        DecodeOther(vd.MsgID, vd.MsgStr, 0);
        break;
    }
    for (const auto& f : fields) {
        LatToDegMin(f);
        LonToDegMin(f);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TJoining joining;
    TVaCapture capture;
    capture.SetDataFinish("\r\n");
    capture.SetOnMessage([&joining](TVaCapture&, const std::string& S) { Decode(S, joining); });
    capture.HandleCommData(Data, static_cast<int>(Size));
    // Lines ended by LF alone, as files hold them, take the same path.
    std::string line;
    for (std::size_t i = 0; i < Size; ++i) {
        if (Data[i] == '\n') {
            Decode(line + '\r', joining);
            line.clear();
        } else {
            line += static_cast<char>(Data[i]);
        }
    }
    Decode(line, joining);
    return 0;
}
