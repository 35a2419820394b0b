// Arbitrary bytes as a corvane-config profile: the JSON reader and the profile's checks must
// refuse or accept them without a fault, and a profile they accept must come back unchanged
// through the JSON that "read --json" prints.

#include "tools/config/ProfileJson.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view text(reinterpret_cast<const char*>(Data), Size);
    TProfile p;
    std::string error;
    if (!ParseProfile(text, "fuzz.json", p, error)) {
        if (error.empty()) std::abort(); // a refusal always says why
        return 0;
    }
    const TUnitConfig merged = MergeProfile({}, p);
    std::vector<std::string> warnings;
    const std::string json = ConfigJson(merged, warnings);
    TProfile again;
    if (!ParseProfile(json, "again.json", again, error)) std::abort();
    if (MergeProfile({}, again) != merged) std::abort();
    return 0;
}
