#include "control/UnitConfig.h"

const std::array<TVesselTypeItem, 23> kVesselTypes = {{
    {30, "30 = Vessel - Fishing"},
    {31, "31 = Vessel - Towing"},
    {32, "32 = Vessel - Towing and length of the tow exceeds 200 m or breadth exceeds 25 m"},
    {33, "33 = Vessel - Engaged in dredging or underwater operations"},
    {34, "34 = Vessel - Engaged in diving operations"},
    {35, "35 = Vessel - Engaged in military operations"},
    {36, "36 = Vessel - Sailing"},
    {37, "37 = Vessel - Pleasure craft"},
    {38, "38 = Vessel - Reserved for future use"},
    {39, "39 = Vessel - Reserved for future use"},
    {40, "40 = High Speed Craft"},
    {50, "50 = Pilot vessel"},
    {51, "51 = Search and rescue vessels"},
    {52, "52 = Tugs"},
    {53, "53 = Port tenders"},
    {54, "54 = Vessels with anti-pollution facilities or equipment"},
    {55, "55 = Law enforcement vessels"},
    {56, "56 = Spare - for assignments to local vessels"},
    {57, "57 = Spare - for assignments to local vessels"},
    {58, "58 = Medical transports (as defined in the 1949 Geneva Conventions and Additional "
         "Protocols)"},
    {59, "59 = Ships according to RR Resolution No. 18 (Mob-83)"},
    {60, "60 = Passenger ship"},
    {90, "90 = Other type of vessel"},
}};

int VesselTypeItem(std::optional<int> Code) {
    int chosen = 0;
    if (Code)
        for (std::size_t i = 0; i < kVesselTypes.size(); ++i)
            if (kVesselTypes[i].Code == *Code) chosen = static_cast<int>(i);
    return chosen;
}

void ClearFields(TUnitConfig& Config, TFieldMask Mask) {
    auto clear = [Mask](TFieldMask Bit, auto& Field) {
        if (Mask & Bit) Field.reset();
    };
    clear(cfMMSI, Config.MMSI);
    clear(cfShipsName, Config.ShipsName);
    clear(cfCallSign, Config.CallSign);
    clear(cfA, Config.A);
    clear(cfB, Config.B);
    clear(cfC, Config.C);
    clear(cfD, Config.D);
    clear(cfVesselType, Config.VesselType);
    clear(cfSwitchType, Config.SwitchType);
    clear(cfVendorID, Config.VendorID);
    clear(cfBaudRate, Config.BaudRate);
    clear(cfGpsOutput, Config.GpsOutput);
    clear(cfAlarmOutput, Config.AlarmOutput);
    clear(cfSoftwareVersion, Config.SoftwareVersion);
}

namespace {

constexpr std::array<std::string_view, 3> kSwitchNames = {"none", "safety", "rx-only"};
constexpr std::array<std::string_view, 3> kGpsNames = {"all", "minimal", "none"};
constexpr std::array<std::string_view, 2> kAlarmNames = {"enable", "disable"};

template <class E, std::size_t N>
bool ParseName(const std::array<std::string_view, N>& Names, std::string_view Name, E& V) {
    for (std::size_t i = 0; i < N; ++i)
        if (Names[i] == Name) {
            V = static_cast<E>(i);
            return true;
        }
    return false;
}

} // namespace

std::string_view ChoiceName(TSwitchType V) {
    return kSwitchNames[static_cast<std::size_t>(V)];
}
std::string_view ChoiceName(TGpsOutput V) {
    return kGpsNames[static_cast<std::size_t>(V)];
}
std::string_view ChoiceName(TAlarmOutput V) {
    return kAlarmNames[static_cast<std::size_t>(V)];
}
int BaudValue(TBaudRate V) {
    return V == TBaudRate::Baud38400 ? 38400 : 4800;
}
bool ParseChoice(std::string_view Name, TSwitchType& V) {
    return ParseName(kSwitchNames, Name, V);
}
bool ParseChoice(std::string_view Name, TGpsOutput& V) {
    return ParseName(kGpsNames, Name, V);
}
bool ParseChoice(std::string_view Name, TAlarmOutput& V) {
    return ParseName(kAlarmNames, Name, V);
}
bool ParseBaud(long long Value, TBaudRate& V) {
    if (Value != 38400 && Value != 4800) return false;
    V = Value == 38400 ? TBaudRate::Baud38400 : TBaudRate::Baud4800;
    return true;
}
