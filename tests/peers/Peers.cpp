#include "Peers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
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
#include <sys/prctl.h>
#include <sys/resource.h>
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
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        const std::string error = std::strerror(errno);
        if (fd >= 0) close(fd);
        throw std::runtime_error("no free port: " + error);
    }
    close(fd);
    return ntohs(a.sin_port);
}

std::string TempDir(const char* Name) {
    std::string t = std::string("/tmp/corvane-") + Name + "-XXXXXX";
    if (mkdtemp(t.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return t;
}

std::string FileText(const std::string& Path) {
    std::ifstream in(Path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// What the keeper needs, all made before fork: after it, only system calls that take no lock
// and allocate nothing may run, since the test process has other threads.
struct TKeeping {
    char* const* Args;
    int In, Out, Err;
    sigset_t Awaited, None;
    pid_t Test;
    int CapSeconds;
};

// The forked child keeps the program: the program runs as its child, in a process group of their
// own. The keeper has the test's parent-death signal and, never executing anything, keeps it (a
// program that drops privileges loses its own). A signal to the keeper (from Stop, or the test's
// end) is handed on to the group, and 5 s later, or at the cap, the program is killed; the keeper
// then ends as the program ended. This is timeout(1)'s work, but timeout 9.1 leaves the program
// running when the signal comes just after it has started the program, before it noted which
// process that is. Here the signals are blocked before anything else, so none comes too early.
[[noreturn]] void Keep(const TKeeping& K) {
    sigprocmask(SIG_SETMASK, &K.Awaited, nullptr);
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigaction(SIGCHLD, &byDefault, nullptr); // the program's end must not be discarded
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != K.Test) _exit(127); // the test ended before the line above
    setpgid(0, 0);
    dup2(K.In, STDIN_FILENO);
    dup2(K.Out, STDOUT_FILENO);
    dup2(K.Err, STDERR_FILENO);
    close_range(3, ~0U, 0); // nothing of the test's (a port, a socket) lives on in the program
    const pid_t keeper = getpid();
    const pid_t program = _Fork(); // no fork handlers: they may take locks
    if (program < 0) _exit(127);
    if (program == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // gone with its keeper, as long as it keeps this
        if (getppid() != keeper) _exit(127);
        sigprocmask(SIG_SETMASK, &K.None, nullptr);
        execv(K.Args[0], K.Args);
        _exit(127);
    }
    timespec wait{K.CapSeconds, 0};
    enum { Running, Signalled, Killed } stage = Running;
    for (;;) {
        const int sig = sigtimedwait(&K.Awaited, nullptr, &wait);
        if (sig < 0 && errno == EINTR) continue;
        if (sig < 0) {
            // The cap, or the time given after a signal. Killed, the program is reaped below and
            // does not linger as a zombie; one that cannot even be killed takes the keeper along.
            if (stage == Killed) kill(0, SIGKILL);
            kill(program, SIGKILL);
            stage = Killed;
            wait = {60, 0};
            continue;
        }
        if (sig != SIGCHLD) {
            if (stage == Running) {
                kill(program, sig); // should it have left the group
                kill(0, sig);       // the keeper's own copy stays pending, and is taken here again
                stage = Signalled;
                wait = {5, 0};
            }
            continue;
        }
        int status = 0;
        if (waitpid(program, &status, WNOHANG) != program) continue;
        if (WIFEXITED(status)) _exit(WEXITSTATUS(status));
        // Ends by the same signal, without a core file.
        const int by = WTERMSIG(status);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        sigaction(by, &byDefault, nullptr);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, by);
        sigprocmask(SIG_UNBLOCK, &only, nullptr);
        kill(keeper, by);
        _exit(128 + by);
    }
}

// Waits until Ready() or the deadline, or until Child has ended.
bool WaitReady(TChild& Child, const std::function<bool()>& Ready, int TimeoutMs) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Ready()) {
        if (LeftMs(deadline) == 0 || !Child.Running()) return false;
        usleep(20000);
    }
    return true;
}

} // namespace

