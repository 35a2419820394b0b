#pragma once
// How "COM<n>" names a serial device. On Windows it is the device \\.\COM<n> (the device
// namespace reaches every number; plain "COM10" and up would not), a name with "\" or "/" is
// a device path as it is, and there is no port directory (PortNames_win32.cpp). On Linux:
//
// 1. A name that contains "/" is a device path and is used as it is.
// 2. A per-user port directory of links named after the ports (COM1 ... COM255) is consulted
//    first. It must belong to the user and be writable by nobody else; an untrusted directory
//    is not consulted at all. A link that leads to a pseudo-terminal counts only while its
//    publisher (the transponder simulator, a test) holds the lock file "<name>.lock" beside
//    it, so a stale link can never reach a terminal that a later program got under the same
//    number; such a stale link counts as no link. Any other link (to /dev/ttyUSB0,
//    /dev/serial/by-id/...) is used as it is, also when it leads nowhere (not found).
// 3. Otherwise the fixed table of the kernel's serial devices:
//      COM1 ... COM32   /dev/ttyS0 ... /dev/ttyS31
//      COM33 ... COM64  /dev/ttyUSB0 ... /dev/ttyUSB31
//      COM65 ... COM96  /dev/ttyACM0 ... /dev/ttyACM31
//    Numbers above 96 name a device only through the port directory.
//
// Whatever the name leads to, the port never opens a terminal that is not a serial line: the
// system console, virtual consoles and /dev/tty, or a pseudo-terminal that was not reached
// through a published link (see IsConsoleDevice and the port's open).
//
// A port number may also stand for a network address, "tcp://HOST:PORT" (NetworkAddress.h):
// - declared by the program for the run (DeclareNetworkPort), which comes before everything
//   above;
// - or as a link COM<n> in the port directory whose target text is the address
//   (ln -s tcp://192.168.4.1:10110 COM20), under the directory's rules above. A link whose
//   text is an address but not a valid one counts as not found.
// A name that is itself such an address stands for it too.

#include "serial/NetworkAddress.h"

#include <optional>
#include <string>
#include <sys/types.h>

// $XDG_RUNTIME_DIR/corvane-ports when that directory is set and ours, else
// /tmp/corvane-ports-<uid>; or the directory set for tests.
std::string PortDirectory();

// Points the resolution at a directory of test links; the fixed table is off while it is set
// (a name without a usable link is then not found). An empty path restores the real
// resolution.
void SetTestPortDirectory(const std::string& Dir);
bool TestPortDirectoryActive();

// True when Dir exists, is a directory (not a link), belongs to this user and no one else may
// write to it.
bool PortDirectoryTrusted(const std::string& Dir);

// Where a name leads.
struct TPortTarget {
    std::string Path;       // the device path (a network port's URL), also used in messages
    bool Published = false; // a pseudo-terminal link whose publisher lives
    bool Stale = false;     // a link that must not be followed: the port counts as not found
    std::optional<TNetworkAddress> Network; // the name stands for this network address
};
TPortTarget ResolvePort(const std::string& Name);
// The platform's part of ResolvePort: a name that is neither declared nor an address.
TPortTarget ResolveLocalPort(const std::string& Name);
// What an address given as text (a link's target, a name) leads to: a bad one leads nowhere
// (Stale), and the message shows what was given.
TPortTarget PortTargetOfAddress(const std::string& Text);
// "COM<PortNum>"
std::string PortName(int PortNum);

// The program's own declaration for this run: COM<PortNum> (PortNum 1 or more) stands for the
// network address Url ("tcp://HOST:PORT"), before any link or device of that name. Declaring a
// number again replaces its address. A bad Url or number throws std::invalid_argument with a
// one-line message (the one ParseNetworkAddress gives).
void DeclareNetworkPort(int PortNum, const std::string& Url);
// Withdraws every declaration (tests).
void ForgetNetworkPorts();

// The device path that Name (the filled-in DeviceName pattern) stands for.
std::string ResolveDevicePath(const std::string& Name);

// The fixed table's device for COM<n>, or empty.
std::string TableDevicePath(int PortNum);

#ifndef _WIN32
// Linux only from here on: the devices and links a port name must never reach.

// True for pseudo-terminal slaves and the multiplexer.
bool IsPseudoTerminalDevice(dev_t Device);

// True for the system console and terminals that are not serial lines: /dev/tty, /dev/console,
// /dev/ptmx, the virtual consoles /dev/tty0 ... /dev/tty63, and every device named in
// <sys tty dir>/console/active (on many virtual machines /dev/ttyS0).
bool IsConsoleDevice(dev_t Device);

// Reads the console list from Dir in place of /sys/class/tty (tests); empty restores it.
void SetTestSysTtyDirectory(const std::string& Dir);

// A port number published in the port directory and locked by its publisher while it lives.
// The publisher must destroy it as soon as its terminal closes.
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
#endif
