#pragma once
// The simulated transponder's memory: what a real unit keeps across power cycles, its
// defaults, and the small text file that stands for its flash.

#include <cstdint>
#include <string>
#include <string_view>

struct TSimConfig {
    std::uint32_t MMSI = 211234560;
    std::string CallSign = "DK2345";        // up to 7 six-bit characters
    std::string ShipsName = "CORVANE TEST"; // up to 20
    int A = 10, B = 5, C = 3, D = 2; // metres from the antenna to bow, stern, port, starboard
    int ShipType = 37;               // pleasure craft
    // Switch input: "00","01" none; "01","01" safety related message; "01","02" receive only.
    std::string SwitchEnable = "00";
    std::string SwitchMode = "01";
    std::string VendorID = "CVN2401";
    std::string BaudCode = "0D36";     // RS422 port: "0D36" 38400, "0D1E" 4800 bit/s
    std::uint16_t NmeaOutput = 0x000F; // GPS sentences forwarded, see kGps* bits
    bool AlarmOutput = true;           // ALR sentences sent

    bool operator==(const TSimConfig&) const = default;
};

// Bits of NmeaOutput: which GPS sentences go out once a second.
inline constexpr std::uint16_t kGpsGGA = 0x0001;
inline constexpr std::uint16_t kGpsGSV = 0x0002;
inline constexpr std::uint16_t kGpsVTG = 0x0004; // and every other GPS sentence of a replay
inline constexpr std::uint16_t kGpsRMC = 0x0008;

bool SwitchRxOnly(const TSimConfig& C);
bool SwitchSafety(const TSimConfig& C);

// Call sign and ship's name: six-bit characters, none that would break NMEA framing.
bool ValidShipText(std::string_view Text, std::size_t MaxLength);
// Vendor ID: 1 to 20 characters of the same kind.
bool ValidVendorID(std::string_view Text);

// "key = value" lines; "#" starts a comment.
std::string FormatConfig(const TSimConfig& C);
// Fills C from Text (keys not named keep their value); false with Error naming the line.
bool ParseConfig(std::string_view Text, TSimConfig& C, std::string& Error);

// Missing file: false with Exists false. Unreadable or invalid: false with Error.
bool LoadConfigFile(const std::string& Path, TSimConfig& C, bool& Exists, std::string& Error);
// Written to a temporary file and renamed, so a crash never leaves half a file.
bool SaveConfigFile(const std::string& Path, const TSimConfig& C, std::string& Error);
