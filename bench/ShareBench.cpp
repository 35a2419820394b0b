// The shares through the real window: sentences a second delivered to 1, 10 and 100 TCP
// clients on a full line, whether any was lost, and the latency the sharing adds from the
// port's delivery of a chunk to a client's receipt of each sentence in it.
//
//   bench_share [--clients 1,10,100] [--seconds S] [--rate LINES]
//
// For each client count N: a fresh window (shown) with a share tcp:127.0.0.1:0, N clients on
// loopback read by one thread of their own, and corvane-sim --flood on a pseudo-terminal in a
// private port directory: the line is full (3840 bytes/s, 38400 bit/s; about 75 sentences a
// second). The window connects; then for S seconds (10 by default) every sentence the port
// delivers is stamped (a client of the port placed before the window's own capture, so the
// window's handling of the chunk counts as added latency) and every sentence a client reads is
// stamped on receipt (steady clock, one process). Disconnect; the clients catch up; each
// client's sentences are compared with the port's, line for line.
//
// --rate LINES: also the hub without a line or window, fed LINES sentences a second from the
// caller's thread for S seconds: its headroom beyond the serial line (0 to skip; default
// 2000).
//
// Run under a real X server and offscreen:
//   xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb bench/bench_share
//   QT_QPA_PLATFORM=offscreen bench/bench_share

#include "app/FormMain.h"
#include "app/QtSync.h"
#include "app/UnitReset.h"
#include "control/UnitStatic.h"
#include "serial/PortNames.h"
#include "serial/VaClient.h"
#include "share/ShareHub.h"
#include "tests/window/SimProcess.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

struct TStamped {
    std::string Line;
    TClock::time_point At;
};

// Every line the port delivers, stamped when its chunk arrives.
class TStampTap final : public TVaCommComponent {
public:
    void HandleCommData(PVaData Data, int Count) override {
        const auto now = TClock::now();
        FPending.append(reinterpret_cast<const char*>(Data), static_cast<std::size_t>(Count));
        for (std::size_t nl; (nl = FPending.find('\n')) != std::string::npos;) {
            std::string line = FPending.substr(0, nl);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            FPending.erase(0, nl + 1);
            if (!line.empty()) Lines.push_back({std::move(line), now});
        }
    }
    std::vector<TStamped> Lines;

private:
    std::string FPending;
};

// N loopback clients read by one thread. It keeps no text, only what a comparison needs: the
// receipt time of each line and a hash of the bytes, so that the reader itself is not what
// falls behind at the rates measured.
class TClients {
public:
    struct TClient {
        std::vector<TClock::time_point> At; // line i's receipt
        std::uint64_t Hash = kFnvStart;
        bool Closed = false;
    };
    static constexpr std::uint64_t kFnvStart = 14695981039346656037ull;

    TClients(int Port, int N) : FClients(static_cast<std::size_t>(N)) {
        for (int i = 0; i < N; ++i) {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(static_cast<std::uint16_t>(Port));
            if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
                throw std::runtime_error("a client could not connect");
            fcntl(fd, F_SETFL, O_NONBLOCK);
            FFds.push_back(fd);
        }
        for (TClient& c : FClients) c.At.reserve(1 << 20);
        FThread = std::thread([this] { Run(); });
    }
    ~TClients() {
        FStop = true;
        FThread.join();
        for (int fd : FFds) close(fd);
    }
    std::size_t Lines(std::size_t Client) {
        std::lock_guard<std::mutex> lock(FMutex);
        return FClients[Client].At.size();
    }
    std::vector<TClient> Take() {
        std::lock_guard<std::mutex> lock(FMutex);
        return FClients;
    }

