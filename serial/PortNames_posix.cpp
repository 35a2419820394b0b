// Port names on Linux: the port directory of links, published pseudo-terminals and the
// kernel's serial devices.
#include "serial/PortNames.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

std::string& TestDir() {
    static std::string dir;
    return dir;
}

std::string& SysTtyDir() {
    static std::string dir;
    return dir;
}

// The target text of a link, or empty.
std::string LinkText(const std::string& Link) {
    char buf[4096];
    const ssize_t n = readlink(Link.c_str(), buf, sizeof buf);
    return n > 0 && static_cast<std::size_t>(n) < sizeof buf
               ? std::string(buf, static_cast<std::size_t>(n))
               : std::string();
}

std::string UserDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/' && PortDirectoryTrusted(runtime))
        return std::string(runtime) + "/corvane-ports";
    return "/tmp/corvane-ports-" + std::to_string(getuid());
}

bool IsPseudoTerminal(const std::string& Path) {
    struct stat st {};
    return stat(Path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
           IsPseudoTerminalDevice(st.st_rdev);
}

// A lock file that somebody holds: our own attempt to take it fails.
bool LockHeld(const std::string& LockPath) {
    const int fd = open(LockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

bool LinkExists(const std::string& Path) {
    struct stat st {};
    return lstat(Path.c_str(), &st) == 0;
}

bool SameFile(int Fd, const std::string& Path) {
    struct stat a {
    }, b{};
    return fstat(Fd, &a) == 0 && stat(Path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

std::string DirName(const std::string& Path) {
    const auto slash = Path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : Path.substr(0, slash);
}

// A link in a trusted directory to a pseudo-terminal whose publisher still holds the lock.
bool PublishedLink(const std::string& Link) {
    return PortDirectoryTrusted(DirName(Link)) && LinkExists(Link) && IsPseudoTerminal(Link) &&
           LockHeld(Link + ".lock");
}

bool ReadDevNumber(const std::string& File, dev_t& Device) {
    std::ifstream in(File);
    unsigned maj = 0, min = 0;
    char colon = 0;
    if (!(in >> maj >> colon >> min) || colon != ':') return false;
    Device = makedev(maj, min);
    return true;
}

} // namespace

std::string PortDirectory() {
    return TestDir().empty() ? UserDirectory() : TestDir();
}

void SetTestPortDirectory(const std::string& Dir) {
    TestDir() = Dir;
}
bool TestPortDirectoryActive() {
    return !TestDir().empty();
}

bool PortDirectoryTrusted(const std::string& Dir) {
    struct stat st {};
    if (lstat(Dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return st.st_uid == getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string TableDevicePath(int PortNum) {
    if (PortNum >= 1 && PortNum <= 32) return "/dev/ttyS" + std::to_string(PortNum - 1);
    if (PortNum >= 33 && PortNum <= 64) return "/dev/ttyUSB" + std::to_string(PortNum - 33);
    if (PortNum >= 65 && PortNum <= 96) return "/dev/ttyACM" + std::to_string(PortNum - 65);
    return {};
}

TPortTarget ResolveLocalPort(const std::string& Name) {
    TPortTarget t;
    if (Name.find('/') != std::string::npos) {
        t.Path = Name;
        t.Published = PublishedLink(Name);
        return t;
    }
    const std::string dir = PortDirectory();
    const std::string link = dir + "/" + Name;
    const bool trusted = PortDirectoryTrusted(dir);
    if (trusted && LinkExists(link)) {
        if (const std::string text = LinkText(link); LooksLikeNetworkAddress(text))
            return PortTargetOfAddress(text);
        if (!IsPseudoTerminal(link)) {
            t.Path = link;
            return t;
        }
        if (LockHeld(link + ".lock")) {
            t.Path = link;
            t.Published = true;
            return t;
        }
        // A pseudo-terminal link whose publisher is gone: the number may now belong to
        // another program's terminal.
    }
    if (TestPortDirectoryActive()) {
        t.Path = link;
        t.Stale = LinkExists(link);
        return t;
    }
    if (Name.size() > 3 && Name.compare(0, 3, "COM") == 0) {
        char* end = nullptr;
        const long n = std::strtol(Name.c_str() + 3, &end, 10);
        if (end != nullptr && *end == '\0' && std::isdigit(static_cast<unsigned char>(Name[3]))) {
            const std::string dev = TableDevicePath(n > 0 && n <= 96 ? static_cast<int>(n) : 0);
            if (!dev.empty()) {
                t.Path = dev;
                return t;
            }
        }
    }
    t.Path = link;
    t.Stale = LinkExists(link);
    return t;
}

bool IsPseudoTerminalDevice(dev_t Device) {
    const unsigned maj = major(Device);
    // 136-143: Unix98 pty slaves; 2 and 3: legacy BSD ptys; 5:2 /dev/ptmx
    return (maj >= 136 && maj <= 143) || maj == 2 || maj == 3 || (maj == 5 && minor(Device) == 2);
}

void SetTestSysTtyDirectory(const std::string& Dir) {
    SysTtyDir() = Dir;
}

bool IsConsoleDevice(dev_t Device) {
    const unsigned maj = major(Device), min = minor(Device);
    if (maj == 5) return true;             // /dev/tty, /dev/console, /dev/ptmx, ttyprintk
    if (maj == 4 && min < 64) return true; // virtual consoles
    const std::string sys = SysTtyDir().empty() ? "/sys/class/tty" : SysTtyDir();
    std::ifstream active(sys + "/console/active");
    std::string name;
    while (active >> name) {
        dev_t d = 0;
        if (name.find('/') == std::string::npos && ReadDevNumber(sys + "/" + name + "/dev", d) &&
            d == Device)
            return true;
    }
    return false;
}

TPublishedPort::TPublishedPort(int PortNum, const std::string& Target) {
    const std::string dir = PortDirectory();
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot create " + dir + ": " + std::strerror(errno));
    if (!PortDirectoryTrusted(dir))
        throw std::runtime_error(dir + " must belong to this user and be writable by no one else");

    const int first = PortNum > 0 ? PortNum : 1;
    const int last = PortNum > 0 ? PortNum : 255;
    for (int n = first; n <= last; ++n) {
        const std::string link = dir + "/" + PortName(n);
        const std::string lockPath = link + ".lock";
        if (PortNum == 0) {
            const std::string dev = TestPortDirectoryActive() ? "" : TableDevicePath(n);
            if (!dev.empty() && access(dev.c_str(), F_OK) == 0) continue;
        }
        const bool hadLock = LinkExists(lockPath);
        const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) continue;
        // Another publisher lives on this number; or the file we locked was just removed by a
        // publisher that ended, and the number is free again but not through this file.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 || !SameFile(fd, lockPath)) {
            close(fd);
            continue;
        }
        // A link left by a publisher that died (its lock file remains) is ours to replace; a
        // link somebody made by hand (to a real device, maybe unplugged now) is left alone
        // unless this number was asked for.
        if (PortNum == 0 && LinkExists(link) && !hadLock && !IsPseudoTerminal(link)) {
            unlink(lockPath.c_str());
            close(fd);
            continue;
        }
        unlink(link.c_str());
        if (symlink(Target.c_str(), link.c_str()) != 0) {
            unlink(lockPath.c_str());
            close(fd);
            continue;
        }
        FPortNum = n;
        FLockFd = fd;
        FLink = link;
        FLockPath = lockPath;
        return;
    }
    throw std::runtime_error(PortNum > 0 ? "port " + PortName(PortNum) + " is in use"
                                         : std::string("no free port number"));
}

TPublishedPort::~TPublishedPort() {
    // The link goes first: from then on no resolution can reach the terminal.
    unlink(FLink.c_str());
    unlink(FLockPath.c_str());
    if (FLockFd >= 0) close(FLockFd);
}
