#pragma once
// Stations that are not vessels, as the target list keeps them: base stations (message 4), aids
// to navigation (21) and SAR aircraft (9). They are heard always; the table lists them only
// when the user asks for them, the plot shows them either way. No Qt.

#include "ais/AIS_Codec.h"
#include "targets/LostTarget.h"

#include <optional>
#include <string>
#include <string_view>

struct TOtherReport {
    TStationClass Class = TStationClass::Base;
    // AISclass "Base", "AtoN" or "SAR"; speed and course only an aircraft has ("" otherwise).
    TDynamic Position;
    std::string Name;     // an aid's name with its extension; empty otherwise
    std::string Kind;     // the "Vessel Type" cell: "Base station", the aid's type, "SAR aircraft"
    TDimension Dimension; // an aid's size when it gives one; empty otherwise
};

// A base station, aid or aircraft report into Out; false for every other kind (type 11 too:
// it answers a time request and comes from any station).
bool OtherReportOf(const TAisMessage& M, TOtherReport& Out);

// "A", "B", "Base", "AtoN", "SAR": the class cell's texts.
const char* StationClassText(TStationClass C);
std::optional<TStationClass> StationClassOf(std::string_view Text);
inline bool IsVessel(TStationClass C) {
    return C == TStationClass::A || C == TStationClass::B;
}
