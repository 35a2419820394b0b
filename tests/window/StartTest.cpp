#include "widgets/RadioGroup.h"
#include "WindowFixture.h"

#include "widgets/VaTerminal.h"

#include <QMenuBar>
#include <QTableWidget>
#include <QTabWidget>

namespace {

using StartState = WindowTest;

TEST_F(StartState, NothingOpenAndOnlyConnectEnabled) {
    EXPECT_EQ(Form->windowTitle(), "Corvane Programming Tool");
    EXPECT_FALSE(Form->VaComm_Std.Active());
    EXPECT_EQ(Form->Panel_Connect->text(), "Disconnected");
    EXPECT_EQ(Form->ComboBox_Port->currentText(), "press Connect");
    EXPECT_TRUE(Form->BitBtn_Connect->isEnabled());
    for (QPushButton* b : {Form->BitBtn_Disc, Form->BitBtn_Save, Form->BitBtn_Reset}) EXPECT_FALSE(b->isEnabled());
    for (TRadioGroup* g : {Form->RadioGroup_Baud, Form->RadioGroup_GPS, Form->RadioGroup_Switch, Form->RadioGroup_ALR})
        EXPECT_EQ(g->ItemIndex(), -1) << g->objectName().toStdString();
    EXPECT_EQ(Form->ComboBox_Type->count(), 23);
    EXPECT_EQ(Form->ComboBox_Type->currentText(), "37 = Vessel - Pleasure craft");
    EXPECT_EQ(Form->Edit_ShipsName->maxLength(), 20);
    EXPECT_EQ(Form->Edit_CallSign->maxLength(), 7);
    EXPECT_EQ(Form->Edit_MMSI->maxLength(), 9);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(StartState, FourTabsInOrderAndControlsFoundByName) {
    ASSERT_EQ(Form->PageControl->count(), 4);
    EXPECT_EQ(Form->PageControl->tabText(0), "Static data");
    EXPECT_EQ(Form->PageControl->tabText(1), "Diagnostics");
    EXPECT_EQ(Form->PageControl->tabText(2), "Sent data");
    EXPECT_EQ(Form->PageControl->tabText(3), "Received data");
    EXPECT_EQ(Form->PageControl->currentIndex(), 0);
    for (const char* name : {"Edit_MMSI", "Edit_A", "Edit_D", "ComboBox_Port", "BitBtn_Save", "Panel_Connect",
                             "RadioGroup_ALR", "StringGrid_RxData", "VaTerminal1", "Shape_Reset"})
        EXPECT_NE(Form->findChild<QWidget*>(name), nullptr) << name;
    EXPECT_FALSE(Form->VaTerminal1->isVisibleTo(Form.get()));
    EXPECT_FALSE(Form->MenuItem_DataCol->menuAction()->isVisible());
}

TEST_F(StartState, AboutBoxShowsTheSoftwareVersion) {
    Form->MenuItem_HelpClick();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Caption, "Information");
    EXPECT_EQ(Boxes[0].Icon, TMsgIcon::Information);
    EXPECT_TRUE(Boxes[0].Text.startsWith("Corvane Setup Software (2.2)\r\nSoftware Version: \r\n"));
    Form->OwnShip.SWver = "1.07";
    Form->MenuItem_HelpClick();
    EXPECT_TRUE(Boxes[1].Text.startsWith("Corvane Setup Software (2.2)\r\nSoftware Version: 1.07\r\n"));
}

TEST_F(StartState, ReceivedDataHeaderAndStartColumns) {
    EXPECT_EQ(Form->StringGrid_RxData->columnCount(), 14);
    EXPECT_EQ(Form->StringGrid_RxData->item(0, 0)->text(), "Class");
    EXPECT_EQ(Form->StringGrid_RxData->item(0, 13)->text(), "Vessel Type");
    EXPECT_EQ(Form->StringGrid_RxData->columnWidth(2), 150);
    EXPECT_EQ(Form->StringGrid_RxData->columnWidth(13), 0);
    EXPECT_EQ(Form->StringGrid_Error->columnWidth(1), 200);
}

} // namespace
