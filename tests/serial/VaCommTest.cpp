// The port at work: line settings, closing, the write queue and delivery on the UI thread.
#include "CommFixture.h"

#include <asm/termbits.h>
#include <atomic>
#include <sys/ioctl.h>
#include <thread>

namespace {

termios2 LineOf(const TPty& Pty) {
    termios2 t{};
    EXPECT_EQ(ioctl(Pty.Slave(), TCGETS2, &t), 0);
    return t;
}

const std::string OutputFull = "Output buffer is full. Please check comm status.";

TEST_F(CommTest, OpensWithTheApplicationsLineSettings) {
    Comm.Open();
    ASSERT_TRUE(Comm.Active());
    const termios2 t = LineOf(Pty);
    EXPECT_EQ(t.c_ospeed, 38400u);
    EXPECT_EQ(t.c_ispeed, 38400u);
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS | CMSPAR), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(t.c_cc[VSTOP], 19);
}

TEST_F(CommTest, WithoutUpdateDCBTheLineIsLeftAsItWas) {
    termios2 before = LineOf(Pty);
    before.c_lflag |= ICANON;
    before.c_cflag = (before.c_cflag & ~CBAUD) | B9600;
    before.c_ispeed = before.c_ospeed = 9600;
    ASSERT_EQ(ioctl(Pty.Slave(), TCSETS2, &before), 0);
    Comm.SetUpdateDCB(false);
    Comm.Open();
    const termios2 t = LineOf(Pty);
    EXPECT_EQ(t.c_ospeed, 9600u);
    EXPECT_NE(t.c_lflag & ICANON, 0u);
}