int FreeTcpPort() {
    return FreePort(SOCK_STREAM);
}
int FreeUdpPort() {
    return FreePort(SOCK_DGRAM);
}

bool Listening(int Port) {
    // The address is printed as its network-order bytes read as a number, the port as a number,
    // both in hexadecimal; state 0A is LISTEN.
    char local[32];
    std::snprintf(local, sizeof local, "%08X:%04X", static_cast<unsigned>(htonl(INADDR_LOOPBACK)),
                  static_cast<unsigned>(Port));
    std::ifstream tcp("/proc/net/tcp");
    std::string line;
    std::getline(tcp, line); // the heading
    while (std::getline(tcp, line)) {
        std::istringstream fields(line);
        std::string slot, address, remote, state;
        if (fields >> slot >> address >> remote >> state && address == local && state == "0A")
            return true;
    }
    return false;
}

std::string RequireProgram(const std::string& Path, const std::string& Package) {
    if (access(Path.c_str(), X_OK) != 0)
        throw std::runtime_error(Path + " is missing: install Debian's " + Package +
                                 " (scripts/deps.sh installs it; ./test runs that)");
    return Path;
}

TChild::TChild(const std::vector<std::string>& Argv) : TChild(Argv, TOptions{}) {}

TChild::TChild(const std::vector<std::string>& Argv, const TOptions& Options) {
    if (Argv.empty() || access(Argv[0].c_str(), X_OK) != 0)
        throw std::runtime_error("cannot run " + (Argv.empty() ? std::string() : Argv[0]));
    std::vector<std::string> argv = Argv;
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);

    int log = -1;
    if (Options.LogPath.empty()) {
        std::string name = "/tmp/corvane-child-log-XXXXXX";
        log = mkostemp(name.data(), O_CLOEXEC);
        FLogPath = name;
        FOwnLog = log >= 0;
    } else {
        FLogPath = Options.LogPath;
        log = open(FLogPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    }
    const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int out[2] = {-1, -1};
    const bool lines = Options.Output == TOutput::Lines;
    if (log < 0 || null < 0 || (lines && pipe2(out, O_CLOEXEC) != 0)) {
        const std::string error = std::strerror(errno);
        for (int fd : {log, null, out[0], out[1]})
            if (fd >= 0) close(fd);
        if (FOwnLog) unlink(FLogPath.c_str());
        throw std::runtime_error("cannot start " + Argv[0] + ": " + error);
    }
    TKeeping keeping{};
    keeping.Args = args.data();
    keeping.In = null;
    keeping.Out = lines ? out[1] : log;
    keeping.Err = log;
    keeping.Test = getpid();
    keeping.CapSeconds = Options.CapSeconds;
    sigemptyset(&keeping.None);
    sigemptyset(&keeping.Awaited);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&keeping.Awaited, sig);

    FPid = fork();
    if (FPid == 0) Keep(keeping);
    const int forkError = errno;
    close(log);
    close(null);
    if (lines) close(out[1]);
    FOut = out[0];
    if (FPid < 0) {
        if (FOut >= 0) close(FOut);
        if (FOwnLog) unlink(FLogPath.c_str());
        throw std::runtime_error("cannot start " + Argv[0] + ": " + std::strerror(forkError));
    }
    if (FOut >= 0) fcntl(FOut, F_SETFL, O_NONBLOCK);
}

TChild::~TChild() {
    Stop();
    if (FOut >= 0) close(FOut);
    if (FOwnLog) unlink(FLogPath.c_str());
}

bool TChild::ReadSome(int TimeoutMs) {
    pollfd p{FOut, POLLIN, 0};
    if (FOut < 0 || poll(&p, 1, TimeoutMs) <= 0) return false;
    char buf[65536];
    const ssize_t n = read(FOut, buf, sizeof buf);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return false;
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

bool TChild::ReadFor(int TimeoutMs) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    while (FOut >= 0 && LeftMs(deadline) > 0) ReadSome(LeftMs(deadline));
    return FOut >= 0;
}

