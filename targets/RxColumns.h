#pragma once
// The columns of the received-data table.

#include <array>

inline constexpr int kRxColumns = 14;

// The columns by name.
namespace RxCol {
enum : int {
    Class = 0,
    MMSI,
    ShipName,
    CallSign,
    SOG,
    COG,
    Latitude,
    Longitude,
    LastReport,
    VendorID,
    Bearing,
    Range,
    Dimensions,
    VesselType
};
} // namespace RxCol

inline constexpr std::array<const char*, kRxColumns> ColHeader = {
    "Class",     "MMSI",        "Ship Name", "Call Sign", "SOG",   "COG",        "Latitude",
    "Longitude", "Last Report", "Vendor ID", "Bearing",   "Range", "Dimensions", "Vessel Type"};

inline constexpr std::array<int, kRxColumns> ColWidth = {25, 60, 150, 55, 40, 40, 85,
                                                         85, 65, 55,  40, 40, 70, 200};

// Shown at start: the first nine.
inline constexpr std::array<bool, kRxColumns> ColVisibleAtStart = {
    true, true, true, true, true, true, true, true, true, false, false, false, false, false};
