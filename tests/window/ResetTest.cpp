#include "app/QuitSignals.h"
#include "app/TraceLog.h"
#include "widgets/VaTerminal.h"
#include "WindowFixture.h"

#include <QPlainTextEdit>
#include <csignal>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

using Strings = std::vector<std::string>;
const std::string kUnlock = "PSRT,012,,,(--VoXeL--)";

class FactoryReset : public WindowTest {
protected:
    Strings SentSince(std::size_t From) {
        const Strings all = Sim->Transcript();
        return Strings(all.begin() + static_cast<long>(std::min(From, all.size())), all.end());
    }
    // Opens the Password dialog as a click on the diagram would, types Text and presses OK
    // (or Cancel when Text is empty).
    void UsePasswordDialog(const QString& Text) {
        QTimer::singleShot(50, PasswordDialog.get(), [this, Text] {
            PasswordDialog->MaskEdit->setText(Text);
            if (Text.isEmpty())
                PasswordDialog->BitBtn2->click();
            else
                PasswordDialog->BitBtn1->click();
        });
        QTest::mouseClick(Form->Shape_Reset, Qt::LeftButton);
    }
};

TEST_F(FactoryReset, AnsweredNoSendsNothing) {
    StartSim();
    ASSERT_TRUE(ConnectAndRead());
    const std::size_t before = Sim->Transcript().size();
    Answers = {TMsgResult::No};
    Form->BitBtn_Reset->click();
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{"corvane set to factory state ?"}));
    EXPECT_EQ(Boxes[0].Caption, "Confirmation");
    EXPECT_EQ(Boxes[0].Buttons, TMsgButtons::YesNoCancel);
    QTest::qWait(300);
    EXPECT_TRUE(SentSince(before).empty());
    EXPECT_TRUE(Form->VaComm_Std.Active());
}

TEST_F(FactoryReset, AnsweredYesResetsAndDisconnects) {
    StartSim();
    ASSERT_TRUE(ConnectAndRead());
    const std::size_t before = Sim->Transcript().size();
    Answers = {TMsgResult::Yes};
    Form->BitBtn_Reset->click();
    EXPECT_EQ(BoxTexts(),
              (std::vector<QString>{"corvane set to factory state ?", "Corvane MMSI erased."}));
    EXPECT_FALSE(Form->VaComm_Std.Active());
    EXPECT_EQ(Form->Panel_Connect->text(), "Disconnected");
    EXPECT_TRUE(Form->Edit_MMSI->text().isEmpty());
    ASSERT_TRUE(WaitFor([&] { return SentSince(before).size() >= 4; }, 3000));
    EXPECT_EQ(SentSince(before), (Strings{kUnlock, "PSRT,RDP", kUnlock, "PSRT,SRM,00,01,CVN2401"}));
}

TEST_F(FactoryReset, WithoutASwitchTypeReplyTheVendorIdIsEmpty) {
    Form->VaTerminal1->clear();
    Answers = {TMsgResult::Yes};
    Unit().BitBtn_ResetClick();
    EXPECT_TRUE(Form->VaTerminal1->toPlainText().contains("--> $PSRT,SRM,00,01,*"));
}

