#pragma once
// The records of the kinds beyond the tool's (4, 9, 11, 12, 14, 19, 21) listed by field name, as
// Records.h lists the tool's, so corpus tests compare whole records.

#include "Records.h"
#include "ais/AIS_Codec.h"

inline void AddDimension(TFields& F, const TGPS_Pos& D) {
    F.insert({{"A", D.A}, {"B", D.B}, {"C", D.C}, {"D", D.D}});
}

// The record of a payload of one of these kinds; empty for the tool's kinds.
inline TFields DecodeOtherFields(std::int32_t MsgID, std::string_view Payload,
                                 std::uint32_t FillBits) {
    TFields f;
    switch (MsgID) {
    case 4:
    case 11: {
        const TMsg4 m = DecodeMsg4(Payload);
        f = {{"MMSI", m.MMSI}, {"UTC", m.UTC}, {"PA", m.PA},
             {"Lon", m.Lon},   {"Lat", m.Lat}, {"GNSS", m.GNSS}};
        break;
    }
    case 9: {
        const TMsg9 m = DecodeMsg9(Payload);
        f = {
            {"MMSI", m.MMSI}, {"Altitude", m.Altitude}, {"SOG", m.SOG}, {"PA", m.PA},
            {"Lon", m.Lon},   {"Lat", m.Lat},           {"COG", m.COG}, {"TimeStamp", m.TimeStamp}};
        break;
    }
    case 12: {
        const TMsg12 m = DecodeMsg12(Payload, FillBits);
        f = {{"MMSI", m.MMSI},
             {"SeqNo", m.SeqNo},
             {"DestMMSI", m.DestMMSI},
             {"Retransmit", m.Retransmit},
             {"Text", m.Text}};
        break;
    }
    case 14: {
        const TMsg14 m = DecodeMsg14(Payload, FillBits);
        f = {{"MMSI", m.MMSI}, {"Text", m.Text}};
        break;
    }
    case 19: {
        const TMsg19 m = DecodeMsg19(Payload);
        f = {
            {"MMSI", m.MMSI}, {"SOG", m.SOG},           {"PA", m.PA},    {"Lon", m.Lon},
            {"Lat", m.Lat},   {"COG", m.COG},           {"TH", m.TH},    {"TimeStamp", m.TimeStamp},
            {"Name", m.Name}, {"ShipType", m.ShipType}, {"GNSS", m.GNSS}};
        AddDimension(f, m.Dimension);
        break;
    }
    case 21: {
        const TMsg21 m = DecodeMsg21(Payload, FillBits);
        f = {{"MMSI", m.MMSI},      {"AidType", m.AidType},
             {"Name", m.Name},      {"PA", m.PA},
             {"Lon", m.Lon},        {"Lat", m.Lat},
             {"GNSS", m.GNSS},      {"OffPosition", m.OffPosition},
             {"Virtual", m.Virtual}};
        AddDimension(f, m.Dimension);
        break;
    }
    default:
        break;
    }
    return f;
}

// The record of a message from ParseAisMessage.
inline TFields DecodeOtherFields(const TAisMessage& M) {
    return DecodeOtherFields(M.MsgID, M.MsgStr, M.FillBits);
}
