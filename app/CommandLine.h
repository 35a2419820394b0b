#pragma once
// The window's command line. Qt's own options (those with one dash: -platform, -style, ...)
// pass through to Qt; everything with two dashes is ours.

#include "share/ShareSpec.h"

#include <string>
#include <vector>

struct TNetworkPortOption {
    int PortNum = 0;
    std::string Url;
};

struct TWindowOptions {
    std::vector<TShareSpec> Shares;               // --share, in the order given
    std::vector<TNetworkPortOption> NetworkPorts; // --port N=tcp://HOST:PORT
    bool Connect = false;                         // --connect: press Connect at start
    std::string PortDir;                          // --port-dir: tests
    bool Help = false;
    bool Version = false;
    std::vector<std::string> QtArgs; // the program name first, then Qt's options
};

// Args with the program name first. False with a one-line Error.
bool ParseWindowOptions(const std::vector<std::string>& Args, TWindowOptions& O,
                        std::string& Error);
std::string WindowUsage();
