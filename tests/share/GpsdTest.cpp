// Debian's gpsd as a real client of a share: it reads the transponder's AIS sentences from a
// tcp share, and from datagrams of a udp share, and reports the vessels in its own JSON.

#include "ShareTestSupport.h"
#include "share/ShareHub.h"
#include "tests/serial/SerialTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <regex>
#include <set>
#include <sys/prctl.h>
#include <sys/wait.h>

using namespace sharetest;

namespace {

const char* const kGpsd = "/usr/sbin/gpsd";

// A gpsd of the test's own, ended (and waited for) whatever way the test ends. It runs under
// timeout(1): gpsd started as root drops its privileges, which clears a parent-death signal,
// while timeout keeps it and hands the signal on; and it caps gpsd's life in any case.
class TGpsd {
public:
    TGpsd(const std::string& Dir, int ListenPort, const std::string& Source) {
        const std::string port = std::to_string(ListenPort), socket = Dir + "/gpsd.sock";
        const char* const argv[] = {"/usr/bin/timeout",
                                    "-s",
                                    "KILL",
                                    "120",
                                    kGpsd,
                                    "-N",
                                    "-n",
                                    "-b",
                                    "-S",
                                    port.c_str(),
                                    "-F",
                                    socket.c_str(),
                                    Source.c_str(),
                                    nullptr};
        FLog = Dir + "/gpsd.log";
        const pid_t parent = getpid();
        FPid = fork();
        if (FPid == 0) {
            // Only calls that are safe after fork: this process has other threads.
            prctl(PR_SET_PDEATHSIG, SIGTERM); // gone with the test, however it ends
            if (getppid() != parent) _exit(127);
            const int log = open(FLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            if (log >= 0) {
                dup2(log, 1);
                dup2(log, 2);
            }
            execv(argv[0], const_cast<char* const*>(argv));
            _exit(127);
        }
    }
    ~TGpsd() {
        if (FPid <= 0) return;
        kill(FPid, SIGTERM);
        for (int k = 0; k < 200; ++k) {
            if (waitpid(FPid, nullptr, WNOHANG) == FPid) return;
            usleep(10000);
        }
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
    }
    TGpsd(const TGpsd&) = delete;
    TGpsd& operator=(const TGpsd&) = delete;

    bool Started() const { return FPid > 0; }
    std::string Log() const {
        std::ifstream in(FLog);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    pid_t FPid = -1;
    std::string FLog;
};

// The MMSI in a payload's bits 8 to 37.
std::uint32_t PayloadMmsi(const std::string& Payload) {
    std::uint64_t bits = 0;
    for (std::size_t k = 0; k < 7; ++k) {
        int v = Payload[k] - 48;
        if (v > 40) v -= 8;
        bits = bits << 6 | static_cast<unsigned>(v);
    }
    return static_cast<std::uint32_t>(bits >> 4 & 0x3FFFFFFF); // 42 bits read, 8..37 kept
}

std::vector<std::string> Fields(const std::string& Line) {
    std::vector<std::string> f;
    std::size_t p = 0;
    for (std::size_t c; (c = Line.find(',', p)) != std::string::npos; p = c + 1)
        f.push_back(Line.substr(p, c - p));
    f.push_back(Line.substr(p));
    return f;
}

// Real sentences from the captured corpus: a class A position report, a class B one and a
// two-sentence static report (type 5), with the MMSIs they carry.
struct TSample {
    std::string Lines; // CR LF ended, as the transponder sends them
    std::set<std::uint32_t> Mmsis;
    std::uint32_t StaticMmsi = 0;
};

TSample LoadSample() {
    std::ifstream in(std::string(CORVANE_CORPUS_DIR) + "/ais/gpsd-ais-nmea.nmea");
    TSample s;
    bool haveA = false, haveB = false;
    std::string line, held;
    while (std::getline(in, line) && !(haveA && haveB && s.StaticMmsi != 0)) {
        const std::vector<std::string> f = Fields(line);
        if (f.size() < 7 || f[0] != "!AIVDM" || f[5].size() < 7) continue;
        const char type = f[5][0];
        if (f[1] == "1" && ((type == '1' && !haveA) || (type == 'B' && !haveB))) {
            (type == '1' ? haveA : haveB) = true;
            s.Lines += line + "\r\n";
            s.Mmsis.insert(PayloadMmsi(f[5]));
        } else if (f[1] == "2" && f[2] == "1" && type == '5' && s.StaticMmsi == 0) {
            held = line;
        } else if (f[1] == "2" && f[2] == "2" && !held.empty()) {
            if (Fields(held)[3] == f[3]) {
                s.Lines += held + "\r\n" + line + "\r\n";
                s.StaticMmsi = PayloadMmsi(Fields(held)[5]);
                s.Mmsis.insert(s.StaticMmsi);
            }
            held.clear();
        }
    }
    return s;
}

// A watcher on gpsd's JSON port.
class TWatcher {
public:
    explicit TWatcher(int Port) {
        WaitFor([&] {
            FClient = std::make_unique<TTcpClient>(Port);
            return FClient->Connected;
        });
        if (FClient->Connected) FClient->SendAll("?WATCH={\"enable\":true,\"json\":true};\n");
    }
    bool Connected() const { return FClient->Connected; }

    // Reads what gpsd reports for a while; the MMSIs of its AIS reports (type 5 ones apart).
    void Take(int Ms) {
        ReadUntil(
            FClient->Fd(), FClient->Received, [](const std::string&) { return false; }, Ms);
        static const std::regex mmsi("\"type\":([0-9]+),.*\"mmsi\":([0-9]+)");
        std::string& r = FClient->Received;
        for (std::size_t nl; (nl = r.find('\n')) != std::string::npos; r.erase(0, nl + 1)) {
            const std::string line = r.substr(0, nl);
            std::smatch m;
            if (line.find("\"class\":\"AIS\"") == std::string::npos ||
                !std::regex_search(line, m, mmsi))
                continue;
            const auto id = static_cast<std::uint32_t>(std::stoul(m[2]));
            Seen.insert(id);
            if (m[1] == "5") StaticSeen.insert(id);
        }
    }

    std::set<std::uint32_t> Seen, StaticSeen;

private:
    std::unique_ptr<TTcpClient> FClient;
};

// Feeds the sample round after round until gpsd has reported every vessel in it.
void FeedUntilReported(TShareHub& Hub, TWatcher& W, const TSample& S, const TGpsd& G) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangGuardMs);
    while (W.Seen != S.Mmsis || W.StaticSeen.count(S.StaticMmsi) == 0) {
        ASSERT_LT(std::chrono::steady_clock::now(), end)
            << "gpsd reported only " << W.Seen.size() << " of " << S.Mmsis.size()
            << " vessels; its log:\n"
            << G.Log();
        FeedText(Hub, S.Lines);
        W.Take(100);
    }
}

void RequireGpsd() {
    ASSERT_EQ(access(kGpsd, X_OK), 0)
        << kGpsd << " is missing: install gpsd and gpsd-clients: scripts/deps.sh";
}

TEST(ShareGpsd, ReadsATcpShare) {
    RequireGpsd();
    const TSample sample = LoadSample();
    ASSERT_EQ(sample.Mmsis.size(), 3u) << "the corpus sample is incomplete";

    TShareHub hub;
    TShareSpec spec;
    spec.Kind = TShareSpec::TKind::Tcp;
    const int i = hub.Add(spec);
    std::string err;
    ASSERT_TRUE(hub.Start(i, err)) << err;
    const int sharePort = PortOf(hub.Status()[0].Where);

    TTempDir dir;
    const int gpsdPort = FreePort(SOCK_STREAM);
    TGpsd gpsd(dir.Path(), gpsdPort, "tcp://127.0.0.1:" + std::to_string(sharePort));
    ASSERT_TRUE(gpsd.Started());
    TWatcher watcher(gpsdPort);
    ASSERT_TRUE(watcher.Connected()) << gpsd.Log();
    ASSERT_TRUE(WaitFor([&] { return hub.Status()[0].Clients == 1; })) << gpsd.Log();

    FeedUntilReported(hub, watcher, sample, gpsd);
    EXPECT_EQ(hub.Status()[0].Dropped, 0u);
}

TEST(ShareGpsd, ReadsAUdpShare) {
    RequireGpsd();
    const TSample sample = LoadSample();
    ASSERT_EQ(sample.Mmsis.size(), 3u) << "the corpus sample is incomplete";

    TTempDir dir;
    const int gpsdPort = FreePort(SOCK_STREAM);
    const int udpPort = FreePort(SOCK_DGRAM);
    TGpsd gpsd(dir.Path(), gpsdPort, "udp://127.0.0.1:" + std::to_string(udpPort));
    ASSERT_TRUE(gpsd.Started());

    TShareHub hub;
    TShareSpec spec;
    spec.Kind = TShareSpec::TKind::Udp;
    spec.Address = "127.0.0.1";
    spec.Port = udpPort;
    const int i = hub.Add(spec);
    std::string err;
    ASSERT_TRUE(hub.Start(i, err)) << err;
    TWatcher watcher(gpsdPort);
    ASSERT_TRUE(watcher.Connected()) << gpsd.Log();

    // Until gpsd has bound its port the datagrams are refused; the share goes on regardless.
    FeedUntilReported(hub, watcher, sample, gpsd);
    EXPECT_TRUE(hub.Status()[0].Running);
}

} // namespace
