// The serial component's Windows layer: error texts as the Linux build gives them, port names,
// opens that fail, and the events, waits and hand-over queue on Windows objects.

#include "serial/PortNames.h"
#include "serial/VaComm.h"
#include "serial/VaCommPlatform.h"
#include "serial/VaSync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <windows.h>
#include <winsock2.h>

namespace {

std::string OpenError(const std::string& DeviceName, int PortNum = 0) {
    TVaComm comm;
    comm.SetDeviceName(DeviceName);
    comm.SetPortNum(PortNum);
    try {
        comm.Open();
    } catch (const EVaCommError& e) {
        return e.what();
    }
    return "opened";
}

TEST(Win32Errors, ReadAsTheLinuxBuildWordsThem) {
    struct {
        DWORD System;
        const char* Message;
    } const cases[] = {
        // another program has the port
        {ERROR_ACCESS_DENIED,
         "Can't open specified device \\\\.\\COM7 (Error 16, Device or resource busy)"},
        {ERROR_SHARING_VIOLATION,
         "Can't open specified device \\\\.\\COM7 (Error 16, Device or resource busy)"},
        // a USB adapter pulled out while open
        {ERROR_GEN_FAILURE,
         "Can't open specified device \\\\.\\COM7 (Error 5, Input/output error)"},
        {ERROR_BAD_COMMAND,
         "Can't open specified device \\\\.\\COM7 (Error 5, Input/output error)"},
        {ERROR_OPERATION_ABORTED,
         "Can't open specified device \\\\.\\COM7 (Error 5, Input/output error)"},
        {ERROR_INVALID_PARAMETER,
         "Can't open specified device \\\\.\\COM7 (Error 22, Invalid argument)"},
        {ERROR_FILE_NOT_FOUND,
         "Can't open specified device \\\\.\\COM7 (Error 2, No such file or directory)"},
        {ERROR_NOT_ENOUGH_MEMORY,
         "Can't open specified device \\\\.\\COM7 (Error 12, Cannot allocate memory)"},
    };
    for (const auto& c : cases) {
        try {
            RaiseCantOpen("\\\\.\\COM7", VaPlatform::ErrnoOfSystemError(c.System));
        } catch (const EVaCommError& e) {
            EXPECT_STREQ(e.what(), c.Message) << c.System;
        }
    }
    try {
        RaiseCommError(VaMsg::WriteDcb, VaPlatform::ErrnoOfSystemError(ERROR_INVALID_PARAMETER));
    } catch (const EVaCommError& e) {
        EXPECT_STREQ(e.what(), "Error writing dcb (22), Invalid argument");
    }
}

TEST(Win32PortNames, ComNumbersAreDevicesInTheDeviceNamespace) {
    struct {
        const char* Name;
        const char* Path;
    } const cases[] = {
        {"COM1", "\\\\.\\COM1"},
        {"COM7", "\\\\.\\COM7"},
        {"COM255", "\\\\.\\COM255"},
        {"com3", "\\\\.\\COM3"},
        {"COM0", "COM0"},
        {"COM256", "COM256"},
        {"COM07", "\\\\.\\COM7"},
        {"COMX", "COMX"},
        {"COM", "COM"},
        {"\\\\.\\COM9", "\\\\.\\COM9"},
        {"C:\\ports\\x", "C:\\ports\\x"},
    };
    for (const auto& c : cases) {
        const TPortTarget t = ResolvePort(c.Name);
        EXPECT_EQ(t.Path, c.Path) << c.Name;
        EXPECT_FALSE(t.Network.has_value()) << c.Name;
    }
    EXPECT_TRUE(ResolvePort("tcp://127.0.0.1:10110").Network.has_value());
    EXPECT_EQ(ResolvePort("tcp://nohost").Stale, true);
}

TEST(Win32Open, AMissingPortIsNotFound) {
    EXPECT_EQ(OpenError("COM%d", 199), "Specified device not found (\\\\.\\COM199).");
}

TEST(Win32Open, WhatIsNotASerialPortIsRefused) {
    const std::string file =
        (std::filesystem::temp_directory_path() / "corvane-not-a-port.txt").string();
    std::FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(OpenError(file), "Can't open specified device " + file +
                                   " (Error 25, Inappropriate ioctl for device)");
    std::filesystem::remove(file);
    EXPECT_EQ(OpenError("NUL"),
              "Can't open specified device NUL (Error 25, Inappropriate ioctl for device)");
}

// A loopback port that nobody listens on: one just given up by a socket of ours.
int ClosedLoopbackPort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    closesocket(s);
    return ntohs(a.sin_port);
}

