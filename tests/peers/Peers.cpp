#include "Peers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

int LeftMs(TClock::time_point Deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

int FreePort(int Type) {
    const int fd = socket(AF_INET, Type | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error(std::string("no free port: ") + std::strerror(errno));
    close(fd);
    return ntohs(a.sin_port);
}

std::string TempDir(const char* Name) {
    std::string t = std::string("/tmp/corvane-") + Name + "-XXXXXX";
    if (mkdtemp(t.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return t;
}

} // namespace

int FreeTcpPort() {
    return FreePort(SOCK_STREAM);
}
int FreeUdpPort() {
    return FreePort(SOCK_DGRAM);
}

std::string RequireProgram(const std::string& Path, const std::string& Package) {
    if (access(Path.c_str(), X_OK) != 0)
        throw std::runtime_error(Path + " is missing: install " + Package +
                                 " (scripts/deps.sh does, through ./test)");
    return Path;
}

TChild::TChild(const std::vector<std::string>& Argv) {
    if (Argv.empty() || access(Argv[0].c_str(), X_OK) != 0)
        throw std::runtime_error("cannot run " + (Argv.empty() ? std::string() : Argv[0]));
    char logTemplate[] = "/tmp/corvane-child-log-XXXXXX";
    const int log = mkstemp(logTemplate);
    FLogPath = logTemplate;
    int out[2];
    if (log < 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    FPid = fork();
    if (FPid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        std::vector<char*> args;
        for (const std::string& a : Argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(log);
    close(out[1]);
    FOut = out[0];
    fcntl(FOut, F_SETFL, O_NONBLOCK);
}

TChild::~TChild() {
    Stop();
    if (FOut >= 0) close(FOut);
    unlink(FLogPath.c_str());
}

bool TChild::ReadSome(int TimeoutMs) {
    pollfd p{FOut, POLLIN, 0};
    if (FOut < 0 || poll(&p, 1, TimeoutMs) <= 0) return false;
    char buf[4096];
    const ssize_t n = read(FOut, buf, sizeof buf);
    if (n <= 0) {
        close(FOut);
        FOut = -1;
        return false;
    }
    FPending.append(buf, static_cast<std::size_t>(n));
    for (std::size_t nl; (nl = FPending.find('\n')) != std::string::npos;) {
        FLines.push_back(FPending.substr(0, nl));
        FPending.erase(0, nl + 1);
    }
    return true;
}

bool TChild::WaitLine(const std::function<bool(const std::string&)>& Line, int TimeoutMs) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    std::size_t seen = 0;
    for (;;) {
        for (; seen < FLines.size(); ++seen)
            if (Line(FLines[seen])) return true;
        if (FOut < 0 || LeftMs(deadline) == 0) return false;
        ReadSome(std::min(LeftMs(deadline), 100));
    }
}

void TChild::Stop() {
    if (FPid <= 0) return;
    if (FStatus < 0) {
        kill(FPid, SIGTERM);
        if (WaitExit(3000) < 0) {
            kill(FPid, SIGKILL);
            WaitExit(3000);
        }
    }
    FPid = -1;
}

int TChild::WaitExit(int TimeoutMs) {
    if (FStatus >= 0 || FPid <= 0) return FStatus;
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        int status = 0;
        if (waitpid(FPid, &status, WNOHANG) == FPid) {
            FStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            while (ReadSome(0)) {
            }
            return FStatus;
        }
        if (LeftMs(deadline) == 0) return -1;
        if (!ReadSome(20)) usleep(10000);
    }
}

std::string TChild::Log() const {
    std::ifstream in(FLogPath);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TSer2net::TSer2net(const std::string& Device, int Port)
    : FDevice(Device), FDir(TempDir("ser2net")), FPort(Port > 0 ? Port : FreeTcpPort()) {
    Start();
}

TSer2net::~TSer2net() {
    Stop();
    std::filesystem::remove_all(FDir);
}

void TSer2net::Start() {
    // Raw TCP on loopback only; no UUCP lock files, no control port.
    std::ofstream(FDir + "/ser2net.yaml")
        << "connection: &corvane\n"
        << "    accepter: tcp,127.0.0.1," << FPort << "\n"
        << "    connector: serialdev," << FDevice << ",38400n81,local\n"
        << "    options:\n"
        << "        kickolduser: true\n";
    FChild = std::make_unique<TChild>(
        std::vector<std::string>{RequireProgram("/usr/sbin/ser2net", "ser2net"), "-n", "-u", "-c",
                                 FDir + "/ser2net.yaml", "-P", FDir + "/ser2net.pid"});
    // Listening once a connection is taken; the probe connection is dropped at once.
    const auto deadline = TClock::now() + std::chrono::seconds(10);
    while (LeftMs(deadline) > 0) {
        TLineClient probe(FPort);
        if (probe.Connected()) return;
        usleep(20000);
    }
    throw std::runtime_error("ser2net did not start: " + FChild->Log());
}

TGpsd::TGpsd(const std::string& Source) : FDir(TempDir("gpsd")), FPort(FreeTcpPort()) {
    FGpsd = std::make_unique<TChild>(std::vector<std::string>{
        RequireProgram("/usr/sbin/gpsd", "gpsd"), "-N", "-n", "-b", "-S", std::to_string(FPort),
        "-F", FDir + "/gpsd.sock", "-P", FDir + "/gpsd.pid", Source});
    const auto deadline = TClock::now() + std::chrono::seconds(10);
    for (;;) {
        TLineClient probe(FPort);
        if (probe.Connected()) break;
        if (LeftMs(deadline) == 0) throw std::runtime_error("gpsd did not start: " + FGpsd->Log());
        usleep(20000);
    }
    FPipe = std::make_unique<TChild>(
        std::vector<std::string>{RequireProgram("/usr/bin/gpspipe", "gpsd-clients"), "-w",
                                 "127.0.0.1:" + std::to_string(FPort)});
}

TGpsd::~TGpsd() {
    FPipe.reset();
    FGpsd.reset();
    std::filesystem::remove_all(FDir);
}

std::set<long> TGpsd::AisMmsis(const std::set<long>& Wanted, int TimeoutMs) {
    static const std::regex mmsi("\"mmsi\":([0-9]+)");
    std::set<long> seen;
    FPipe->WaitLine(
        [&](const std::string& Line) {
            std::smatch m;
            if (Line.find("\"class\":\"AIS\"") != std::string::npos &&
                std::regex_search(Line, m, mmsi))
                seen.insert(std::stol(m[1]));
            for (long w : Wanted)
                if (!seen.count(w)) return false;
            return true;
        },
        TimeoutMs);
    return seen;
}

std::string TGpsd::Log() const {
    return FGpsd->Log();
}

TLineClient::TLineClient(int Port, int ReceiveBuffer) {
    FFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FFd < 0) return;
    if (ReceiveBuffer > 0)
        setsockopt(FFd, SOL_SOCKET, SO_RCVBUF, &ReceiveBuffer, sizeof ReceiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(Port));
    if (connect(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(FFd);
        FFd = -1;
        return;
    }
    fcntl(FFd, F_SETFL, O_NONBLOCK);
}

TLineClient::~TLineClient() {
    if (FFd >= 0) close(FFd);
}

bool TLineClient::ReadUntil(const std::function<bool(const std::vector<std::string>&)>& Done,
                            int TimeoutMs) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Done(FLines)) {
        pollfd p{FFd, POLLIN, 0};
        if (FFd < 0 || poll(&p, 1, LeftMs(deadline)) <= 0) return Done(FLines);
        char buf[8192];
        const ssize_t n = read(FFd, buf, sizeof buf);
        if (n <= 0) return Done(FLines);
        FBytes += static_cast<std::size_t>(n);
        FPending.append(buf, static_cast<std::size_t>(n));
        for (std::size_t nl; (nl = FPending.find('\n')) != std::string::npos;) {
            FLines.push_back(FPending.substr(0, nl + 1));
            FPending.erase(0, nl + 1);
        }
    }
    return true;
}

bool TLineClient::Closed(int TimeoutMs) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        pollfd p{FFd, POLLIN, 0};
        if (FFd < 0) return true;
        if (poll(&p, 1, LeftMs(deadline)) <= 0) return false;
        char buf[65536];
        const ssize_t n = read(FFd, buf, sizeof buf);
        if (n == 0 || (n < 0 && errno != EAGAIN)) return true;
    }
}

bool TLineClient::Write(const std::string& Bytes) {
    std::size_t done = 0;
    while (FFd >= 0 && done < Bytes.size()) {
        const ssize_t n = send(FFd, Bytes.data() + done, Bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN) return false;
        pollfd p{FFd, POLLOUT, 0};
        if (poll(&p, 1, 2000) <= 0) return false;
    }
    return done == Bytes.size();
}

void TLineClient::Reset() {
    if (FFd < 0) return;
    linger l{1, 0};
    setsockopt(FFd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close(FFd);
    FFd = -1;
}