TEST_F(FactoryReset, CancelledPasswordDialogStillDisconnects) {
    StartSim();
    ASSERT_TRUE(ConnectAndRead());
    UsePasswordDialog("");
    EXPECT_FALSE(Form->VaComm_Std.Active());
    EXPECT_EQ(Form->Panel_Connect->text(), "Disconnected");
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(FactoryReset, ServicePasswordResetsTheTransponder) {
    StartSim();
    ASSERT_TRUE(ConnectAndRead());
    const std::size_t before = Sim->Transcript().size();
    Answers = {TMsgResult::Yes};
    UsePasswordDialog("harbour7ink");
    EXPECT_EQ(BoxTexts(),
              (std::vector<QString>{"Corvane set to factory state ?", "Corvane MMSI erased."}));
    EXPECT_FALSE(Form->VaComm_Std.Active());
    ASSERT_TRUE(WaitFor([&] { return SentSince(before).size() >= 4; }, 3000));
    EXPECT_EQ(SentSince(before), (Strings{kUnlock, "PSRT,RDP", kUnlock, "PSRT,SRM,00,01,CVN2401"}));
}

class TraceView : public FactoryReset {
protected:
    TraceView() {
        char dir[] = "/tmp/corvane-log-test-XXXXXX";
        LogDir = mkdtemp(dir);
        OldDir = std::filesystem::current_path();
        std::filesystem::current_path(LogDir);
    }
    ~TraceView() override {
        PasswordDialog.reset();
        Form.reset(); // closes the log
        std::filesystem::current_path(OldDir);
        std::filesystem::remove_all(LogDir);
    }
    std::string LogText() {
        std::ifstream in(LogDir + "/" +
                             TraceLogName(QDate::currentDate(), QLocale::system()).toStdString(),
                         std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string LogDir;
    std::filesystem::path OldDir;
};

TEST_F(TraceView, UnlockShowsTheTraceAndLogsReceivedSentences) {
    StartSim({"--speed", "5"});
    ASSERT_TRUE(ConnectAndRead());
    UsePasswordDialog("zentr");
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Form->VaTerminal1->isVisibleTo(Form.get()));
    EXPECT_FALSE(Form->Memo_GGA->isHidden()); // on a tab not showing now
    EXPECT_FALSE(Form->Memo_VDO->isHidden());
    ASSERT_TRUE(Form->TraceLog.IsOpen());

    // the dialog ended the connection; log what the capture hands over from now on
    const std::string vdm = "!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A";
    const std::string rmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
    Feed(vdm + "\r\n" + "$GPGGA,1,2*00\r\n" + rmc + "\r\n");
    Form->SendNMEA("DUAIQ,SSD"); // sent sentences are not logged
    Form->UnlockTrace();         // a second unlock keeps every line handed over before
    Feed(vdm + "\r\n");
    Form->TraceLog.Close();
    EXPECT_EQ(LogText(), vdm + "\r\r\n" + rmc + "\r\r\n" + vdm + "\r\r\n");
}

TEST_F(TraceView, TerminationSignalClosesTheWindowAndWritesTheLogOut) {
    Form->UnlockTrace();
    const std::string vdm = "!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A";
    Feed(vdm + "\r\n");
    TQuitOnSignals quit([this] { Form->close(); });
    Form->show();
    std::raise(SIGTERM);
    ASSERT_TRUE(WaitFor([this] { return !Form->isVisible(); }, 3000));
    EXPECT_FALSE(Form->TraceLog.IsOpen());
    EXPECT_EQ(LogText(), vdm + "\r\r\n");
}

TEST_F(TraceView, KeysTypedIntoTheTerminalGoToThePort) {
    StartSim();
    ASSERT_TRUE(ConnectAndRead());
    Form->UnlockTrace();
    Form->VaTerminal1->setFocus();
    QTest::keyClicks(Form->VaTerminal1, "$DUAIQ,SSD*20");
    QTest::keyClick(Form->VaTerminal1, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([this] { return Sim->Transcript().back() == "DUAIQ,SSD"; }, 3000));
    EXPECT_FALSE(Form->VaTerminal1->toPlainText().contains("$DUAIQ,SSD*20\n$")); // no local echo
}

TEST(TraceLogName, FollowsTheShortDateFormatAndStaysAFileName) {
    const QDate date(2026, 12, 9);
    const QString dotted = TraceLogName(date, QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(dotted.startsWith("Log09.12.")) << dotted.toStdString();
    EXPECT_TRUE(dotted.endsWith(".log"));
    const QString slashed = TraceLogName(date, QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_FALSE(slashed.contains('/')) << slashed.toStdString();
    EXPECT_EQ(slashed, "Log12-9-26.log");
}

} // namespace
