// The "Received data" tab: the target store, the table, range and bearing, the ages of the
// reports, the column menu and the cell drawing.

#include "ViewsFixture.h"

#include <QImage>
#include <QPainter>
#include <QTabWidget>
#include <set>

namespace {

using namespace sentences;

// Columns of the table.
enum {
    kClass,
    kMMSI,
    kShipName,
    kCallSign,
    kSOG,
    kCOG,
    kLat,
    kLon,
    kLastReport,
    kVendorID,
    kBearing,
    kRange,
    kDim,
    kType
};

const QString kDeg = QString(QChar(0xB0));

class ReceivedData : public ViewsTest {
protected:
    int Rows() const { return Form->StringGrid_RxData->rowCount(); }
    // The row-count invariant: one entry per filled row, one empty row below the last.
    void ExpectInStep() const {
        const auto n = static_cast<int>(Form->TargetList.size());
        ASSERT_EQ(Rows(), n == 0 ? 3 : n + 2);
        for (int r = 1; r <= n; ++r) {
            const QString mmsi = Rx(r, kMMSI);
            EXPECT_EQ(mmsi.toStdString(), Form->TargetList[static_cast<std::size_t>(r - 1)].MMSI)
                << "row " << r;
            EXPECT_EQ(Form->UnitReceive->FindTargetRow(mmsi.toStdString()), r);
        }
        for (int c = 0; c < 14; ++c) EXPECT_TRUE(Rx(Rows() - 1, c).isEmpty()) << "column " << c;
    }
};

TEST_F(ReceivedData, FirstTargetTakesRowOneAndEachNewTargetAddsARow) {
    EXPECT_EQ(Rows(), 3);
    Receive(PosA(211000001, 54.5, 10.5));
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Rx(1, kMMSI), "211000001");
    Receive(PosB(211000002, 54.6, 10.6));
    EXPECT_EQ(Rows(), 4);
    Receive(PosA(211000001, 54.7, 10.7)); // known: no new row
    EXPECT_EQ(Rows(), 4);
    ExpectInStep();
    EXPECT_EQ(Form->UnitReceive->FindTargetRow("211000002"), 2);
    EXPECT_EQ(Form->UnitReceive->FindTargetRow("999999999"), 0);
    EXPECT_EQ(Form->Label_Rx->text(), "OK");
}

TEST_F(ReceivedData, ClassAWithMessages1And5AndClassBWith18And24OccupyOneRowEach) {
    Receive(PosA(244000001, 55.0, 11.0, 52, 1234));
    Receive(Static5(244000001, "NORDLICHT", "DA1000"));
    Receive(PosB(244000002, 54.0, 10.5));
    Receive(Static24A(244000002, "SEESTERN"));
    Receive(Static24B(244000002, "DB2000"));
    ASSERT_EQ(Form->TargetList.size(), 2u);
    ExpectInStep();

    EXPECT_EQ(Rx(1, kClass), "A");
    EXPECT_EQ(Rx(1, kSOG), QString::fromStdString(SpeedText(52)) + " kn");
    EXPECT_EQ(Rx(1, kCOG), QString::fromStdString(CourseText(1234)) + kDeg);
    EXPECT_EQ(Rx(1, kLat), "55" + kDeg + " 00.0000' N");
    EXPECT_EQ(Rx(1, kLon), "011" + kDeg + " 00.0000' E");
    EXPECT_EQ(Rx(1, kShipName), "NORDLICHT           "); // six-bit names keep their padding
    EXPECT_EQ(Rx(1, kCallSign), "DA1000 ");
    EXPECT_EQ(Rx(1, kDim), "120m / 18m");
    EXPECT_EQ(Rx(1, kType), QString::fromStdString(ShipTypeText(70)));
    EXPECT_EQ(Rx(1, kVendorID), ""); // a message 5 carries none

    // the union of what 24A and 24B carried, the class from the position report
    EXPECT_EQ(Rx(2, kClass), "B");
    EXPECT_EQ(Rx(2, kShipName), "SEESTERN            ");
    EXPECT_EQ(Rx(2, kCallSign), "DB2000 ");
    EXPECT_EQ(Rx(2, kDim), "11m / 3m");
    EXPECT_EQ(Rx(2, kType), QString::fromStdString(ShipTypeText(37)));
    EXPECT_EQ(Rx(2, kVendorID), "CVN2401");
    // the entry holds what the last static report carried, and nothing of the dynamic data
    const TStatic& e = Form->TargetList[1];
    EXPECT_EQ(e.CallSign, "DB2000 ");
    EXPECT_EQ(e.ShipName, "");
    EXPECT_TRUE(e.aPlot.empty());
}