    static std::uint64_t Hash(std::uint64_t H, const char* Data, std::size_t Count) {
        for (std::size_t i = 0; i < Count; ++i)
            H = (H ^ static_cast<unsigned char>(Data[i])) * 1099511628211ull;
        return H;
    }

private:
    void Run() {
        std::vector<pollfd> p;
        for (int fd : FFds) p.push_back({fd, POLLIN, 0});
        static char buf[1 << 16];
        while (!FStop) {
            if (poll(p.data(), p.size(), 50) <= 0) continue;
            const auto now = TClock::now();
            std::lock_guard<std::mutex> lock(FMutex);
            for (std::size_t i = 0; i < p.size(); ++i) {
                if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                const ssize_t n = read(p[i].fd, buf, sizeof buf);
                TClient& c = FClients[i];
                if (n <= 0) {
                    p[i].fd = -1; // closed: whatever it missed counts as lost
                    c.Closed = true;
                    continue;
                }
                c.Hash = Hash(c.Hash, buf, static_cast<std::size_t>(n));
                for (ssize_t k = 0; k < n; ++k)
                    if (buf[k] == '\n') c.At.push_back(now);
            }
        }
    }

    std::vector<int> FFds;
    std::mutex FMutex;
    std::vector<TClient> FClients;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

void RunLoop(int Ms) {
    QEventLoop loop;
    QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
    loop.exec();
}

template <class P> bool RunUntil(P Done, int Ms) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(Ms);
    while (!Done()) {
        if (TClock::now() > deadline) return false;
        RunLoop(20);
    }
    return true;
}

int SharePort(const TShareHub& Hub) {
    const std::string where = Hub.Status().at(0).Where;
    return std::atoi(where.c_str() + where.rfind(':') + 1);
}

double Ms(TClock::duration D) {
    return std::chrono::duration<double, std::milli>(D).count();
}

struct TResult {
    double Rate = 0;
    std::size_t Sent = 0, Lost = 0, Clients = 0;
    double Median = 0, P99 = 0, Max = 0;
};

// Each client must have had every line the reference has, byte for byte (CR LF ended): then
// line i arrived at At[i]. A client that was let go, or whose bytes differ, lost what it lacks.
TResult Judge(const std::vector<TStamped>& Sent, const std::vector<TClients::TClient>& Got,
              double Seconds) {
    TResult r;
    r.Sent = Sent.size();
    r.Clients = Got.size();
    r.Rate = static_cast<double>(Sent.size()) / Seconds;
    std::uint64_t hash = TClients::kFnvStart;
    for (const TStamped& s : Sent) {
        const std::string framed = s.Line + "\r\n";
        hash = TClients::Hash(hash, framed.data(), framed.size());
    }
    std::vector<double> delays;
    for (const TClients::TClient& c : Got) {
        const bool whole = c.At.size() == Sent.size() && c.Hash == hash;
        r.Lost += whole ? 0 : Sent.size() - std::min(Sent.size(), c.At.size());
        if (!whole && c.At.size() >= Sent.size()) ++r.Lost; // same count, other bytes
        for (std::size_t i = 0; i < std::min(Sent.size(), c.At.size()); ++i)
            delays.push_back(Ms(c.At[i] - Sent[i].At));
    }
    if (!delays.empty()) {
        std::sort(delays.begin(), delays.end());
        r.Median = delays[delays.size() / 2];
        r.P99 = delays[std::min(delays.size() - 1, delays.size() * 99 / 100)];
        r.Max = delays.back();
    }
    return r;
}

TResult WindowRun(const std::string& PortDir, int Clients, int Seconds) {
    TSimProcess sim(PortDir, {"--flood", "--targets", "200"});
    TShareHub hub;
    TShareSpec spec;
    std::string error;
    ParseShareSpec("tcp:127.0.0.1:0", spec, error);
    hub.Add(spec);
    TFormMain form;
    TFormReset reset(&form);
    form.SetFormReset(&reset);
    // The stamp comes first, before the share's tap and the window's own capture.
    TStampTap stamp;
    form.VaCapture_Std.SetComm(nullptr);
    stamp.SetComm(&form.VaComm_Std);
    form.VaCapture_Std.SetComm(&form.VaComm_Std);
    form.SetShareHub(&hub);
    if (!hub.Start(0, error)) throw std::runtime_error(error);
    form.show();
    TClients clients(SharePort(hub), Clients);
    RunLoop(200);

    form.BitBtn_Connect->click();
    if (!RunUntil(
            [&] {
                return form.Panel_Connect->text() == "Connected" && form.UnitStatic->ScanStep == 0;
            },
            30000))
        throw std::runtime_error("Connect failed");
    RunLoop(Seconds * 1000);
    form.BitBtn_Disc->click();
    const std::size_t delivered = stamp.Lines.size();
    RunUntil([&] { return clients.Lines(0) >= delivered; }, 3000);
    RunLoop(200);
    TResult r = Judge(stamp.Lines, clients.Take(), Seconds);
    stamp.SetComm(nullptr);
    return r;
}

