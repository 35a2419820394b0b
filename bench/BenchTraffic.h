#pragma once
// The benchmarks' traffic: reports of numbered targets, class A and B in turn, spread around
// 54.4 N 10.2 E, so that a benchmark states only how many targets and which rounds.

#include "tools/sim/AisEncode.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::uint32_t kFirstMMSI = 211000000;

// Class A and B targets in turn, spread around 54.4 N 10.2 E; Round moves them on.
inline std::string PositionReport(std::uint32_t Index, int Round, TVdSentenceBuilder& Builder) {
    const std::uint32_t mmsi = kFirstMMSI + Index;
    const double lat = 54.0 + (Index % 100) * 0.01 + Round * 0.0001;
    const double lon = 10.0 + (Index / 100 % 100) * 0.01 + Round * 0.0001;
    const unsigned sog = 10 + (Index + static_cast<unsigned>(Round)) % 200;
    const unsigned cog = (Index * 37 + static_cast<unsigned>(Round) * 11) % 3600;
    if (Index % 2 == 0) {
        TAisPosA m;
        m.MMSI = mmsi, m.Sog = sog, m.Cog = cog;
        m.Lat = LonLatUnits(lat), m.Lon = LonLatUnits(lon);
        return Builder.Build(false, 'A', EncodeMsg123(m)).front();
    }
    TAisPosB m;
    m.MMSI = mmsi, m.Sog = sog, m.Cog = cog;
    m.Lat = LonLatUnits(lat), m.Lon = LonLatUnits(lon);
    return Builder.Build(false, 'B', EncodeMsg18(m)).front();
}

// Message 5 (two sentences) for class A, 24 A and B for class B.
inline std::vector<std::string> StaticReport(std::uint32_t Index, TVdSentenceBuilder& Builder) {
    if (Index % 2 == 0) {
        TAisStaticVoyage m;
        m.MMSI = kFirstMMSI + Index;
        m.Name = "VESSEL " + std::to_string(Index);
        m.CallSign = "DA" + std::to_string(Index % 10000);
        m.ShipType = 70;
        m.ToBow = 80, m.ToStern = 20, m.ToPort = 8, m.ToStarboard = 8;
        m.Destination = "KIEL";
        return Builder.Build(false, 'A', EncodeMsg5(m));
    }
    TAisStaticA a;
    a.MMSI = kFirstMMSI + Index;
    a.Name = "YACHT " + std::to_string(Index);
    TAisStaticB b;
    b.MMSI = a.MMSI;
    b.ShipType = 37;
    b.VendorID = "CVN2401";
    b.CallSign = "DB" + std::to_string(Index % 10000);
    b.ToBow = 8, b.ToStern = 2, b.ToPort = 1, b.ToStarboard = 2;
    return {Builder.Build(false, 'B', EncodeMsg24A(a)).front(),
            Builder.Build(false, 'B', EncodeMsg24B(b)).front()};
}