TEST_F(ReceivedData, PartALeavesPartBCellsAndPartBLeavesTheName) {
    Receive(Static24B(219000003, "OZ1234"));
    Receive(Static24A(219000003, "MARE BALTICUM"));
    EXPECT_EQ(Rx(1, kCallSign), "OZ1234 ");
    EXPECT_EQ(Rx(1, kDim), "11m / 3m");
    EXPECT_EQ(Rx(1, kShipName), "MARE BALTICUM       ");
    Receive(Static24B(219000003, "OZ9999"));
    EXPECT_EQ(Rx(1, kShipName), "MARE BALTICUM       ");
    EXPECT_EQ(Rx(1, kCallSign), "OZ9999 ");
}

TEST_F(ReceivedData, AStaticFirstTargetHasNoDynamicCellsUntilItsFirstPosition) {
    Receive(Static24A(211000004, "LABOE"));
    EXPECT_EQ(Rx(1, kMMSI), "211000004");
    EXPECT_EQ(Rx(1, kLastReport), "0:00");
    EXPECT_EQ(Rx(1, kShipName), "LABOE               ");
    for (int c : {kClass, kSOG, kCOG, kLat, kLon, kBearing, kRange})
        EXPECT_TRUE(Rx(1, c).isEmpty()) << c;
    Receive(PosB(211000004, 54.3, 10.1));
    EXPECT_EQ(Rx(1, kClass), "B");
    EXPECT_EQ(Rx(1, kShipName), "LABOE               ");
    EXPECT_EQ(Rows(), 3);
}

TEST_F(ReceivedData, OtherAcceptedTypesOnlyMarkTheReceiver) {
    TAisBaseStation m;
    m.MMSI = 2190047;
    TVdSentenceBuilder b;
    Receive(Join(b.Build(false, 'A', EncodeMsg4(m))));
    EXPECT_EQ(Form->Label_Rx->text(), "OK");
    EXPECT_TRUE(Form->TargetList.empty());
    EXPECT_EQ(Rows(), 3);
    EXPECT_TRUE(Rx(1, kMMSI).isEmpty());
}

TEST_F(ReceivedData, RejectedSentencesChangeNothing) {
    for (const char* s : {"!AIVDM,1,1,,B,,0*25",        // empty payload (real capture)
                          "!AIVDM,1,1,,A,13u?et,0*00",  // too short for a position report
                          "!AIVDM,1,1,,,B3aC3LP0,0*00", // no channel
                          "!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ", // no fill-bit field
                          "!AIVDM"})
        Receive(s);
    EXPECT_EQ(Form->Label_Rx->text(), "Standby");
    EXPECT_TRUE(Form->TargetList.empty());
    EXPECT_EQ(Rows(), 3);
}

TEST_F(ReceivedData, ARealStreamKeepsTableAndListInStep) {
    std::set<std::string> seen;
    for (const std::string& line : CorpusLines("streams/gpsd-ais-nmea.nmea")) Receive(line);
    ASSERT_GT(Form->TargetList.size(), 20u);
    ExpectInStep();
    for (int r = 1; r < Rows() - 1; ++r) {
        EXPECT_TRUE(seen.insert(Rx(r, kMMSI).toStdString()).second)
            << "MMSI twice: " << Rx(r, kMMSI).toStdString();
        EXPECT_TRUE(Rx(r, kClass).isEmpty() || Rx(r, kClass) == "A" || Rx(r, kClass) == "B");
    }
    // the stream's own GPS fixes set the position that ranges are taken from
    EXPECT_NE(Form->OwnPos.Lat, "91");
}

