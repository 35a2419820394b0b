// Arbitrary bytes through the sentence layer and the AIS codec alone: the capture cuts them
// into sentences, and each goes through the field splitter, ParseNmeaVD and its decoder and
// converter, with one joining state across the input as in the tool.

#include "ais/AIS_Codec.h"
#include "nmea/SplitFields.h"
#include "serial/VaCapture.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void Decode(const std::string& S, TMsg5_setup& Setup) {
    std::vector<std::string> fields;
    SplitFields(",*", " ", S, fields);
    T_NMEA_VD vd;
    if (!ParseNmeaVD(S, vd, Setup)) return;
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
        break;
    }
    for (const auto& f : fields) {
        LatToDegMin(f);
        LonToDegMin(f);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TMsg5_setup setup;
    TVaCapture capture;
    capture.SetDataFinish("\r\n");
    capture.SetOnMessage([&setup](TVaCapture&, const std::string& S) { Decode(S, setup); });
    capture.HandleCommData(Data, static_cast<int>(Size));
    // Lines ended by LF alone, as files hold them, take the same path.
    std::string line;
    for (std::size_t i = 0; i < Size; ++i) {
        if (Data[i] == '\n') {
            Decode(line + '\r', setup);
            line.clear();
        } else {
            line += static_cast<char>(Data[i]);
        }
    }
    Decode(line, setup);
    return 0;
}
