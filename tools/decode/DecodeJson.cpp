#include "tools/decode/DecodeJson.h"

#include <charconv>

namespace {

void AppendEscaped(std::string& Out, std::string_view S) {
    static constexpr char kHex[] = "0123456789abcdef";
    Out += '"';
    for (char ch : S) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            Out += '\\';
            Out += ch;
        } else if (c < 0x20) {
            Out += "\\u00";
            Out += kHex[c >> 4];
            Out += kHex[c & 15];
        } else if (c < 0x80) {
            Out += ch;
        } else { // core strings are one byte per character: Latin-1 to UTF-8
            Out += static_cast<char>(0xC0 | (c >> 6));
            Out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    Out += '"';
}

// Writes "key": "value" pairs, comma-separated, into one JSON object.
class TFields {
public:
    explicit TFields(std::string& Out) : FOut(Out) { FOut += '{'; }
    ~TFields() { FOut += '}'; }
    TFields& operator()(std::string_view Key, std::string_view Value) {
        Key_(Key);
        AppendEscaped(FOut, Value);
        return *this;
    }
    std::string& Nested(std::string_view Key) {
        Key_(Key);
        return FOut;
    }

private:
    void Key_(std::string_view Key) {
        if (!FFirst) FOut += ", ";
        FFirst = false;
        AppendEscaped(FOut, Key);
        FOut += ": ";
    }
    std::string& FOut;
    bool FFirst = true;
};

void WriteMsg1(std::string& Out, const TMsg1& M) {
    TFields f(Out);
    f("MMSI", M.MMSI)("NavStatus", M.NavStatus)("Speed", M.Speed)("Lon", M.Lon)("Lat", M.Lat)(
        "COG", M.COG)("TH", M.TH);
}

void WriteMsg5(std::string& Out, const TMsg5& M) {
    TFields f(Out);
    f("MMSI", M.MMSI)("IMO", M.IMO)("CallSign", M.CallSign)("ShipName", M.ShipName)("ShipsType",
                                                                                    M.ShipsType);
    {
        TFields d(f.Nested("Dimension"));
        d("Laenge", M.Dimension.Laenge)("Breite", M.Dimension.Breite);
    }
    f("GNSS", M.GNSS)("ETA", M.ETA)("Draught", M.Draught)("Destination", M.Destination);
}

void WriteMsg18(std::string& Out, const TMsg18& M) {
    TFields f(Out);
    f("Rep", M.Rep)("MMSI", M.MMSI)("Sp1", M.Sp1)("SOG", M.SOG)("PA", M.PA)("Lon", M.Lon)(
        "Lat", M.Lat)("COG", M.COG)("TH", M.TH)("TimeStamp", M.TimeStamp)("Sp2", M.Sp2)(
        "CB_Unit", M.CB_Unit)("CB_Disp", M.CB_Disp)("CB_DSC", M.CB_DSC)("CB_Band", M.CB_Band)(
        "CB_M22", M.CB_M22)("Mode", M.Mode)("RAIM", M.RAIM)("Comm_Flag", M.Comm_Flag)("Comm_State",
                                                                                      M.Comm_State);
}

void WriteMsg24A(std::string& Out, const TMsg24A& M) {
    TFields f(Out);
    f("Rep", M.Rep)("MMSI", M.MMSI)("PN", M.PN)("Name", M.Name);
}

void WriteMsg24B(std::string& Out, const TMsg24B& M) {
    TFields f(Out);
    f("Rep", M.Rep)("MMSI", M.MMSI)("PN", M.PN)("ShipType", M.ShipType)("VendorID", M.VendorID)(
        "CallSign", M.CallSign);
    {
        TFields d(f.Nested("Dimension"));
        d("A", M.Dimension.A)("B", M.Dimension.B)("C", M.Dimension.C)("D", M.Dimension.D);
    }
    f("Sp", M.Sp);
}

void WriteMsg4(std::string& Out, const TMsg4& M) {
    TFields f(Out);
    f("MMSI", M.MMSI)("UTC", M.UTC)("PA", M.PA)("Lon", M.Lon)("Lat", M.Lat)("GNSS", M.GNSS);
}

void WriteMsg9(std::string& Out, const TMsg9& M) {
    TFields f(Out);
    f("MMSI", M.MMSI)("Altitude", M.Altitude)("SOG", M.SOG)("PA", M.PA)("Lon", M.Lon)("Lat", M.Lat)(
        "COG", M.COG)("TimeStamp", M.TimeStamp);
}

void WriteMsg12(std::string& Out, const TMsg12& M) {
    TFields f(Out);
    f("MMSI", M.MMSI)("SeqNo", M.SeqNo)("DestMMSI", M.DestMMSI)("Retransmit", M.Retransmit)("Text",
                                                                                            M.Text);
}

void WriteMsg14(std::string& Out, const TMsg14& M) {
    TFields f(Out);
    f("MMSI", M.MMSI)("Text", M.Text);
}

void WriteDimension(TFields& F, const TGPS_Pos& D) {
    TFields d(F.Nested("Dimension"));
    d("A", D.A)("B", D.B)("C", D.C)("D", D.D);
}

void WriteMsg19(std::string& Out, const TMsg19& M) {
    TFields f(Out);
    f("MMSI", M.MMSI)("SOG", M.SOG)("PA", M.PA)("Lon", M.Lon)("Lat", M.Lat)("COG", M.COG)(
        "TH", M.TH)("TimeStamp", M.TimeStamp)("Name", M.Name)("ShipType", M.ShipType);
    WriteDimension(f, M.Dimension);
    f("GNSS", M.GNSS);
}

void WriteMsg21(std::string& Out, const TMsg21& M) {
    TFields f(Out);
    f("MMSI", M.MMSI)("AidType", M.AidType)("Name", M.Name)("PA", M.PA)("Lon", M.Lon)("Lat", M.Lat);
    WriteDimension(f, M.Dimension);
    f("GNSS", M.GNSS)("OffPosition", M.OffPosition)("Virtual", M.Virtual);
}

// Record name and fields of a message of the kinds beyond the tool's; false for other kinds.
bool WriteOther(std::string& Out, const TAisMessage& M) {
    const std::string_view p = M.MsgStr;
    switch (M.MsgID) {
    case 4:
    case 11:
        Out += "\"TMsg4\", \"fields\": ";
        WriteMsg4(Out, DecodeMsg4(p));
        return true;
    case 9:
        Out += "\"TMsg9\", \"fields\": ";
        WriteMsg9(Out, DecodeMsg9(p));
        return true;
    case 12:
        Out += "\"TMsg12\", \"fields\": ";
        WriteMsg12(Out, DecodeMsg12(p, M.FillBits));
        return true;
    case 14:
        Out += "\"TMsg14\", \"fields\": ";
        WriteMsg14(Out, DecodeMsg14(p, M.FillBits));
        return true;
    case 19:
        Out += "\"TMsg19\", \"fields\": ";
        WriteMsg19(Out, DecodeMsg19(p));
        return true;
    case 21:
        Out += "\"TMsg21\", \"fields\": ";
        WriteMsg21(Out, DecodeMsg21(p, M.FillBits));
        return true;
    default:
        return false;
    }
}

bool IsOtherKind(std::int32_t MsgID) {
    switch (MsgID) {
    case 4:
    case 9:
    case 11:
    case 12:
    case 14:
    case 19:
    case 21:
        return true;
    default:
        return false;
    }
}

void AppendInt(std::string& Out, long V) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, V);
    Out.append(buf, r.ptr);
}