// Each row changes one setting on the open port and checks the line at once.
TEST_F(CommTest, LineSettingsAreRewrittenAtOnceWhileOpen) {
    Comm.Open();
    const struct {
        const char* Name;
        std::function<void()> Change;
        std::function<bool(const termios2&)> Holds;
    } rows[] = {
        {"Baudrate", [&] { Comm.SetBaudrate(br9600); },
         [](const termios2& t) { return t.c_ospeed == 9600; }},
        {"Baudrate without a Linux constant", [&] { Comm.SetBaudrate(br14400); },
         [](const termios2& t) { return t.c_ospeed == 14400 && (t.c_cflag & CBAUD) == BOTHER; }},
        {"UserBaudrate", [&] { Comm.SetUserBaudrate(250000); },
         [](const termios2& t) { return t.c_ospeed == 250000; }},
        {"Parity check", [&] { Comm.SetOptions({coParityCheck}); },
         [](const termios2& t) { return (t.c_iflag & INPCK) != 0; }},
        {"XON/XOFF",
         [&] {
             Comm.FlowControl().SetXonXoffOut(true);
             Comm.FlowControl().SetXonXoffIn(true);
         },
         [](const termios2& t) { return (t.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF); }},
        {"Hardware handshake",
         [&] {
             Comm.FlowControl().BeginUpdate();
             Comm.FlowControl().SetOutCtsFlow(true);
             Comm.FlowControl().SetControlRts(rtsHandshake);
             Comm.FlowControl().EndUpdate();
         },
         [](const termios2& t) { return (t.c_cflag & CRTSCTS) != 0; }},
        {"XonChar", [&] { Comm.EventChars().SetXonChar(0x12); },
         [](const termios2& t) { return t.c_cc[VSTART] == 0x12; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        row.Change();
        EXPECT_TRUE(row.Holds(LineOf(Pty)));
    }
    EXPECT_EQ(Comm.Baudrate(), brUser);
}

// The mapping onto termios for what a pseudo-terminal cannot show.
TEST(LineSettings, MapOntoTermios) {
    using VaPlatform::TLineSettings;
    const struct {
        const char* Name;
        std::function<void(TLineSettings&)> Change;
        tcflag_t Mask, Cflag;
    } rows[] = {
        {"8N1", [](TLineSettings&) {}, CSIZE | PARENB | CSTOPB | CRTSCTS, CS8},
        {"even", [](TLineSettings& s) { s.Parity = paEven; }, PARENB | PARODD | CMSPAR, PARENB},
        {"odd", [](TLineSettings& s) { s.Parity = paOdd; }, PARENB | PARODD | CMSPAR,
         PARENB | PARODD},
        {"mark", [](TLineSettings& s) { s.Parity = paMark; }, PARENB | PARODD | CMSPAR,
         PARENB | PARODD | CMSPAR},
        {"space", [](TLineSettings& s) { s.Parity = paSpace; }, PARENB | PARODD | CMSPAR,
         PARENB | CMSPAR},
        {"7 data bits", [](TLineSettings& s) { s.Databits = db7; }, CSIZE, CS7},
        {"5 data bits, 1.5 stop bits",
         [](TLineSettings& s) {
             s.Databits = db5;
             s.Stopbits = sb15;
         },
         CSIZE | CSTOPB, CS5 | CSTOPB},
        {"2 stop bits", [](TLineSettings& s) { s.Stopbits = sb2; }, CSTOPB, CSTOPB},
        {"38400", [](TLineSettings&) {}, CBAUD, B38400},
        {"56000", [](TLineSettings& s) { s.Baudrate = 56000; }, CBAUD, BOTHER},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TLineSettings s;
        row.Change(s);
        VaPlatform::TTermiosFlags f{ICRNL | IXON, OPOST, PARENB | CS7, ICANON | ECHO, 9600};
        ASSERT_TRUE(VaPlatform::ComposeTermios(s, f));
        EXPECT_EQ(f.Cflag & row.Mask, row.Cflag);
        EXPECT_EQ(f.Cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
        EXPECT_EQ(f.Iflag & (ICRNL | IXON), 0u);
        EXPECT_EQ(f.Oflag & OPOST, 0u);
        EXPECT_EQ(f.Lflag & (ICANON | ECHO), 0u);
        EXPECT_EQ(f.Speed, s.Baudrate);
    }
}

TEST_F(CommTest, SettingsLinuxCannotDoAreRefused) {
    Comm.Open();
    const std::string refused = "Error writing dcb (22), Invalid argument";
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"4 data bits", [&] { Comm.SetDatabits(db4); }},
        {"1.5 stop bits with 8 data bits", [&] { Comm.SetStopbits(sb15); }},
        {"null stripping", [&] { Comm.SetOptions({coNullStrip}); }},
        {"DSR output flow", [&] { Comm.FlowControl().SetOutDsrFlow(true); }},
        {"DTR handshake", [&] { Comm.FlowControl().SetControlDtr(dtrHandshake); }},
        {"bit rate 0", [&] { Comm.SetBaudrate(brUser); }},
        // a pseudo-terminal keeps 8N1 whatever it is told
        {"parity on a pseudo-terminal", [&] { Comm.SetParity(paEven); }},
        {"7 data bits on a pseudo-terminal", [&] { Comm.SetDatabits(db7); }},
    };
    for (const auto& [name, change] : rows) {
        EXPECT_EQ(CommErrorOf(change), refused) << name;
        // back to what works; the refused value stays stored
        Comm.SetBaudrate(br38400);
        Comm.SetParity(paNone);
        Comm.SetDatabits(db8);
        Comm.SetStopbits(sb1);
        Comm.SetOptions({});
        Comm.FlowControl().SetOutDsrFlow(false);
        Comm.FlowControl().SetControlDtr(dtrDisabled);
    }
    EXPECT_EQ(LineOf(Pty).c_ospeed, 38400u);
    EXPECT_TRUE(Comm.Active());
}

TEST_F(CommTest, CloseWaitsAtLeast300msAndNoHandlerRunsAfterIt) {
    TRecorder client;
    client.SetComm(&Comm);
    int closes = 0;
    Comm.SetOnClose([&](TVaCustomComm&) { ++closes; });
    Comm.Close(); // closed: nothing happens
    EXPECT_EQ(closes, 0);

    Comm.Open();
    std::atomic<bool> flood{true};
    std::thread farEnd([&] {
        while (flood) {
            Pty.Send("$GPGGA,1*00\r\n");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    ASSERT_TRUE(Ui.PumpUntil([&] { return client.Chunks.size() >= 3; }));
    Comm.WriteText("$DUAIQ,SSD*3C\r\n");
    // Hand-overs are pending now, and none is served while closing.
    const auto start = TClock::now();
    Comm.Close();
    EXPECT_GE(MsSince(start), 300);
    EXPECT_FALSE(Comm.Active());
    EXPECT_EQ(closes, 1);
    const std::size_t chunks = client.Chunks.size(), events = client.Events.size();
    Ui.Pump(200);
    flood = false;
    farEnd.join();
    EXPECT_EQ(client.Chunks.size(), chunks);
    EXPECT_EQ(client.Events.size(), events);
}

TEST_F(CommTest, EveryOpenStartsWithAnEmptyWriteQueue) {
    Comm.Buffers().SetWriteTimeout(50);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Comm.Open();
        // The far end reads nothing: the terminal fills, then the queue.
        bool full = false;
        for (int i = 0; i < 100 && !full; ++i) {
            full = CommErrorOf([&] { Comm.WriteText(std::string(1024, 'X')); }) == OutputFull;
            Ui.Pump(1);
        }
        ASSERT_TRUE(full);
        Comm.Close(); // drops what is queued
        const std::string old = Drain();
        EXPECT_EQ(old.find_first_not_of('X'), std::string::npos);
        Comm.Open();
        ASSERT_TRUE(Comm.WriteText("$NEXT\r\n"));
        EXPECT_EQ(Receive(7), "$NEXT\r\n");
        EXPECT_EQ(Drain(50), "");
        Comm.Close();
    }
}

TEST_F(CommTest, WriteTextOnAClosedPortSendsNothing) {
    EXPECT_FALSE(Comm.WriteText("$DUAIQ,010*2B\r\n"));
    EXPECT_EQ(Comm.WriteBuf("x", 1), 0);
    EXPECT_EQ(Comm.ReadBuf(nullptr, 1), 0);
    Comm.PurgeReadWrite();
    EXPECT_EQ(Drain(50), "");
}

TEST_F(CommTest, TheQueueTakes2048BytesAtOnceAndRefusesMore) {
    Comm.Buffers().SetWriteTimeout(200);
    Comm.Open();
    const std::string block(2048, 'A');
    EXPECT_TRUE(Comm.WriteText(block));
    EXPECT_EQ(Receive(2048), block);

    const auto start = TClock::now();
    EXPECT_EQ(CommErrorOf([&] { Comm.WriteText(std::string(3000, 'B')); }), OutputFull);
    EXPECT_GE(MsSince(start), 200);
    EXPECT_EQ(Drain(100), "");
}

TEST_F(CommTest, WritesLeaveInOrderAndAFullQueueLosesNothing) {
    Comm.Open();
    ASSERT_TRUE(Comm.WriteText("$DUAIQ,SSD*3C\r\n"));
    ASSERT_TRUE(Comm.WriteText("$DUAIQ,VSD*3F\r\n"));
    EXPECT_EQ(Receive(30), "$DUAIQ,SSD*3C\r\n$DUAIQ,VSD*3F\r\n");

    Comm.Buffers().SetWriteTimeout(50);
    std::string accepted;
    bool full = false;
    for (int i = 0; i < 200 && !full; ++i) {
        std::string block = std::to_string(i) + ":" + std::string(997, 'a' + i % 26) + "\n";
        full = CommErrorOf([&] { Comm.WriteText(block); }) == OutputFull;
        if (!full) accepted += block;
        Ui.Pump(1); // the end-of-sending hand-overs
    }
    ASSERT_TRUE(full);
    EXPECT_GT(accepted.size(), 8000u); // more than the queue: the terminal is full too
    EXPECT_EQ(Receive(accepted.size()), accepted);
    EXPECT_EQ(Drain(100), "");
}

// The factory reset sends, pauses with the user-interface thread blocked, sends again and
// closes: what it queued must not wait for that thread.
TEST_F(CommTest, BytesQueuedWhileTheUiThreadIsBusyAreSentWithoutIt) {
    TRecorder client;
    client.SetComm(&Comm);
    Comm.Open();
    ASSERT_TRUE(Comm.WriteText("$PSRT,RDP*3F\r\n"));
    EXPECT_EQ(Pty.Receive(14), "$PSRT,RDP*3F\r\n"); // the loop does not run here
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(Comm.WriteText("$PSRT,SRM*2B\r\n"));
    EXPECT_EQ(Pty.Receive(14), "$PSRT,SRM*2B\r\n");
    ASSERT_TRUE(Ui.PumpUntil([&] { return client.HasEvent(VaEv::TxEmpty); }));
    Ui.Pump(50);
    EXPECT_EQ(client.Events.size(), 1u); // the outdated report was withdrawn
}

TEST_F(CommTest, TheEndOfSendingIsReportedOnTheUiThread) {
    TRecorder client;
    client.SetComm(&Comm);
    std::vector<std::thread::id> txEmpty;
    Comm.SetOnTxEmpty([&](TVaCustomComm&) { txEmpty.push_back(std::this_thread::get_id()); });
    Comm.Open();
    Comm.WriteText("$PSRT,RDP*3F\r\n");
    ASSERT_TRUE(Ui.PumpUntil([&] { return !txEmpty.empty(); }));
    ASSERT_TRUE(client.HasEvent(VaEv::TxEmpty));
    EXPECT_EQ(txEmpty.front(), Ui.UiThread);
    for (auto id : client.EventThreads) EXPECT_EQ(id, Ui.UiThread);
}

TEST_F(CommTest, DirectWritesGoOutAtOnce) {
    TRecorder client;
    client.SetComm(&Comm);
    Comm.SetDirectWrite(true);
    Comm.Open();
    EXPECT_EQ(Comm.WriteBuf("$DUAIQ,SER*2E\r\n", 15), 15);
    EXPECT_EQ(Receive(15), "$DUAIQ,SER*2E\r\n");
    ASSERT_TRUE(Ui.PumpUntil([&] { return client.HasEvent(VaEv::TxEmpty); }));
    // no queue: what the device does not take within WriteTimeout is not taken
    Comm.Buffers().SetWriteTimeout(50);
    int taken = 0;
    for (int i = 0; i < 100; ++i) taken += Comm.WriteBuf(std::string(1024, 'D').data(), 1024);
    EXPECT_LT(taken, 100 * 1024);
    EXPECT_EQ(Drain().size(), static_cast<std::size_t>(taken));
}

TEST_F(CommTest, ChunksReachTheClientsInOrderOnTheUiThread) {
    std::vector<std::string> log;
    TRecorder first, second;
    first.Name = "first";
    second.Name = "second";
    first.Log = second.Log = &log;
    first.SetComm(&Comm);
    second.SetComm(&Comm);
    Comm.Open();
    std::string sent;
    for (int i = 0; i < 20; ++i) {
        const std::string s =
            "!AIVDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D," + std::to_string(i) + "\r\n";
        Pty.Send(s);
        sent += s;
        if (i % 5 == 0) Ui.Pump(5);
    }
    ASSERT_TRUE(Ui.PumpUntil([&] { return second.All().size() == sent.size(); }));
    EXPECT_EQ(first.All(), sent);
    EXPECT_EQ(second.All(), sent);
    ASSERT_EQ(log.size() % 2, 0u);
    for (std::size_t i = 0; i < log.size(); i += 2) {
        EXPECT_EQ(log[i].rfind("first:", 0), 0u);
        EXPECT_EQ(log[i + 1], "second:" + log[i].substr(6));
    }
    for (const auto& c : first.Chunks) EXPECT_EQ(c.Thread, Ui.UiThread);
}

TEST_F(CommTest, AnInactiveClientIsSkipped) {
    TRecorder inactive, active;
    inactive.SetComm(&Comm);
    active.SetComm(&Comm);
    inactive.Dispatcher().SetActive(false);
    Comm.Open();
    Pty.Send("$GPRMC,1*00\r\n");
    ASSERT_TRUE(Ui.PumpUntil([&] { return active.All().size() == 13; }));
    Ui.Pump(50);
    EXPECT_TRUE(inactive.Chunks.empty());
    EXPECT_TRUE(inactive.Events.empty());
}

TEST_F(CommTest, BytesWaitingBeforeAClientAttachesArriveInOneChunk) {
    Comm.Open();
    Pty.Send("hello");
    ASSERT_TRUE(Ui.PumpUntil([&] { return Comm.GetStatus().InQueue == 5; }));
    Ui.Pump(100); // they stay in the device queue, reported once
    EXPECT_EQ(Comm.GetStatus().InQueue, 5);
    TRecorder client;
    client.SetComm(&Comm);
    Pty.Send("!");
    ASSERT_TRUE(Ui.PumpUntil([&] { return client.All() == "hello!"; }));
    EXPECT_EQ(client.Chunks.front().Data.substr(0, 5), "hello");
}

TEST_F(CommTest, WithoutClientsOnRxCharGetsTheCountAndReads) {
    std::string got;
    std::vector<int> counts;
    Comm.SetOnRxChar([&](TVaCustomComm& Sender, int Count) {
        counts.push_back(Count);
        std::string buf(static_cast<std::size_t>(Count), '\0');
        buf.resize(
            static_cast<std::size_t>(static_cast<TVaComm&>(Sender).ReadBuf(buf.data(), Count)));
        got += buf;
    });
    Comm.Open();
    Pty.Send("$GPGSV,3*00\r\n");
    ASSERT_TRUE(Ui.PumpUntil([&] { return got == "$GPGSV,3*00\r\n"; }));
    EXPECT_FALSE(counts.empty());
}

TEST_F(CommTest, DisabledControlsStopDeliveryToClientsButNotOnRxBuf) {
    TRecorder client;
    client.SetComm(&Comm);
    std::string rxBuf;
    int txEmpty = 0;
    Comm.SetOnRxBuf([&](TVaCustomComm&, PVaData Data, int Count) {
        rxBuf.append(reinterpret_cast<const char*>(Data), Count);
    });
    Comm.SetOnTxEmpty([&](TVaCustomComm&) { ++txEmpty; });
    Comm.Open();
    Comm.DisableControls();
    Pty.Send("abc");
    Comm.WriteText("x");
    ASSERT_TRUE(Ui.PumpUntil([&] { return rxBuf == "abc" && txEmpty == 1; }));
    EXPECT_TRUE(client.Chunks.empty());
    EXPECT_TRUE(client.Events.empty());
    Comm.EnableControls();
    Pty.Send("def");
    ASSERT_TRUE(Ui.PumpUntil([&] { return client.All() == "def"; }));
    EXPECT_EQ(rxBuf, "abcdef");
}

TEST_F(CommTest, AFailingClientIsReportedAndTheOthersGoOn) {
    TRecorder failing, next;
    failing.SetComm(&Comm);
    next.SetComm(&Comm);
    failing.OnData = [&](PVaData, int) {
        if (failing.Chunks.size() == 1) throw EVaCommError("client failed");
    };
    Comm.Open();
    Pty.Send("one");
    ASSERT_TRUE(Ui.PumpUntil([&] { return next.All() == "one"; }));
    Pty.Send("two");
    ASSERT_TRUE(Ui.PumpUntil([&] { return failing.All() == "onetwo" && next.All() == "onetwo"; }));
    ASSERT_EQ(Reports.Messages, std::vector<std::string>{"client failed"});
    EXPECT_EQ(Reports.Threads.front(), Ui.UiThread);
}

TEST_F(CommTest, PurgesDiscardWhatWaits) {
    Comm.Buffers().SetWriteTimeout(50);
    Comm.Open();
    Pty.Send("stale");
    ASSERT_TRUE(Ui.PumpUntil([&] { return Comm.GetStatus().InQueue == 5; }));
    Comm.PurgeRead();
    EXPECT_EQ(Comm.GetStatus().InQueue, 0);

    bool full = false;
    for (int i = 0; i < 100 && !full; ++i) {
        full = CommErrorOf([&] { Comm.WriteText(std::string(1024, 'X')); }) == OutputFull;
        Ui.Pump(1);
    }
    ASSERT_TRUE(full);
    Comm.PurgeWrite();
    // The far end still reads nothing: only an empty queue takes 2048 bytes now.
    EXPECT_TRUE(Comm.WriteText(std::string(2048, 'Y')));
}

// The far end goes away (the simulator exits, an adapter is unplugged): the device reports a
// hang-up at once and for ever. The port falls silent instead of spinning.
TEST_F(CommTest, AVanishedDeviceFallsSilentWithoutBurningCpu) {
    TRecorder client;
    client.SetComm(&Comm);
    Comm.Buffers().SetWriteTimeout(100);
    Comm.Open();
    Pty.Send("$GPGGA,1*00\r\n");
    ASSERT_TRUE(Ui.PumpUntil([&] { return client.All().size() == 13; }));

    Pty.CloseMaster();
    Published.reset(); // whoever publishes a terminal withdraws it when it closes
    const double cpu = ProcessCpuSeconds();
    Comm.WriteText("$DUAIQ,010*2B\r\n"); // fails on the device
    Ui.Pump(600);
    EXPECT_LT(ProcessCpuSeconds() - cpu, 0.25);
    EXPECT_LT(client.Events.size() + client.Chunks.size(), 10u);

    // The failed write's status query fails on the vanished device, which ends the write
    // thread, once reported; later writes fill the queue and are then refused.
    ASSERT_TRUE(Ui.PumpUntil([&] { return !Reports.Messages.empty(); }));
    EXPECT_EQ(Reports.Messages,
              std::vector<std::string>{"Error retrieving statistics (5), Input/output error"});
    EXPECT_TRUE(Comm.WriteText(std::string(2048 - 15, 'z')));
    EXPECT_EQ(CommErrorOf([&] { Comm.WriteText("x"); }), OutputFull);

    Comm.Close();
    EXPECT_FALSE(Comm.Active());
}

TEST_F(CommTest, ARaisingTxEmptyHandlerEndsOnlyTheWriteThread) {
    TRecorder client;
    client.SetComm(&Comm);
    Comm.SetOnTxEmpty([](TVaCustomComm&) { throw EVaCommError("tx handler failed"); });
    Comm.Buffers().SetWriteTimeout(100);
    Comm.Open();
    Comm.WriteText("a");
    ASSERT_TRUE(Ui.PumpUntil([&] { return !Reports.Messages.empty(); }));
    EXPECT_EQ(Reports.Messages, std::vector<std::string>{"tx handler failed"});
    EXPECT_EQ(Receive(1), "a");
    EXPECT_TRUE(Comm.WriteText(std::string(2048, 'b'))); // queued, never sent
    EXPECT_EQ(CommErrorOf([&] { Comm.WriteText("c"); }), OutputFull);
    EXPECT_EQ(Drain(50), "");
    // receiving goes on
    Pty.Send("still here");
    ASSERT_TRUE(Ui.PumpUntil([&] { return client.All() == "still here"; }));
    // and a new open sends again
    Comm.Close();
    Comm.SetOnTxEmpty(nullptr);
    Comm.Open();
    Comm.WriteText("d");
    EXPECT_EQ(Receive(1), "d");
}

// Closing from inside a hand-over (a modal box in a handler let a timer close the port) must
// not wait for the hand-over it is inside of.
TEST_F(CommTest, ClosingFromInsideAHandOverDoesNotHang) {
    TRecorder client;
    client.SetComm(&Comm);
    client.OnData = [&](PVaData, int) { Comm.Close(); };
    Comm.Open();
    Pty.Send("x");
    ASSERT_TRUE(Ui.PumpUntil([&] { return !client.Chunks.empty(); }));
    EXPECT_FALSE(Comm.Active());
    Pty.Send("y");
    Ui.Pump(100);
    EXPECT_EQ(client.All(), "x");
}

TEST_F(CommTest, OpenAndCloseHandlers) {
    Comm.SetOnOpen([](TVaCustomComm&) { throw EVaCommError("open handler failed"); });
    Comm.Open();
    EXPECT_TRUE(Comm.Active());
    EXPECT_EQ(Reports.Messages, std::vector<std::string>{"open handler failed"});

    Comm.SetOnClose([](TVaCustomComm&) { throw EVaCommError("close handler failed"); });
    EXPECT_EQ(CommErrorOf([&] { Comm.Close(); }), "close handler failed");
    EXPECT_FALSE(Comm.Active());
}

TEST_F(CommTest, DestroyingAnOpenPortReleasesItAndDetachesItsClients) {
    TRecorder first, second;
    int closes = 0;
    {
        TVaComm port;
        port.SetSynchronizer(&Ui.Queue);
        port.SetPortNum(Port);
        port.SetOnClose([&](TVaCustomComm&) { ++closes; });
        first.SetComm(&port);
        second.SetComm(&port);
        port.Open();
        Pty.Send("abc");
        ASSERT_TRUE(Ui.PumpUntil([&] { return second.All() == "abc"; }));
    }
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(first.Comm(), nullptr);
    EXPECT_EQ(second.Comm(), nullptr);
    Comm.Open(); // the device is free again
    EXPECT_TRUE(Comm.Active());
}

} // namespace
