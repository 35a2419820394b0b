#pragma once
// A transponder's configuration as JSON: the object that "read --json" prints and that "write"
// takes as a profile. One vocabulary both ways, so a file read from a boat can be edited and
// written back.
//
//   mmsi          string of digits, 1 to 999999999
//   name          up to 20 characters          callsign   up to 7 characters
//   a, b          0 to 511 (metres)             c, d       0 to 63 (metres)
//   vessel_type   one of the window's codes (kVesselTypes)
//   switch_type   "none", "safety", "rx-only"   vendor_id  read only
//   rs422_baud    38400 or 4800
//   gps_output    "all", "minimal", "none"      alarm_output "enable", "disable"

#include "control/UnitConfig.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The keys in the order they are printed.
inline constexpr std::array<std::string_view, 13> kProfileKeys = {
    "mmsi",        "name",        "callsign",  "a",          "b",          "c",           "d",
    "vessel_type", "switch_type", "vendor_id", "rs422_baud", "gps_output", "alarm_output"};

template <class T> struct TProfileValue {
    std::optional<T> Value;
    int Line = 0; // where the key stands

    explicit operator bool() const { return Value.has_value(); }
    const T& operator*() const { return *Value; }
};

// A checked profile: every value given is of its type and in its range.
struct TProfile {
    TProfileValue<int> MMSI;
    TProfileValue<std::string> ShipsName, CallSign; // as given (Save writes them in capitals)
    TProfileValue<int> A, B, C, D;
    TProfileValue<int> VesselType;
    TProfileValue<TSwitchType> SwitchType;
    TProfileValue<std::string> VendorID;
    TProfileValue<TBaudRate> BaudRate;
    TProfileValue<TGpsOutput> GpsOutput;
    TProfileValue<TAlarmOutput> AlarmOutput;
};

// Reads and checks a profile. Source names it in messages ("boat.json", "standard input").
// False with Error ("boat.json:4: \"a\": 600 is out of range 0 to 511") for malformed JSON, a
// value that is no object, unknown or repeated keys, wrong types, values out of range and
// characters that Save refuses or the line cannot carry.
bool ParseProfile(std::string_view Text, const std::string& Source, TProfile& Out,
                  std::string& Error);

// The vendor ID cannot be written: a profile may repeat the one the transponder reported (a file
// saved by "read --json" does), but not name another. False with Error otherwise.
bool CheckVendorID(const TProfile& P, const TUnitConfig& Read, const std::string& Source,
                   std::string& Error);

// The record to write: what was read, with every value the profile gives put in its place.
// Settings neither read nor given stay unset, so nothing is written for them.
TUnitConfig MergeProfile(const TUnitConfig& Read, const TProfile& P);

// A distance as the transponder reported it ("010"), as a number; none for a text that is none.
std::optional<int> DistanceValue(const std::optional<std::string>& Text);

// One key of the record as a JSON value ("\"CORVANE TEST\"", "10", "\"rx-only\""); none when the
// setting was not reported or, for a..d, is not a number.
std::optional<std::string> JsonValueOf(const TUnitConfig& C, std::string_view Key);

// The record as one JSON object, keys in the order of kProfileKeys, one per line, settings not
// reported left out. Warnings name what was reported but cannot be given as its type.
std::string ConfigJson(const TUnitConfig& C, std::vector<std::string>& Warnings);
