// Port names on Windows: COM<n> is the device \\.\COM<n>. Windows itself keeps the names of the
// ports that are there, so there is no directory of links and no table of devices.
#include "serial/PortNames.h"

#include <cctype>

std::string PortDirectory() {
    return {};
}

// The tests' port directories are links to pseudo-terminals, which Windows does not have.
void SetTestPortDirectory(const std::string&) {}

bool TestPortDirectoryActive() {
    return false;
}

bool PortDirectoryTrusted(const std::string&) {
    return false;
}

std::string TableDevicePath(int PortNum) {
    return PortNum >= 1 && PortNum <= 255 ? "\\\\.\\COM" + std::to_string(PortNum) : std::string();
}

TPortTarget ResolveLocalPort(const std::string& Name) {
    TPortTarget t;
    t.Path = Name;
    // "COM<n>" (any case, as Windows takes it); anything else is a device path as given.
    if (Name.size() > 3 && Name.size() <= 8 &&
        std::toupper(static_cast<unsigned char>(Name[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(Name[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(Name[2])) == 'M') {
        int n = 0;
        for (std::size_t i = 3; i < Name.size(); ++i) {
            if (!std::isdigit(static_cast<unsigned char>(Name[i]))) return t;
            n = n * 10 + (Name[i] - '0');
        }
        // as the Linux build reads it, COM07 is COM7
        const std::string device = TableDevicePath(n);
        if (!device.empty()) t.Path = device;
    }
    return t;
}
