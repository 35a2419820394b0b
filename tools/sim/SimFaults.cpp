#include "tools/sim/SimFaults.h"

namespace {

constexpr std::string_view kNames[kSimFaultCount] = {
    "no-fix",  "low-voltage",  "reverse-power",  "rx-only",
    "no-mmsi", "dead-channel", "no-own-reports",
};

} // namespace

std::string_view SimFaultName(TSimFault F) {
    const auto i = static_cast<unsigned>(F);
    return i < kSimFaultCount ? kNames[i] : std::string_view("?");
}

bool SimFaultFromName(std::string_view Name, TSimFault& F) {
    for (unsigned i = 0; i < kSimFaultCount; ++i)
        if (kNames[i] == Name) {
            F = static_cast<TSimFault>(i);
            return true;
        }
    return false;
}

std::string SimFaultNames() {
    std::string s;
    for (const std::string_view n : kNames) {
        if (!s.empty()) s += ", ";
        s += n;
    }
    return s;
}
