// The hub with real peers: TCP clients and UDP receivers on loopback, a reader on the published
// pseudo-terminal, in a private port directory.

#include "share/ShareHub.h"
#include "ShareTestSupport.h"
#include "serial/PortNames.h"
#include "serial/VaCommPlatform.h"
#include "tests/serial/SerialTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace sharetest;

namespace {

TShareSpec Tcp(int Port = 0) {
    TShareSpec s;
    s.Kind = TShareSpec::TKind::Tcp;
    s.Address = "127.0.0.1";
    s.Port = Port;
    return s;
}

TShareSpec Udp(int Port) {
    TShareSpec s;
    s.Kind = TShareSpec::TKind::Udp;
    s.Address = "127.0.0.1";
    s.Port = Port;
    return s;
}

TShareSpec Pty(int PortNum = 0) {
    TShareSpec s;
    s.Kind = TShareSpec::TKind::Pty;
    s.PortNum = PortNum;
    return s;
}

// Starts share Index or fails the test with the reason.
void StartOk(TShareHub& Hub, int Index) {
    std::string err;
    ASSERT_TRUE(Hub.Start(Index, err)) << err;
}

TShareStatus StatusOf(const TShareHub& Hub, int Index) {
    return Hub.Status().at(static_cast<std::size_t>(Index));
}

bool WaitClients(const TShareHub& Hub, int Index, int Count) {
    return WaitFor([&] { return StatusOf(Hub, Index).Clients == Count; });
}

// Sentences From to From + Count - 1 as the hub sends them.
std::string Expected(int From, int Count) {
    std::string s;
    for (int i = From; i < From + Count; ++i) s += Sentence(i) + "\r\n";
    return s;
}

// ---- tcp ----

TEST(ShareHub, TcpLinesArriveWholeInOrderWhateverTheChunks) {
    TShareHub hub;
    const int i = hub.Add(Tcp());
    StartOk(hub, i);
    const TShareStatus st = StatusOf(hub, i);
    EXPECT_TRUE(st.Running);
    EXPECT_EQ(st.Where.rfind("127.0.0.1:", 0), 0u) << st.Where;
    ASSERT_GT(PortOf(st.Where), 0);

    TTcpClient c(PortOf(st.Where));
    ASSERT_TRUE(c.Connected);
    ASSERT_TRUE(WaitClients(hub, i, 1));

    // LF and CR LF ends, empty lines, garbage without an end, all cut at odd places.
    std::string in;
    for (int k = 0; k < 40; ++k)
        in += Sentence(k) + (k % 3 == 0 ? "\n" : "\r\n") + (k % 7 == 0 ? "\r\n\n" : "");
    in.insert(in.find(Sentence(20)), std::string(5000, 'G') + "\n");
    std::size_t at = 0;
    for (std::size_t step = 1; at < in.size(); step = step * 3 % 97 + 1) {
        const std::size_t n = std::min(step, in.size() - at);
        hub.Feed(reinterpret_cast<const std::uint8_t*>(in.data() + at), n);
        at += n;
    }
    const std::string want = Expected(0, 40);
    ASSERT_TRUE(c.ReadBytes(want.size()));
    EXPECT_EQ(c.Received, want);
    ASSERT_TRUE(WaitFor([&] { return StatusOf(hub, i).Sentences == 40; }));
}

TEST(ShareHub, TcpClientJoiningMidSentenceStartsWithTheNextWholeOne) {
    TShareHub hub;
    const int i = hub.Add(Tcp());
    StartOk(hub, i);
    const int port = PortOf(StatusOf(hub, i).Where);
    TTcpClient first(port);
    ASSERT_TRUE(WaitClients(hub, i, 1));

    FeedText(hub, Sentence(0) + "\r\n" + Sentence(1).substr(0, 10));
    ASSERT_TRUE(first.ReadBytes(Expected(0, 1).size()));
    TTcpClient late(port); // the line is in the middle of sentence 1
    ASSERT_TRUE(WaitClients(hub, i, 2));
    FeedText(hub, Sentence(1).substr(10) + "\r\n" + Sentence(2) + "\r\n");

    ASSERT_TRUE(late.ReadBytes(Expected(1, 2).size()));
    EXPECT_EQ(late.Received, Expected(1, 2));
    ASSERT_TRUE(first.ReadBytes(Expected(0, 3).size()));
    EXPECT_EQ(first.Received, Expected(0, 3));
}

TEST(ShareHub, AHundredClientsGetEverything) {
    TShareHub hub;
    const int i = hub.Add(Tcp());
    StartOk(hub, i);
    const int port = PortOf(StatusOf(hub, i).Where);
    std::vector<std::unique_ptr<TTcpClient>> clients;
    for (int k = 0; k < 100; ++k) {
        clients.push_back(std::make_unique<TTcpClient>(port));
        ASSERT_TRUE(clients.back()->Connected);
    }
    ASSERT_TRUE(WaitClients(hub, i, 100));
    for (int k = 0; k < 200; ++k) FeedText(hub, Sentence(k) + "\r\n");
    const std::string want = Expected(0, 200);
    for (auto& c : clients) {
        ASSERT_TRUE(c->ReadBytes(want.size()));
        EXPECT_EQ(c->Received, want);
    }
    EXPECT_EQ(StatusOf(hub, i).Dropped, 0u);
}

TEST(ShareHub, AClientThatStopsReadingIsDisconnectedAndTheOthersLoseNothing) {
    const std::size_t limit = 16 * 1024;
    TShareHub hub(limit);
    const int i = hub.Add(Tcp());
    StartOk(hub, i);
    const int port = PortOf(StatusOf(hub, i).Where);
    TTcpClient reader(port);
    TTcpClient stuck(port, 4096);
    ASSERT_TRUE(WaitClients(hub, i, 2));

    // Round by round, as a line would bring them: the reader keeps up, the stuck one never
    // reads, until the hub gives up on it (the kernel's buffers take their share first).
    int fed = 0;
    std::string want;
    while (StatusOf(hub, i).Dropped == 0 && fed < 200000) {
        const std::string round = Expected(fed, 50);
        FeedText(hub, round);
        want += round;
        fed += 50;
        ASSERT_TRUE(reader.ReadBytes(want.size()));
    }
    const TShareStatus st = StatusOf(hub, i);
    ASSERT_EQ(st.Dropped, 1u);
    EXPECT_EQ(st.LastEvent, stuck.Name() + " fell 16 KiB behind and was disconnected");
    ASSERT_TRUE(WaitClients(hub, i, 1));

    for (int k = 0; k < 100; ++k) FeedText(hub, Sentence(fed + k) + "\r\n");
    want += Expected(fed, 100);
    ASSERT_TRUE(reader.ReadBytes(want.size()));
    EXPECT_EQ(reader.Received, want);
    EXPECT_EQ(StatusOf(hub, i).Clients, 1);

    // What the stuck client still finds is the start of the same stream, then the end.
    EXPECT_TRUE(stuck.ReadToEnd());
    EXPECT_EQ(stuck.Received, want.substr(0, stuck.Received.size()));
}

TEST(ShareHub, OutOfDescriptorsClientsWaitAndAreTakenLater) {
    TManualClock clock;
    TShareHub hub;
    hub.SetClock(clock.Fn());
    const int i = hub.Add(Tcp());
    StartOk(hub, i);
    const int port = PortOf(StatusOf(hub, i).Where);

    // The clients' sockets first; then no descriptor is left for the hub to accept them with.
    std::vector<int> fds;
    for (int k = 0; k < 3; ++k) fds.push_back(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int lowest = dup(0);
    close(lowest);
    rlimit old{};
    getrlimit(RLIMIT_NOFILE, &old);
    rlimit tight = old;
    tight.rlim_cur = static_cast<rlim_t>(lowest);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    const sockaddr_in a = Loopback(port);
    for (int fd : fds) EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
    const bool noted = WaitFor([&] {
        return StatusOf(hub, i).LastEvent == "cannot take another client: Too many open files";
    });
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_TRUE(noted) << StatusOf(hub, i).LastEvent;
    EXPECT_EQ(StatusOf(hub, i).Clients, 0);

    // Descriptors again: after its pause the hub takes them from the backlog.
    clock.Ms += 1000;
    hub.Poke();
    ASSERT_TRUE(WaitClients(hub, i, 3));
    FeedText(hub, Expected(0, 2));
    for (int fd : fds) {
        std::string got;
        EXPECT_TRUE(ReadUntil(
            fd, got, [](const std::string& S) { return S.size() >= Expected(0, 2).size(); }));
        EXPECT_EQ(got, Expected(0, 2));
        close(fd);
    }
}

TEST(ShareHub, WhatClientsSendNeverComesOutAnywhere) {
    TTestPortDir dir;
    TManualClock clock; // standing still: the terminal's reader is never given up on
    TShareHub hub;
    hub.SetClock(clock.Fn());
    const int tcp = hub.Add(Tcp());
    TUdpReceiver receiver;
    const int udp = hub.Add(Udp(receiver.Port()));
    const int pty = hub.Add(Pty());
    StartOk(hub, tcp);
    StartOk(hub, udp);
    StartOk(hub, pty);
    const int port = PortOf(StatusOf(hub, tcp).Where);
    const std::string device =
        StatusOf(hub, pty).Where.substr(StatusOf(hub, pty).Where.find(' ') + 1);
    const int term = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(term, 0);

    TTcpClient flooder(port);
    TTcpClient quiet(port);
    ASSERT_TRUE(WaitClients(hub, tcp, 2));
    const std::string commands = "$PSRT,012,,,(--VoXeL--)*7F\r\n$PSRT,RDP*6F\r\n$DUAIQ,SSD*20\r\n";
    std::thread flood([&] {
        std::string junk(64 * 1024, 'J');
        flooder.SendAll(commands);
        for (int k = 0; k < 64; ++k) flooder.SendAll(junk); // 4 MiB
        flooder.SendAll(commands);
    });
    std::string fromTerm = commands + std::string(32 * 1024, 'T');
    for (std::size_t at = 0; at < fromTerm.size();) {
        const ssize_t n = write(term, fromTerm.data() + at, fromTerm.size() - at);
        if (n > 0)
            at += static_cast<std::size_t>(n);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (int k = 0; k < 100; ++k) FeedText(hub, Sentence(k) + "\r\n");
    flood.join();
    for (int k = 100; k < 120; ++k) FeedText(hub, Sentence(k) + "\r\n");

    const std::string want = Expected(0, 120);
    ASSERT_TRUE(quiet.ReadBytes(want.size()));
    EXPECT_EQ(quiet.Received, want);
    ASSERT_TRUE(flooder.ReadBytes(want.size()));
    EXPECT_EQ(flooder.Received, want);
    std::string termGot;
    ASSERT_TRUE(
        ReadUntil(term, termGot, [&](const std::string& S) { return S.size() >= want.size(); }));
    EXPECT_EQ(termGot, want); // no echo of what the reader wrote either
    const std::vector<std::string> datagrams = receiver.Receive(120);
    ASSERT_EQ(datagrams.size(), 120u);
    for (const std::string& d : datagrams) EXPECT_EQ(d.find("PSRT"), std::string::npos) << d;
    EXPECT_EQ(StatusOf(hub, tcp).Clients, 2);
    close(term);
}

TEST(ShareHub, AClientResettingTheConnectionHarmsNobody) {
    TShareHub hub;
    const int i = hub.Add(Tcp());
    StartOk(hub, i);
    const int port = PortOf(StatusOf(hub, i).Where);
    TTcpClient stays(port);
    auto leaves = std::make_unique<TTcpClient>(port);
    const std::string leavesName = leaves->Name();
    ASSERT_TRUE(WaitClients(hub, i, 2));

    FeedText(hub, Expected(0, 10) + Sentence(10).substr(0, 12));
    ASSERT_TRUE(leaves->ReadBytes(Expected(0, 5).size()));
    leaves->Reset(); // unread bytes and SO_LINGER 0: a reset in the middle of the stream
    // The hub may still be writing to it: that must fail quietly (no SIGPIPE ends this test).
    for (int k = 10; k < 300; ++k)
        FeedText(hub, (k == 10 ? Sentence(10).substr(12) : Sentence(k)) + "\r\n");
    ASSERT_TRUE(WaitClients(hub, i, 1));
    EXPECT_EQ(StatusOf(hub, i).LastEvent.rfind(leavesName + " disconnected", 0), 0u)
        << StatusOf(hub, i).LastEvent;
    EXPECT_EQ(StatusOf(hub, i).Dropped, 0u); // it left: it was not thrown out

    ASSERT_TRUE(stays.ReadBytes(Expected(0, 300).size()));
    EXPECT_EQ(stays.Received, Expected(0, 300));
}

TEST(ShareHub, StopAndStartAgainWithTheStatus) {
    TShareHub hub;
    std::atomic<int> changes{0};
    std::atomic<bool> offThread{true};
    const auto caller = std::this_thread::get_id();
    hub.SetOnChange([&] {
        ++changes;
        if (std::this_thread::get_id() == caller) offThread = false;
    });

    TShareStatus st = StatusOf(hub, hub.Add(Tcp()));
    EXPECT_FALSE(st.Running);
    EXPECT_EQ(st.Where, "");
    EXPECT_EQ(st.Clients, 0);
    EXPECT_EQ(ShareSpecText(st.Spec), "tcp:127.0.0.1:0");

    StartOk(hub, 0);
    st = StatusOf(hub, 0);
    const int port = PortOf(st.Where);
    EXPECT_EQ(st.LastEvent, "listening on " + st.Where);
    EXPECT_TRUE(st.Error.empty());
    std::string err;
    EXPECT_TRUE(hub.Start(0, err)); // already running: nothing happens
    EXPECT_EQ(StatusOf(hub, 0).Where, st.Where);

    {
        TTcpClient c(port);
        ASSERT_TRUE(WaitClients(hub, 0, 1));
        EXPECT_EQ(StatusOf(hub, 0).LastEvent, c.Name() + " connected");
        FeedText(hub, Expected(0, 3));
        ASSERT_TRUE(c.ReadBytes(Expected(0, 3).size()));
        EXPECT_TRUE(WaitFor([&] { return StatusOf(hub, 0).Sentences == 3; }));

        // The same port taken twice: the second start fails at once and says why.
        const int twin = hub.Add(Tcp(port));
        EXPECT_FALSE(hub.Start(twin, err));
        EXPECT_EQ(err, "cannot listen on 127.0.0.1:" + std::to_string(port) +
                           ": Address already in use");
        EXPECT_EQ(StatusOf(hub, twin).Error, err);
        EXPECT_FALSE(StatusOf(hub, twin).Running);

        hub.Stop(0);
        st = StatusOf(hub, 0);
        EXPECT_FALSE(st.Running);
        EXPECT_EQ(st.Where, "");
        EXPECT_EQ(st.Clients, 0);
        EXPECT_EQ(st.LastEvent, "stopped");
        EXPECT_TRUE(c.ReadToEnd()); // its client is let go
        hub.Stop(0);                // twice is harmless
        hub.Stop(99);

        // Nothing listens until it starts again, then on the same port at once.
        EXPECT_FALSE(TTcpClient(port).Connected);
        FeedText(hub, Expected(3, 1)); // nobody gets this one
        EXPECT_TRUE(hub.Start(twin, err)) << err;
        EXPECT_TRUE(StatusOf(hub, twin).Error.empty());
        EXPECT_EQ(PortOf(StatusOf(hub, twin).Where), port);
    }
    TTcpClient again(port);
    ASSERT_TRUE(WaitClients(hub, 1, 1));
    FeedText(hub, Expected(4, 2));
    ASSERT_TRUE(again.ReadBytes(Expected(4, 2).size()));
    EXPECT_EQ(again.Received, Expected(4, 2));
    EXPECT_TRUE(WaitFor([&] { return StatusOf(hub, 1).Sentences == 2; }));

    EXPECT_FALSE(hub.Start(7, err));
    EXPECT_EQ(err, "there is no share 7");
    TShareSpec odd = Tcp(70000); // made in code, not parsed
    EXPECT_FALSE(hub.Start(hub.Add(odd), err));
    EXPECT_EQ(err, "tcp:127.0.0.1:70000: the port number is out of range");
    EXPECT_GE(changes.load(), 3); // connected, disconnected, connected, ...
    EXPECT_TRUE(offThread.load());
}

TEST(ShareHub, TheHandlerMayStopAndReplaceItself) {
    TShareHub hub;
    const int i = hub.Add(Tcp());
    StartOk(hub, i);
    std::atomic<int> calls{0};
    hub.SetOnChange([&] {
        ++calls;
        if (hub.Status()[0].Clients == 1) {
            hub.Stop(0); // on the sending thread, from inside its own call
            hub.SetOnChange(nullptr);
        }
    });
    TTcpClient c(PortOf(StatusOf(hub, i).Where));
    ASSERT_TRUE(WaitFor([&] { return !StatusOf(hub, i).Running; }));
    EXPECT_TRUE(c.ReadToEnd());
    const int seen = calls.load();
    StartOk(hub, i); // no handler any more
    TTcpClient d(PortOf(StatusOf(hub, i).Where));
    ASSERT_TRUE(WaitClients(hub, i, 1));
    EXPECT_EQ(calls.load(), seen);
}

TEST(ShareHub, AHandlerThatThrowsStopsNothing) {
    TShareHub hub;
    std::atomic<int> calls{0};
    hub.SetOnChange([&] {
        ++calls;
        throw std::runtime_error("the receiver's own trouble");
    });
    const int i = hub.Add(Tcp());
    StartOk(hub, i);
    TTcpClient c(PortOf(StatusOf(hub, i).Where));
    ASSERT_TRUE(WaitClients(hub, i, 1));
    FeedText(hub, Expected(0, 3));
    ASSERT_TRUE(c.ReadBytes(Expected(0, 3).size()));
    EXPECT_EQ(c.Received, Expected(0, 3));
    EXPECT_GE(calls.load(), 1);
}

TEST(ShareHub, AStalledSendingThreadCostsBoundedMemoryAndSaysWhatWasLost) {
    TShareHub hub;
    std::atomic<bool> inHandler{false}, release{false};
    hub.SetOnChange([&] {
        inHandler = true;
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    const int i = hub.Add(Tcp());
    StartOk(hub, i); // its first change holds the thread in the handler
    ASSERT_TRUE(WaitFor([&] { return inHandler.load(); }));

    // Far more than the hub keeps for a thread that does not come round (4 MiB).
    const int fed = 150000;
    const std::string chunk = Expected(0, 1000);
    for (int k = 0; k < fed / 1000; ++k) FeedText(hub, chunk);
    release = true;
    ASSERT_TRUE(WaitFor(
        [&] { return StatusOf(hub, i).LastEvent.rfind("the hub fell behind and lost ", 0) == 0; }));
    const std::string event = StatusOf(hub, i).LastEvent;
    const long lost =
        std::atol(event.c_str() + std::string("the hub fell behind and lost ").size());
    EXPECT_EQ(event, "the hub fell behind and lost " + std::to_string(lost) + " sentences");
    EXPECT_GT(lost, 0);
    EXPECT_LT(lost, fed);
    hub.SetOnChange(nullptr);

    TTcpClient c(PortOf(StatusOf(hub, i).Where)); // and it goes on as before
    ASSERT_TRUE(WaitClients(hub, i, 1));
    FeedText(hub, Expected(0, 3));
    ASSERT_TRUE(c.ReadBytes(Expected(0, 3).size()));
    EXPECT_EQ(c.Received, Expected(0, 3));
}

TEST(ShareHub, DestroyingTheHubEndsEverything) {
    TTestPortDir dir;
    auto hub = std::make_unique<TShareHub>();
    const int tcp = hub->Add(Tcp());
    const int pty = hub->Add(Pty());
    StartOk(*hub, tcp);
    StartOk(*hub, pty);
    TTcpClient c(PortOf(StatusOf(*hub, tcp).Where));
    ASSERT_TRUE(WaitClients(*hub, tcp, 1));
    FeedText(*hub, Expected(0, 5));
    ASSERT_TRUE(c.ReadBytes(Expected(0, 5).size()));
    EXPECT_TRUE(ResolvePort("COM1").Published);
    hub.reset();
    EXPECT_TRUE(c.ReadToEnd());
    EXPECT_EQ(c.Received, Expected(0, 5));
    struct stat st {};
    EXPECT_NE(lstat(dir.Link(1).c_str(), &st), 0); // the published port is gone with it
}

// ---- udp ----

TEST(ShareHub, UdpSendsMessagesWholeAndSentencesOneADatagram) {
    TUdpReceiver receiver;
    TShareHub hub;
    const int i = hub.Add(Udp(receiver.Port()));
    StartOk(hub, i);
    EXPECT_EQ(StatusOf(hub, i).Where, "127.0.0.1:" + std::to_string(receiver.Port()));

    const std::string part1 =
        "!AIVDM,2,1,3,B,55P5TL01VIaAL@7WKO@mBplU@<PDhh000000001S;AJ::4A80?4i@E53,0*3E";
    const std::string part2 = "!AIVDM,2,2,3,B,1@0000000000000,2*55";
    const std::string own1 = "!AIVDO,2,1,5,A,5CVBV>02>:d=<H4QH00,0*1F";
    const std::string own2 = "!AIVDO,2,2,5,A,0000000,2*1F";
    const std::string single = "!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A";
    const std::string rmc = "$GPRMC,120000,A,5424.000,N,01012.000,E,6.0,90.0,091225,,,A*00";
    // The parts arrive split across feeds, as the serial port hands them over.
    const std::string in = single + "\r\n" + part1 + "\r\n" + part2 + "\r\n" + rmc + "\r\n" + own1 +
                           "\r\n" + own2 + "\r\n" + part1 + "\r\n" + rmc + "\r\n";
    for (std::size_t at = 0; at < in.size(); at += 17)
        hub.Feed(reinterpret_cast<const std::uint8_t*>(in.data() + at),
                 std::min<std::size_t>(17, in.size() - at));

    const std::vector<std::string> want = {
        single + "\r\n", part1 + "\r\n" + part2 + "\r\n",
        rmc + "\r\n",    own1 + "\r\n" + own2 + "\r\n",
        part1 + "\r\n", // its second part never came: the next line sends it on its own
        rmc + "\r\n",
    };
    EXPECT_EQ(receiver.Receive(want.size()), want);
    ASSERT_TRUE(WaitFor([&] { return StatusOf(hub, i).Sentences == 8; }));
    EXPECT_EQ(StatusOf(hub, i).Dropped, 0u);
}

TEST(ShareHub, UdpSendsAHeldFirstPartWhenItsRestIsLate) {
    TUdpReceiver receiver;
    TManualClock clock;
    TShareHub hub;
    hub.SetClock(clock.Fn());
    const int i = hub.Add(Udp(receiver.Port()));
    StartOk(hub, i);
    FeedText(hub, "!AIVDM,2,1,7,A,55P5TL01VIaAL@7WKO@mBplU,0*00\r\n");
    EXPECT_TRUE(receiver.Receive(1, 50).empty()); // held (and only this one wait is real)
    clock.Ms += 1000;
    hub.Poke();
    EXPECT_EQ(receiver.Receive(1),
              std::vector<std::string>{"!AIVDM,2,1,7,A,55P5TL01VIaAL@7WKO@mBplU,0*00\r\n"});

    // Stopping sends what is held.
    FeedText(hub, "!AIVDM,2,1,8,A,x,0*00\r\n");
    hub.Stop(i);
    EXPECT_EQ(receiver.Receive(1), std::vector<std::string>{"!AIVDM,2,1,8,A,x,0*00\r\n"});
}

TEST(ShareHub, UdpWithNobodyListeningDropsAndGoesOn) {
    const int port = FreePort(SOCK_DGRAM); // nothing is bound there: ICMP port unreachable
    TManualClock clock;
    TShareHub hub;
    hub.SetClock(clock.Fn());
    const int i = hub.Add(Udp(port));
    StartOk(hub, i);

    // One at a time, so that each refusal has come back before the next send.
    for (int k = 0; k < 20; ++k) {
        FeedText(hub, Sentence(k) + "\r\n");
        ASSERT_TRUE(WaitFor([&] {
            const TShareStatus s = StatusOf(hub, i);
            return s.Sentences + s.Dropped == static_cast<std::uint64_t>(k + 1);
        }));
    }
    TShareStatus st = StatusOf(hub, i);
    EXPECT_TRUE(st.Running);
    EXPECT_GT(st.Dropped, 0u);
    EXPECT_EQ(st.LastEvent, "sending to 127.0.0.1:" + std::to_string(port) +
                                " fails (Connection refused); its sentences are dropped");

    // A receiver comes: it gets what follows (the refusal of the last datagram may still cost
    // the next one), and after a quiet while the share says so.
    TUdpReceiver receiver(port);
    ASSERT_TRUE(receiver.Bound);
    int fed = 20;
    for (std::vector<std::string> got; got.empty() && fed < 30; ++fed) {
        FeedText(hub, Sentence(fed) + "\r\n");
        got = receiver.Receive(1, 200);
    }
    clock.Ms += 2000;
    for (int k = 0; k < 5; ++k) FeedText(hub, Sentence(100 + k) + "\r\n");
    const std::vector<std::string> got = receiver.Receive(5);
    ASSERT_EQ(got.size(), 5u);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(got[k], Sentence(100 + k) + "\r\n");
    ASSERT_TRUE(WaitFor([&] {
        const TShareStatus s = StatusOf(hub, i);
        return s.Sentences + s.Dropped == static_cast<std::uint64_t>(fed + 5);
    }));
    EXPECT_EQ(StatusOf(hub, i).LastEvent,
              "sending to 127.0.0.1:" + std::to_string(port) + " works again");
}

TEST(ShareHub, UdpStartFailsOnABroadcastAddressWithoutBroadcast) {
    TShareHub hub;
    TShareSpec s = Udp(10110); // never sent to: the start refuses
    s.Address = "255.255.255.255";
    const int i = hub.Add(s);
    std::string err;
    EXPECT_FALSE(hub.Start(i, err));
    EXPECT_EQ(err, "cannot send to 255.255.255.255:10110: Permission denied (a broadcast address "
                   "needs ,broadcast)");
    EXPECT_EQ(StatusOf(hub, i).Error, err);
}

// ---- pty ----

// Moves the clock on, one look of the hub at the terminal's reader at a time (Between runs
// before each), until Done; false when it never is.
bool StepUntil(TManualClock& Clock, TShareHub& Hub, const std::function<bool()>& Done,
               const std::function<void()>& Between = {}) {
    for (int k = 0; k < 12; ++k) {
        if (Between) Between();
        Clock.Ms += 500;
        Hub.Poke();
        if (WaitFor(Done, 50)) return true;
    }
    return false;
}

std::string DeviceOf(const TShareStatus& S) {
    return S.Where.substr(S.Where.find(' ') + 1);
}

TEST(ShareHub, PtyIsPublishedReadRawAndKeptFromThePortScan) {
    TTestPortDir dir;
    TShareHub hub;
    const int i = hub.Add(Pty());
    StartOk(hub, i);
    const TShareStatus st = StatusOf(hub, i);
    const std::string device = DeviceOf(st);
    EXPECT_EQ(st.Where, "COM1 " + device);
    EXPECT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    EXPECT_EQ(st.LastEvent, "published as " + st.Where);

    // Published as the simulator publishes: the resolution follows the link while it lives.
    const TPortTarget target = ResolvePort("COM1");
    EXPECT_TRUE(target.Published);
    EXPECT_EQ(target.Path, dir.Link(1));
    char linked[256] = {};
    ASSERT_GT(readlink(dir.Link(1).c_str(), linked, sizeof linked - 1), 0);
    EXPECT_EQ(linked, device);

    // The Corvane tools' own open (exclusive, locking) finds it busy ...
    bool notFound = false;
    errno = 0;
    EXPECT_EQ(VaPlatform::OpenDevice(target.Path, true, notFound), VaPlatform::InvalidHandle);
    EXPECT_EQ(errno, EBUSY);
    EXPECT_FALSE(notFound);
    // ... another program opens it as usual and reads the sentences, CR LF as they were.
    const int reader = open(dir.Link(1).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(reader, &t), 0);
    EXPECT_EQ(t.c_lflag & (ECHO | ICANON), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR), 0u);
    FeedText(hub, "$A,1*00\r\n!B,2*00\n");
    std::string got;
    ASSERT_TRUE(ReadUntil(reader, got, [](const std::string& S) { return S.size() >= 18; }));
    EXPECT_EQ(got, "$A,1*00\r\n!B,2*00\r\n");
    close(reader);

    // Another share asking for the same number is refused; stopping takes the link away.
    const int twin = hub.Add(Pty(1));
    std::string err;
    EXPECT_FALSE(hub.Start(twin, err));
    EXPECT_EQ(err, "cannot publish the pseudo-terminal: port COM1 is in use");
    hub.Stop(i);
    struct stat ls {};
    EXPECT_NE(lstat(dir.Link(1).c_str(), &ls), 0);
    StartOk(hub, twin);
    EXPECT_EQ(StatusOf(hub, twin).Where.rfind("COM1 ", 0), 0u);
}

TEST(ShareHub, PtyWithoutReaderDropsAndNotesWhenReadAgain) {
    TTestPortDir dir;
    TManualClock clock;
    const std::size_t limit = 16 * 1024;
    TShareHub hub(limit);
    hub.SetClock(clock.Fn());
    const int i = hub.Add(Pty());
    StartOk(hub, i);
    const std::string device = DeviceOf(StatusOf(hub, i));

    // Far more than the terminal and the queue hold: the rest is dropped at once.
    const int fed = 3000;
    FeedText(hub, Expected(0, fed));
    ASSERT_TRUE(WaitFor([&] { return StatusOf(hub, i).Dropped > 0; }));
    const std::uint64_t written = StatusOf(hub, i).Sentences;
    EXPECT_LT(written * Sentence(0).size(), limit); // what the queue took went to the terminal

    // A second without anybody taking anything: what waits is thrown away.
    ASSERT_TRUE(StepUntil(
        clock, hub, [&] { return StatusOf(hub, i).LastEvent.rfind("nobody reads", 0) == 0; }));
    TShareStatus st = StatusOf(hub, i);
    EXPECT_EQ(st.LastEvent, "nobody reads COM1; its sentences are dropped until somebody does");
    EXPECT_EQ(st.Sentences + st.Dropped, static_cast<std::uint64_t>(fed));
    EXPECT_TRUE(st.Running);

    // A reader then finds fresh sentences only, and the share notes it is read again.
    const int reader = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    std::string got, want;
    int next = fed;
    EXPECT_TRUE(StepUntil(
        clock, hub, [&] { return StatusOf(hub, i).LastEvent == "COM1 is read again"; },
        [&] {
            FeedText(hub, Expected(next, 5));
            want += Expected(next, 5);
            next += 5;
            ASSERT_TRUE(ReadUntil(reader, got,
                                  [&](const std::string& S) { return S.size() >= want.size(); }));
        }));
    EXPECT_EQ(got, want);
    close(reader);
}

TEST(ShareHub, PtyReaderThatKeepsUpIsNeverDropped) {
    TTestPortDir dir;
    TManualClock clock;
    TShareHub hub;
    hub.SetClock(clock.Fn());
    const int i = hub.Add(Pty());
    StartOk(hub, i);
    const int reader =
        open(DeviceOf(StatusOf(hub, i)).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    std::string got;
    for (int round = 0; round < 10; ++round) {
        FeedText(hub, Expected(round * 20, 20));
        ASSERT_TRUE(ReadUntil(reader, got, [&](const std::string& S) {
            return S.size() >= Expected(0, (round + 1) * 20).size();
        }));
        clock.Ms += 500; // every look finds what it gave taken
        hub.Poke();
    }
    EXPECT_EQ(got, Expected(0, 200));
    ASSERT_TRUE(WaitFor([&] { return StatusOf(hub, i).Sentences == 200; }));
    EXPECT_EQ(StatusOf(hub, i).Dropped, 0u);
    EXPECT_EQ(StatusOf(hub, i).LastEvent.rfind("published as", 0), 0u);
    close(reader);
}

} // namespace
