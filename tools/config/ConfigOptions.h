#pragma once
// Command line of corvane-config and its exit codes.

#include <string>
#include <vector>

// Exit codes; the usage text and the manual page list them.
enum TExitCode : int {
    ecOk = 0,
    ecInterrupted = 1,  // SIGINT, SIGTERM or SIGHUP; the port was closed first
    ecBadInput = 2,     // command line, profile, or a value Save refuses; nothing was written
    ecNotFound = 3,     // no transponder found ("Connection failed.")
    ecNoResponse = 4,   // the transponder stopped answering while being read
    ecNotConfirmed = 5, // a write or the reset was not confirmed or could not be sent
    ecFailure = 6,      // anything else: the output could not be written, a system call failed
    ecFault = 7,        // check: a check found a fault
};

enum class TCommand { None, Ports, Read, Write, Reset, Check };

// The port number that "--port tcp://HOST:PORT" stands for: past the scan's 1 to 255, so that
// it can never be a port the scan or another declaration reaches.
inline constexpr int kAddressPortNum = 256;

// check: how long it listens (a moored class B unit reports at least once in 3 minutes) and how
// much faster than the clock it may count (for testing against a faster simulator).
inline constexpr int kCheckSecondsDefault = 200, kCheckSecondsMax = 3600;
inline constexpr double kTimeScaleMax = 1000;

struct TConfigOptions {
    TCommand Command = TCommand::None;
    int PortNum = 0;     // 0: scan as Connect does
    std::string PortUrl; // the network address PortNum stands for ("tcp://HOST:PORT"), or empty
    std::string PortDir; // tests: resolve ports in this directory only
    std::string Profile; // write: a file, or "-" for standard input
    bool Json = false;   // read, check
    bool DryRun = false; // write
    bool Yes = false;    // reset
    int Seconds = kCheckSecondsDefault; // check: listening time, in counted (scaled) seconds
    double TimeScale = 1;               // check: counted seconds per real second
    std::string Report;                 // check: the report file (.html/.htm, otherwise PDF)
    bool Quiet = false;
    bool Help = false;
};

// Args without the program name. False with Error for an unknown command or option, a missing
// or bad value, or an option that does not belong to the command.
bool ParseConfigOptions(const std::vector<std::string>& Args, TConfigOptions& O,
                        std::string& Error);
std::string ConfigUsage();
