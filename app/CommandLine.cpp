#include "app/CommandLine.h"

#include "serial/NetworkAddress.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// Qt's options that take the next word as their value.
constexpr std::array<std::string_view, 14> QtValueOptions = {
    "-platform",        "-platformpluginpath",
    "-platformtheme",   "-plugin",
    "-style",           "-stylesheet",
    "-session",         "-display",
    "-geometry",        "-title",
    "-qwindowgeometry", "-qwindowicon",
    "-qwindowtitle",    "-qmljsdebugger"};

bool TakesQtValue(std::string_view A) {
    // "-qmljsdebugger=..." and "-style=fusion" carry their value themselves.
    return A.find('=') == std::string_view::npos &&
           std::find(QtValueOptions.begin(), QtValueOptions.end(), A) != QtValueOptions.end();
}

} // namespace

bool ParseWindowOptions(const std::vector<std::string>& Args, TWindowOptions& O,
                        std::string& Error) {
    O = TWindowOptions{};
    O.QtArgs.push_back(Args.empty() ? std::string("corvane") : Args.front());
    for (std::size_t i = 1; i < Args.size(); ++i) {
        std::string a = Args[i];
        if (a.rfind("--", 0) != 0) {
            if (a.size() > 1 && a[0] == '-') {
                O.QtArgs.push_back(a);
                if (TakesQtValue(a) && i + 1 < Args.size()) O.QtArgs.push_back(Args[++i]);
                continue;
            }
            Error = "unexpected argument '" + a + "'";
            return false;
        }
        std::string value;
        bool inlineValue = false;
        if (const auto eq = a.find('='); eq != std::string::npos) {
            value = a.substr(eq + 1);
            a.resize(eq);
            inlineValue = true;
        }
        auto takeValue = [&](const char* What) {
            if (inlineValue) return true;
            if (i + 1 >= Args.size()) {
                Error = a + " needs " + What;
                return false;
            }
            value = Args[++i];
            return true;
        };
        auto noValue = [&] {
            if (!inlineValue) return true;
            Error = a + " takes no value";
            return false;
        };
        if (a == "--help") {
            if (!noValue()) return false;
            O.Help = true;
        } else if (a == "--version") {
            if (!noValue()) return false;
            O.Version = true;
        } else if (a == "--connect") {
            if (!noValue()) return false;
            O.Connect = true;
        } else if (a == "--share") {
            if (!takeValue("a share: tcp:[ADDRESS:]PORT, udp:ADDRESS:PORT[,broadcast] or pty[:N]"))
                return false;
            TShareSpec spec;
            std::string why;
            if (!ParseShareSpec(value, spec, why)) {
                Error = "--share " + value + ": " + why;
                return false;
            }
            O.Shares.push_back(spec);
        } else if (a == "--port") {
            if (!takeValue("N=tcp://HOST:PORT")) return false;
            TPortDeclaration p;
            std::string why;
            if (!ParsePortDeclaration(value, p, why)) {
                Error = "--port " + value + ": " + why;
                return false;
            }
            O.NetworkPorts.push_back({p.PortNum, p.Url});
        } else if (a == "--port-dir") {
            if (!takeValue("a directory")) return false;
            O.PortDir = value;
        } else {
            Error = "unknown option " + a;
            return false;
        }
    }
    return true;
}

std::string WindowUsage() {
    return "Usage: corvane [OPTION]...\n"
           "Setup and monitoring tool for the Corvane AIS class B transponder.\n"
           "\n"
           "  --connect                  press Connect at start\n"
           "  --share tcp:[ADDRESS:]PORT share the transponder's sentences with TCP clients\n"
           "                             (on 127.0.0.1 unless an address is named)\n"
           "  --share udp:ADDRESS:PORT[,broadcast]\n"
           "                             send them as UDP datagrams to ADDRESS\n"
           "  --share pty[:N]            on a pseudo-terminal published as port COM<N>\n"
           "                             (the first free number without N)\n"
           "  --port N=tcp://HOST:PORT   port N is a network address (a serial-to-TCP server\n"
           "                             or an NMEA gateway in raw TCP mode)\n"
           "  --port-dir DIR             find ports in this directory only (for testing)\n"
           "  --help                     show this help and exit\n"
           "  --version                  show the version and exit\n"
           "\n"
           "--share and --port may be given more than once. Shares are read-only: nothing a\n"
           "client sends reaches the transponder. Qt's own options (-platform, -style, ...)\n"
           "are passed on. Exit status: 0, or 2 for a bad command line or a share that cannot\n"
           "start.\n";
}
