#include "SerialTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

dev_t DeviceOf(const std::string& Path) {
    struct stat st {};
    if (stat(Path.c_str(), &st) != 0) throw std::runtime_error("stat " + Path);
    return st.st_rdev;
}

TEST(PortTable, NamesTheKernelsSerialDevices) {
    const std::pair<int, const char*> rows[] = {{1, "/dev/ttyS0"},
                                                {32, "/dev/ttyS31"},
                                                {33, "/dev/ttyUSB0"},
                                                {64, "/dev/ttyUSB31"},
                                                {65, "/dev/ttyACM0"},
                                                {96, "/dev/ttyACM31"},
                                                {97, ""},
                                                {0, ""}};
    for (const auto& [n, path] : rows) EXPECT_EQ(TableDevicePath(n), path) << n;
}

TEST(PortTable, IsUsedOnlyWithoutATestDirectory) {
    ASSERT_FALSE(TestPortDirectoryActive());
    // Only names are resolved here; nothing is opened.
    if (!PortDirectoryTrusted(PortDirectory()) ||
        !fs::is_symlink(fs::symlink_status(PortDirectory() + "/COM34"))) {
        EXPECT_EQ(ResolveDevicePath("COM34"), "/dev/ttyUSB1");
    }
    EXPECT_EQ(ResolveDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    TTestPortDir dir;
    EXPECT_EQ(ResolveDevicePath("COM34"), dir.Link(34));
}

class PortDirTest : public ::testing::Test {
protected:
    TTestPortDir Dir;
    TPty Pty;
};

TEST_F(PortDirTest, APublishedTerminalIsReachedWhileItsPublisherLives) {
    TPortTarget t;
    {
        TPublishedPort pub(5, Pty.SlavePath());
        EXPECT_EQ(pub.PortNum(), 5);
        EXPECT_EQ(pub.LinkPath(), Dir.Link(5));
        t = ResolvePort("COM5");
        EXPECT_EQ(t.Path, Dir.Link(5));
        EXPECT_TRUE(t.Published);
        EXPECT_FALSE(t.Stale);
        EXPECT_THROW(TPublishedPort(5, Pty.SlavePath()), std::runtime_error);
    }
    // The publisher is gone, and its link and lock file with it.
    EXPECT_FALSE(fs::exists(fs::symlink_status(Dir.Link(5))));
    EXPECT_FALSE(fs::exists(Dir.Link(5) + ".lock"));
    EXPECT_FALSE(ResolvePort("COM5").Published);
}

TEST_F(PortDirTest, ALinkToATerminalWithoutALiveLockIsStale) {
    fs::create_symlink(Pty.SlavePath(), Dir.Link(6));
    std::ofstream(Dir.Link(6) + ".lock").put('x'); // left by a publisher that died
    const TPortTarget t = ResolvePort("COM6");
    EXPECT_TRUE(t.Stale);
    EXPECT_FALSE(t.Published);
}

TEST_F(PortDirTest, AnUntrustedDirectoryIsNotConsulted) {
    TPublishedPort pub(7, Pty.SlavePath());
    ASSERT_TRUE(ResolvePort("COM7").Published);
    chmod(Dir.Path().c_str(), 0770);
    EXPECT_FALSE(PortDirectoryTrusted(Dir.Path()));
    EXPECT_FALSE(ResolvePort("COM7").Published);
    EXPECT_TRUE(ResolvePort("COM7").Stale);
    chmod(Dir.Path().c_str(), 0700);
    if (getuid() == 0) {
        ASSERT_EQ(chown(Dir.Path().c_str(), 65534, 65534), 0);
        EXPECT_FALSE(PortDirectoryTrusted(Dir.Path()));
        EXPECT_FALSE(ResolvePort("COM7").Published);
        ASSERT_EQ(chown(Dir.Path().c_str(), 0, 0), 0);
    }
    // a link in place of the directory is not trusted either
    const std::string alias = Dir.Path() + "-alias";
    fs::create_directory_symlink(Dir.Path(), alias);
    EXPECT_FALSE(PortDirectoryTrusted(alias));
    fs::remove(alias);
}

TEST_F(PortDirTest, AutomaticNumbersSkipTakenOnesAndReplaceDeadPublishers) {
    fs::create_symlink("/nonexistent/usb-adapter", Dir.Link(1)); // made by hand: kept
    TPublishedPort second(2, Pty.SlavePath());
    // COM3: a dead publisher's link and its lock file
    fs::create_symlink(Pty.SlavePath(), Dir.Link(3));
    std::ofstream(Dir.Link(3) + ".lock").put('x');
    TPublishedPort pub(0, Pty.SlavePath());
    EXPECT_EQ(pub.PortNum(), 3);
    EXPECT_EQ(fs::read_symlink(Dir.Link(1)), "/nonexistent/usb-adapter");
    TPublishedPort next(0, Pty.SlavePath());
    EXPECT_EQ(next.PortNum(), 4);
}

TEST(ConsoleRule, CoversConsolesVirtualTerminalsAndTheKernelConsoleList) {
    EXPECT_TRUE(IsConsoleDevice(makedev(5, 1)));  // /dev/console
    EXPECT_TRUE(IsConsoleDevice(makedev(5, 0)));  // /dev/tty
    EXPECT_TRUE(IsConsoleDevice(makedev(4, 0)));  // /dev/tty0
    EXPECT_TRUE(IsConsoleDevice(makedev(4, 12))); // /dev/tty12
    EXPECT_TRUE(IsPseudoTerminalDevice(makedev(5, 2)));

    TPty pty;
    const dev_t dev = DeviceOf(pty.SlavePath());
    EXPECT_TRUE(IsPseudoTerminalDevice(dev));
    EXPECT_FALSE(IsConsoleDevice(dev));

    {
        TFakeConsole console(dev);
        EXPECT_TRUE(IsConsoleDevice(dev));
    }
    EXPECT_FALSE(IsConsoleDevice(dev));
}

TEST(ConsoleRule, EveryDeviceTheRealKernelListsIsAConsole) {
    std::ifstream active("/sys/class/tty/console/active");
    std::string name;
    while (active >> name) {
        std::ifstream devFile("/sys/class/tty/" + name + "/dev");
        unsigned maj = 0, min = 0;
        char colon = 0;
        if (devFile >> maj >> colon >> min) {
            EXPECT_TRUE(IsConsoleDevice(makedev(maj, min))) << name;
        }
    }
}

} // namespace
