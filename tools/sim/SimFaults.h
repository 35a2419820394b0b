#pragma once
// Installation faults the simulated unit can show in what it sends on its own: each one
// changes only the sentences that such a fault changes on a real unit, so a check that
// judges an installation from the traffic has something definite to find.

#include <cstdint>
#include <string>
#include <string_view>

enum class TSimFault : unsigned {
    NoFix,        // GPS without a fix: empty RMC/GGA positions, message 18 without position
    LowVoltage,   // supply below what a 12 V system needs
    ReversePower, // forward against reverse power below 3, always
    RxOnly,       // receive only, whatever the switch setting says
    NoMmsi,       // starts with MMSI 0, as a unit fresh from the factory
    DeadChannel,  // nothing received on channel B
    NoOwnReports, // the transmitter sends nothing, though it could
};

inline constexpr unsigned kSimFaultCount = 7;
static_assert(static_cast<unsigned>(TSimFault::NoOwnReports) + 1 == kSimFaultCount);

class TSimFaultSet {
public:
    void Add(TSimFault F) { FBits |= Bit(F); }
    bool Has(TSimFault F) const { return (FBits & Bit(F)) != 0; }
    bool Empty() const { return FBits == 0; }
    bool operator==(const TSimFaultSet&) const = default;

private:
    static std::uint32_t Bit(TSimFault F) { return 1u << static_cast<unsigned>(F); }
    std::uint32_t FBits = 0;
};

// The name on the command line, e.g. "no-fix".
std::string_view SimFaultName(TSimFault F);
// False for a name that is none of them.
bool SimFaultFromName(std::string_view Name, TSimFault& F);
// Every name, separated by ", ", for messages and the usage text.
std::string SimFaultNames();
