// The peers themselves: children that never outlive the test, ser2net that is ready without a
// connection and comes back on its port, a missing program named with its package, and the
// MMSI read from a payload as gpsdecode reads it.

#include "Peers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// Generous: only a hang ever reaches it.
constexpr int kHangGuardMs = 30000;

bool WaitFor(const std::function<bool()>& Done, int Ms = kHangGuardMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    while (!Done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A file's text, or what could be read of it: a process's file under /proc fails to read once
// the process has gone.
std::string FileText(const std::string& Path) {
    std::string text;
    const int fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

// The command line of a process that has not ended (a zombie has ended), empty otherwise.
std::string LiveCommand(pid_t Pid) {
    const std::string proc = "/proc/" + std::to_string(Pid);
    const std::string stat = FileText(proc + "/stat");
    const auto name = stat.rfind(')'); // the state follows the name
    if (name == std::string::npos || stat.compare(name, 3, ") Z") == 0) return {};
    std::string command = FileText(proc + "/cmdline");
    for (char& c : command)
        if (c == '\0') c = ' ';
    return command;
}

class TScratchDir {
public:
    TScratchDir() {
        char dir[] = "/tmp/corvane-peers-test-XXXXXX";
        if (mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp failed");
        Path = dir;
    }
    ~TScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    std::string Path;
};

TEST(Child, ItsStatusOutputAndLogAreTheProgramsOwn) {
    const struct {
        std::string Script;
        int Status;
        Strings Lines;
        std::string Log;
    } cases[] = {
        {"exit 0", 0, {}, ""},
        {"echo one; echo two; exit 3", 3, {"one", "two"}, ""},
        {"echo said >&2; kill -USR1 $$", 128 + SIGUSR1, {}, "said\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Script);
        TChild child({"/bin/sh", "-c", c.Script});
        EXPECT_EQ(child.WaitExit(kHangGuardMs), c.Status);
        EXPECT_EQ(child.Lines(), c.Lines);
        EXPECT_EQ(child.Log(), c.Log);
        EXPECT_FALSE(child.Running());
    }
}

// The test process is killed outright (as a timed-out test is): its child still goes, also
// when it has dropped privileges, which clears a parent-death signal of its own.
TEST(Child, GoesWhenTheTestProcessIsKilled) {
    struct TCase {
        std::string Program, Uid;
    };
    std::vector<TCase> cases = {{"sleep 299", std::to_string(getuid())}};
    if (getuid() == 0)
        cases.push_back({"setpriv --reuid=65534 --regid=65534 --clear-groups sleep 299", "65534"});
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Program);
        TScratchDir dir;
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t test = fork();
        ASSERT_GE(test, 0);
        if (test == 0) {
            // The stand-in for a test process: it starts the child, says which process runs the
            // program, and waits to be killed. gtest's own process has no other thread here.
            try {
                TChild child({"/bin/sh", "-c", "echo $$; exec " + c.Program},
                             {.Output = TChild::TOutput::Lines, .LogPath = dir.Path + "/log"});
                if (child.WaitLine([](const std::string& L) { return !L.empty(); }, 10000)) {
                    const std::string line = child.Lines().front() + "\n";
                    if (write(report[1], line.data(), line.size()) < 0) _exit(1);
                }
                for (;;) pause();
            } catch (...) {
            }
            _exit(1);
        }
        close(report[1]);
        std::string said;
        char buf[64];
        pollfd p{report[0], POLLIN, 0};
        while (said.find('\n') == std::string::npos && poll(&p, 1, kHangGuardMs) > 0) {
            const ssize_t n = read(report[0], buf, sizeof buf);
            if (n <= 0) break;
            said.append(buf, static_cast<std::size_t>(n));
        }
        close(report[0]);
        const pid_t program = std::atoi(said.c_str());
        const bool running =
            program > 0 && WaitFor([&] { return LiveCommand(program) == "sleep 299 "; });
        const std::string uid = FileText("/proc/" + std::to_string(program) + "/status");
        kill(test, SIGKILL);
        waitpid(test, nullptr, 0);
        ASSERT_TRUE(running) << said << FileText(dir.Path + "/log");
        EXPECT_NE(uid.find("\nUid:\t" + c.Uid + "\t"), std::string::npos) << uid;

        EXPECT_TRUE(WaitFor([&] { return LiveCommand(program).empty(); }))
            << "the program outlived the test process: " << LiveCommand(program);
        if (!LiveCommand(program).empty()) kill(program, SIGKILL);
    }
}

TEST(Child, StopEndsAProgramThatIgnoresTerm) {
    TChild child({"/bin/sh", "-c", "trap '' TERM; echo $$; exec sleep 299"});
    ASSERT_TRUE(child.WaitLine([](const std::string& L) { return !L.empty(); }, kHangGuardMs))
        << child.Log();
    const pid_t program = std::atoi(child.Lines().front().c_str());
    ASSERT_TRUE(WaitFor([&] { return LiveCommand(program) == "sleep 299 "; }));
    child.Stop();
    EXPECT_FALSE(child.Running());
    EXPECT_EQ(LiveCommand(program), "");
}

TEST(Peers, AMissingProgramFailsTheTestNamingItsPackage) {
    try {
        RequireProgram("/usr/sbin/corvane-no-such-program", "corvane-no-such-package");
        ADD_FAILURE() << "no failure";
    } catch (const std::runtime_error& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("/usr/sbin/corvane-no-such-program is missing"), std::string::npos);
        EXPECT_NE(what.find("install Debian's corvane-no-such-package"), std::string::npos);
        EXPECT_NE(what.find("scripts/deps.sh installs it"), std::string::npos) << what;
    }
    EXPECT_EQ(RequireProgram("/bin/sh", "dash"), "/bin/sh");
    EXPECT_THROW(TChild({"/usr/sbin/corvane-no-such-program"}), std::runtime_error);
}

// A pseudo-terminal standing in for a serial line: the test holds the master.
class TLine {
public:
    TLine() {
        FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (FMaster < 0 || grantpt(FMaster) != 0 || unlockpt(FMaster) != 0)
            throw std::runtime_error("no pseudo-terminal");
        Device = ptsname(FMaster);
    }
    ~TLine() { close(FMaster); }
    TLine(const TLine&) = delete;
    TLine& operator=(const TLine&) = delete;

    // The line's speed, as whoever opens the device last has set it.
    speed_t Speed() const {
        termios t{};
        tcgetattr(FMaster, &t);
        return cfgetospeed(&t);
    }
    void SetSpeed(speed_t Speed) {
        termios t{};
        tcgetattr(FMaster, &t);
        cfsetspeed(&t, Speed);
        tcsetattr(FMaster, TCSANOW, &t);
    }
    bool Send(const std::string& Bytes) {
        return write(FMaster, Bytes.data(), Bytes.size()) == static_cast<ssize_t>(Bytes.size());
    }
    std::string Device;

private:
    int FMaster = -1;
};

// Ready means listening, found without a connection: the line stays closed until a client
// comes. Stopped, the server and its client are gone; started again, it is back on its port.
TEST(Ser2net, IsReadyWithoutOpeningItsLineAndComesBackOnTheSamePort) {
    TLine line;
    line.SetSpeed(B9600); // ser2net sets 38400 when it opens the line
    ASSERT_EQ(line.Speed(), B9600);
    TSer2net server(line.Device);
    const int port = server.Port();
    ASSERT_TRUE(server.Ready()) << server.Log();
    EXPECT_TRUE(Listening(port));
    EXPECT_EQ(line.Speed(), B9600) << "ser2net opened the line before any client came";

    const auto oneLine = [](const Strings& L) { return !L.empty(); };
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        TLineClient client(port);
        ASSERT_TRUE(client.Connected());
        ASSERT_TRUE(WaitFor([&] { return line.Speed() == B38400; })) << server.Log();
        // The line is open once its speed is set; what comes on it goes to the client.
        const std::string sentence = "$GPTXT,01,01,02,ROUND " + std::to_string(round) + "*00\r\n";
        ASSERT_TRUE(line.Send(sentence));
        ASSERT_TRUE(client.ReadUntil(oneLine, kHangGuardMs)) << server.Log();
        EXPECT_EQ(client.Lines(), Strings{sentence});

        server.Stop();
        EXPECT_FALSE(server.Ready());
        EXPECT_FALSE(Listening(port));
        EXPECT_TRUE(client.Closed(kHangGuardMs));
        EXPECT_FALSE(TLineClient(port).Connected());

        line.SetSpeed(B9600);
        server.Start();
        EXPECT_EQ(server.Port(), port);
        ASSERT_TRUE(server.Ready()) << server.Log();
        EXPECT_EQ(line.Speed(), B9600);
    }
}

// Payloads of the corpus, with the values gpsdecode prints for them, and payloads that carry
// no MMSI.
TEST(Payload, TypeAndMmsiAreReadAsGpsdecodeReadsThem) {
    const struct {
        std::string Payload;
        int Type;
        long Mmsi;
    } cases[] = {
        {"13aDp<PP000IwSlN?Wm@0?wN2<1T", 1, 244660274},
        {"339FEj5P00PIwujN?fQv4?wPRD5:", 3, 211129800},
        {"B3`eLE00006R0J7Si`WQ3wP1jDkr", 18, 244014164},
        {"55R3Vn82=ILTQ3KKS>1<D60Dq@E918U<F222221J1`?164vc03S1CCAD", 5, 371255000},
        {"", 0, 0},
        {"13aDp<", 1, 0},        // too short for an MMSI
        {"13aDp<XP000Iw", 1, 0}, // 'X' is outside the armouring
        {"x3aDp<PP000Iw", 0, 0}, // and so is 'x'
        {"1\x7f"
         "aDp<PP000",
         1, 0}, // and a control character
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Payload);
        EXPECT_EQ(PayloadType(c.Payload), c.Type);
        EXPECT_EQ(PayloadMmsi(c.Payload), c.Mmsi);
    }
}

} // namespace
