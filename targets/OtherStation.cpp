#include "targets/OtherStation.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<TStationClass, const char*>, 5> kClassTexts{{
    {TStationClass::A, "A"},
    {TStationClass::B, "B"},
    {TStationClass::Base, "Base"},
    {TStationClass::AtoN, "AtoN"},
    {TStationClass::Sar, "SAR"},
}};

void Place(TOtherReport& R, TStationClass Class, const std::string& MMSI, const std::string& Lat,
           const std::string& Lon) {
    R.Class = Class;
    R.Position.AISclass = StationClassText(Class);
    R.Position.MMSI = NineDigitMmsi(MMSI); // a coast station's 00 shown
    R.Position.Lat = Lat;
    R.Position.Lon = Lon;
}

} // namespace

const char* StationClassText(TStationClass C) {
    for (const auto& [c, text] : kClassTexts)
        if (c == C) return text;
    return "";
}

std::optional<TStationClass> StationClassOf(std::string_view Text) {
    for (const auto& [c, text] : kClassTexts)
        if (Text == text) return c;
    return std::nullopt;
}

bool OtherReportOf(const TAisMessage& M, TOtherReport& Out) {
    TOtherReport r;
    switch (M.MsgID) {
    case 4: {
        const TMsg4 m = DecodeMsg4(M.MsgStr);
        Place(r, TStationClass::Base, m.MMSI, m.Lat, m.Lon);
        r.Kind = "Base station";
        break;
    }
    case 9: {
        const TMsg9 m = DecodeMsg9(M.MsgStr);
        Place(r, TStationClass::Sar, m.MMSI, m.Lat, m.Lon);
        r.Position.Speed = m.SOG;
        r.Position.COG = m.COG;
        r.Position.TimeStamp = m.TimeStamp;
        r.Kind = "SAR aircraft";
        break;
    }
    case 21: {
        const TMsg21 m = DecodeMsg21(M.MsgStr, M.FillBits);
        Place(r, TStationClass::AtoN, m.MMSI, m.Lat, m.Lon);
        r.Name = m.Name == "n.a." ? std::string() : m.Name;
        r.Kind = m.AidType;
        // An aid gives its size as a vessel's antenna offsets; most give none (all zero).
        TMsg24B b;
        b.Dimension = m.Dimension;
        TStatic s;
        if (Msg24BToStatic(b, s) && (s.Dimension.Laenge != "0" || s.Dimension.Breite != "0"))
            r.Dimension = s.Dimension;
        break;
    }
    default:
        return false;
    }
    Out = std::move(r);
    return true;
}
