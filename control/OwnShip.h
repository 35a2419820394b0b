#pragma once
// The connected transponder's configuration as last saved, plus its vendor ID and version.

#include <cstdint>
#include <string>

struct TOwnShip {
    std::int32_t MMSI = 0;
    std::string ShipsName; // UTF-8, upper case
    std::string CallSign;
    std::string VendorID;
    std::int32_t A = 0;
    std::int32_t B = 0;
    std::int32_t C = 0;
    std::int32_t D = 0;
    std::int32_t ShipTyp = 0;
    std::string SWver;
};
