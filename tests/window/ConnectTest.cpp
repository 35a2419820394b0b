#include "widgets/RadioGroup.h"
#include "widgets/VaTerminal.h"
#include "WindowFixture.h"

namespace {

using Strings = std::vector<std::string>;

class Connect : public WindowTest {};

TEST_F(Connect, FindsTheTransponderAndReadsItsConfiguration) {
    StartSim();
    ASSERT_TRUE(ConnectAndRead());
    EXPECT_TRUE(Boxes.empty()) << Boxes.front().Text.toStdString();
    EXPECT_TRUE(Form->VaComm_Std.Active());
    EXPECT_EQ(Form->ComboBox_Port->currentText(), "COM " + QString::number(Sim->PortNum()));
    EXPECT_EQ(Form->Edit_ShipsName->text(), "CORVANE TEST");
    EXPECT_EQ(Form->Edit_CallSign->text(), "DK2345");
    EXPECT_EQ(Form->Edit_MMSI->text(), "211234560");
    EXPECT_EQ(Form->Label_MMSI->text(), "OK");
    EXPECT_EQ(Form->Edit_A->text(), "010");
    EXPECT_EQ(Form->Edit_B->text(), "005");
    EXPECT_EQ(Form->Edit_C->text(), "03");
    EXPECT_EQ(Form->Edit_D->text(), "02");
    EXPECT_EQ(Form->ComboBox_Type->currentText(), "37 = Vessel - Pleasure craft");
    EXPECT_EQ(Form->OwnShip.VendorID, "CVN2401");
    EXPECT_EQ(Form->RadioGroup_Switch->ItemIndex(), 0);
    EXPECT_EQ(Form->RadioGroup_Baud->ItemIndex(), 0);
    EXPECT_EQ(Form->RadioGroup_GPS->ItemIndex(), 0);
    EXPECT_EQ(Form->RadioGroup_ALR->ItemIndex(), 0);
    for (QPushButton* b : {Form->BitBtn_Disc, Form->BitBtn_Save, Form->BitBtn_Reset}) EXPECT_TRUE(b->isEnabled());
    EXPECT_FALSE(Form->BitBtn_Connect->isEnabled());
    EXPECT_TRUE(Form->Shape_Reset->isEnabled());
    EXPECT_EQ(Sim->Transcript(), (Strings{"DUAIQ,010", "DUAIQ,010", "DUAIQ,SSD", "DUAIQ,VSD", "DUAIQ,SRM",
                                          "DUAIQ,010", "DUAIQ,SER", "DUAIQ,NMEA,03", "DUAIQ,ALM"}));
    // every sent sentence is echoed to the trace terminal
    EXPECT_TRUE(Form->VaTerminal1->toPlainText().contains("--> $DUAIQ,SSD*20"));
}

TEST_F(Connect, WithoutAnyPortTheConnectionFailsAtOnce) {
    Form->BitBtn_Connect->click();
    ASSERT_TRUE(WaitFor([this] { return !Boxes.empty(); }, 5000));
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{"Connection failed."}));
    EXPECT_EQ(Boxes[0].Caption, "Error");
    EXPECT_EQ(Form->ComboBox_Port->count(), 0);
    EXPECT_EQ(Form->Panel_Connect->text(), "Disconnected");
    EXPECT_TRUE(Form->BitBtn_Connect->isEnabled());
    EXPECT_EQ(Unit().ReplyState, rsFailed);

    // a failed choice after that shows the box again, because the state is still 3
    Form->ComboBox_Port->setEditText("COM 7");
    Unit().ConnectChosenPort();
    EXPECT_EQ(Boxes.size(), 2u);
}

TEST_F(Connect, AQueryWithoutReplyIsSentThreeTimesThenGivenUp) {
    StartSim({"--silent", "--speed", "5"}); // its GPS traffic still shows it is there
    Form->BitBtn_Connect->click();
    ASSERT_TRUE(WaitFor([this] { return !Boxes.empty(); }, 15000));
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{"No response from corvane.\r\nTry to connect again."}));
    EXPECT_EQ(Unit().ScanStep, 0);
    EXPECT_EQ(Form->Panel_Connect->text(), "Connected"); // the port stays open
    Strings sent = Sim->Transcript();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(Strings(sent.end() - 3, sent.end()), (Strings{"DUAIQ,SSD", "DUAIQ,SSD", "DUAIQ,SSD"}));
}

TEST_F(Connect, ALateReplyStillCompletesItsStep) {
    StartSim({"--late", "--speed", "5"});
    Form->BitBtn_Connect->click();
    ASSERT_TRUE(WaitFor([this] { return Unit().ScanStep >= 3; }, 15000));
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(Form->Edit_ShipsName->text(), "CORVANE TEST");
    const Strings sent = Sim->Transcript();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "DUAIQ,SSD"), 2);
}

TEST_F(Connect, DisconnectClosesThePortAndClearsTheFields) {
    StartSim();
    ASSERT_TRUE(ConnectAndRead());
    Form->BitBtn_Disc->click();
    EXPECT_FALSE(Form->VaComm_Std.Active());
    EXPECT_EQ(Form->Panel_Connect->text(), "Disconnected");
    for (QLineEdit* e : {Form->Edit_ShipsName, Form->Edit_MMSI, Form->Edit_A, Form->Edit_D, Form->Edit_CallSign})
        EXPECT_TRUE(e->text().isEmpty());
    EXPECT_TRUE(Form->BitBtn_Connect->isEnabled());
    EXPECT_FALSE(Form->BitBtn_Save->isEnabled());
    EXPECT_EQ(Form->Label_Tx->text(), "Standby");
    EXPECT_FALSE(Form->Timer_WatchDog.isActive());
}

TEST_F(Connect, ALostDeviceShutsTheProgramDown) {
    StartSim({"--speed", "5"});
    ASSERT_TRUE(ConnectAndRead());
    ASSERT_TRUE(WaitFor([this] { return Form->Timer_WatchDog.isActive(); }, 3000));
    Sim->Stop(); // the device and its published name are gone
    ASSERT_TRUE(WaitFor([this] { return !Boxes.empty(); }, 5000));
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{"COM-Port is shut down.\r\nPlease restart corvane Setup Software."}));
    EXPECT_TRUE(WaitFor([this] { return !Form->VaComm_Std.Active() && Form->Panel_Connect->text() == "Disconnected"; },
                        3000));
}

} // namespace
