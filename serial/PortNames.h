#pragma once
// How "COM<n>" names a serial device on Linux.
//
// 1. A name that contains "/" is a device path and is used as it is.
// 2. A per-user port directory of links named after the ports (COM1 ... COM255) is consulted
//    first. It must belong to the user and be writable by nobody else. A link that leads to a
//    pseudo-terminal counts only while its publisher (the transponder simulator, a test) holds
//    the lock file "<name>.lock" beside it, so a stale link can never reach a terminal that a
//    later program got under the same number.
// 3. Otherwise the fixed table of the kernel's serial devices:
//      COM1 ... COM32   /dev/ttyS0 ... /dev/ttyS31
//      COM33 ... COM64  /dev/ttyUSB0 ... /dev/ttyUSB31
//      COM65 ... COM96  /dev/ttyACM0 ... /dev/ttyACM31
//    Numbers above 96 name a device only through the port directory.

#include <string>

// $XDG_RUNTIME_DIR/corvane-ports when that directory is set and ours, else
// /tmp/corvane-ports-<uid>; or the directory set for tests.
std::string PortDirectory();

// Points the resolution at a directory of test links; the fixed table is off while it is set.
// An empty path restores the real resolution.
void SetTestPortDirectory(const std::string& Dir);
bool TestPortDirectoryActive();

// True when Dir exists, belongs to this user and no one else may write to it.
bool PortDirectoryTrusted(const std::string& Dir);

// The device path that Name (the filled-in DeviceName pattern) stands for.
std::string ResolveDevicePath(const std::string& Name);

// The fixed table's device for COM<n>, or empty.
std::string TableDevicePath(int PortNum);

// A port number published in the port directory and locked by its publisher while it lives.
class TPublishedPort {
public:
    // Publishes Target as COM<PortNum>; PortNum 0 takes the first number that names no link
    // and no existing device. Throws std::runtime_error when that cannot be done.
    TPublishedPort(int PortNum, const std::string& Target);
    ~TPublishedPort();
    TPublishedPort(const TPublishedPort&) = delete;
    TPublishedPort& operator=(const TPublishedPort&) = delete;

    int PortNum() const { return FPortNum; }
    const std::string& LinkPath() const { return FLink; }

private:
    int FPortNum = 0;
    int FLockFd = -1;
    std::string FLink, FLockPath;
};
