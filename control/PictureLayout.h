#pragma once
// Where the vessel diagram puts its drawing and where the window lays the A/B/C/D edits over
// it; shared by the picture generator and the window so the two always agree.

#include <QRect>

namespace PictureLayout {
inline constexpr int kVesselWidth = 420;
inline constexpr int kVesselHeight = 170;
inline constexpr QRect kEditA{300, 74, 34, 20};  // antenna to bow
inline constexpr QRect kEditB{150, 74, 34, 20};  // antenna to stern
inline constexpr QRect kEditC{292, 8, 30, 20};   // antenna to port, above the hull
inline constexpr QRect kEditD{292, 142, 30, 20}; // antenna to starboard, below the hull
inline constexpr QPoint kAntenna{250, 66};
inline constexpr int kHullTop = 40, kHullBottom = 130, kStern = 28, kBow = 392;

inline constexpr int kCablingWidth = 420;
inline constexpr int kCablingHeight = 120;
} // namespace PictureLayout