void TChild::Stop() {
    if (FPid <= 0 || WaitExit(0) >= 0) return;
    // The keeper hands SIGTERM on to the program and kills it 5 s later if it is still there.
    kill(FPid, SIGTERM);
    if (WaitExit(15000) >= 0) return;
    kill(-FPid, SIGKILL); // not reaped yet, so the group is still this child's
    WaitExit(60000);
}

int TChild::WaitExit(int TimeoutMs) {
    if (FStatus >= 0 || FPid <= 0) return FStatus;
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        siginfo_t ended{};
        if (waitid(P_PID, static_cast<id_t>(FPid), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            ended.si_pid == FPid) {
            // Whatever the program left in its group goes too. Not reaped yet, the keeper's
            // number still holds the group, so no other process is hit.
            kill(-FPid, SIGKILL);
            int status = 0;
            waitpid(FPid, &status, 0);
            FStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            while (ReadSome(0)) {
            }
            return FStatus;
        }
        if (LeftMs(deadline) == 0) return -1;
        if (!ReadSome(std::min(LeftMs(deadline), 20))) usleep(10000);
    }
}

std::string TChild::Log() const {
    return FileText(FLogPath);
}

TSer2net::TSer2net(const std::string& Device, int Port)
    : FDevice(Device), FDir(TempDir("ser2net")), FPort(Port > 0 ? Port : FreeTcpPort()) {
    try {
        Start();
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove_all(FDir, ec);
        throw;
    }
}

TSer2net::~TSer2net() {
    Stop();
    std::error_code ec;
    std::filesystem::remove_all(FDir, ec);
}

bool TSer2net::Ready() {
    return FChild && FChild->Running() && Listening(FPort);
}

void TSer2net::Start() {
    Stop();
    // Raw TCP on loopback only; no UUCP lock files, no control port; a new client takes the line.
    std::ofstream(FDir + "/ser2net.yaml")
        << "%YAML 1.1\n"
        << "---\n"
        << "connection: &corvane\n"
        << "    accepter: tcp,127.0.0.1," << FPort << "\n"
        << "    connector: serialdev," << FDevice << ",38400n81,local\n"
        << "    options:\n"
        << "        kickolduser: true\n";
    // -d: in the foreground, logging to standard output, which goes to the log.
    FChild = std::make_unique<TChild>(
        std::vector<std::string>{RequireProgram("/usr/sbin/ser2net", "ser2net"), "-d", "-u", "-c",
                                 FDir + "/ser2net.yaml"},
        TChild::TOptions{.Output = TChild::TOutput::Log, .LogPath = FDir + "/ser2net.log"});
    if (!WaitReady(
            *FChild, [this] { return Listening(FPort); }, 10000)) {
        const std::string log = Log();
        FChild.reset();
        throw std::runtime_error("ser2net did not listen on 127.0.0.1:" + std::to_string(FPort) +
                                 ": " + log);
    }
}

std::string TSer2net::Log() const {
    return FileText(FDir + "/ser2net.log");
}

TGpsd::TGpsd(const std::string& Source) : FDir(TempDir("gpsd")), FPort(FreeTcpPort()) {
    try {
        FGpsd = std::make_unique<TChild>(
            std::vector<std::string>{RequireProgram("/usr/sbin/gpsd", "gpsd"), "-N", "-n", "-b",
                                     "-S", std::to_string(FPort), "-F", FDir + "/gpsd.sock",
                                     Source},
            TChild::TOptions{.Output = TChild::TOutput::Log, .LogPath = FDir + "/gpsd.log"});
        if (!WaitReady(
                *FGpsd, [this] { return Listening(FPort); }, 10000))
            throw std::runtime_error("gpsd did not listen on 127.0.0.1:" + std::to_string(FPort));
        FPipe = std::make_unique<TChild>(
            std::vector<std::string>{RequireProgram("/usr/bin/gpspipe", "gpsd-clients"), "-w",
                                     "127.0.0.1:" + std::to_string(FPort)},
            TChild::TOptions{.Output = TChild::TOutput::Lines, .LogPath = FDir + "/gpspipe.log"});
        // gpsd answers the watch gpspipe asks for: from here on, it reports to it.
        if (!FPipe->WaitLine(
                [](const std::string& L) {
                    return L.find("\"class\":\"WATCH\"") != std::string::npos;
                },
                10000))
            throw std::runtime_error("gpspipe does not watch gpsd");
    } catch (const std::exception& e) {
        const std::string log = Log();
        FPipe.reset();
        FGpsd.reset();
        std::error_code ec;
        std::filesystem::remove_all(FDir, ec);
        throw std::runtime_error(e.what() + std::string("\n") + log);
    }
    FReader = std::thread([this] { Read(); });
}

