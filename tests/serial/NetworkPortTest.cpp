// A port number that stands for a network address: the port opens a TCP connection and is
// otherwise the serial port the window knows, with a loopback server as the gateway.
#include "CommFixture.h"
#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kQuery = "$DUAIQ,010*55\r\n";
const std::string kReply = "$PSRT,010,,,211234560*1B\r\n";

class NetTest : public ::testing::Test {
public:
    static constexpr int Port = 12;
    TTestPortDir Dir;
    TLoopbackServer Server;
    TUiLoop Ui;
    TReportCatcher Reports;
    TRecorder Client;
    TVaComm Comm; // last: closed before everything it uses goes

    NetTest() {
        Comm.SetSynchronizer(&Ui.Queue);
        ConfigureStd(Comm);
        Comm.SetPortNum(Port);
        Client.SetComm(&Comm);
        DeclareNetworkPort(Port, Server.Url());
    }
    ~NetTest() override { ForgetNetworkPorts(); }

    // The server's waits run the user-interface loop, which the port's threads may wait for.
    std::function<void()> Idle() {
        return [this] { Ui.Pump(2); };
    }
    bool Accept() { return Server.Accept(5000, Idle()); }
    std::string Receive(std::size_t Count) { return Server.Receive(Count, 5000, Idle()); }
    bool Delivered(const std::string& All) {
        return Ui.PumpUntil([&] { return Client.All() == All; });
    }
    // One query out and one reply in, through the port.
    void RoundTrip(std::string& AllSoFar) {
        ASSERT_TRUE(Comm.WriteText(kQuery));
        EXPECT_EQ(Receive(kQuery.size()), kQuery);
        Server.Send(kReply);
        AllSoFar += kReply;
        EXPECT_TRUE(Delivered(AllSoFar)) << Client.All();
    }
};

TEST_F(NetTest, OpensWritesReadsAndClosesLikeASerialPort) {
    EXPECT_EQ(Comm.DevicePath(), Server.Url());
    std::string all;
    // Twice: closed and opened again, as the window's watchdog does.
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        Comm.Open();
        ASSERT_TRUE(Comm.Active());
        ASSERT_TRUE(Accept());
        RoundTrip(all);
        // The gateway's serial side keeps its own settings: the port's line settings and modem
        // lines are taken and change nothing, and no line errors come over the connection.
        Comm.SetBaudrate(round == 1 ? br4800 : br38400);
        Comm.SetDTR(true);
        Comm.SetRTS(true);
        EXPECT_EQ(Comm.GetStatus().Errors, 0u);
        RoundTrip(all);
        Comm.Close();
        EXPECT_FALSE(Comm.Active());
        EXPECT_TRUE(Server.PeerClosed(5000, Idle()));
    }
    for (const auto& c : Client.Chunks) EXPECT_EQ(c.Thread, Ui.UiThread);
    EXPECT_TRUE(Reports.Messages.empty());
}

// A name is looked up (on a thread of its own, within the open's bounded wait), and every
// address it has is tried in turn: "localhost" may come as ::1 first, where nothing listens.
TEST_F(NetTest, AHostNameIsLookedUp) {
    DeclareNetworkPort(Port, "tcp://localhost:" + std::to_string(Server.Port()));
    EXPECT_EQ(Comm.DevicePath(), "tcp://localhost:" + std::to_string(Server.Port()));
    Comm.Open();
    ASSERT_TRUE(Accept());
    std::string all;
    RoundTrip(all);
}

TEST_F(NetTest, PurgeReadDiscardsWhatWaits) {
    Client.SetComm(nullptr); // nobody takes the bytes: they wait in the connection
    Comm.Open();
    ASSERT_TRUE(Accept());
    Server.Send("stale");
    ASSERT_TRUE(Ui.PumpUntil([&] { return Comm.GetStatus().InQueue == 5; }));
    Comm.PurgeRead();
    EXPECT_EQ(Comm.GetStatus().InQueue, 0);
    Client.SetComm(&Comm);
    Server.Send("fresh");
    EXPECT_TRUE(Delivered("fresh")) << Client.All();
}

