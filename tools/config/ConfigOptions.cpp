#include "tools/config/ConfigOptions.h"

#include "serial/NetworkAddress.h"

#include <charconv>

std::string ConfigUsage() {
    return "usage: corvane-config [--quiet] COMMAND [options]\n"
           "Reads and writes the configuration of a Corvane AIS class B transponder.\n"
           "commands:\n"
           "  ports                              the serial ports that open, with their devices\n"
           "  read [--port N] [--json]           read the configuration; --json prints a profile\n"
           "  write FILE [--port N] [--dry-run]  write a profile (FILE - reads standard input);\n"
           "                                     --dry-run shows the changes and sentences only\n"
           "  reset --yes [--port N]             set the transponder to its factory state\n"
           "  check [--port N] [--seconds S] [--report FILE] [--json]\n"
           "                                     read, then listen S seconds (default 200, 1\n"
           "                                     to 3600) and judge the installation; --json\n"
           "                                     prints the verdicts as JSON; --report writes\n"
           "                                     them as a page (FILE.html) or a PDF\n"
           "options:\n"
           "  --port N        use serial port COM<N> (1 to 255) alone instead of scanning\n"
           "  --port tcp://HOST:PORT\n"
           "                  use the transponder behind this network address (raw TCP,\n"
           "                  e.g. ser2net or a WiFi gateway) alone\n"
           "  --port N=tcp://HOST:PORT\n"
           "                  the same, with COM<N> standing for the address\n"
           "  --quiet         no progress on standard error (errors are still shown)\n"
           "  --port-dir DIR  find ports in this directory only (for testing)\n"
           "  --time-scale F  check, for testing: count time F times faster (1 to 1000), to\n"
           "                  match a simulator's --speed; S is then in counted seconds\n"
           "  --help          this text\n"
           "exit status:\n"
           "  0 success  1 interrupted  2 bad input (nothing written)  3 no transponder found\n"
           "  4 no response while reading  5 write or reset not confirmed  6 other failure\n"
           "  7 a check found a fault\n";
}

bool ParseConfigOptions(const std::vector<std::string>& Args, TConfigOptions& O,
                        std::string& Error) {
    std::vector<std::string> operands;
    bool port = false, seconds = false, timeScale = false, report = false;
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
        std::string v;
        if (a == "--help" || a == "-h") {
            O.Help = true;
        } else if (a == "--quiet" || a == "-q") {
            O.Quiet = true;
        } else if (a == "--json") {
            O.Json = true;
        } else if (a == "--dry-run") {
            O.DryRun = true;
        } else if (a == "--yes") {
            O.Yes = true;
        } else if (a == "--port") {
            if (!value(v)) return false;
            port = true;
            if (LooksLikeNetworkAddress(v)) {
                TNetworkAddress address;
                if (!ParseNetworkAddress(v, address, Error)) {
                    Error = "bad value for --port: " + Error;
                    return false;
                }
                O.PortNum = kAddressPortNum;
                O.PortUrl = address.Url();
                continue;
            }
            if (v.find('=') != std::string::npos) {
                TPortDeclaration d;
                if (!ParsePortDeclaration(v, d, Error)) {
                    Error = "bad value for --port: " + Error;
                    return false;
                }
                O.PortNum = d.PortNum;
                O.PortUrl = d.Url;
                continue;
            }
            int n = 0;
            const auto r = std::from_chars(v.data(), v.data() + v.size(), n);
            if (r.ec != std::errc() || r.ptr != v.data() + v.size() || n < 1 || n > 255) {
                Error = "bad value for --port: \"" + v + "\" (a port number, 1 to 255)";
                return false;
            }
            O.PortNum = n;
            O.PortUrl.clear();
        } else if (a == "--seconds") {
            if (!value(v)) return false;
            seconds = true;
            int n = 0;
            const auto r = std::from_chars(v.data(), v.data() + v.size(), n);
            if (r.ec != std::errc() || r.ptr != v.data() + v.size() || n < 1 ||
                n > kCheckSecondsMax) {
                Error = "bad value for --seconds: \"" + v + "\" (whole seconds, 1 to " +
                        std::to_string(kCheckSecondsMax) + ")";
                return false;
            }
            O.Seconds = n;
        } else if (a == "--time-scale") {
            if (!value(v)) return false;
            timeScale = true;
            double f = 0;
            const auto r = std::from_chars(v.data(), v.data() + v.size(), f);
            // Written as a comparison that NaN fails.
            if (r.ec != std::errc() || r.ptr != v.data() + v.size() ||
                !(f >= 1 && f <= kTimeScaleMax)) {
                Error = "bad value for --time-scale: \"" + v + "\" (a factor, 1 to 1000)";
                return false;
            }
            O.TimeScale = f;
        } else if (a == "--report") {
            if (!value(O.Report)) return false;
            report = true;
            if (O.Report.empty()) {
                Error = "bad value for --report: an empty file name";
                return false;
            }
        } else if (a == "--port-dir") {
            if (!value(O.PortDir)) return false;
        } else if (a.size() > 1 && a[0] == '-') {
            Error = "unknown option " + a;
            return false;
        } else {
            operands.push_back(a); // "-" too: standard input as the profile
        }
    }
    if (O.Help) return true;
    if (operands.empty()) {
        Error = "no command given (ports, read, write, reset or check)";
        return false;
    }
    const std::string& cmd = operands[0];
    std::size_t wanted = 1;
    if (cmd == "ports") {
        O.Command = TCommand::Ports;
    } else if (cmd == "read") {
        O.Command = TCommand::Read;
    } else if (cmd == "write") {
        O.Command = TCommand::Write;
        wanted = 2;
        if (operands.size() < 2) {
            Error = "write needs a profile: corvane-config write FILE (- for standard input)";
            return false;
        }
        O.Profile = operands[1];
    } else if (cmd == "reset") {
        O.Command = TCommand::Reset;
    } else if (cmd == "check") {
        O.Command = TCommand::Check;
    } else {
        Error = "unknown command \"" + cmd + "\" (ports, read, write, reset or check)";
        return false;
    }
    if (operands.size() > wanted) {
        Error = "unexpected argument \"" + operands[wanted] + "\"";
        return false;
    }
    const auto notFor = [&](bool Given, const char* Option) {
        if (Given) Error = std::string(Option) + " does not belong to " + cmd;
        return Given;
    };
    if (notFor(port && O.Command == TCommand::Ports, "--port") ||
        notFor(O.Json && O.Command != TCommand::Read && O.Command != TCommand::Check, "--json") ||
        notFor(O.DryRun && O.Command != TCommand::Write, "--dry-run") ||
        notFor(O.Yes && O.Command != TCommand::Reset, "--yes") ||
        notFor(seconds && O.Command != TCommand::Check, "--seconds") ||
        notFor(timeScale && O.Command != TCommand::Check, "--time-scale") ||
        notFor(report && O.Command != TCommand::Check, "--report"))
        return false;
    return true;
}
