// corvane-sim: a Corvane transponder on a pseudo-terminal (or a real serial device), published
// as a numbered port so the setup tool finds it like a transponder on a COM port.

#include "serial/PortNames.h"
#include "tools/sim/SimClock.h"
#include "tools/sim/SimConfig.h"
#include "tools/sim/SimOptions.h"
#include "tools/sim/SimReplay.h"
#include "tools/sim/Simulator.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <memory>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};

// Whole lines the device took; a soak compares it with the reader's count. The count asked
// for is taken in the signal handler, so a reader that stopped the simulator (SIGSTOP), took
// everything from the line and then asks gets the count of exactly what it could have read.
std::atomic<std::uint64_t> gSentLines{0};
std::atomic<std::uint64_t> gSentAtSignal{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

void OnSignal(int Sig) {
    if (Sig == SIGUSR1) gSentAtSignal = gSentLines.load();
    const char c = Sig == SIGUSR1 ? 'c' : 's'; // SIGUSR1 asks for the count, the others stop
    [[maybe_unused]] const ssize_t n = write(gSignalPipe[1], &c, 1);
}

void Log(const std::string& S) {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &tm);
    std::cerr << stamp << " corvane-sim: " << S << std::endl;
}

bool RawLine(int Fd, std::string& Error) {
    termios t{};
    if (tcgetattr(Fd, &t) != 0) {
        Error = std::string("tcgetattr: ") + std::strerror(errno);
        return false;
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSTOPB | PARENB);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    if (tcsetattr(Fd, TCSANOW, &t) != 0) {
        Error = std::string("tcsetattr: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// The line the simulator talks on: the master side of a pseudo-terminal whose slave is
// published, or a real device.
struct TLineDevice {
    int Fd = -1;      // what we read and write
    int Slave = -1;   // our own hold on the slave, so the tool's closing never hangs the line up
    std::string Path; // what the tool opens
    bool Pty = false;

    ~TLineDevice() { Close(); }
    void Close() {
        if (Slave >= 0) close(Slave);
        if (Fd >= 0) close(Fd);
        Slave = Fd = -1;
    }

    bool OpenPty(std::string& Error) {
        Pty = true;
        Fd = posix_openpt(O_RDWR | O_NOCTTY);
        if (Fd < 0 || grantpt(Fd) != 0 || unlockpt(Fd) != 0) {
            Error = std::string("pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        char name[128];
        if (ptsname_r(Fd, name, sizeof name) != 0) {
            Error = std::string("ptsname: ") + std::strerror(errno);
            return false;
        }
        Path = name;
        fcntl(Fd, F_SETFD, FD_CLOEXEC);
        fcntl(Fd, F_SETFL, fcntl(Fd, F_GETFL) | O_NONBLOCK);
        Slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (Slave < 0) {
            Error = Path + ": " + std::strerror(errno);
            return false;
        }
        return RawLine(Slave, Error);
    }

    bool OpenDevice(const std::string& DevicePath, std::string& Error) {
        Path = DevicePath;
        Fd = open(DevicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (Fd < 0) {
            Error = DevicePath + ": " + std::strerror(errno);
            return false;
        }
        if (!RawLine(Fd, Error)) return false;
        ioctl(Fd, TIOCEXCL); // nobody else may talk on our line meanwhile
        return true;
    }

    // Bytes the tool has not read yet, on the pseudo-terminal.
    int Unread() const {
        int n = 0;
        if (!Pty || ioctl(Slave, FIONREAD, &n) != 0) return 0;
        return n;
    }
    void DropUnread() const {
        if (Pty) tcflush(Slave, TCIFLUSH);
    }
};

// The number that the fixed table gives a device path, or 0.
int TableNumber(const std::string& Path) {
    for (int n = 1; n <= 255; ++n)
        if (TableDevicePath(n) == Path) return n;
    return 0;
}

int Run(const TSimOptions& O) {
    if (!O.PortDir.empty()) SetTestPortDirectory(O.PortDir);

    TSimConfig config;
    if (!O.ConfigFile.empty()) {
        bool exists = false;
        std::string err;
        if (!LoadConfigFile(O.ConfigFile, config, exists, err)) {
            if (exists) {
                Log(err);
                return 2;
            }
            if (!SaveConfigFile(O.ConfigFile, config, err)) {
                Log(err);
                return 2;
            }
            Log("new transponder memory with the defaults: " + O.ConfigFile);
        }
    }
    std::vector<std::string> replay;
    if (!O.ReplayFile.empty()) {
        std::string err;
        if (!TReplaySource::LoadFile(O.ReplayFile, replay, err)) {
            Log(err);
            return 2;
        }
    }
    std::ofstream transcript;
    if (!O.TranscriptFile.empty()) {
        transcript.open(O.TranscriptFile, std::ios::app | std::ios::binary);
        if (!transcript) {
            Log(O.TranscriptFile + ": cannot be opened");
            return 2;
        }
    }

    if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Log(std::string("pipe: ") + std::strerror(errno));
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    sigaction(SIGUSR1, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    auto line = std::make_unique<TLineDevice>();
    std::string err;
    if (!(O.Device.empty() ? line->OpenPty(err) : line->OpenDevice(O.Device, err))) {
        Log(err);
        return 1;
    }
    std::unique_ptr<TPublishedPort> published;
    int portNum = 0;
    if (O.Device.empty()) {
        try {
            published = std::make_unique<TPublishedPort>(O.PortNum, line->Path);
        } catch (const std::exception& e) {
            Log(std::string("cannot publish the port: ") + e.what());
            return 1;
        }
        portNum = published->PortNum();
    } else {
        portNum = TableNumber(O.Device);
    }
    std::cout << "COM" << portNum << ' ' << line->Path << std::endl;
    if (published) Log("published as " + published->LinkPath());

    const TSystemClock clock;
    TSimulator sim(O, clock, config, std::move(replay), Log);
    if (transcript.is_open()) sim.SetTranscript(&transcript);

    std::string pending; // taken from the simulator, not yet accepted by the device
    int lastUnread = 0;
    std::int64_t progressAt = clock.MonotonicMs();
    bool dropping = false;
    char buf[4096];
    for (;;) {
        sim.Poll();
        if (sim.UnplugDue()) {
            Log("unplugged");
            published.reset();
            line->Close();
            return 0;
        }
        if (pending.empty()) pending = sim.TakeOutput();
        bool wrote = false;
        while (!pending.empty()) {
            const ssize_t n = write(line->Fd, pending.data(), pending.size());
            if (n <= 0) break; // full: the reader is slow or absent; wait for room
            gSentLines +=
                static_cast<std::uint64_t>(std::count(pending.begin(), pending.begin() + n, '\n'));
            pending.erase(0, static_cast<std::size_t>(n));
            wrote = true;
        }

        // A pseudo-terminal that takes nothing more and whose unread bytes do not go down has
        // no reader: what a closed port on a real line would lose is thrown away here, so the
        // line never jams and the next reader gets fresh sentences.
        const std::int64_t now = clock.MonotonicMs();
        const int unread = line->Unread();
        if (wrote || unread < lastUnread || unread == 0) {
            progressAt = now;
            if (dropping && unread < lastUnread) {
                Log("the line is read again");
                dropping = false;
            }
        } else if (now - progressAt >= 1000) {
            if (!dropping) Log("nobody reads the line; its output is dropped until somebody does");
            dropping = true;
            line->DropUnread();
            pending.clear();
            progressAt = now;
        }
        lastUnread = line->Unread();

        const std::int64_t wake = sim.NextWakeMs();
        int timeout = 50;
        if (wake != INT64_MIN && wake - now < timeout)
            timeout = static_cast<int>(std::max<std::int64_t>(0, wake - now));
        if (wake == INT64_MIN) timeout = 0;
        if (!pending.empty()) timeout = std::max(timeout, 5);
        pollfd fds[2] = {{line->Fd, POLLIN, 0}, {gSignalPipe[0], POLLIN, 0}};
        if (!pending.empty()) fds[0].events |= POLLOUT;
        if (poll(fds, 2, timeout) < 0 && errno != EINTR) {
            Log(std::string("poll: ") + std::strerror(errno));
            return 1;
        }
        if (fds[1].revents & POLLIN) {
            char sig = 's';
            if (read(gSignalPipe[0], &sig, 1) == 1 && sig == 'c') {
                Log("sent " + std::to_string(gSentAtSignal.load()) + " sentences");
                continue;
            }
            Log("stopped after sending " + std::to_string(gSentLines.load()) + " sentences");
            return 0; // the published link and the line go with their owners
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(line->Fd, buf, sizeof buf);
            if (n > 0)
                sim.Receive(std::string_view(buf, static_cast<std::size_t>(n)));
            else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                Log("the line is gone");
                return 1;
            }
        } else if (fds[0].revents & (POLLERR | POLLHUP)) {
            if (!line->Pty) {
                Log("the device is gone");
                return 1;
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    TSimOptions opts;
    std::string err;
    if (!ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), opts, err)) {
        std::cerr << "corvane-sim: " << err << "\n" << SimUsage();
        return 2;
    }
    if (opts.Help) {
        std::cout << SimUsage();
        return 0;
    }
    return Run(opts);
}
