#include "FakeLine.h"
#include "serial/VaCommError.h"
#include "tests/window/WindowFixture.h"

#include <QThread>
#include <sys/file.h>

namespace {

class Faults : public WindowTest {};

// True when the NMEA checksum of a received sentence (ending in CR) is right.
bool Whole(const std::string& S) {
    const auto star = S.rfind('*');
    if (S.empty() || (S[0] != '$' && S[0] != '!') || star == std::string::npos || star + 3 > S.size()) return false;
    unsigned x = 0;
    for (std::size_t i = 1; i < star; ++i) x ^= static_cast<unsigned char>(S[i]);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", x);
    return S.compare(star + 1, 2, hex) == 0;
}

TEST_F(Faults, CablePulledAndPluggedBackIsReopenedByTheWatchdog) {
    StartSim({"--speed", "5"});
    ASSERT_TRUE(ConnectAndRead());
    const std::string port = std::to_string(Sim->PortNum());
    Sim.reset(); // pulled ...
    StartSim({"--speed", "5", "--port", port}); // ... and plugged back under the same number
    ASSERT_TRUE(WaitFor([this] { return !Form->Timer_WatchDog.isActive(); }, 3000)); // it fired
    ASSERT_TRUE(WaitFor([this] { return Form->Timer_WatchDog.isActive(); }, 3000));  // data again
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Form->VaComm_Std.Active());
    EXPECT_TRUE(Form->VaCapture_Std.Active());
    EXPECT_EQ(Form->Panel_Connect->text(), "Connected");
}

TEST_F(Faults, PortTakenBetweenScanAndProbe) {
    StartSim();
    Form->BitBtn_Connect->click();
    ASSERT_TRUE(WaitFor([this] { return Form->ComboBox_Port->count() == 1; }, 5000));
    const int other = open(Sim->Device().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK); // another program
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    ASSERT_TRUE(WaitFor([this] { return !Boxes.empty(); }, 5000));
    close(other);
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{"Connection failed."}));
    EXPECT_FALSE(Form->VaComm_Std.Active());
    EXPECT_TRUE(Form->BitBtn_Connect->isEnabled());
}

TEST_F(Faults, BlockedWindowDuringAFloodLosesBytesButNoSentenceIsCorrupted) {
    StartSim({"--flood", "--targets", "300"});
    ASSERT_TRUE(ConnectAndRead());
    std::vector<std::string> seen;
    Form->VaCapture_Std.SetOnMessage([this, &seen](TVaCapture& Sender, const std::string& Data) {
        seen.push_back(Data);
        Form->VaCapture_StdMessage(Sender, Data);
    });
    QTest::qWait(500);
    QThread::msleep(2000); // the window does not answer for two seconds
    const std::size_t before = seen.size();
    QTest::qWait(1500);
    ASSERT_GT(seen.size(), before + 50);
    int broken = 0;
    for (std::size_t i = before; i < seen.size(); ++i) broken += Whole(seen[i]) ? 0 : 1;
    EXPECT_LE(broken, 1); // at most the one sentence cut by the loss
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(Faults, AWriteQueueThatStaysFullIsReportedAndTheWindowGoesOn) {
    TFakeLine line(TFakeLine::TMode::NeverReads);
    Form->VaComm_Std.SetPortNum(line.PortNum());
    Form->VaComm_Std.Open();
    std::string error;
    for (int i = 0; i < 20000 && error.empty(); ++i) {
        try {
            Form->SendNMEA("DUAIQ,SSD");
        } catch (const EVaCommError& e) {
            error = e.what();
        }
    }
    EXPECT_EQ(error, "Output buffer is full. Please check comm status.");
    Form->VaComm_Std.Close(); // does not hang on the stuck writer
    EXPECT_FALSE(Form->VaComm_Std.Active());
}

TEST_F(Faults, ATransponderThatAnswersGarbageIsNotTaken) {
    TFakeLine line(TFakeLine::TMode::AnswersGarbage);
    Form->BitBtn_Connect->click();
    ASSERT_TRUE(WaitFor([this] { return !Boxes.empty(); }, 8000));
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{"Connection failed."}));
    EXPECT_FALSE(Form->VaComm_Std.Active());
    EXPECT_EQ(Form->Panel_Connect->text(), "Disconnected");
}

} // namespace
