#pragma once
// Command line of corvane-sim.

#include "tools/sim/SimFaults.h"

#include <string>
#include <vector>

struct TSimOptions {
    int PortNum = 0;        // 0: the first free number
    std::string Device;     // run on this device instead of a pseudo-terminal
    std::string PortDir;    // port directory (tests); empty: the user's
    std::string ConfigFile; // transponder memory; empty: defaults, kept in memory only
    std::string TranscriptFile;
    std::string ReplayFile;
    double ReplayRate = 10.0; // lines per second for a log without RMC times
    int Targets = 12;
    double Speed = 1.0; // simulated time runs this much faster for the traffic
    unsigned Seed = 1;
    double Lat = 54.40, Lon = 10.20;
    bool Silent = false;
    bool Late = false;
    int LateMs = 1300; // past the setup tool's one-second time-out
    bool MmsiLocked = false;
    double UnplugAfter = -1; // seconds; negative: never
    bool Flood = false;
    bool NoTraffic = false; // replies only
    TSimFaultSet Faults;    // --fault, any number of them
    bool NoAlarms = false;  // no alarm cycle and no text messages
    bool Mob = false;       // a man overboard device near the own ship
    bool Help = false;
};

// Args without the program name. False with Error for an unknown option or a bad value.
bool ParseSimOptions(const std::vector<std::string>& Args, TSimOptions& O, std::string& Error);
std::string SimUsage();
