// The window as a boat's data hub: what the port receives goes to the shares while the window
// keeps every sentence; the "Sharing" menu; and a transponder reached over the network, through
// Debian's ser2net in front of the simulator's line.

#include "Peers.h"
#include "WindowFixture.h"
#include "serial/VaClient.h"
#include "share/ShareHub.h"
#include "share/ShareMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <unistd.h>

namespace {

using Strings = std::vector<std::string>;

// Every line the port delivered, as the window's capture got it.
class TLineTap final : public TVaCommComponent {
public:
    void HandleCommData(PVaData Data, int Count) override {
        FPending.append(reinterpret_cast<const char*>(Data), static_cast<std::size_t>(Count));
        for (std::size_t nl; (nl = FPending.find('\n')) != std::string::npos;) {
            Lines.push_back(FPending.substr(0, nl + 1));
            FPending.erase(0, nl + 1);
        }
    }
    Strings Lines;

private:
    std::string FPending;
};

int SharePort(const TShareHub& Hub, int Index) {
    const std::string where = Hub.Status().at(static_cast<std::size_t>(Index)).Where;
    return std::atoi(where.c_str() + where.rfind(':') + 1);
}

class Sharing : public WindowTest {
protected:
    void Share(std::initializer_list<const char*> Specs, std::size_t QueueLimit = 256 * 1024) {
        Hub = std::make_unique<TShareHub>(QueueLimit);
        for (const char* s : Specs) {
            TShareSpec spec;
            std::string error;
            ASSERT_TRUE(ParseShareSpec(s, spec, error)) << error;
            Hub->Add(spec);
        }
        // As the program does: started, then handed to the window.
        for (int i = 0; i < static_cast<int>(Specs.size()); ++i) {
            std::string error;
            ASSERT_TRUE(Hub->Start(i, error)) << error;
        }
        Form->SetShareHub(Hub.get());
    }

    // Reads what has come while the window goes on working.
    bool ReadUntil(TLineClient& C, const std::function<bool(const Strings&)>& Done, int Ms) {
        return WaitFor([&] { return C.ReadUntil(Done, 0); }, Ms);
    }

    QAction* Item(int N) { return Form->findChild<QAction*>(QString("MenuItem_Share%1").arg(N)); }

    ~Sharing() override {
        PasswordDialog.reset();
        Form.reset(); // the window lets go of the hub first
        Hub.reset();
    }

