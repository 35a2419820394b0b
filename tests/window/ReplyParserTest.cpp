#include "nmea/Framing.h"
#include "widgets/RadioGroup.h"
#include "WindowFixture.h"

namespace {

class ReplyParser : public WindowTest {
protected:
    // Hands one framed reply to the window while the sequencer waits in State.
    void Reply(TReplyState State, const std::string& Body) {
        Unit().ReplyState = State;
        Feed(FrameNMEA(Body));
    }
};

TEST_F(ReplyParser, ProbeIsCompletedByTransponderSentencesOnly) {
    for (const char* body : {"GPRMC,123519,A,4807.038,N,01131.000,E,0.0,0.0,230394,,", "AITXT,01,01,91,x",
                             "AIALR,000000.00,006,V,V,x", "PSRT,010,,,211234560"}) {
        Reply(rsProbing, body);
        EXPECT_EQ(Unit().ReplyState, rsReplied) << body;
    }
    for (const char* body : {"GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,,,", "AIVSD,037"}) {
        Reply(rsProbing, body);
        EXPECT_EQ(Unit().ReplyState, rsProbing) << body;
    }
    Unit().ReplyState = rsProbing;
    Feed("!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A\r\n");
    EXPECT_EQ(Unit().ReplyState, rsProbing);
}

TEST_F(ReplyParser, StaticDataFillsNameCallSignAndDimensionsAsSent) {
    Reply(rsStaticData, "AISSD,DK1234X,NINECHARS@@@@@@@@@@@,010,005,03,02,0,AI");
    EXPECT_EQ(Unit().ReplyState, rsReplied);
    EXPECT_EQ(Form->Edit_ShipsName->text(), "NINECHARS");
    EXPECT_EQ(Form->Edit_CallSign->text(), "DK1234X");
    EXPECT_EQ(Form->Edit_A->text(), "010");
    EXPECT_EQ(Form->Edit_B->text(), "005");
    EXPECT_EQ(Form->Edit_C->text(), "03");
    EXPECT_EQ(Form->Edit_D->text(), "02");

    Unit().ReplyState = rsStaticData;
    Feed("$AISSD,AB@@@@@,SEA SPRAY @@@@@@@@@@,1\r\n"); // ends early, without a checksum
    EXPECT_EQ(Form->Edit_ShipsName->text(), "SEA SPRAY "); // blanks are kept
    EXPECT_EQ(Form->Edit_CallSign->text(), "AB");
    EXPECT_EQ(Form->Edit_A->text(), "1"); // the sentence ends early: shorter texts, no CR
    EXPECT_EQ(Form->Edit_D->text(), "");
}

TEST_F(ReplyParser, VoyageDataSelectsTheTypeByPositionsNineAndTen) {
    Reply(rsVoyageData, "AIVSD,037,,,,,,,,");
    EXPECT_EQ(Form->ComboBox_Type->currentText(), "37 = Vessel - Pleasure craft");
    Reply(rsVoyageData, "AIVSD,37,,,,,,,,");
    EXPECT_EQ(Form->ComboBox_Type->currentIndex(), 0);
    Reply(rsVoyageData, "AIVSD,090,,,,,,,,");
    EXPECT_EQ(Form->ComboBox_Type->currentText(), "90 = Other type of vessel");
}

TEST_F(ReplyParser, MmsiAndItsStatusLabel) {
    Reply(rsMMSI, "PSRT,010,,,000000000");
    EXPECT_EQ(Form->Edit_MMSI->text(), "000000000");
    EXPECT_EQ(Form->Label_MMSI->text(), "none");
    Reply(rsMMSI, "PSRT,010,,,211234560");
    EXPECT_EQ(Form->Edit_MMSI->text(), "211234560");
    EXPECT_EQ(Form->Label_MMSI->text(), "OK");
}

TEST_F(ReplyParser, SwitchTypeAndVendorIdExactlyAsSent) {
    struct {
        const char* body;
        int selection;
        const char* vendor;
    } cases[] = {
        {"PSRT,SRM,00,01,CORV123,", 0, "CORV123"},
        {"PSRT,SRM,01,02,SRT", 2, "SRT"},   // the vendor ID right before "*"
        {"PSRT,SRM,01,03,X1,", 2, "X1"},    // unknown code: the selection stays
        {"PSRT,SRM,01,01,", 1, ""},
    };
    for (const auto& c : cases) {
        Reply(rsSwitchType, c.body);
        EXPECT_EQ(Form->RadioGroup_Switch->ItemIndex(), c.selection) << c.body;
        EXPECT_EQ(Form->OwnShip.VendorID, c.vendor) << c.body;
    }
}

TEST_F(ReplyParser, InterfaceSettings) {
    struct {
        TReplyState state;
        const char* body;
        TRadioGroup* TFormMain::*group;
        int selection;
    } cases[] = {
        {rsBaudRate, "PSRT,SER,,,0D36", &TFormMain::RadioGroup_Baud, 0},
        {rsBaudRate, "PSRT,SER,,,0D1E", &TFormMain::RadioGroup_Baud, 1},
        {rsAlarmOutput, "PSRT,ALM,0000", &TFormMain::RadioGroup_ALR, 0},
        {rsAlarmOutput, "PSRT,ALM,0100", &TFormMain::RadioGroup_ALR, 1},
        {rsNmeaOutput, "PSRT,NMEA,00,000F", &TFormMain::RadioGroup_GPS, 0},
        {rsNmeaOutput, "PSRT,NMEA,00,0008", &TFormMain::RadioGroup_GPS, 1},
        {rsNmeaOutput, "PSRT,NMEA,00,0000", &TFormMain::RadioGroup_GPS, 2},
    };
    for (const auto& c : cases) {
        Reply(c.state, c.body);
        EXPECT_EQ((Form.get()->*c.group)->ItemIndex(), c.selection) << c.body;
        EXPECT_EQ(Unit().ReplyState, rsReplied) << c.body;
    }
}

TEST_F(ReplyParser, AReplyForAnotherStateIsIgnored) {
    Form->Edit_ShipsName->setText("KEEP");
    Reply(rsVoyageData, "AISSD,DK1234X,LATE REPLY@@@@@@@@@@,010,005,03,02,0,AI");
    EXPECT_EQ(Unit().ReplyState, rsVoyageData);
    EXPECT_EQ(Form->Edit_ShipsName->text(), "KEEP");
}

TEST_F(ReplyParser, TruncatedRepliesGiveShortTexts) {
    for (TReplyState state : {rsStaticData, rsVoyageData, rsMMSI, rsSwitchType, rsBaudRate,
                              rsAlarmOutput, rsNmeaOutput}) {
        for (const char* s : {"$AISSD", "$AIVSD,", "$PSRT,010,,,12", "$PSRT,SRM", "$PSRT,SRM,0", "$PSRT,SER,,,0",
                              "$PSRT,ALM,", "$PSRT,NMEA,00,0", "$", ""}) {
            Unit().ReplyState = state;
            Feed(std::string(s) + "\r\n");
        }
    }
    EXPECT_EQ(Form->Edit_MMSI->text(), "12");
}

} // namespace
