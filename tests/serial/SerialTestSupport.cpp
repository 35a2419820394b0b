#include "SerialTestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <stdexcept>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

TTempDir::TTempDir() {
    char tmpl[] = "/tmp/corvane-serial-test-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) throw std::runtime_error("mkdtemp failed");
    FPath = tmpl;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
}

TFakeConsole::TFakeConsole(dev_t Device) {
    namespace fs = std::filesystem;
    fs::create_directories(FSys.Path() + "/console");
    fs::create_directories(FSys.Path() + "/ttyFAKE0");
    std::ofstream(FSys.Path() + "/console/active") << "tty0 ttyFAKE0\n";
    std::ofstream(FSys.Path() + "/ttyFAKE0/dev") << major(Device) << ":" << minor(Device) << "\n";
    SetTestSysTtyDirectory(FSys.Path());
}

TFakeConsole::~TFakeConsole() {
    SetTestSysTtyDirectory("");
}

TPty::TPty() {
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (FMaster < 0 || grantpt(FMaster) != 0 || unlockpt(FMaster) != 0)
        throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (ptsname_r(FMaster, name, sizeof name) != 0) throw std::runtime_error("ptsname");
    FSlavePath = name;
    FSlave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (FSlave < 0) throw std::runtime_error("cannot open pty slave");
}

TPty::~TPty() {
    if (FSlave >= 0) close(FSlave);
    CloseMaster();
}

void TPty::CloseMaster() {
    if (FMaster >= 0) close(FMaster);
    FMaster = -1;
}

void TPty::Send(const std::string& Bytes) {
    std::size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = write(FMaster, Bytes.data() + done, Bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{FMaster, POLLOUT, 0};
            poll(&p, 1, 100);
        } else if (n < 0 && errno != EINTR) {
            throw std::runtime_error(std::string("pty write: ") + std::strerror(errno));
        }
    }
}

bool WaitReadable(int Fd, long Ms, const std::function<void()>& Idle) {
    pollfd p{Fd, POLLIN, 0};
    if (!Idle) return poll(&p, 1, static_cast<int>(Ms)) > 0;
    const auto start = TClock::now();
    do {
        if (poll(&p, 1, 0) > 0) return true;
        Idle();
    } while (MsSince(start) < Ms);
    return poll(&p, 1, 0) > 0;
}

std::string TPty::Receive(std::size_t Count, int TimeoutMs, const std::function<void()>& Idle) {
    std::string out;
    const auto start = TClock::now();
    char buf[4096];
    while (out.size() < Count) {
        const long left = TimeoutMs - MsSince(start);
        if (left <= 0) break;
        if (!WaitReadable(FMaster, left, Idle)) continue;
        const ssize_t n = read(FMaster, buf, std::min(sizeof buf, Count - out.size()));
        if (n > 0)
            out.append(buf, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return out;
}

std::string TPty::Drain(int QuietMs, const std::function<void()>& Idle) {
    std::string out;
    char buf[4096];
    while (WaitReadable(FMaster, QuietMs, Idle)) {
        const ssize_t n = read(FMaster, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

void TUiLoop::Pump(int Ms) {
    const auto start = TClock::now();
    for (long left; (left = Ms - MsSince(start)) > 0;) Queue.WaitAndRunOne(static_cast<int>(left));
}

bool TUiLoop::PumpUntil(const std::function<bool()>& Done, int TimeoutMs) {
    const auto start = TClock::now();
    while (!Done()) {
        const long left = TimeoutMs - MsSince(start);
        if (left <= 0) return Done();
        Queue.WaitAndRunOne(static_cast<int>(std::min(left, 20L)));
    }
    return true;
}

void TRecorder::HandleCommData(PVaData Data, int Count) {
    Chunks.push_back(
        {std::string(reinterpret_cast<const char*>(Data), Count), std::this_thread::get_id()});
    if (Log != nullptr) Log->push_back(Name + ":" + Chunks.back().Data);
    if (OnData) OnData(Data, Count);
}

void TRecorder::HandleCommEvent(std::uint32_t Ev) {
    Events.push_back(Ev);
    EventThreads.push_back(std::this_thread::get_id());
    if (OnEvent) OnEvent(Ev);
}

std::string TRecorder::All() const {
    std::string s;
    for (const auto& c : Chunks) s += c.Data;
    return s;
}

bool TRecorder::HasEvent(std::uint32_t Bit) const {
    for (auto e : Events)
        if (e & Bit) return true;
    return false;
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

#include "serial/VaCommError.h"

std::string CommErrorOf(const std::function<void()>& F) {
    try {
        F();
    } catch (const EVaCommError& e) {
        return e.what();
    }
    return "<none>";
}