// An address that does not answer as it should fails the open with the texts a serial device
// gives, the address standing where the device path would.
TEST_F(NetTest, RefusedUnresolvedAndSilentAddressesFailWithTheSerialTexts) {
    // Nothing listens on this port any more.
    const int closed = FreeLoopbackPort();
    // A listener whose backlog is full: the kernel drops further connection requests unanswered,
    // as an unreachable gateway leaves them.
    const int full = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ASSERT_EQ(bind(full, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(getsockname(full, reinterpret_cast<sockaddr*>(&a), &size), 0);
    ASSERT_EQ(listen(full, 0), 0);
    const int filler = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const std::string silent = "tcp://127.0.0.1:" + std::to_string(ntohs(a.sin_port));

    // RFC 6761 keeps ".invalid" from ever resolving; a lookup that hangs counts as not found
    // too, after the open's bounded wait.
    const std::string unresolved = "tcp://corvane-test.invalid:10110";
    const std::string refused = "tcp://127.0.0.1:" + std::to_string(closed);
    const struct {
        std::string Url;
        std::string Says;
    } cases[] = {
        {refused, "Can't open specified device " + refused + " (Error 111, Connection refused)"},
        {unresolved, "Specified device not found (" + unresolved + ")."},
        {silent, "Can't open specified device " + silent + " (Error 110, Connection timed out)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Url);
        DeclareNetworkPort(Port, c.Url);
        EXPECT_EQ(CommErrorOf([&] { Comm.Open(); }), c.Says);
        EXPECT_FALSE(Comm.Active());
    }
    close(filler);
    close(full);
}

TEST_F(NetTest, ALinkInThePortDirectoryDeclaresAnAddress) {
    constexpr int Linked = 7;
    ASSERT_EQ(symlink(Server.Url().c_str(), Dir.Link(Linked).c_str()), 0);
    const TPortTarget t = ResolvePort("COM7");
    ASSERT_TRUE(t.Network);
    EXPECT_EQ(t.Path, Server.Url());
    EXPECT_EQ(t.Network->Port, Server.Port());

    Comm.SetPortNum(Linked);
    Comm.Open();
    ASSERT_TRUE(Accept());
    std::string all;
    RoundTrip(all);
    Comm.Close();

    // The program's own declaration comes before the link.
    DeclareNetworkPort(Linked, "tcp://127.0.0.1:1");
    EXPECT_EQ(ResolvePort("COM7").Path, "tcp://127.0.0.1:1");
    ForgetNetworkPorts();

    // A link whose text is an address, but not a valid one, leads nowhere.
    std::filesystem::remove(Dir.Link(Linked));
    ASSERT_EQ(symlink("tcp://127.0.0.1:0", Dir.Link(Linked).c_str()), 0);
    EXPECT_EQ(CommErrorOf([&] { Comm.Open(); }), "Specified device not found (tcp://127.0.0.1:0).");

    // In a directory that others may write to, the link is not followed at all.
    std::filesystem::remove(Dir.Link(Linked));
    ASSERT_EQ(symlink(Server.Url().c_str(), Dir.Link(Linked).c_str()), 0);
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0777), 0);
    EXPECT_FALSE(ResolvePort("COM7").Network);
    EXPECT_EQ(CommErrorOf([&] { Comm.Open(); }),
              "Specified device not found (" + Dir.Link(Linked) + ").");
    EXPECT_FALSE(Server.Accept(200));
    chmod(Dir.Path().c_str(), 0700);
}

// The gateway closes the connection (ser2net restarted, the gateway rebooted): the port behaves
// as with an unplugged adapter. What came before the close is delivered, then the port falls
// silent without burning a core; the watchdog's reopen is refused while the server is away and
// succeeds once it is back.
TEST_F(NetTest, APeerThatClosesIsAnUnpluggedLine) {
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset (RST)" : "close (FIN)");
        Client.Chunks.clear();
        Client.Events.clear();
        Comm.Open();
        ASSERT_TRUE(Accept());
        std::string sent;
        for (int i = 0; i < 50; ++i)
            sent += "$GPGGA," + std::to_string(i) + ",,,,,0,00,,,,,,,*00\r\n";
        Server.Send(sent);
        Server.CloseConnection(reset);
        ASSERT_TRUE(Delivered(sent)) << Client.All().size() << " of " << sent.size();

        const double cpu = ProcessCpuSeconds();
        const std::size_t chunks = Client.Chunks.size();
        // Goes nowhere and raises no signal; the failed write is a line error, tried again at a
        // slowing pace, as on a vanished serial device.
        ASSERT_TRUE(Comm.WriteText(kQuery));
        Ui.Pump(600);
        EXPECT_LT(ProcessCpuSeconds() - cpu, 0.25);
        EXPECT_EQ(Client.Chunks.size(), chunks);
        EXPECT_EQ(Client.All(), sent);
        for (const std::uint32_t e : Client.Events)
            EXPECT_EQ(e & ~(VaEv::Error | VaEv::TxEmpty), 0u) << e;
        EXPECT_TRUE(Comm.Active());

        // The watchdog: close, and open again.
        Comm.Close();
        Server.StopListening();
        EXPECT_EQ(CommErrorOf([&] { Comm.Open(); }), "Can't open specified device " + Server.Url() +
                                                         " (Error 111, Connection refused)");
        EXPECT_FALSE(Comm.Active());
        Server.Listen();
        Comm.Open();
        ASSERT_TRUE(Accept());
        std::string all = sent;
        RoundTrip(all);
        Comm.Close();
    }
}

} // namespace