    std::unique_ptr<TShareHub> Hub;
};

TEST_F(Sharing, TheMenuShowsEachShareWithItsClientsAndStopsAndStartsIt) {
    const int udp = FreeUdpPort();
    Share({"tcp:127.0.0.1:0", ("udp:127.0.0.1:" + std::to_string(udp)).c_str()});
    QStringList bar;
    for (QAction* a : Form->menuBar()->actions()) bar << a->text();
    EXPECT_EQ(bar.mid(0, 3), (QStringList{"File", "Sharing", "Info"}));

    const int port = SharePort(*Hub, 0);
    const QString tcp = QString("TCP 127.0.0.1:%1: ").arg(port);
    EXPECT_EQ(Item(1)->text(), tcp + "0 clients");
    EXPECT_TRUE(Item(1)->isChecked());
    EXPECT_EQ(Item(2)->text(), QString("UDP 127.0.0.1:%1: 0 sentences").arg(udp));

    TLineClient client(port);
    ASSERT_TRUE(client.Connected());
    EXPECT_TRUE(WaitFor([&] { return Item(1)->text() == tcp + "1 client"; }, 5000))
        << Item(1)->text().toStdString();

    Item(1)->trigger(); // stop: the client is let go
    EXPECT_FALSE(Item(1)->isChecked());
    EXPECT_TRUE(Item(1)->text().endsWith(": stopped")) << Item(1)->text().toStdString();
    EXPECT_TRUE(client.Closed(5000));
    EXPECT_FALSE(TLineClient(port).Connected());

    Item(1)->trigger(); // and again
    EXPECT_TRUE(Item(1)->isChecked());
    TLineClient again(SharePort(*Hub, 0));
    EXPECT_TRUE(again.Connected());
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(Sharing, AGoodClientGetsEverySentenceTheWindowGetsWhateverTheOthersDo) {
    Share({"tcp:127.0.0.1:0"});
    const int port = SharePort(*Hub, 0);
    TLineTap tap;
    tap.SetComm(&Form->VaComm_Std);
    TLineClient good(port);
    TLineClient sleeper(port, 4096); // connects and never reads
    TLineClient rude(port);          // goes away without a goodbye
    ASSERT_TRUE(good.Connected() && sleeper.Connected() && rude.Connected());

    // Busy traffic, but not a flood: the test reads one client at a time, and a client left
    // unread for long at a flood is rightly let go.
    StartSim({"--speed", "10", "--targets", "100"});
    ASSERT_TRUE(ConnectAndRead());
    const Strings sentBefore = Sim->Transcript();

    // A client that tries to program the transponder, and one that floods the server.
    TLineClient programmer(port), flooder(port);
    EXPECT_TRUE(programmer.Write("$PSRT,012,,,(--VoXeL--)*00\r\n$PSRT,010,,,111111111*00\r\n"
                                 "$PSRT,TRG,02,33*00\r\n$DUAIQ,SSD*00\r\n"));
    EXPECT_TRUE(flooder.Write(std::string(1 << 20, 'x')));
    // A hundred at once.
    std::vector<std::unique_ptr<TLineClient>> crowd;
    for (int i = 0; i < 100; ++i) crowd.push_back(std::make_unique<TLineClient>(port));
    ASSERT_TRUE(ReadUntil(
        rude, [](const Strings& L) { return !L.empty(); }, 10000));
    rude.Reset();

    const auto enough = [](const Strings& L) { return L.size() >= 5; };
    for (auto& c : crowd) {
        ASSERT_TRUE(ReadUntil(*c, enough, 10000))
            << (&c - crowd.data()) << " got " << c->Lines().size() << "; "
            << Hub->Status()[0].LastEvent << "; clients " << Hub->Status()[0].Clients;
        for (const std::string& l : c->Lines()) {
            EXPECT_TRUE(l[0] == '!' || l[0] == '$') << l;
            EXPECT_EQ(l.substr(l.size() - 2), "\r\n");
        }
    }
    ASSERT_TRUE(ReadUntil(
        good, [](const Strings& L) { return L.size() >= 200; }, 30000))
        << good.Lines().size();

    // The port closes; what it delivered up to then is what the good client has, line for
    // line, and the window had it all.
    Form->BitBtn_Disc->click();
    const std::size_t delivered = tap.Lines.size();
    ASSERT_TRUE(ReadUntil(
        good, [&](const Strings& L) { return L.size() >= delivered; }, 10000))
        << good.Lines().size() << " of " << delivered << "; " << Hub->Status()[0].LastEvent
        << "; clients " << Hub->Status()[0].Clients;
    EXPECT_EQ(good.Lines(), tap.Lines);
    EXPECT_GT(Form->StringGrid_RxData->rowCount(), 1);
    // Nothing the clients sent reached the transponder.
    EXPECT_EQ(Sim->Transcript(), sentBefore);
    EXPECT_TRUE(Boxes.empty());
    tap.SetComm(nullptr);
}

// The simulator on its own line, published elsewhere; the window knows only the network port.
class NetworkPort : public WindowTest {
protected:
    NetworkPort() {
        char dir[] = "/tmp/corvane-ports-sim-XXXXXX";
        SimDir = mkdtemp(dir);
    }
    ~NetworkPort() override {
        Ser2net.reset();
        Sim.reset();
        std::filesystem::remove_all(SimDir);
    }

    void StartBehindSer2net(const std::vector<std::string>& SimArgs, int PortNum) {
        Sim = std::make_unique<TSimProcess>(SimDir, SimArgs);
        Ser2net = std::make_unique<TSer2net>(Sim->Device());
        const std::string link = PortDir + "/COM" + std::to_string(PortNum);
        unlink(link.c_str());
        ASSERT_EQ(symlink(Ser2net->Url().c_str(), link.c_str()), 0);
    }

    // Connects, reads, saves a new name and MMSI: what the transponder received.
    Strings ReadAndWrite() {
        if (!ConnectAndRead()) return {"connect failed"};
        Form->Edit_MMSI->setText("244123456");
        Form->Edit_ShipsName->setText("over the net");
        Form->BitBtn_Save->click();
        if (!WaitFor([this] { return !Boxes.empty(); }, 20000)) return {"no answer to Save"};
        Form->BitBtn_Disc->click();
        Strings sent = Sim->Transcript();
        sent.push_back(Boxes.front().Text.toStdString());
        Boxes.clear();
        return sent;
    }

    std::string SimDir;
    std::unique_ptr<TSer2net> Ser2net;
};

TEST_F(NetworkPort, ReadsAndWritesThroughSer2netExactlyAsOverTheDirectPort) {
    StartSim();
    const Strings direct = ReadAndWrite();
    Sim.reset();

    StartBehindSer2net({"--no-traffic"}, 7);
    const Strings network = ReadAndWrite();
    EXPECT_EQ(network.back(), "Programming was successful.");
    EXPECT_EQ(network, direct);
    EXPECT_EQ(Form->ComboBox_Port->currentText(), "COM 7");
}

TEST_F(NetworkPort, ADroppedConnectionIsReopenedByTheWatchdogAndAGoneServerReported) {
    StartBehindSer2net({"--speed", "10"}, 3);
    TLineTap tap;
    tap.SetComm(&Form->VaComm_Std);
    ASSERT_TRUE(ConnectAndRead());
    ASSERT_TRUE(WaitFor([&] { return tap.Lines.size() > 5; }, 10000));

    // The server goes and comes back on the same address: the watchdog reopens the port.
    const int port = Ser2net->Port();
    Ser2net->Stop();
    Ser2net->Start();
    ASSERT_EQ(Ser2net->Port(), port);
    const std::size_t before = tap.Lines.size();
    EXPECT_TRUE(WaitFor([&] { return tap.Lines.size() > before + 5; }, 15000));
    EXPECT_TRUE(Boxes.empty()) << Boxes.front().Text.toStdString();
    EXPECT_EQ(Form->Panel_Connect->text(), "Connected");

    // Gone for good: the same report as a serial port that was unplugged.
    Ser2net->Stop();
    ASSERT_TRUE(WaitFor([this] { return !Boxes.empty(); }, 15000));
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{
                              "COM-Port is shut down.\r\nPlease restart corvane Setup Software."}));
    tap.SetComm(nullptr);
}

} // namespace
