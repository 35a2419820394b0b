// Ports that do not open, and settings refused while open.
#include "CommFixture.h"

#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Busy(const std::string& Path) {
    return "Can't open specified device " + Path + " (Error 16, Device or resource busy)";
}
std::string NotFound(const std::string& Path) {
    return "Specified device not found (" + Path + ").";
}

TEST_F(CommTest, AMissingPortIsNotFound) {
    Comm.SetPortNum(7);
    EXPECT_EQ(CommErrorOf([&] { Comm.Open(); }), NotFound(Dir.Link(7)));
    EXPECT_FALSE(Comm.Active());
}

TEST_F(CommTest, APortHeldElsewhereIsBusy) {
    // another port object of this program
    TVaComm other;
    other.SetSynchronizer(&Ui.Queue);
    other.SetPortNum(Port);
    other.Open();
    EXPECT_EQ(CommErrorOf([&] { Comm.Open(); }), Busy(Dir.Link(Port)));
    EXPECT_FALSE(Comm.Active());
    other.Close();

    // another program holding the device's lock, through another path to it
    const int fd = open(Pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    EXPECT_EQ(CommErrorOf([&] { Comm.Open(); }), Busy(Dir.Link(Port)));
    close(fd);
    Comm.Open();
    EXPECT_TRUE(Comm.Active());
}

TEST_F(CommTest, ASecondProcessCannotOpenAnOpenPort) {
    Comm.Open();
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        TVaComm again;
        again.SetPortNum(Port);
        const std::string msg = CommErrorOf([&] { again.Open(); });
        (void)!write(pipeFds[1], msg.data(), msg.size());
        _exit(0);
    }
    close(pipeFds[1]);
    std::string msg;
    char buf[256];
    for (ssize_t n; (n = read(pipeFds[0], buf, sizeof buf)) > 0;) msg.append(buf, n);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(msg, Busy(Dir.Link(Port)));
    EXPECT_TRUE(Comm.Active());
}

TEST_F(CommTest, OpenOnAnOpenPortIsRefusedAndThePortKeepsWorking) {
    Comm.Open();
    EXPECT_EQ(CommErrorOf([&] { Comm.Open(); }), "Can't perform this operation while port is open");
    ASSERT_TRUE(Comm.Active());
    Comm.WriteText("$PSRT,010*3A\r\n");
    EXPECT_EQ(Receive(14), "$PSRT,010*3A\r\n");
}

// Terminals that are not serial lines, and links that must not be followed.
struct TUnusableCase {
    const char* Name;
    std::function<void(CommTest&)> Setup;
    std::function<std::string(CommTest&)> Message;
};

class UnusablePort : public CommTest, public ::testing::WithParamInterface<TUnusableCase> {};

TEST_P(UnusablePort, DoesNotOpen) {
    GetParam().Setup(*this);
    EXPECT_EQ(CommErrorOf([&] { Comm.Open(); }), GetParam().Message(*this));
    EXPECT_FALSE(Comm.Active());
    chmod(Dir.Path().c_str(), 0700);
}

const TUnusableCase UnusableCases[] = {
    {"KernelConsole",
     [](CommTest& t) {
         struct stat st {};
         stat(t.Pty.SlavePath().c_str(), &st);
         t.Console = std::make_unique<TFakeConsole>(st.st_rdev);
     },
     [](CommTest& t) { return Busy(t.Dir.Link(CommTest::Port)); }},
    {"StaleLinkToATerminal",
     [](CommTest& t) {
         fs::create_symlink(t.Pty.SlavePath(), t.Dir.Link(5));
         t.Comm.SetPortNum(5);
     },
     [](CommTest& t) { return NotFound(t.Dir.Link(5)); }},
    {"DanglingLink",
     [](CommTest& t) {
         fs::create_symlink(t.Dir.Path() + "/gone", t.Dir.Link(6));
         t.Comm.SetPortNum(6);
     },
     [](CommTest& t) { return NotFound(t.Dir.Link(6)); }},
    {"UntrustedDirectory", [](CommTest& t) { chmod(t.Dir.Path().c_str(), 0777); },
     [](CommTest& t) { return NotFound(t.Dir.Link(CommTest::Port)); }},
    {"TerminalNamedByPath", [](CommTest& t) { t.Comm.SetDeviceName(t.Pty.SlavePath()); },
     [](CommTest& t) { return Busy(t.Pty.SlavePath()); }},
    {"NotATerminal",
     [](CommTest& t) {
         std::ofstream(t.Dir.Path() + "/file") << "x";
         fs::create_symlink(t.Dir.Path() + "/file", t.Dir.Link(8));
         t.Comm.SetPortNum(8);
     },
     [](CommTest& t) {
         return "Can't open specified device " + t.Dir.Link(8) +
                " (Error 25, Inappropriate ioctl for device)";
     }},
};

INSTANTIATE_TEST_SUITE_P(Serial, UnusablePort, ::testing::ValuesIn(UnusableCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CommTest, SettingsThatNeedAClosedPortAreRefusedWhileOpen) {
    Comm.Open();
    const std::string refused = "Can't perform this operation while port is open";
    TVaBuffers buffers;
    buffers.SetReadSize(100);
    const std::pair<const char*, std::function<void()>> setters[] = {
        {"PortNum", [&] { Comm.SetPortNum(9); }},
        {"PortNum unchanged", [&] { Comm.SetPortNum(Port); }},
        {"DeviceName", [&] { Comm.SetDeviceName("COM%d"); }},
        {"MonitorEvents", [&] { Comm.SetMonitorEvents({ceRxChar}); }},
        {"DirectWrite", [&] { Comm.SetDirectWrite(true); }},
        {"UpdateDCB", [&] { Comm.SetUpdateDCB(false); }},
        {"Buffers", [&] { Comm.SetBuffers(buffers); }},
    };
    for (const auto& [name, set] : setters) EXPECT_EQ(CommErrorOf(set), refused) << name;
    EXPECT_EQ(Comm.PortNum(), Port);
    EXPECT_FALSE(Comm.DirectWrite());
    EXPECT_TRUE(Comm.UpdateDCB());
    EXPECT_EQ(VaEventBits(Comm.MonitorEvents()), VaEv::Error | VaEv::RxChar | VaEv::TxEmpty);
    EXPECT_EQ(Comm.Buffers().ReadSize(), 4096);

    // One size on the port's own object: stored, then refused.
    EXPECT_EQ(CommErrorOf([&] { Comm.Buffers().SetWriteSize(64); }), refused);
    EXPECT_EQ(Comm.Buffers().WriteSize(), 64);
    // The time-outs may change at any time.
    EXPECT_EQ(CommErrorOf([&] { Comm.Buffers().SetWriteTimeout(10); }), "<none>");
    // The open port keeps its queue of 2048 bytes.
    EXPECT_TRUE(Comm.WriteText(std::string(2048, 'q')));
    EXPECT_EQ(Receive(2048).size(), 2048u);
    EXPECT_TRUE(Comm.Active());
}

} // namespace
