// The "Diagnostics" tab: GPS status, the alarm and text-message lists with their lights, and
// the hardware status kept in the hidden groups.

#include "ViewsFixture.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTabWidget>

namespace {

using namespace sentences;

const QColor kLime(0, 255, 0), kYellow(255, 255, 0), kRed(255, 0, 0);

class Diagnostics : public ViewsTest {
protected:
    QColor Colour(TShape* S) const { return S->BrushColor(); }
    QColor Lamp(const char* Name) const { return Find<TShape>(Name)->BrushColor(); }
    QStringList Lines(QPlainTextEdit* Memo) const { return Memo->toPlainText().split('\n'); }
    QTableWidget* Alarms() const { return Form->StringGrid_Error; }
    QTableWidget* Warnings() const { return Form->StringGrid_Warn; }
    QStringList Row(QTableWidget* Grid, int R) const {
        return {Cell(Grid, R, 0), Cell(Grid, R, 1), Cell(Grid, R, 2)};
    }
    const QColor kNeutral = NeutralColour();
};

// ---- GPS status ------------------------------------------------------------------------------

const std::string kGGA = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string kGSV = "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74";
const std::string kRMC = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";

TEST_F(Diagnostics, GpsSentencesFillTheStatusAndTheOwnPosition) {
    EXPECT_EQ(Form->Label_Rx->text(), "Standby");
    EXPECT_EQ(Text("Label_GPS_Fix"), "No Fix");
    EXPECT_EQ(Text("Label_GPS_Error"), "> 10 m");
    Receive(kGGA);
    EXPECT_EQ(Form->DUT_Status.SatUsed, "08");
    EXPECT_EQ(Form->DUT_Status.ValidFix, ""); // a position in GGA is no fix yet
    EXPECT_EQ(Text("Label_GPS_Fix"), "");
    EXPECT_EQ(Text("Label_Satellites"), "0/08");
    EXPECT_EQ(Lines(Form->Memo_GGA).size(), 14); // the empty field dropped, the checksum kept
    EXPECT_EQ(Lines(Form->Memo_GGA).front(), "$GPGGA");

    Receive(kGSV);
    EXPECT_EQ(Text("Label_Satellites"), "11/08");
    EXPECT_EQ(Lines(Form->Memo_GSV)[3], "11");

    Receive(kRMC);
    EXPECT_EQ(Text("Label_GPS_Fix"), "OK");
    EXPECT_EQ(Form->OwnPos.Lat, "48.11730");
    EXPECT_EQ(Form->OwnPos.Lon, "11.51667");
    EXPECT_EQ(Lines(Form->Memo_RMC),
              (QStringList{"$GPRMC", "123519", "A", "4807.038", "N", "01131.000", "E", "022.4",
                           "084.4", "230394", "003.1", "W", "6A"}));

    // no position: the fix is lost, the own position kept, the memo holds five fields
    Receive("$GPRMC,235947.000,V,0000.0000,N,00000.0000,E,,,041299,,*1D");
    EXPECT_EQ(Text("Label_GPS_Fix"), "No Fix.");
    EXPECT_EQ(Form->OwnPos.Lat, "48.11730");
    EXPECT_EQ(Lines(Form->Memo_RMC), (QStringList{"$GPRMC", "235947.000", "V", "0000.0000", "N"}));

    Receive("$GPGGA,123520,,,,,0,00,,,M,,M,,*62");
    EXPECT_EQ(Form->DUT_Status.SatUsed, "0");
    EXPECT_EQ(Text("Label_Satellites"), "11/0");
    Receive("$GPRMC,123521,A,3330.000,S,07030.000,W,0.0,0.0,230394,,*00");
    EXPECT_EQ(Form->OwnPos.Lat, "-33.50000");
    EXPECT_EQ(Form->OwnPos.Lon, "-70.50000");
    EXPECT_EQ(Text("Label_GPS_Fix"), "OK");
}

// Too few fields for what the rule reads: only the labels are refreshed.
class ShortGps : public Diagnostics, public ::testing::WithParamInterface<const char*> {};

TEST_P(ShortGps, ChangesNothingButTheLabels) {
    Receive(kGGA);
    Receive(kGSV);
    Receive(kRMC);
    const QString gga = Form->Memo_GGA->toPlainText(), gsv = Form->Memo_GSV->toPlainText(),
                  rmc = Form->Memo_RMC->toPlainText();
    const TDUT_Status before = Form->DUT_Status;
    const TGeoCoor pos = Form->OwnPos;
    Find<QLabel>("Label_GPS_Fix")->setText("stale");
    Find<QLabel>("Label_Satellites")->setText("stale");

    Receive(GetParam());
    EXPECT_EQ(Form->Memo_GGA->toPlainText(), gga);
    EXPECT_EQ(Form->Memo_GSV->toPlainText(), gsv);
    EXPECT_EQ(Form->Memo_RMC->toPlainText(), rmc);
    EXPECT_EQ(Form->DUT_Status.SatUsed, before.SatUsed);
    EXPECT_EQ(Form->DUT_Status.SatView, before.SatView);
    EXPECT_EQ(Form->DUT_Status.ValidFix, before.ValidFix);
    EXPECT_EQ(Form->OwnPos.Lat, pos.Lat);
    EXPECT_EQ(Form->OwnPos.Lon, pos.Lon);
    EXPECT_EQ(Text("Label_GPS_Fix"), "OK");
    EXPECT_EQ(Text("Label_Satellites"), "11/08");
}

INSTANTIATE_TEST_SUITE_P(Sentences, ShortGps,
                         ::testing::Values("$GPGGA", "$GPGGA,1",
                                           "$GPGGA,,,,,,0,00,99.99,,,,,,*48", // no time either
                                           "$GPGGA,123519,4807.038,N,01131.000,E*00", "$GPGSV,3*00",
                                           "$GPRMC,1", "$GPRMC,123519,A,4807.038,N*00",
                                           "$GPVTG,,T,,M,0.0,N*00", "$GP"));

TEST_F(Diagnostics, TheWholeGpsCorpusKeepsTheLabelsInStep) {
    const QStringList files =
        QDir(CORVANE_CORPUS_DIR "/gps").entryList({"*.nmea"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    int fixes = 0;
    for (const QString& f : files)
        for (const std::string& line : CorpusLines("gps/" + f.toStdString())) {
            Receive(line);
            ASSERT_EQ(Text("Label_Satellites").toStdString(),
                      Form->DUT_Status.SatView + "/" + Form->DUT_Status.SatUsed)
                << line;
            fixes += Form->DUT_Status.ValidFix == "OK";
        }
    EXPECT_GT(fixes, 0);
}

TEST_F(Diagnostics, TheRawMemoShowsTheLastSentence) {
    Receive(kGGA);
    Receive(kRMC);
    Receive("#dropped"); // dropped sentences count as well
    Form->show();
    Form->PageControl->setCurrentWidget(Form->TabSheet_Diag);
    Form->Memo1->show(); // as unlocking the trace view does
    EXPECT_EQ(Form->Memo1->toPlainText().trimmed(), "#dropped");
    Receive(kGSV);
    Receive(kGGA);
    QCoreApplication::processEvents(); // laid out once for the batch, before anything is painted
    EXPECT_EQ(Form->Memo1->toPlainText().trimmed(), QString::fromStdString(kGGA));
    Form->PageControl->setCurrentWidget(Form->TabSheet_Sent);
    Receive(kRMC);
    Form->PageControl->setCurrentWidget(Form->TabSheet_Diag);
    EXPECT_EQ(Form->Memo1->toPlainText().trimmed(), QString::fromStdString(kRMC));
}

// ---- Alarm and text-message lists --------------------------------------------------------------

std::string Alarm(const std::string& Number, const std::string& Condition,
                  const std::string& Text) {
    return Nmea("AIALR,123519," + Number + "," + Condition + ",V," + Text);
}
std::string TextMessage(const std::string& Id, const std::string& Text) {
    return Nmea("AITXT,01,01," + Id + "," + Text);
}

TEST_F(Diagnostics, AnActiveAlarmCountsDownAndLeavesAfterZero) {
    EXPECT_EQ(Colour(Form->Shape_OK), kLime); // the start colours stand until the first tick
    EXPECT_EQ(Colour(Form->Shape_Error), QColor(Qt::white));
    Receive(Alarm("006", "A", "Antenna VSWR exceeds limit"));
    EXPECT_EQ(Row(Alarms(), 0), (QStringList{"006", "Antenna VSWR exceeds limit", "60"}));
    EXPECT_EQ(Alarms()->rowCount(), 2);
    EXPECT_EQ(Lines(Form->Memo_ALR).mid(0, 6),
              (QStringList{"$AIALR", "123519", "006", "A", "V", "Antenna VSWR exceeds limit"}));
    EXPECT_EQ(Lines(Form->Memo_ALR).size(), 7); // and the checksum
    Tick();
    EXPECT_EQ(Cell(Alarms(), 0, 2), "59");
    EXPECT_EQ(Colour(Form->Shape_Error), kRed);
    EXPECT_EQ(Colour(Form->Shape_OK), kNeutral);
    for (int i = 0; i < 59; ++i) Tick();
    EXPECT_EQ(Cell(Alarms(), 0, 2), "0");
    EXPECT_EQ(Colour(Form->Shape_Error), kRed);
    Tick();
    EXPECT_EQ(Alarms()->rowCount(), 1);
    EXPECT_TRUE(Cell(Alarms(), 0, 0).isEmpty());
    EXPECT_EQ(Colour(Form->Shape_Error), kNeutral);
    EXPECT_EQ(Colour(Form->Shape_Warn), kNeutral);
    EXPECT_EQ(Colour(Form->Shape_OK), kLime);
}

TEST_F(Diagnostics, AReportAgainResetsTheCountAndAnInactiveOneChangesNothing) {
    Receive(Alarm("006", "A", "Antenna VSWR exceeds limit"));
    for (int i = 0; i < 10; ++i) Tick();
    Receive(Alarm("006", "V", "Antenna VSWR exceeds limit")); // cleared: neither added nor reset
    Receive(Alarm("007", "V", "Other"));
    EXPECT_EQ(Row(Alarms(), 0), (QStringList{"006", "Antenna VSWR exceeds limit", "50"}));
    EXPECT_EQ(Alarms()->rowCount(), 2);
    Receive(Alarm("006", "A", "Antenna VSWR still too high"));
    EXPECT_EQ(Row(Alarms(), 0), (QStringList{"006", "Antenna VSWR still too high", "60"}));
    EXPECT_EQ(Alarms()->rowCount(), 2);
    Receive(Nmea("AIALR,123519,008,A")); // too short: the memo only
    EXPECT_EQ(Alarms()->rowCount(), 2);
    EXPECT_EQ(Lines(Form->Memo_ALR).size(), 5);
}

TEST_F(Diagnostics, TextMessagesAreWarningsAndIdentifiersIgnoreLetterCase) {
    Receive(TextMessage("021", "External DGNSS in use"));
    Receive(TextMessage("022", "Internal GNSS in use"));
    Receive(TextMessage("02a", "Lower case"));
    Receive(TextMessage("02A", "Upper case"));
    Receive(Nmea("AITXT,01,01")); // too short
    ASSERT_EQ(Warnings()->rowCount(), 4);
    EXPECT_EQ(Row(Warnings(), 0), (QStringList{"021", "External DGNSS in use", "60"}));
    EXPECT_EQ(Row(Warnings(), 1), (QStringList{"022", "Internal GNSS in use", "60"}));
    EXPECT_EQ(Row(Warnings(), 2), (QStringList{"02A", "Upper case", "60"}));
    EXPECT_EQ(Lines(Form->Memo_TXT).size(), 4);
    Tick();
    EXPECT_EQ(Colour(Form->Shape_Warn), kYellow);
    EXPECT_EQ(Colour(Form->Shape_OK), kNeutral);
    EXPECT_EQ(Colour(Form->Shape_Error), kNeutral);
    EXPECT_EQ(Alarms()->rowCount(), 1);
}

TEST_F(Diagnostics, TwoRowsEndingInOneTickLeaveOneTickApart) {
    Receive(TextMessage("021", "First"));
    Receive(TextMessage("022", "Second"));
    for (int i = 0; i < 60; ++i) Tick();
    EXPECT_EQ(Row(Warnings(), 1), (QStringList{"022", "Second", "0"}));
    Tick(); // the first goes; the second moves up and is skipped this tick
    ASSERT_EQ(Warnings()->rowCount(), 2);
    EXPECT_EQ(Row(Warnings(), 0), (QStringList{"022", "Second", "0"}));
    EXPECT_EQ(Colour(Form->Shape_Warn), kYellow);
    Tick();
    EXPECT_EQ(Warnings()->rowCount(), 1);
    EXPECT_EQ(Colour(Form->Shape_Warn), kNeutral);
    EXPECT_EQ(Colour(Form->Shape_OK), kLime);
}

// ---- Hardware status -------------------------------------------------------------------------

TEST_F(Diagnostics, LampsFollowTheMask) {
    Receive(Nmea("PSRT,RES,LED,42")); // bits 1 and 6
    EXPECT_EQ(Form->DUT_Status.LED, 0x42);
    EXPECT_EQ(Lamp("Shape_LED_OK"), kLime);
    EXPECT_EQ(Lamp("Shape_LED_TX"), kLime);
    for (const char* off : {"Shape_LED_RX", "Shape_LED_Silent", "Shape_LED_Warning",
                            "Shape_LED_SRM", "Shape_LED_Error", "Shape_LED_VHF_TX"})
        EXPECT_EQ(Lamp(off), kNeutral) << off;
    Receive(Nmea("PSRT,RES,LED,0G")); // not a mask: nothing changes
    EXPECT_EQ(Form->DUT_Status.LED, 0x42);
    EXPECT_EQ(Lamp("Shape_LED_OK"), kLime);
    Receive(Nmea("PSRT,RES,LED,85")); // bits 0, 2 and 7
    EXPECT_EQ(Lamp("Shape_LED_Warning"), kYellow);
    EXPECT_EQ(Lamp("Shape_LED_Error"), kRed);
    EXPECT_EQ(Lamp("Shape_LED_VHF_TX"), kRed);
    EXPECT_EQ(Lamp("Shape_LED_OK"), kNeutral);
    Receive(Nmea("PSRT,RES,LED")); // ends before the mask
    EXPECT_EQ(Form->DUT_Status.LED, 0x85);
}

TEST_F(Diagnostics, SupplyVoltageWhileTransmittingWaitsForAnOwnTransmission) {
    const std::string adc = Nmea("PSRT,RES,ADC,0300,0100,4B,50,0320,0302");
    Receive(adc);
    EXPECT_EQ(Text("Label_ForPwr"), "OK");
    EXPECT_EQ(Text("Label_RevPwr"), "OK");
    EXPECT_EQ(Text("Label_V_Idle"), "12 V");
    EXPECT_EQ(Text("Label_V_TX"), "-");
    EXPECT_EQ(Text("Label_RSSI1"), "OK");
    EXPECT_EQ(Text("Label_RSSI2"), "ERROR");
    Receive(PosB(211234560, 54.4, 10.2, true)); // the transmitter is seen working
    Receive(adc);
    EXPECT_EQ(Text("Label_V_TX"), "13 V");
    Unit().BitBtn_DiscClick(); // disconnecting resets it
    EXPECT_EQ(Text("Label_V_TX"), "-");
}

TEST_F(Diagnostics, AShortStatusSentenceStopsAtItsEnd) {
    Receive("$PSRT,RES,ADC,0300,0101,9C");
    EXPECT_EQ(Text("Label_ForPwr"), "ERROR");
    EXPECT_EQ(Text("Label_V_Idle"), "25 V");
    EXPECT_EQ(Text("Label_RSSI1"), "-");
    Receive("$PSRT,RES,ADC,0300,0000,50,50,02BC,0320*00"); // reverse 0 keeps the verdicts
    EXPECT_EQ(Text("Label_ForPwr"), "ERROR");
    EXPECT_EQ(Text("Label_V_Idle"), "13 V");
    EXPECT_EQ(Text("Label_RSSI1"), "ERROR");
    EXPECT_EQ(Text("Label_RSSI2"), "OK");
}

} // namespace
