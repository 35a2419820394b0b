// The built corvane-sim as the tool meets it: started as a process, found through the port
// directory by its number, talked to over its pseudo-terminal, stopped by a signal.

#include "tests/serial/CommFixture.h"
#include "nmea/Framing.h"
#include "serial/PortNames.h"
#include "serial/VaCapture.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <regex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& Path) {
    struct stat st {};
    return lstat(Path.c_str(), &st) == 0;
}

class TSimProcess {
public:
    explicit TSimProcess(const std::vector<std::string>& Args, const std::string& LogFile) {
        int out[2];
        if (pipe(out) != 0) return;
        FPid = fork();
        if (FPid == 0) {
            dup2(out[1], 1);
            const int log = open(LogFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (log >= 0) dup2(log, 2);
            close(out[0]);
            std::vector<char*> argv;
            static std::string binary = CORVANE_BINARY_DIR "/tools/sim/corvane-sim";
            argv.push_back(binary.data());
            for (const auto& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        FOut = out[0];
    }
    ~TSimProcess() {
        if (FPid > 0 && !FExited) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
        if (FOut >= 0) close(FOut);
    }

    // The first line on stdout, or empty after TimeoutMs.
    std::string FirstLine(int TimeoutMs = 5000) {
        std::string line;
        const auto end = Clock::now() + std::chrono::milliseconds(TimeoutMs);
        while (Clock::now() < end) {
            pollfd p{FOut, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            char c;
            if (read(FOut, &c, 1) != 1) break;
            if (c == '\n') return line;
            line += c;
        }
        return {};
    }

    // Exit status, or -1 when the process is still running after TimeoutMs.
    int Wait(int TimeoutMs) {
        const auto end = Clock::now() + std::chrono::milliseconds(TimeoutMs);
        while (Clock::now() < end) {
            int status = 0;
            if (waitpid(FPid, &status, WNOHANG) == FPid) {
                FExited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(5000);
        }
        return -1;
    }
    void Signal(int Sig) { kill(FPid, Sig); }

private:
    pid_t FPid = -1;
    int FOut = -1;
    bool FExited = false;
};

// The tool's side of the line: the project's serial component on the port number and the
// message capture cutting sentences at CR LF, with the test's thread as the user-interface
// thread.
class TToolPort {
public:
    explicit TToolPort(int PortNum) {
        Comm.SetSynchronizer(&Ui.Queue);
        ConfigureStd(Comm);
        Comm.SetPortNum(PortNum);
        Capture.SetDataFinish("\r\n");
        Capture.SetOnMessage([this](TVaCapture&, const std::string& Data) {
            std::string s = Data;
            while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.pop_back();
            FLines.push_back(s);
        });
        Capture.SetComm(&Comm);
    }
    void Send(const std::string& Body) { ASSERT_TRUE(Comm.WriteText(FrameNMEA(Body))); }
    // Pumps the port until Done accepts a received sentence or TimeoutMs pass.
    template <class F> bool ReadUntil(F&& Done, int TimeoutMs = 3000) {
        bool done = false;
        Ui.PumpUntil(
            [&] {
                while (!done && !FLines.empty()) {
                    done = Done(FLines.front());
                    FLines.pop_front();
                }
                return done;
            },
            TimeoutMs);
        return done;
    }
    std::string Reply(const std::string& Query, const std::string& Prefix) {
        Send(Query);
        std::string found;
        ReadUntil([&](const std::string& l) {
            if (l.rfind(Prefix, 0) != 0) return false;
            found = l;
            return true;
        });
        return found;
    }

    TUiLoop Ui;
    TReportCatcher Reports;
    TVaCapture Capture;
    TVaComm Comm; // last: closed before what it uses goes

private:
    std::deque<std::string> FLines;
};

class SimProcess : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = ::testing::TempDir() + "/corvane-sim-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        Dir = tmpl;
        Ports = Dir + "/ports";
        SetTestPortDirectory(Ports);
    }
    void TearDown() override {
        SetTestPortDirectory("");
        [[maybe_unused]] const int rc = std::system(("rm -rf '" + Dir + "'").c_str());
    }
    // Starts the simulator and returns its port number from the first line.
    int Start(std::unique_ptr<TSimProcess>& P, std::vector<std::string> Args) {
        Args.insert(Args.begin(), {"--port-dir", Ports});
        P = std::make_unique<TSimProcess>(Args, Dir + "/sim.log");
        const std::string first = P->FirstLine();
        std::smatch m;
        EXPECT_TRUE(std::regex_match(first, m, std::regex("COM([0-9]+) (/dev/pts/[0-9]+)")))
            << "first line: \"" << first << "\"\n"
            << ReadFile(Dir + "/sim.log");
        if (m.empty()) return 0;
        Device = m[2];
        return std::stoi(m[1]);
    }
    std::string Dir, Ports, Device;
};

TEST_F(SimProcess, AnswersOverItsPublishedPortAndLeavesNothingBehind) {
    std::unique_ptr<TSimProcess> sim;
    const int n = Start(sim, {"--config", Dir + "/memory.txt", "--transcript",
                              Dir + "/transcript.log", "--targets", "3", "--speed", "20"});
    ASSERT_GT(n, 0);
    const std::string link = Ports + "/COM" + std::to_string(n);
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), Device);
    EXPECT_EQ(ResolveDevicePath("COM" + std::to_string(n)), link);

    TToolPort port(n);
    port.Comm.Open();
    EXPECT_EQ(port.Reply("DUAIQ,010", "$PSRT,010,,,").substr(0, 21), "$PSRT,010,,,211234560")
        << ::testing::PrintToString(port.Reports.Messages) << ReadFile(Dir + "/sim.log");
    port.Send("AISSD,DL5XYZ,SEESCHWALBE,12,3,4,5,0,AI");
    EXPECT_EQ(port.Reply("AIAIQ,SSD", "$AISSD,").substr(0, 35),
              "$AISSD,DL5XYZ@,SEESCHWALBE@@@@@@@@@");

    // At twenty times the pace, a second brings GPS, own reports and received targets.
    bool rmc = false, vdm = false, vdo = false;
    EXPECT_TRUE(port.ReadUntil([&](const std::string& l) {
        rmc = rmc || l.rfind("$GPRMC,", 0) == 0;
        vdm = vdm || l.rfind("!AIVDM,", 0) == 0;
        vdo = vdo || l.rfind("!AIVDO,", 0) == 0;
        return rmc && vdm && vdo;
    }));

    { // The number is taken while the first one lives.
        auto second = std::make_unique<TSimProcess>(
            std::vector<std::string>{"--port-dir", Ports, "--port", std::to_string(n)},
            Dir + "/second.log");
        EXPECT_EQ(second->Wait(3000), 1);
    }

    // Closed and opened again, as the tool's link watchdog does: the line still works.
    port.Comm.Close();
    port.Comm.Open();
    EXPECT_FALSE(port.Reply("DUAIQ,VSD", "$AIVSD,").empty());
    port.Comm.Close();
    EXPECT_TRUE(port.Reports.Messages.empty());

    sim->Signal(SIGTERM);
    EXPECT_EQ(sim->Wait(3000), 0);
    EXPECT_FALSE(Exists(link)) << "the published link goes with the simulator";
    EXPECT_FALSE(Exists(link + ".lock"));
    EXPECT_NE(ReadFile(Dir + "/memory.txt").find("name = SEESCHWALBE\n"), std::string::npos);
    const std::string transcript = ReadFile(Dir + "/transcript.log");
    EXPECT_TRUE(std::regex_search(transcript, std::regex("(^|\n)[0-9]{13} DUAIQ,010\n")));
    EXPECT_NE(transcript.find(" AISSD,DL5XYZ,SEESCHWALBE,12,3,4,5,0,AI\n"), std::string::npos);
}

TEST_F(SimProcess, UnplugClosesTheLineAndWithdrawsThePort) {
    std::unique_ptr<TSimProcess> sim;
    const int n = Start(sim, {"--port", "42", "--no-traffic", "--unplug-after", "0.8"});
    ASSERT_EQ(n, 42);
    TToolPort port(42);
    port.Comm.Open();
    EXPECT_FALSE(port.Reply("DUAIQ,ALM", "$PSRT,ALM,").empty());

    EXPECT_EQ(sim->Wait(3000), 0);
    EXPECT_FALSE(Exists(Ports + "/COM42"));
    // The cable is out: the watchdog's reopening fails.
    port.Comm.Close();
    EXPECT_NE(CommErrorOf([&] { port.Comm.Open(); }), "<none>");
}

TEST_F(SimProcess, RunsOnAGivenDevice) {
    // A pseudo-terminal of the test's own stands for the real serial port.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    auto sim = std::make_unique<TSimProcess>(
        std::vector<std::string>{"--device", slave, "--no-traffic"}, Dir + "/sim.log");
    EXPECT_EQ(sim->FirstLine(), "COM0 " + slave);
    const std::string q = FrameNMEA("DUAIQ,SER");
    ASSERT_EQ(write(master, q.data(), q.size()), static_cast<ssize_t>(q.size()));
    std::string got;
    const auto end = Clock::now() + std::chrono::seconds(3);
    while (got.find("\r\n") == std::string::npos && Clock::now() < end) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        char buf[256];
        const ssize_t r = read(master, buf, sizeof buf);
        if (r > 0) got.append(buf, static_cast<std::size_t>(r));
    }
    EXPECT_EQ(got, FrameNMEA("PSRT,SER,,,0D36"));
    sim->Signal(SIGINT);
    EXPECT_EQ(sim->Wait(3000), 0);
    close(master);
}

TEST_F(SimProcess, AnUnknownFaultStopsTheStartAndNamesTheValidOnes) {
    TSimProcess sim({"--port-dir", Ports, "--fault", "no-gps"}, Dir + "/sim.log");
    EXPECT_EQ(sim.Wait(3000), 2) << "as any other bad option";
    const std::string log = ReadFile(Dir + "/sim.log");
    EXPECT_NE(log.find("no-gps"), std::string::npos) << log;
    EXPECT_NE(log.find("no-fix, low-voltage"), std::string::npos) << log;
    EXPECT_FALSE(Exists(Ports + "/COM1"));
}

} // namespace
