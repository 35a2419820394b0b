#pragma once
// The transponder's configuration as the tool reads, shows and writes it. Plain values; every
// setting is optional, so a setting not (yet) read is distinct from any value.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The interface settings, in the order of the window's radio buttons.
enum class TSwitchType { None, SafetyMsg, RxOnly };
enum class TBaudRate { Baud38400, Baud4800 };
enum class TGpsOutput { All, Minimal, None };
enum class TAlarmOutput { Enable, Disable };

struct TUnitConfig {
    // Texts as the transponder reported them (UTF-8), or as the user typed them.
    std::optional<std::string> MMSI; // nine characters; "000000000" when none is programmed
    std::optional<std::string> ShipsName;
    std::optional<std::string> CallSign;
    std::optional<std::string> A, B, C, D; // as the characters stand: "010" keeps its zero
    std::optional<int> VesselType;         // the code reported, when it is a number
    std::optional<TSwitchType> SwitchType;
    std::optional<std::string> VendorID;
    std::optional<TBaudRate> BaudRate;
    std::optional<TGpsOutput> GpsOutput;
    std::optional<TAlarmOutput> AlarmOutput;
    std::optional<std::string> SoftwareVersion;

    bool operator==(const TUnitConfig&) const = default;
};

// The settings' names in profiles and on the command line.
std::string_view ChoiceName(TSwitchType V);  // "none", "safety", "rx-only"
std::string_view ChoiceName(TGpsOutput V);   // "all", "minimal", "none"
std::string_view ChoiceName(TAlarmOutput V); // "enable", "disable"
int BaudValue(TBaudRate V);                  // 38400, 4800
// False, with V untouched, for a name or number that is none of them.
bool ParseChoice(std::string_view Name, TSwitchType& V);
bool ParseChoice(std::string_view Name, TGpsOutput& V);
bool ParseChoice(std::string_view Name, TAlarmOutput& V);
bool ParseBaud(long long Value, TBaudRate& V);

// Which settings an event concerns, one bit each.
enum TConfigField : std::uint32_t {
    cfMMSI = 1u << 0,
    cfShipsName = 1u << 1,
    cfCallSign = 1u << 2,
    cfA = 1u << 3,
    cfB = 1u << 4,
    cfC = 1u << 5,
    cfD = 1u << 6,
    cfVesselType = 1u << 7,
    cfSwitchType = 1u << 8,
    cfVendorID = 1u << 9,
    cfBaudRate = 1u << 10,
    cfGpsOutput = 1u << 11,
    cfAlarmOutput = 1u << 12,
    cfSoftwareVersion = 1u << 13,
};
using TFieldMask = std::uint32_t;
// The seven edit fields of the "Static data" form.
inline constexpr TFieldMask kStaticTexts =
    cfMMSI | cfShipsName | cfCallSign | cfA | cfB | cfC | cfD;

// Clears (makes "not read") every setting in Mask.
void ClearFields(TUnitConfig& Config, TFieldMask Mask);

// The vessel types the tool offers, in the order of the window's list.
struct TVesselTypeItem {
    int Code;
    const char* Text; // "37 = Vessel - Pleasure craft"
};
extern const std::array<TVesselTypeItem, 23> kVesselTypes;
inline constexpr int kVesselTypeAtStart = 7; // "37 = Vessel - Pleasure craft"

// The item of the list that a reported code selects: the item with that code, or item 0
// ("30 = Vessel - Fishing") when none has it or nothing readable was reported.
int VesselTypeItem(std::optional<int> Code);
