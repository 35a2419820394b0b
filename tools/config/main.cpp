// corvane-config: reads and writes a Corvane transponder's configuration from the command line,
// with the window's Connect and Save dialogue.

#include "ConfigCommands.h"
#include "ConfigOptions.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
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
