// The corvane program as a boat's data hub from boot: its command line, and navigation software
// (Debian's gpsd, read through gpspipe) fed by its TCP and UDP shares with the simulator's
// targets.

#include "Peers.h"
#include "SimProcess.h"

#include <arpa/inet.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const std::string Corvane = CORVANE_BINARY_DIR "/app/corvane";
using Strings = std::vector<std::string>;

// Runs corvane where no display exists: anything that got as far as opening a window fails.
std::unique_ptr<TChild> RunWithoutDisplay(const Strings& Args) {
    Strings argv = {"/usr/bin/env",        "-u",   "DISPLAY", "-u", "WAYLAND_DISPLAY",
                    "QT_QPA_PLATFORM=xcb", Corvane};
    argv.insert(argv.end(), Args.begin(), Args.end());
    return std::make_unique<TChild>(argv);
}

// The MMSI of a single-sentence AIS position report (types 1 to 3, 18), or 0.
long PositionMmsi(const std::string& Line) {
    if (Line.rfind("!AIVDM,1,1,", 0) != 0) return 0;
    std::size_t at = 0; // the comma before the payload, the sixth field
    for (int comma = 0; comma < 5 && at != std::string::npos; ++comma) at = Line.find(',', at + 1);
    if (at == std::string::npos) return 0;
    const std::string payload = Line.substr(at + 1, Line.find(',', at + 1) - at - 1);
    const int type = PayloadType(payload);
    return (type >= 1 && type <= 3) || type == 18 ? PayloadMmsi(payload) : 0;
}

class Program : public ::testing::Test {
protected:
    Program() {
        char dir[] = "/tmp/corvane-ports-test-XXXXXX";
        PortDir = mkdtemp(dir);
    }
    ~Program() override {
        Window.reset();
        Sim.reset();
        std::filesystem::remove_all(PortDir);
    }
    std::string PortDir;
    std::unique_ptr<TSimProcess> Sim;
    std::unique_ptr<TChild> Window;
};

TEST_F(Program, HelpListsEveryOptionWithoutADisplay) {
    auto help = RunWithoutDisplay({"--help"});
    ASSERT_EQ(help->WaitExit(10000), 0) << help->Log();
    std::string text;
    for (const std::string& l : help->Lines()) text += l + "\n";
    for (const char* option :
         {"--connect", "--share tcp:[ADDRESS:]PORT", "--share udp:ADDRESS:PORT[,broadcast]",
          "--share pty[:N]", "--port N=tcp://HOST:PORT", "--help", "--version"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
}

TEST_F(Program, RefusesABadCommandLineOrAShareThatCannotStartBeforeAnyWindowOpens) {
    // A port somebody else listens on.
    const int busy = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(busy, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(busy, 1), 0);
    getsockname(busy, reinterpret_cast<sockaddr*>(&a), &len);
    const std::string taken = "tcp:127.0.0.1:" + std::to_string(ntohs(a.sin_port));

    const struct {
        Strings Args;
        std::string Error;
    } cases[] = {
        {{"--bogus"}, "corvane: unknown option --bogus"},
        {{"--share", "tcp"}, "corvane: --share tcp: "},
        {{"--share", "udp:127.0.0.1:99999"}, "corvane: --share udp:127.0.0.1:99999: "},
        {{"--port", "9=ser2net:4001"}, "corvane: --port 9=ser2net:4001: "},
        {{"--port-dir", PortDir, "--share", taken}, "corvane: cannot share " + taken + ": "},
    };
    for (const auto& c : cases) {
        auto run = RunWithoutDisplay(c.Args);
        EXPECT_EQ(run->WaitExit(10000), 2) << c.Args[0];
        const std::string err = run->Log();
        EXPECT_EQ(err.rfind(c.Error, 0), 0u) << err;
        EXPECT_EQ(err.find("display"), std::string::npos) << err;
    }
    close(busy);
}

TEST_F(Program, GpsdReadsTheSimulatorsTargetsFromTheTcpAndTheUdpShare) {
    Sim = std::make_unique<TSimProcess>(PortDir, Strings{"--speed", "10"});
    const int udp = FreeUdpPort();
    Window = std::make_unique<TChild>(Strings{Corvane, "-platform", "offscreen", "--port-dir",
                                              PortDir, "--connect", "--share", "tcp:127.0.0.1:0",
                                              "--share", "udp:127.0.0.1:" + std::to_string(udp)});
    int tcp = 0;
    ASSERT_TRUE(Window->WaitLine(
        [&](const std::string& L) {
            const std::string head = "corvane: sharing tcp:127.0.0.1:0 on 127.0.0.1:";
            if (L.rfind(head, 0) == 0) tcp = std::atoi(L.c_str() + head.size());
            return tcp > 0;
        },
        10000))
        << Window->Log();
    EXPECT_TRUE(Window->WaitLine(
        [&](const std::string& L) { return L.rfind("corvane: sharing udp:127.0.0.1:", 0) == 0; },
        1000));

    TGpsd overTcp("tcp://127.0.0.1:" + std::to_string(tcp));
    TGpsd overUdp("udp://127.0.0.1:" + std::to_string(udp));
    // What the window shares, read by a plain client too: the targets gpsd must report.
    TLineClient client(tcp);
    std::set<long> heard;
    ASSERT_TRUE(client.ReadUntil(
        [&](const Strings& Lines) {
            for (const std::string& l : Lines)
                if (const long m = PositionMmsi(l)) heard.insert(m);
            return heard.size() >= 4;
        },
        30000))
        << "the window shared no AIS targets: " << Window->Log();

    const std::set<long> tcpSeen = overTcp.AisMmsis(heard, 30000);
    const std::set<long> udpSeen = overUdp.AisMmsis(heard, 30000);
    for (long m : heard) {
        EXPECT_TRUE(tcpSeen.count(m)) << "gpsd over TCP missed " << m << "\n" << overTcp.Log();
        EXPECT_TRUE(udpSeen.count(m)) << "gpsd over UDP missed " << m << "\n" << overUdp.Log();
    }
    // None of gpsd's own talk reached the transponder.
    for (const std::string& body : Sim->Transcript())
        EXPECT_EQ(body.find("WATCH"), std::string::npos);
}

} // namespace
