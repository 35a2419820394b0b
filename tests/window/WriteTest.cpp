#include "widgets/RadioGroup.h"
#include "WindowFixture.h"

#include <fstream>
#include <sstream>

namespace {

using Strings = std::vector<std::string>;

class Write : public WindowTest {
protected:
    Strings SentSince(std::size_t From) {
        const Strings all = Sim->Transcript();
        return Strings(all.begin() + static_cast<long>(std::min(From, all.size())), all.end());
    }
};

TEST_F(Write, SaveWritesEverySettingAndReadsItBack) {
    StartSim();
    ASSERT_TRUE(ConnectAndRead());
    const std::size_t before = Sim->Transcript().size();
    Form->Edit_MMSI->setText("244123456");
    Form->Edit_ShipsName->setText("new name");
    Form->Edit_CallSign->setText("ab12");
    Form->Edit_A->setText("20");
    Form->Edit_B->setText("10");
    Form->Edit_C->setText("4");
    Form->Edit_D->setText("4");
    Form->ComboBox_Type->setCurrentIndex(6); // 36 = Vessel - Sailing
    Form->RadioGroup_GPS->SetItemIndex(1);
    Form->RadioGroup_Baud->SetItemIndex(1);
    Form->RadioGroup_Switch->SetItemIndex(2);
    Form->RadioGroup_ALR->SetItemIndex(1);
    Form->BitBtn_Save->click();
    ASSERT_TRUE(WaitFor([this] { return !Boxes.empty(); }, 20000));
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{"Programming was successful."}));
    const std::string unlock = "PSRT,012,,,(--VoXeL--)";
    EXPECT_EQ(SentSince(before),
              (Strings{unlock, "PSRT,010,,,244123456", "PSRT,010", "AISSD,AB12,NEW NAME,20,10,4,4,0,AI", "AIAIQ,SSD",
                       "AIVSD,36,,,,,,,,", "DUAIQ,VSD", unlock, "PSRT,SRM,01,02,CVN2401", "DUAIQ,SRM",
                       "PSRT,NMEA,03,0008,00", unlock, "PSRT,SER,,,0D1E", "DUAIQ,SER", unlock, "PSRT,ALM,0001",
                       "DUAIQ,ALM"}));
    // the fields show what the transponder reports now
    EXPECT_EQ(Form->Edit_MMSI->text(), "244123456");
    EXPECT_EQ(Form->Edit_ShipsName->text(), "NEW NAME");
    EXPECT_EQ(Form->Edit_CallSign->text(), "AB12");
    EXPECT_EQ(Form->Edit_A->text(), "020");
    EXPECT_EQ(Form->ComboBox_Type->currentIndex(), 6);
    EXPECT_EQ(Form->RadioGroup_Switch->ItemIndex(), 2);
    EXPECT_EQ(Form->RadioGroup_Baud->ItemIndex(), 1);
    EXPECT_EQ(Form->RadioGroup_ALR->ItemIndex(), 1);

    // and the transponder kept it
    std::ifstream config(Sim->ConfigFile());
    std::stringstream text;
    text << config.rdbuf();
    EXPECT_NE(text.str().find("244123456"), std::string::npos);
    EXPECT_NE(text.str().find("NEW NAME"), std::string::npos);
}

TEST_F(Write, AnMmsiThatDoesNotChangeIsGivenUpAfterFourGroups) {
    StartSim({"--no-traffic", "--mmsi-locked"});
    ASSERT_TRUE(ConnectAndRead());
    const std::size_t before = Sim->Transcript().size();
    Form->Edit_MMSI->setText("244123456");
    Form->BitBtn_Save->click();
    ASSERT_TRUE(WaitFor([this] { return !Boxes.empty(); }, 20000));
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{"The MMSI cannot be changed!"}));
    EXPECT_EQ(Boxes[0].Caption, "Information");
    const Strings sent = SentSince(before);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "PSRT,010,,,244123456"), 4);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "AIAIQ,SSD"), 0);
    EXPECT_EQ(Unit().ScanStep, 0);
}

} // namespace