TEST_F(ReceivedData, LastReportCountsMinutesAndRoundedSeconds) {
    const double t0 = Now;
    Receive(PosA(211000005, 54.1, 10.1));
    Receive(Static24A(211000006, "B"));
    const struct {
        double seconds;
        const char* text;
    } ages[] = {{0, "0:00"},     {5, "0:05"},     {59.4, "0:59"}, {60, "1:00"},
                {179.6, "2:60"}, {299.7, "4:60"}, {600, "10:00"}};
    for (const auto& a : ages) {
        Now = t0 + a.seconds / 86400;
        Form->Timer_Err_WarnTimer();
        EXPECT_EQ(Rx(1, kLastReport), a.text) << a.seconds;
        EXPECT_EQ(Rx(2, kLastReport), a.text) << a.seconds;
    }
    Receive(PosA(211000005, 54.1, 10.1)); // a new report starts from zero again
    EXPECT_EQ(Rx(1, kLastReport), "0:00");
    Tick(2);
    EXPECT_EQ(Rx(1, kLastReport), "0:02");
    EXPECT_EQ(Rx(2, kLastReport), "10:02");
}

TEST_F(ReceivedData, RangeAndBearingAreNotAvailableBeforeAnOwnPosition) {
    Receive(PosA(211000007, 55.0, 11.0));
    EXPECT_EQ(Rx(1, kRange), "n.a. nm");
    EXPECT_EQ(Rx(1, kBearing), "n.a." + kDeg);
}

// Own position from an own position report or from a GPS fix; targets (55, 11) and (53.5, 9.5).
class RangeFrom : public ReceivedData, public ::testing::WithParamInterface<std::string> {};

TEST_P(RangeFrom, OwnPositionGivesRangeAndBearing) {
    Receive(GetParam());
    Receive(PosA(211000008, 55.0, 11.0));
    Receive(PosB(211000009, 53.5, 9.5));
    EXPECT_EQ(Rx(1, kRange), "69.6 nm");
    EXPECT_EQ(Rx(1, kBearing), "30" + kDeg);
    EXPECT_EQ(Rx(2, kRange), "34.8 nm");
    EXPECT_EQ(Rx(2, kBearing), "210" + kDeg);
}

INSTANTIATE_TEST_SUITE_P(
    OwnPosition, RangeFrom,
    ::testing::Values(PosB(211234560, 54.0, 10.0, true),
                      Nmea("GPRMC,120000,A,5400.000,N,01000.000,E,0.0,0.0,010125,,,A")));

TEST_F(ReceivedData, AnOwnReportWithoutPositionMakesLaterRangesUnavailable) {
    Receive(PosB(211234560, 54.0, 10.0, true));
    Receive(PosA(211000010, 55.0, 10.0));
    EXPECT_EQ(Rx(1, kRange), "60.0 nm");
    Receive(PosBUnknown(211234560, true));
    EXPECT_EQ(Form->OwnPos.Lat, "n.a.");
    EXPECT_EQ(Rx(1, kRange), "60.0 nm"); // written before; kept until the target reports again
    Receive(PosA(211000010, 55.0, 10.0));
    EXPECT_EQ(Rx(1, kRange), "n.a. nm");
    EXPECT_EQ(Rx(1, kBearing), "n.a." + kDeg);
}

// ---- Column menu ---------------------------------------------------------------------------

class ColumnMenu : public ReceivedData {
protected:
    std::vector<int> Widths() const {
        std::vector<int> w;
        for (int c = 0; c < 14; ++c) w.push_back(Form->StringGrid_RxData->columnWidth(c));
        return w;
    }
    std::vector<bool> Checks() const {
        std::vector<bool> v;
        for (QAction* a : Form->MenuItem_DataCol->actions())
            if (a->isCheckable()) v.push_back(a->isChecked());
        return v;
    }
    const std::vector<int> kStart = {25, 60, 150, 55, 40, 40, 85, 85, 65, 0, 0, 0, 0, 0};
    const std::vector<int> kAll = {25, 60, 150, 55, 40, 40, 85, 85, 65, 55, 40, 40, 70, 200};
};

TEST_F(ColumnMenu, ItemsInOrderWithTheFirstNineChecked) {
    QStringList texts;
    for (QAction* a : Form->MenuItem_DataCol->actions())
        texts << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(texts, (QStringList{"Class", "MMSI", "Ship Name", "Call Sign", "SOG", "COG",
                                  "Latitude", "Longitude", "Last Report", "Vendor ID", "Bearing",
                                  "Range", "Dimensions", "Vessel Type", "-", "All visible"}));
    EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true, true, true, true, true, true, true,
                                           false, false, false, false, false, false}));
    EXPECT_EQ(Widths(), kStart);
}