// The hub alone, fed from this thread at Rate sentences a second.
TResult HubRun(int Clients, int Seconds, int Rate) {
    TShareHub hub;
    TShareSpec spec;
    std::string error;
    ParseShareSpec("tcp:127.0.0.1:0", spec, error);
    hub.Add(spec);
    if (!hub.Start(0, error)) throw std::runtime_error(error);
    TClients clients(SharePort(hub), Clients);
    RunUntil([&] { return hub.Status().at(0).Clients == Clients; }, 5000);
    std::vector<TStamped> sent;
    const auto start = TClock::now();
    const auto step = std::chrono::nanoseconds(1000000000LL / Rate);
    for (long i = 0; i < static_cast<long>(Rate) * Seconds; ++i) {
        std::this_thread::sleep_until(start + i * step);
        char line[96];
        std::snprintf(line, sizeof line, "!AIVDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D,0*%02lX",
                      i % 256);
        std::string text = std::string(line) + std::to_string(i);
        const auto now = TClock::now();
        const std::string framed = text + "\r\n";
        hub.Feed(reinterpret_cast<const std::uint8_t*>(framed.data()), framed.size());
        sent.push_back({text, now});
    }
    RunUntil([&] { return clients.Lines(0) >= sent.size(); }, 5000);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return Judge(sent, clients.Take(), Seconds);
}

void Print(const char* What, int Clients, const TResult& R) {
    std::printf("| %-22s | %7d | %11.1f | %6zu | %5zu | %6.2f | %6.2f | %6.2f |\n", What, Clients,
                R.Rate, R.Sent, R.Lost, R.Median, R.P99, R.Max);
    std::fflush(stdout);
}

std::vector<int> IntList(const char* S) {
    std::vector<int> v;
    for (const char* p = S; *p;) {
        v.push_back(std::atoi(p));
        p = std::strchr(p, ',');
        if (p == nullptr) break;
        ++p;
    }
    return v;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<int> counts = {1, 10, 100};
    int seconds = 10, rate = 2000;
    for (int a = 1; a < argc; ++a) {
        const bool value = a + 1 < argc;
        if (std::strcmp(argv[a], "--clients") == 0 && value)
            counts = IntList(argv[++a]);
        else if (std::strcmp(argv[a], "--seconds") == 0 && value)
            seconds = std::max(1, std::atoi(argv[++a]));
        else if (std::strcmp(argv[a], "--rate") == 0 && value)
            rate = std::max(0, std::atoi(argv[++a]));
        else {
            std::fprintf(stderr, "usage: bench_share [--clients 1,10,100] [--seconds S] "
                                 "[--rate LINES]\n");
            return 2;
        }
    }
    TQtSyncPump pump;
    char dir[] = "/tmp/corvane-ports-bench-XXXXXX";
    const std::string portDir = mkdtemp(dir);
    SetTestPortDirectory(portDir);
    int boxes = 0;
    SetMessageBoxHandler([&boxes](const TMessageBox& Box) {
        ++boxes;
        std::fprintf(stderr, "box: %s\n", Box.Text.toStdString().c_str());
        return TMsgResult::Ok;
    });
    std::printf("platform %s, %d s a run\n\n", qPrintable(QGuiApplication::platformName()),
                seconds);
    std::printf("| %-22s | %7s | %11s | %6s | %5s | %6s | %6s | %6s |\n", "path", "clients",
                "sentences/s", "sent", "lost", "median", "p99 ms", "max ms");
    int status = 0;
    try {
        for (int n : counts) Print("window, flooded line", n, WindowRun(portDir, n, seconds));
        if (rate > 0)
            for (int n : counts) Print("hub alone", n, HubRun(n, seconds, rate));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_share: %s\n", e.what());
        status = 1;
    }
    std::printf("\nmessage boxes: %d\n", boxes);
    std::filesystem::remove_all(portDir);
    return status;
}
