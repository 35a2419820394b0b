#include "SerialTestSupport.h"
#include "serial/VaComm.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(Persistent, ReportsChangesOnlyWithNoUpdateOpen) {
    TVaFlowControl f;
    int changes = 0;
    f.SetOnChange([&] { ++changes; });
    f.SetXonXoffIn(true);
    f.SetXonXoffIn(true); // same value: nothing
    EXPECT_EQ(changes, 1);
    f.BeginUpdate();
    f.BeginUpdate();
    f.SetOutCtsFlow(true);
    f.EndUpdate();
    EXPECT_EQ(changes, 1);
    f.EndUpdate();
    EXPECT_EQ(changes, 2);
    f.EndUpdate(); // never below 0, and still reports
    EXPECT_EQ(changes, 3);
    f.SetOutCtsFlow(false);
    EXPECT_EQ(changes, 4);
}

TEST(Persistent, AssignIsOneChange) {
    TVaEventChars a, b;
    b.SetXonChar(1);
    b.SetXoffChar(2);
    b.SetEventChar('\n');
    int changes = 0;
    a.SetOnChange([&] { ++changes; });
    a.Assign(b);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(a.XonChar(), 1);
    EXPECT_EQ(a.XoffChar(), 2);
    EXPECT_EQ(a.EventChar(), '\n');
}

TEST(EventChars, EofCharReadsTheEventChar) {
    TVaEventChars c;
    c.SetEofChar(26);
    EXPECT_EQ(c.EofChar(), 0);
    c.SetEventChar('$');
    EXPECT_EQ(c.EofChar(), '$');
}

TEST(Comm, DefaultsAndBaudrateRules) {
    TVaComm c;
    EXPECT_FALSE(c.Active());
    EXPECT_EQ(c.Baudrate(), br1200);
    EXPECT_EQ(c.DeviceName(), "COM%d");
    EXPECT_EQ(c.PortNum(), 0);
    EXPECT_TRUE(c.UpdateDCB());
    EXPECT_FALSE(c.DirectWrite());
    EXPECT_EQ(c.EventPriority(), tpNormal);
    EXPECT_EQ(c.WritePriority(), tpHighest);
    EXPECT_EQ(VaEventBits(c.MonitorEvents()), VaEv::Error | VaEv::RxChar | VaEv::TxEmpty);
    EXPECT_EQ(c.Buffers().ReadSize(), 4096);
    EXPECT_EQ(c.Buffers().WriteSize(), 2048);
    EXPECT_EQ(c.Buffers().WriteTimeout(), 1000);
    EXPECT_EQ(c.EventChars().XonChar(), 17);
    EXPECT_EQ(c.EventChars().XoffChar(), 19);
    c.SetVersion("2");
    EXPECT_EQ(c.Version(), "1.4.0.1");

    c.SetUserBaudrate(250000);
    EXPECT_EQ(c.Baudrate(), brUser);
    c.SetBaudrate(br38400);
    EXPECT_EQ(c.UserBaudrate(), 0);
}

TEST(Comm, DeviceNameIsFilledNeverFormatted) {
    struct {
        const char* Pattern;
        int Port;
        const char* Name;
    } cases[] = {{"COM%d", 7, "COM7"},     {"COM%d", 255, "COM255"}, {"%%COM%d", 1, "%COM1"},
                 {"COM%s%d", 2, "COM%s2"}, {"COM%d%d", 3, "COM3%d"}, {"COM", 4, "COM"}};
    for (const auto& c : cases) EXPECT_EQ(VaFillDeviceName(c.Pattern, c.Port), c.Name);
}

TEST(CommError, PatternsAreFilledWithCodeAndCleanText) {
    EXPECT_EQ(VaErrorText(EINVAL), "Invalid argument");
    EXPECT_EQ(CommErrorOf([] { RaiseCommError(VaMsg::WriteDcb, EINVAL); }),
              "Error writing dcb (22), Invalid argument");
    EXPECT_EQ(CommErrorOf([] { RaiseCommError(VaMsg::SetEventMask, EIO); }),
              " Error setting EventMask (5), Input/output error");
    EXPECT_EQ(CommErrorOf([] { RaiseCommError(VaMsg::OutputFull, EIO); }),
              "Output buffer is full. Please check comm status.");
    // a path is text, never a pattern
    EXPECT_EQ(CommErrorOf([] { RaiseNotFound("/tmp/%d%s/COM1"); }),
              "Specified device not found (/tmp/%d%s/COM1).");
    EXPECT_EQ(CommErrorOf([] { RaiseCantOpen("/dev/x", EBUSY); }),
              "Can't open specified device /dev/x (Error 16, Device or resource busy)");
}

} // namespace