// The keys before the record's name, as every line has them.
void AppendHead(std::string& Out, long LineNo, const T_NMEA_VD& VD) {
    Out += "{\"line\": ";
    AppendInt(Out, LineNo);
    Out += VD.Source == T_AI_VD::VDM ? ", \"source\": \"VDM\"" : ", \"source\": \"VDO\"";
    Out += VD.Channel == T_AI_Chan::A ? ", \"channel\": \"A\"" : ", \"channel\": \"B\"";
    Out += ", \"msgid\": ";
    AppendInt(Out, VD.MsgID);
    Out += ", \"record\": ";
}

} // namespace

bool TDecodeJson::AddLine(std::string_view Line, long LineNo, std::string& Out) {
    FSentence.assign(Line);
    FSentence += '\r';
    // A fresh record per sentence: fields a sentence leaves unset read as VDM and A.
    FVD.Source = T_AI_VD::VDM;
    FVD.Channel = T_AI_Chan::A;
    FVD.MsgID = 0;
    const bool tool = ParseNmeaVD(FSentence, FVD, FSetup);
    // Every line goes through both joining states, so each sees the whole stream.
    const bool other = ParseAisMessage(FSentence, FMsg, FJoin) && IsOtherKind(FMsg.MsgID);
    const std::size_t start = Out.size();

    // The tool's kinds print as the tool decodes them; of 4, 14 and 19, which the tool takes
    // without a decoder, only a sentence that is not decoded below keeps its null record.
    const bool decodedBelow = other && FMsg.MsgID == FVD.MsgID && FMsg.MsgStr == FVD.MsgStr;
    if (tool && !(IsOtherKind(FVD.MsgID) && decodedBelow)) {
        AppendHead(Out, LineNo, FVD);
        switch (FVD.MsgID) {
        case 1:
        case 2:
        case 3:
            Out += "\"TMsg1\", \"fields\": ";
            WriteMsg1(Out, DecodeMsg1(FVD.MsgStr));
            break;
        case 5:
            Out += "\"TMsg5\", \"fields\": ";
            WriteMsg5(Out, DecodeMsg5(FVD.MsgStr));
            break;
        case 18:
            Out += "\"TMsg18\", \"fields\": ";
            WriteMsg18(Out, DecodeMsg18(FVD.MsgStr));
            break;
        case 240:
            Out += "\"TMsg24A\", \"fields\": ";
            WriteMsg24A(Out, DecodeMsg24A(FVD.MsgStr));
            break;
        case 241:
            Out += "\"TMsg24B\", \"fields\": ";
            WriteMsg24B(Out, DecodeMsg24B(FVD.MsgStr));
            break;
        default:
            Out += "null, \"fields\": {}";
            break;
        }
        Out += "}\n";
    }
    if (other) {
        AppendHead(Out, LineNo, FMsg);
        WriteOther(Out, FMsg);
        Out += "}\n";
    }
    return Out.size() != start;
}
