#include "PortNames.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string& TestDir() {
    static std::string dir;
    return dir;
}

std::string UserDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/' && PortDirectoryTrusted(runtime))
        return std::string(runtime) + "/corvane-ports";
    return "/tmp/corvane-ports-" + std::to_string(getuid());
}

bool IsPseudoTerminal(const std::string& Path) {
    char real[4096];
    if (realpath(Path.c_str(), real) == nullptr) return false;
    return std::strncmp(real, "/dev/pts/", 9) == 0 || std::strcmp(real, "/dev/ptmx") == 0;
}

// A lock file that somebody holds: our own attempt to take it fails.
bool LockHeld(const std::string& LockPath) {
    const int fd = open(LockPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

bool LinkExists(const std::string& Path) {
    struct stat st {};
    return lstat(Path.c_str(), &st) == 0;
}

std::string PortName(int PortNum) { return "COM" + std::to_string(PortNum); }

} // namespace

std::string PortDirectory() { return TestDir().empty() ? UserDirectory() : TestDir(); }

void SetTestPortDirectory(const std::string& Dir) { TestDir() = Dir; }
bool TestPortDirectoryActive() { return !TestDir().empty(); }

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

std::string ResolveDevicePath(const std::string& Name) {
    if (Name.find('/') != std::string::npos) return Name;
    const std::string dir = PortDirectory();
    const std::string link = dir + "/" + Name;
    if (PortDirectoryTrusted(dir) && LinkExists(link)) {
        if (!IsPseudoTerminal(link) || LockHeld(link + ".lock")) return link;
    }
    if (TestPortDirectoryActive()) return link;
    if (Name.size() > 3 && Name.compare(0, 3, "COM") == 0) {
        char* end = nullptr;
        const long n = std::strtol(Name.c_str() + 3, &end, 10);
        if (end != nullptr && *end == '\0') {
            const std::string dev = TableDevicePath(static_cast<int>(n));
            if (!dev.empty()) return dev;
        }
    }
    return link;
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
        const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) continue;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) { // another publisher lives on this number
            close(fd);
            continue;
        }
        // A link left by a publisher that died is ours to replace; a link somebody made by
        // hand (to a real device) is left alone unless this number was asked for.
        if (LinkExists(link) && PortNum == 0 && !IsPseudoTerminal(link)) {
            close(fd);
            continue;
        }
        unlink(link.c_str());
        if (symlink(Target.c_str(), link.c_str()) != 0) {
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
    unlink(FLink.c_str());
    unlink(FLockPath.c_str());
    if (FLockFd >= 0) close(FLockFd);
}
