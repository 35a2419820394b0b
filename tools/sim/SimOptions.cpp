#include "tools/sim/SimOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool ToDouble(const std::string& s, double Min, double Max, double& Out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < Min || v > Max) return false;
    Out = v;
    return true;
}

bool ToInt(const std::string& s, long Min, long Max, long& Out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < Min || v > Max) return false;
    Out = v;
    return true;
}

} // namespace

std::string SimUsage() {
    return "usage: corvane-sim [options]\n"
           "A Corvane AIS class B transponder on a virtual serial port. Prints\n"
           "\"COM<n> <device>\" first, then logs to stderr; ends on SIGINT or SIGTERM.\n"
           "  --port N            publish as COM<N> (default: the first free number)\n"
           "  --device PATH       run on this serial device instead of a pseudo-terminal\n"
           "  --port-dir DIR      directory of published ports (default: the user's)\n"
           "  --config FILE       transponder memory, read at start and rewritten on change\n"
           "  --transcript FILE   append every received sentence with a time stamp\n"
           "  --targets N         simulated vessels around the own ship (0 to 10000, default 12)\n"
           "  --replay FILE       send a captured NMEA log instead of simulated traffic\n"
           "  --replay-rate N     lines per second for a log without RMC times (default 10)\n"
           "  --speed F           run the traffic F times faster (default 1)\n"
           "  --seed N            seed of the simulated traffic (default 1)\n"
           "  --position LAT,LON  own ship's start in degrees (default 54.40,10.20)\n"
           "  --no-traffic        send nothing but replies\n"
           "fault modes:\n"
           "  --silent            never answer a query\n"
           "  --late              answer each query only after the tool's first time-out\n"
           "  --late-ms MS        delay of --late (default 1300)\n"
           "  --mmsi-locked       keep reporting the old MMSI whatever is programmed\n"
           "  --unplug-after S    close the line after S seconds, as if the cable were pulled\n"
           "  --flood             send received traffic as fast as the line takes it\n"
           "  --fault NAME        an installation fault, repeatable; NAME is one of no-fix,\n"
           "                      low-voltage, reverse-power, rx-only, no-mmsi, dead-channel,\n"
           "                      no-own-reports\n"
           "  --no-alarms         no alarm cycle and no text messages\n"
           "  --mob               a man overboard device in the water near the own ship\n";
}

bool ParseSimOptions(const std::vector<std::string>& Args, TSimOptions& O, std::string& Error) {
    for (std::size_t i = 0; i < Args.size(); ++i) {
        const std::string& a = Args[i];
        const auto value = [&](std::string& Out) {
            if (i + 1 >= Args.size()) {
                Error = a + " needs a value";
                return false;
            }
            Out = Args[++i];
            return true;
        };
        const auto bad = [&](const std::string& v) {
            Error = "bad value for " + a + ": \"" + v + "\"";
            return false;
        };
        std::string v;
        long n = 0;
        double d = 0;
        if (a == "--help" || a == "-h") {
            O.Help = true;
        } else if (a == "--silent") {
            O.Silent = true;
        } else if (a == "--late") {
            O.Late = true;
        } else if (a == "--mmsi-locked") {
            O.MmsiLocked = true;
        } else if (a == "--flood") {
            O.Flood = true;
        } else if (a == "--no-traffic") {
            O.NoTraffic = true;
        } else if (a == "--no-alarms") {
            O.NoAlarms = true;
        } else if (a == "--mob") {
            O.Mob = true;
        } else if (a == "--fault") {
            if (!value(v)) return false;
            TSimFault f{};
            if (!SimFaultFromName(v, f)) {
                Error = "unknown fault \"" + v + "\"; valid: " + SimFaultNames();
                return false;
            }
            O.Faults.Add(f);
        } else if (a == "--port") {
            if (!value(v)) return false;
            if (!ToInt(v, 1, 255, n)) return bad(v);
            O.PortNum = static_cast<int>(n);
        } else if (a == "--targets") {
            if (!value(v)) return false;
            if (!ToInt(v, 0, 10000, n)) return bad(v);
            O.Targets = static_cast<int>(n);
        } else if (a == "--seed") {
            if (!value(v)) return false;
            if (!ToInt(v, 0, 2147483647L, n)) return bad(v);
            O.Seed = static_cast<unsigned>(n);
        } else if (a == "--late-ms") {
            if (!value(v)) return false;
            if (!ToInt(v, 0, 60000, n)) return bad(v);
            O.LateMs = static_cast<int>(n);
            O.Late = true;
        } else if (a == "--speed") {
            if (!value(v)) return false;
            if (!ToDouble(v, 0.01, 10000, d)) return bad(v);
            O.Speed = d;
        } else if (a == "--replay-rate") {
            if (!value(v)) return false;
            if (!ToDouble(v, 0.01, 100000, d)) return bad(v);
            O.ReplayRate = d;
        } else if (a == "--unplug-after") {
            if (!value(v)) return false;
            if (!ToDouble(v, 0, 1e6, d)) return bad(v);
            O.UnplugAfter = d;
        } else if (a == "--position") {
            if (!value(v)) return false;
            const std::size_t c = v.find(',');
            double lat = 0, lon = 0;
            if (c == std::string::npos || !ToDouble(v.substr(0, c), -80, 80, lat) ||
                !ToDouble(v.substr(c + 1), -180, 180, lon))
                return bad(v);
            O.Lat = lat;
            O.Lon = lon;
        } else if (a == "--device") {
            if (!value(O.Device)) return false;
        } else if (a == "--port-dir") {
            if (!value(O.PortDir)) return false;
        } else if (a == "--config") {
            if (!value(O.ConfigFile)) return false;
        } else if (a == "--transcript") {
            if (!value(O.TranscriptFile)) return false;
        } else if (a == "--replay") {
            if (!value(O.ReplayFile)) return false;
        } else {
            Error = "unknown option " + a;
            return false;
        }
    }
    if (!O.Device.empty() && O.PortNum != 0) {
        Error = "--port and --device exclude each other";
        return false;
    }
    // A replay's GPS sentences carry the fixes of the capture; rewriting them is not worth it.
    if (!O.ReplayFile.empty() && O.Faults.Has(TSimFault::NoFix)) {
        Error = "--fault no-fix and --replay exclude each other";
        return false;
    }
    return true;
}
