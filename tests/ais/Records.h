#pragma once
// Decodes an accepted sentence by its kind and lists the record's fields by name, so corpus
// tests can compare whole records against expectations and a peer decoder.

#include "ais/AIS_Codec.h"

#include <map>
#include <string>

using TFields = std::map<std::string, std::string>;

// The record of an accepted sentence; empty for kinds without a decoder.
inline TFields DecodeFields(const T_NMEA_VD& VD) {
    TFields f;
    switch (VD.MsgID) {
    case 1:
    case 2:
    case 3: {
        const TMsg1 m = DecodeMsg1(VD.MsgStr);
        f = {{"MMSI", m.MMSI},   {"NavStatus", m.NavStatus},
             {"Speed", m.Speed}, {"Lon", m.Lon},
             {"Lat", m.Lat},     {"COG", m.COG},
             {"TH", m.TH}};
        break;
    }
    case 5: {
        const TMsg5 m = DecodeMsg5(VD.MsgStr);
        f = {{"MMSI", m.MMSI},
             {"IMO", m.IMO},
             {"CallSign", m.CallSign},
             {"ShipName", m.ShipName},
             {"ShipsType", m.ShipsType},
             {"Laenge", m.Dimension.Laenge},
             {"Breite", m.Dimension.Breite},
             {"GNSS", m.GNSS},
             {"ETA", m.ETA},
             {"Draught", m.Draught},
             {"Destination", m.Destination}};
        break;
    }
    case 18: {
        const TMsg18 m = DecodeMsg18(VD.MsgStr);
        f = {{"Rep", m.Rep},
             {"MMSI", m.MMSI},
             {"Sp1", m.Sp1},
             {"SOG", m.SOG},
             {"PA", m.PA},
             {"Lon", m.Lon},
             {"Lat", m.Lat},
             {"COG", m.COG},
             {"TH", m.TH},
             {"TimeStamp", m.TimeStamp},
             {"Sp2", m.Sp2},
             {"CB_Unit", m.CB_Unit},
             {"CB_Disp", m.CB_Disp},
             {"CB_DSC", m.CB_DSC},
             {"CB_Band", m.CB_Band},
             {"CB_M22", m.CB_M22},
             {"Mode", m.Mode},
             {"RAIM", m.RAIM},
             {"Comm_Flag", m.Comm_Flag},
             {"Comm_State", m.Comm_State}};
        break;
    }
    case 240: {
        const TMsg24A m = DecodeMsg24A(VD.MsgStr);
        f = {{"Rep", m.Rep}, {"MMSI", m.MMSI}, {"PN", m.PN}, {"Name", m.Name}};
        break;
    }
    case 241: {
        const TMsg24B m = DecodeMsg24B(VD.MsgStr);
        f = {{"Rep", m.Rep},
             {"MMSI", m.MMSI},
             {"PN", m.PN},
             {"ShipType", m.ShipType},
             {"VendorID", m.VendorID},
             {"CallSign", m.CallSign},
             {"A", m.Dimension.A},
             {"B", m.Dimension.B},
             {"C", m.Dimension.C},
             {"D", m.Dimension.D},
             {"Sp", m.Sp}};
        break;
    }
    default:
        break;
    }
    return f;
}
