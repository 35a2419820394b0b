// The "Sent data" tab: the own position and static data reports, their ages and the own
// position they set.

#include "ViewsFixture.h"

#include <QGroupBox>

namespace {

using namespace sentences;

const QString kDeg = QString(QChar(0xB0));

using SentData = ViewsTest;

TEST_F(SentData, StartsWithItsCaptions) {
    for (const char* name :
         {"Label_Msg18_MMSI", "Label_Msg18_Lat", "Label_Msg18_PA", "Label_Msg18_Chan",
          "Label_Msg24_Name", "Label_Msg24_VendID", "Label_Msg24_DimD", "Label_Msg24_Chan"})
        EXPECT_EQ(Text(name), "-") << name;
    EXPECT_EQ(Text("Label_Msg18_Time"), "Standby");
    EXPECT_EQ(Text("Label_Msg24_Time"), "Standby");
    EXPECT_EQ(Find<QGroupBox>("GroupBox_Msg24")->title(), "Last Transmit Statitc Data");
    EXPECT_EQ(Find<QGroupBox>("GroupBox_Msg18")->title(), "Last Transmit Position Report");
    EXPECT_EQ(Find<QGroupBox>("GroupBox_TransmSch")->title(), "Transmission Schedule");
    EXPECT_EQ(Find<QGroupBox>("GroupBox_SchPos")->title(), "Positons Report");
    QStringList fixed;
    for (const QLabel* l : Find<QGroupBox>("GroupBox_TransmSch")->findChildren<QLabel*>())
        fixed << l->text();
    for (const char* t : {"Information presented is for reference only.",
                          "Actual transmission times may vary depending on local conditions.",
                          "Vessel Speed", "Reporting Interval", "< 2 knots", "3 minutes",
                          "> 2 knots", "30 seconds", "Every 6 minutes"})
        EXPECT_TRUE(fixed.contains(t)) << t;
}

TEST_F(SentData, OwnPositionReportFillsItsGroupAndTheOwnPosition) {
    Receive(PosB(211234560, 54.4, 10.2, true, 1, 'B'));
    EXPECT_EQ(Text("Label_Msg18_MMSI"), "211234560");
    EXPECT_EQ(Text("Label_Msg18_Lat"), "54" + kDeg + " 24.0000' N");
    EXPECT_EQ(Text("Label_Msg18_Lon"), "010" + kDeg + " 12.0000' E");
    EXPECT_EQ(Text("Label_Msg18_PA"), "High ( < 10 m )");
    EXPECT_EQ(Text("Label_Msg18_COG"), QString::fromStdString(CourseText(531)) + " degrees T");
    EXPECT_EQ(Text("Label_Msg18_SOG"), QString::fromStdString(SpeedText(61)) + " knots");
    EXPECT_EQ(Text("Label_Msg18_Chan"), "B");
    EXPECT_EQ(Text("Label_Msg18_Time"), "0 minutes, 0 seconds");
    EXPECT_EQ(Form->Label_Tx->text(), "OK");
    EXPECT_EQ(Form->OwnPos.Lat, "54.400000");
    EXPECT_EQ(Form->OwnPos.Lon, "10.200000");

    Receive(PosB(211234560, 54.4, 10.2, true, 0, 'A'));
    EXPECT_EQ(Text("Label_Msg18_PA"), "Low ( > 10 m )");
    EXPECT_EQ(Text("Label_Msg18_Chan"), "A");
    EXPECT_TRUE(Form->TargetList.empty()); // own reports are no targets
}

TEST_F(SentData, OwnStaticReportFillsItsGroup) {
    Receive(Static24A(211234560, "CORVANE TEST", true, 'A'));
    EXPECT_EQ(Text("Label_Msg24_MMSI"), "211234560");
    EXPECT_EQ(Text("Label_Msg24_Name"), "CORVANE TEST        ");
    EXPECT_EQ(Text("Label_Msg24_Chan"), "A");
    EXPECT_EQ(Text("Label_Msg24_Time"), "0 minutes 0 seconds");
    EXPECT_EQ(Form->Label_Tx->text(), "OK");

    Receive(Static24B(211234561, "DK2345", true, 'B'));
    EXPECT_EQ(Text("Label_Msg24_MMSI"), "211234561");
    EXPECT_EQ(Text("Label_Msg24_Type"), QString::fromStdString(ShipTypeText(37)));
    EXPECT_EQ(Text("Label_Msg24_VendID"), "CVN2401");
    EXPECT_EQ(Text("Label_Msg24_CallSign"), "DK2345 ");
    EXPECT_EQ(Text("Label_Msg24_DimA"), "8 meters");
    EXPECT_EQ(Text("Label_Msg24_DimB"), "3 meters");
    EXPECT_EQ(Text("Label_Msg24_DimC"), "1 meters");
    EXPECT_EQ(Text("Label_Msg24_DimD"), "2 meters");
    EXPECT_EQ(Text("Label_Msg24_Chan"), "B");
    EXPECT_EQ(Text("Label_Msg24_Name"), "CORVANE TEST        ");
}

TEST_F(SentData, AgesCountOnlyOnceTheConnectionSequenceHasFinished) {
    Receive(PosB(211234560, 54.4, 10.2, true));
    Tick(5);
    EXPECT_EQ(Text("Label_Msg18_Time"), "0 minutes, 0 seconds");
    EXPECT_EQ(Text("Label_Msg24_Time"), "Standby");

    Form->UnitSent->StartTxClock(); // both ages from now on
    Tick(1);
    EXPECT_EQ(Text("Label_Msg18_Time"), "0 minutes, 1 seconds");
    EXPECT_EQ(Text("Label_Msg24_Time"), "0 minutes, 1 seconds");

    Receive(Static24B(211234560, "DK2345", true));
    Tick(127);
    EXPECT_EQ(Text("Label_Msg24_Time"), "2 minutes, 7 seconds");
    EXPECT_EQ(Text("Label_Msg18_Time"), "2 minutes, 8 seconds");
    Advance(52.6); // 2 minutes 59.6 seconds after the part B
    Form->Timer_Err_WarnTimer();
    EXPECT_EQ(Text("Label_Msg24_Time"), "2 minutes, 60 seconds"); // rounded, not truncated

    // a part A shows zero until the next tick, which shows the age of the last part B again
    Receive(Static24A(211234560, "CORVANE TEST", true));
    EXPECT_EQ(Text("Label_Msg24_Time"), "0 minutes 0 seconds");
    Tick(0.4);
    EXPECT_EQ(Text("Label_Msg24_Time"), "3 minutes, 0 seconds");

    Receive(PosB(211234560, 54.4, 10.2, true));
    Tick(3);
    EXPECT_EQ(Text("Label_Msg18_Time"), "0 minutes, 3 seconds");
}

TEST_F(SentData, EveryAcceptedPayloadGoesToTheMemoAndOthersAreIgnored) {
    const std::string own18 = PosB(211234560, 54.4, 10.2, true);
    Receive(own18);
    Receive("!AIVDO,1,1,,A,Dh2=aPi>lN?`00N01>9N000,2*28"); // a real own type 20: memo only
    // a real class B transponder's own report without channel is rejected
    Receive("!AIVDO,1,1,,,B3aC3LP00063aj7RNpl03wSUwP06,0*43");
    const QStringList lines = Form->Memo_VDO->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(own18.find(lines[0].toStdString()) != std::string::npos);
    EXPECT_EQ(lines[1], "Dh2=aPi>lN?`00N01>9N000");
    EXPECT_EQ(Text("Label_Msg18_MMSI"), "211234560");
}

} // namespace
