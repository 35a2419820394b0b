// What every platform's port names have in common: the program's own network ports, and
// names that are addresses.
#include "serial/PortNames.h"

#include <map>
#include <mutex>
#include <stdexcept>

namespace {

// The program's network ports by name ("COM20"); written at start, read at every open.
struct TDeclarations {
    std::mutex Lock;
    std::map<std::string, TNetworkAddress> Ports;
};

TDeclarations& Declarations() {
    static TDeclarations d;
    return d;
}

std::optional<TNetworkAddress> DeclaredAddress(const std::string& Name) {
    TDeclarations& d = Declarations();
    std::lock_guard<std::mutex> lock(d.Lock);
    const auto it = d.Ports.find(Name);
    if (it == d.Ports.end()) return std::nullopt;
    return it->second;
}

} // namespace

std::string PortName(int PortNum) {
    return "COM" + std::to_string(PortNum);
}

TPortTarget PortTargetOfAddress(const std::string& Text) {
    TPortTarget t;
    TNetworkAddress a;
    std::string error;
    if (ParseNetworkAddress(Text, a, error)) {
        t.Path = a.Url();
        t.Network = a;
    } else {
        t.Path = PrintableAddress(Text);
        t.Stale = true;
    }
    return t;
}

TPortTarget ResolvePort(const std::string& Name) {
    if (auto declared = DeclaredAddress(Name)) {
        TPortTarget t;
        t.Path = declared->Url();
        t.Network = std::move(declared);
        return t;
    }
    if (LooksLikeNetworkAddress(Name)) return PortTargetOfAddress(Name);
    return ResolveLocalPort(Name);
}

void DeclareNetworkPort(int PortNum, const std::string& Url) {
    if (PortNum < 1)
        throw std::invalid_argument("a network port needs a port number of 1 or more, not " +
                                    std::to_string(PortNum));
    TNetworkAddress a;
    std::string error;
    if (!ParseNetworkAddress(Url, a, error)) throw std::invalid_argument(error);
    TDeclarations& d = Declarations();
    std::lock_guard<std::mutex> lock(d.Lock);
    d.Ports[PortName(PortNum)] = a;
}

void ForgetNetworkPorts() {
    TDeclarations& d = Declarations();
    std::lock_guard<std::mutex> lock(d.Lock);
    d.Ports.clear();
}

std::string ResolveDevicePath(const std::string& Name) {
    return ResolvePort(Name).Path;
}