TEST_F(ColumnMenu, AColumnItemShowsAndHidesItsColumn) {
    Item("MenuItem_VesselType")->trigger();
    EXPECT_EQ(Form->StringGrid_RxData->columnWidth(13), 200);
    EXPECT_TRUE(Form->ColVisible[13]);
    Item("MenuItem_VesselType")->trigger();
    EXPECT_EQ(Form->StringGrid_RxData->columnWidth(13), 0);
    Item("MenuItem_MMSI")->trigger();
    EXPECT_EQ(Form->StringGrid_RxData->columnWidth(1), 0);
    // a hidden column keeps being written
    Receive(PosA(211000011, 54.0, 10.0));
    EXPECT_EQ(Rx(1, kMMSI), "211000011");
}

TEST_F(ColumnMenu, AllVisibleShowsEveryColumnAndUncheckedRestoresTheStart) {
    Item("MenuItem_Bearing")->trigger(); // shown by hand first
    Item("MenuItem_Allvisible")->trigger();
    EXPECT_EQ(Widths(), kAll);
    EXPECT_EQ(Checks(), std::vector<bool>(15, true));
    Item("MenuItem_Class")->trigger(); // hiding one leaves "All visible" checked
    EXPECT_EQ(Form->StringGrid_RxData->columnWidth(0), 0);
    EXPECT_TRUE(Item("MenuItem_Allvisible")->isChecked());
    Item("MenuItem_Allvisible")->trigger();
    EXPECT_EQ(Widths(), kStart);
    EXPECT_FALSE(Item("MenuItem_Bearing")->isChecked());
    EXPECT_EQ(Form->StringGrid_RxData->item(0, 9)->text(), "Vendor ID"); // header row stays
}

TEST_F(ColumnMenu, ShownOnlyWhileTheTabIsShowing) {
    QAction* menu = Form->MenuItem_DataCol->menuAction();
    EXPECT_FALSE(menu->isVisible());
    Form->PageControl->setCurrentWidget(Form->TabSheet_Received);
    EXPECT_TRUE(menu->isVisible());
    Item("MenuItem_Range")->trigger();
    Form->PageControl->setCurrentWidget(Form->TabSheet_Diag);
    EXPECT_FALSE(menu->isVisible());
    Form->PageControl->setCurrentWidget(Form->TabSheet_Sent);
    EXPECT_FALSE(menu->isVisible());
    Form->PageControl->setCurrentWidget(Form->TabSheet_Received);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(Item("MenuItem_Range")->isChecked());
}

// ---- Cell drawing --------------------------------------------------------------------------

TEST_F(ReceivedData, DrawHandlerCentresNonEmptyCellsAtTheTopAndLeavesEmptyOnes) {
    Receive(PosA(211000012, 54.0, 10.0));
    const QRect cell(0, 0, 160, 40);
    auto draw = [this, &cell](int Col, int Row) {
        QImage img(cell.size(), QImage::Format_ARGB32);
        img.fill(Qt::magenta);
        QPainter p(&img);
        Form->UnitReceive->StringGrid_RxDataDrawCell(p, Col, Row, cell, false);
        p.end();
        return img;
    };

    const QImage empty = draw(kShipName, 1);
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x)
            ASSERT_EQ(empty.pixelColor(x, y), QColor(Qt::magenta));

    const QColor base = Form->StringGrid_RxData->palette().base().color();
    for (const auto& [col, row] :
         {std::pair{kShipName, 0}, std::pair{kMMSI, 1}}) { // the header row too
        const QImage img = draw(col, row);
        int left = img.width(), right = -1, top = img.height(), bottom = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                ASSERT_NE(c, QColor(Qt::magenta)) << "cell not filled at " << x << "," << y;
                if (c != base) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
            }
        ASSERT_GE(right, left) << "no text drawn";
        EXPECT_NEAR((left + right) / 2.0, cell.width() / 2.0, 3.0);
        EXPECT_LT(bottom, cell.height() / 2); // aligned to the top edge, not centred vertically
    }
}

} // namespace
