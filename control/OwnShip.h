#pragma once
// The connected transponder's configuration as last saved, plus its vendor ID and version.

#include <QString>
#include <cstdint>

struct TOwnShip {
    std::int32_t MMSI = 0;
    QString ShipsName;
    QString CallSign;
    QString VendorID;
    std::int32_t A = 0;
    std::int32_t B = 0;
    std::int32_t C = 0;
    std::int32_t D = 0;
    std::int32_t ShipTyp = 0;
    QString SWver;
};
