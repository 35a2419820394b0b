// corvane-config: reads and writes a Corvane transponder's configuration from the command line,
// with the window's Connect and Save dialogue.

#include "tools/config/ConfigCommands.h"
#include "tools/config/ConfigOptions.h"
#include "tools/console/Console.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Started with a standard descriptor closed, the serial device could be opened as one and
    // the printed configuration would go onto the line.
    if (!StandardStreamsOpen()) return ecFailure;
    UseBinaryStandardStreams();
    const std::vector<std::string> args(argv + 1, argv + argc);
    TConfigOptions o;
    std::string error;
    if (!ParseConfigOptions(args, o, error)) {
        std::fprintf(stderr, "corvane-config: %s\nTry corvane-config --help.\n", error.c_str());
        return ecBadInput;
    }
    if (o.Help) {
        const std::string usage = ConfigUsage();
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        return std::fflush(stdout) == 0 ? ecOk : ecFailure;
    }
    return RunConfigCommand(o);
}