TEST(Win32Open, ANetworkPortThatRefusesSaysSo) {
    const std::string url = "tcp://127.0.0.1:" + std::to_string(ClosedLoopbackPort());
    // Linux's words; the number is the Windows C runtime's for the same error.
    EXPECT_EQ(OpenError(url), "Can't open specified device " + url + " (Error " +
                                  std::to_string(ECONNREFUSED) + ", Connection refused)");
}

TEST(Win32Events, ManualResetStaysSignalledUntilReset) {
    TVaWaitEvent e;
    EXPECT_FALSE(e.Signaled());
    EXPECT_EQ(e.WaitFor(10), wrTimeout);
    e.SetEvent();
    EXPECT_TRUE(e.Signaled());
    EXPECT_EQ(e.WaitFor(0), wrSignaled);
    EXPECT_EQ(e.WaitFor(0), wrSignaled);
    e.ResetEvent();
    EXPECT_FALSE(e.Signaled());

    TVaEvent once(false, true);
    EXPECT_TRUE(once.Signaled()); // looking takes nothing
    EXPECT_EQ(once.WaitFor(0), wrSignaled);
    EXPECT_EQ(once.WaitFor(0), wrTimeout);
}

TEST(Win32Events, WaitAnyReportsTheLowestSignalledEvent) {
    TVaWaitEvent a, b, c;
    auto r = VaPlatform::WaitAny({&a, &b, &c}, VaPlatform::InvalidHandle,
                                 VaPlatform::TDeviceWait::None, 10);
    EXPECT_TRUE(r.TimedOut);
    c.SetEvent();
    b.SetEvent();
    r = VaPlatform::WaitAny({&a, &b, &c}, VaPlatform::InvalidHandle, VaPlatform::TDeviceWait::None,
                            -1);
    EXPECT_EQ(r.Event, 1);
    std::thread t([&a] { a.SetEvent(); });
    r = VaPlatform::WaitAny({&a}, VaPlatform::InvalidHandle, VaPlatform::TDeviceWait::None, -1);
    t.join();
    EXPECT_EQ(r.Event, 0);
}

TEST(Win32SyncQueue, RunsJobsOnTheServingThreadAndRaisesTheirExceptionsInTheCaller) {
    TVaSyncQueue queue;
    const DWORD serving = GetCurrentThreadId();
    std::atomic<DWORD> ranOn{0};
    std::atomic<bool> raised{false};
    std::jthread caller([&](std::stop_token stop) {
        EXPECT_TRUE(queue.Synchronize([&] { ranOn = GetCurrentThreadId(); }, stop));
        try {
            queue.Synchronize([] { throw std::runtime_error("from the job"); }, stop);
        } catch (const std::runtime_error& e) {
            raised = std::string(e.what()) == "from the job";
        }
    });
    int ran = 0;
    while (ran < 2)
        if (queue.WaitAndRunOne(5000)) ++ran;
    caller.join();
    EXPECT_EQ(ranOn.load(), serving);
    EXPECT_TRUE(raised.load());
    EXPECT_FALSE(queue.RunOne());
    EXPECT_EQ(WaitForSingleObject(static_cast<HANDLE>(queue.WakeFd()), 0), WAIT_TIMEOUT);
}

TEST(Win32SyncQueue, StopWithdrawsAJobNobodyRan) {
    TVaSyncQueue queue;
    std::atomic<bool> ran{false};
    std::jthread caller(
        [&](std::stop_token stop) { EXPECT_FALSE(queue.Synchronize([&] { ran = true; }, stop)); });
    while (WaitForSingleObject(static_cast<HANDLE>(queue.WakeFd()), 0) != WAIT_OBJECT_0) Sleep(1);
    ReleaseSemaphore(static_cast<HANDLE>(queue.WakeFd()), 1, nullptr); // the look took a count
    caller.request_stop();
    caller.join();
    EXPECT_FALSE(queue.RunOne());
    EXPECT_FALSE(ran.load());
    EXPECT_FALSE(queue.WaitAndRunOne(0));
}

} // namespace