TGpsd::~TGpsd() {
    FQuit = true;
    FReader.join();
    FPipe.reset();
    FGpsd.reset();
    std::error_code ec;
    std::filesystem::remove_all(FDir, ec);
}

// Takes gpspipe's lines as they come; the only reader of FPipe while it runs.
void TGpsd::Read() {
    static const std::regex report("\"type\":([0-9]+),.*\"mmsi\":([0-9]+)");
    std::size_t next = 0;
    bool open = true;
    while (open && !FQuit) {
        open = FPipe->ReadFor(100);
        const std::vector<std::string>& lines = FPipe->Lines();
        std::lock_guard<std::mutex> lock(FMutex);
        for (; next < lines.size(); ++next) {
            std::smatch m;
            if (lines[next].find("\"class\":\"AIS\"") == std::string::npos ||
                !std::regex_search(lines[next], m, report))
                continue;
            const long mmsi = std::stol(m[2]);
            FAis.Mmsis.insert(mmsi);
            if (m[1] == "5") FAis.StaticMmsis.insert(mmsi);
        }
        FEnded = !open;
        FChanged.notify_all();
    }
}

TGpsd::TAis TGpsd::WaitAis(const std::function<bool(const TAis&)>& Done, int TimeoutMs) {
    std::unique_lock<std::mutex> lock(FMutex);
    FChanged.wait_for(lock, std::chrono::milliseconds(TimeoutMs),
                      [&] { return FEnded || Done(FAis); });
    return FAis;
}

std::set<long> TGpsd::AisMmsis(const std::set<long>& Wanted, int TimeoutMs) {
    return WaitAis(
               [&](const TAis& A) {
                   for (long w : Wanted)
                       if (!A.Mmsis.count(w)) return false;
                   return true;
               },
               TimeoutMs)
        .Mmsis;
}

std::string TGpsd::Log() const {
    return "gpsd:\n" + FileText(FDir + "/gpsd.log") + "gpspipe:\n" +
           FileText(FDir + "/gpspipe.log");
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

namespace {

// The value of a payload character, or -1 for one outside the armouring ('0' to 'W', '`' to 'w').
int SixBits(char C) {
    const int c = static_cast<unsigned char>(C);
    if (c >= '0' && c <= 'W') return c - '0';
    if (c >= '`' && c <= 'w') return c - '0' - 8;
    return -1;
}

// The first Count characters' bits, or -1 when there are fewer or one is not a payload character.
long long LeadingBits(const std::string& Payload, std::size_t Count) {
    if (Payload.size() < Count) return -1;
    long long bits = 0;
    for (std::size_t k = 0; k < Count; ++k) {
        const int v = SixBits(Payload[k]);
        if (v < 0) return -1;
        bits = bits << 6 | v;
    }
    return bits;
}

} // namespace

int PayloadType(const std::string& Payload) {
    const long long bits = LeadingBits(Payload, 1);
    return bits < 0 ? 0 : static_cast<int>(bits);
}

long PayloadMmsi(const std::string& Payload) {
    const long long bits = LeadingBits(Payload, 7); // 42 bits, of which 8 to 37 are the MMSI
    return bits < 0 ? 0 : static_cast<long>(bits >> 4 & 0x3FFFFFFF);
}
