// The target list beyond its cells, on the real window: sorting by a header click, search and
// filters, the CPA and TCPA columns with the alert, lost targets, the CSV export.

#include "ViewsFixture.h"
#include "targets/TargetTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

using namespace sentences;

constexpr int kCPA = TUnitReceive::kCpaColumn;
constexpr int kTCPA = TUnitReceive::kTcpaColumn;

class TargetList : public ViewsTest {
protected:
    TTargetTable& Table() const { return *Form->TargetTable; }
    QHeaderView* RowHeader() const { return Form->StringGrid_RxData->verticalHeader(); }

    // The MMSIs of the target rows in the order the view shows them, hidden rows left out.
    QStringList Shown() const {
        QStringList mmsi;
        for (int v = 0; v < RowHeader()->count(); ++v) {
            const int r = RowHeader()->logicalIndex(v);
            if (r < 1 || r > static_cast<int>(Form->TargetList.size()) ||
                Form->StringGrid_RxData->isRowHidden(r))
                continue;
            mmsi << Rx(r, RxCol::MMSI);
        }
        return mmsi;
    }
    void ClickHeader(int Col) {
        QTableWidget* g = Form->StringGrid_RxData;
        const QRect cell = g->visualRect(g->model()->index(0, Col));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // The own ship at 54 N 10 E, by its GPS: speed and course as given.
    void OwnShip(const char* Sog, const char* Cog) {
        Receive(Nmea(std::string("GPRMC,120000,A,5400.000,N,01000.000,E,") + Sog + "," + Cog +
                     ",091225,,"));
    }
};

// ---- Sorting ---------------------------------------------------------------------------------

TEST_F(TargetList, AHeaderClickSortsNumbersAsNumbersWithNotAvailableLastAndCyclesBack) {
    Form->show();
    Form->PageControl->setCurrentWidget(Form->TabSheet_Received);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    Receive(PosA(211000001, 54.1, 10.1, 95));   // 9.5 kn
    Receive(PosA(211000002, 54.2, 10.2, 1023)); // speed not available
    Receive(PosA(211000003, 54.3, 10.3, 102));  // 10.2 kn: after 9.5 as a number
    Receive(PosA(211000004, 54.4, 10.4, 0));
    const QStringList firstHeard = {"211000001", "211000002", "211000003", "211000004"};
    ASSERT_EQ(Shown(), firstHeard);

    ClickHeader(RxCol::SOG);
    EXPECT_EQ(Shown(), (QStringList{"211000004", "211000001", "211000003", "211000002"}));
    // underneath the rows keep their first-heard places
    EXPECT_EQ(Rx(1, RxCol::MMSI), "211000001");
    EXPECT_EQ(Form->UnitReceive->FindTargetRow("211000004"), 4);

    ClickHeader(RxCol::SOG);
    EXPECT_EQ(Shown(), (QStringList{"211000003", "211000001", "211000004", "211000002"}));
    ClickHeader(RxCol::SOG);
    EXPECT_EQ(Shown(), firstHeard);

    // texts without regard to case; the header row stays on top and the empty row last
    Receive(Static5(211000003, "aurora", "DA3"));
    Receive(Static5(211000001, "BALTIC", "DA1"));
    ClickHeader(RxCol::ShipName);
    EXPECT_EQ(Shown(), (QStringList{"211000003", "211000001", "211000002", "211000004"}));
    EXPECT_EQ(RowHeader()->logicalIndex(0), 0);
    EXPECT_EQ(RowHeader()->logicalIndex(RowHeader()->count() - 1), 5);

    // the keyboard: Enter on a header cell
    Form->StringGrid_RxData->setCurrentCell(0, RxCol::MMSI);
    QTest::keyClick(Form->StringGrid_RxData, Qt::Key_Return);
    EXPECT_EQ(Table().SortColumn(), RxCol::MMSI);
    Table().MenuItem_FirstHeard->trigger();
    EXPECT_EQ(Shown(), firstHeard);
}

TEST_F(TargetList, ASortedTableTakesReportsAndNewTargetsIntoItsOrderAtTheNextTick) {
    Receive(PosA(211000001, 54.1, 10.1, 50));
    Receive(PosA(211000002, 54.2, 10.2, 100));
    Table().SortBy(RxCol::SOG, false);
    EXPECT_EQ(Shown(), (QStringList{"211000002", "211000001"}));
    Receive(PosA(211000001, 54.1, 10.1, 150)); // now the fastest
    Receive(PosA(211000003, 54.1, 10.1, 120)); // new, in between
    Tick();
    EXPECT_EQ(Shown(), (QStringList{"211000001", "211000003", "211000002"}));
    EXPECT_EQ(Form->StringGrid_RxData->rowCount(), 5);
}

// ---- Search and filters ------------------------------------------------------------------------

TEST_F(TargetList, SearchAndFiltersHideRowsAndShowAllBringsThemBack) {
    OwnShip("0.0", "0.0");
    Receive(PosA(211000001, 54.05, 10.0, 120)); // 3 NM north, moving
    Receive(Static5(211000001, "BALTIC STAR", "DABC"));
    Receive(PosB(244000002, 54.0, 10.5)); // about 17.6 NM east, 6.1 kn
    Receive(Static24A(244000002, "AURORA"));
    Receive(PosA(257000003, 54.01, 10.0, 0)); // moored close by
    Receive(Static24B(257000003, "LB9999"));

    Table().MenuItem_Search->trigger();
    ASSERT_FALSE(Table().Panel_TargetFilter->isHidden());
    Table().Edit_TargetSearch->setText("baltic");
    EXPECT_EQ(Shown(), (QStringList{"211000001"}));
    Table().Edit_TargetSearch->setText("lb99"); // call sign
    EXPECT_EQ(Shown(), (QStringList{"257000003"}));
    Table().Edit_TargetSearch->setText("2440"); // part of an MMSI
    EXPECT_EQ(Shown(), (QStringList{"244000002"}));
    Table().Edit_TargetSearch->clear();

    Table().ComboBox_TargetClass->setCurrentIndex(2); // class B
    EXPECT_EQ(Shown(), (QStringList{"244000002"}));
    Table().ComboBox_TargetClass->setCurrentIndex(0);
    Table().ComboBox_TargetMotion->setCurrentIndex(2); // not moving
    EXPECT_EQ(Shown(), (QStringList{"257000003"}));
    Table().ComboBox_TargetMotion->setCurrentIndex(1); // moving
    EXPECT_EQ(Shown(), (QStringList{"211000001", "244000002"}));
    Table().Edit_WithinNm->setValue(5);
    Table().CheckBox_Within->setChecked(true);
    EXPECT_EQ(Shown(), (QStringList{"211000001"}));
    EXPECT_EQ(Table().Label_TargetCount->text(), "1 of 3 shown");

    // a newcomer that does not match stays out of sight; one that does shows
    Receive(PosA(211000009, 55.0, 10.0, 100));
    Receive(PosA(211000010, 54.02, 10.0, 100));
    EXPECT_EQ(Shown(), (QStringList{"211000001", "211000010"}));
    EXPECT_EQ(Table().Label_TargetCount->text(), "2 of 5 shown");
    // the own ship moves: the range filter follows at the next tick
    Receive(Nmea("GPRMC,120100,A,5500.000,N,01000.000,E,0.0,0.0,091225,,"));
    Tick();
    EXPECT_EQ(Shown(), (QStringList{"211000009"}));

    QTest::mouseClick(Table().Panel_TargetFilter->findChild<QPushButton*>("Button_ShowAllTargets"),
                      Qt::LeftButton);
    EXPECT_TRUE(Table().Panel_TargetFilter->isHidden());
    EXPECT_EQ(Shown().size(), 5);
    EXPECT_FALSE(Table().Filter().Active());
    EXPECT_EQ(Form->StringGrid_RxData->rowCount(), 7);
}

// ---- CPA and TCPA
// --------------------------------------------------------------------------------

TEST_F(TargetList, CpaColumnsAreAddedWhenShownAndMarkTheDangerousRow) {
    EXPECT_EQ(Form->StringGrid_RxData->columnCount(), 14);
    OwnShip("10.0", "0.0");                           // north at 10 kn
    Receive(PosA(211000001, 54.1, 10.0, 100, 1800));  // 6 NM ahead, coming south: head-on
    Receive(PosA(211000002, 54.0, 10.3, 100, 900));   // abeam, going away east
    Receive(PosA(211000003, 54.1, 10.0, 1023, 1800)); // ahead, speed not available
    Table().MenuItem_CPA->trigger();
    Table().MenuItem_TCPA->trigger();
    ASSERT_EQ(Form->StringGrid_RxData->columnCount(), 16);
    EXPECT_EQ(Rx(0, kCPA), "CPA");
    EXPECT_EQ(Rx(0, kTCPA), "TCPA");
    EXPECT_EQ(Form->StringGrid_RxData->columnWidth(kCPA), 50);
    EXPECT_EQ(Rx(1, kCPA), "0.0 nm");
    EXPECT_EQ(Rx(1, kTCPA), "18.0 min");
    EXPECT_EQ(Rx(2, kTCPA).left(1), "-"); // passed already
    EXPECT_EQ(Rx(3, kCPA), "n.a.");
    EXPECT_EQ(Rx(3, kTCPA), "n.a.");
    EXPECT_TRUE(Form->UnitReceive->Dangerous(0));
    EXPECT_FALSE(Form->UnitReceive->Dangerous(1));
    EXPECT_FALSE(Form->UnitReceive->Dangerous(2));

    // the row is tinted, its empty cells too
    const QColor base = Form->StringGrid_RxData->palette().base().color();
    EXPECT_NE(Form->UnitReceive->RowBrush(1, false).color(), base);
    EXPECT_EQ(Form->UnitReceive->RowBrush(2, false).color(), base);

    // a limit of 10 minutes for the run: 18 minutes away is no alert
    Table().TcpaLimitItems.front()->trigger();
    EXPECT_FALSE(Form->UnitReceive->Dangerous(0));
    Table().TcpaLimitItems.back()->trigger();
    EXPECT_TRUE(Form->UnitReceive->Dangerous(0));

    // the own transponder heard as a target never meets itself
    Form->OwnShip.MMSI = 211000001;
    EXPECT_EQ(Rx(1, kCPA), "n.a.");
    EXPECT_FALSE(Form->UnitReceive->Dangerous(0));

    // hidden again: zero width, still written
    Table().MenuItem_CPA->trigger();
    EXPECT_EQ(Form->StringGrid_RxData->columnWidth(kCPA), 0);
    Receive(PosA(211000004, 54.1, 10.0, 100, 1800));
    EXPECT_EQ(Rx(4, kCPA), "0.0 nm");
}

TEST_F(TargetList, CpaSortsByItsNumberAndFollowsTheOwnShipEachTick) {
    OwnShip("0.0", "0.0");
    Receive(PosA(211000001, 54.2, 10.0, 0, 0));  // 12 NM
    Receive(PosA(211000002, 54.05, 10.0, 0, 0)); // 3 NM
    Receive(PosA(211000003, 91, 181, 0, 0));     // no position: last
    Table().ShowCpaColumn(true);
    Table().SortBy(kCPA, true);
    EXPECT_EQ(Shown(), (QStringList{"211000002", "211000001", "211000003"}));
    Receive(Nmea("GPRMC,120100,A,5412.000,N,01000.000,E,0.0,0.0,091225,,")); // at 54.2 N now
    Tick();
    EXPECT_EQ(Shown(), (QStringList{"211000001", "211000002", "211000003"}));
}

// ---- Lost targets ------------------------------------------------------------------------------

TEST_F(TargetList, ATargetSilentForSixOfItsIntervalsIsGreyedUntilItReportsAgain) {
    Receive(PosB(244000002, 54.0, 10.5)); // class B at 6.1 kn: every 30 s
    Receive(PosA(211000001, 54.0, 10.0, 0));
    auto textColour = [this](int Row) {
        QImage img(60, 16, QImage::Format_ARGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        Form->UnitReceive->StringGrid_RxDataDrawCell(p, RxCol::MMSI, Row, img.rect(), false);
        p.end();
        // the darkest pixel is the text's
        QColor darkest = Qt::white;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y).lightness() < darkest.lightness())
                    darkest = img.pixelColor(x, y);
        return darkest;
    };
    const QColor normal = textColour(1);
    Tick(179);
    EXPECT_FALSE(Form->UnitReceive->Lost(0));
    Tick(2);
    EXPECT_TRUE(Form->UnitReceive->Lost(0));
    EXPECT_TRUE(Form->UnitReceive->Lost(1)); // class A under way reports every 10 s
    EXPECT_NE(textColour(1), normal);
    EXPECT_EQ(Rx(1, RxCol::MMSI), "244000002"); // never removed

    Receive(PosB(244000002, 54.0, 10.5));
    EXPECT_FALSE(Form->UnitReceive->Lost(0));
    EXPECT_EQ(textColour(1), normal);
}

// ---- Export ------------------------------------------------------------------------------------

TEST_F(TargetList, ExportWritesEveryTargetAndEveryColumnAsCsv) {
    QTemporaryDir dir;
    const QString path = dir.filePath("targets.csv");
    SetSaveFileHandler([&](const TSaveFileRequest&) { return path; });
    OwnShip("10.0", "0.0");
    Receive(PosA(211000001, 54.1, -0.5, 100, 1800));
    Receive(Static5(211000001, "SMITH, JOHN", "DA1"));
    Receive(PosB(244000002, 54.0, 10.5));
    Receive(Static24B(244000002, "PB1"));
    Table().Edit_TargetSearch->setText("smith"); // filtered rows are exported too
    Table().SortBy(RxCol::MMSI, false);

    Form->MenuItem_File->findChild<QAction*>("MenuItem_ExportTargets")->trigger();
    SetSaveFileHandler({});
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes.front().Text, "2 targets exported to targets.csv.");
    Boxes.clear();

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
    ASSERT_EQ(lines.size(), 4); // header, two targets, the empty rest after the last CR LF
    EXPECT_EQ(lines[0], "Class,MMSI,Ship Name,Call Sign,SOG,COG,Latitude,Longitude,Last Report,"
                        "Vendor ID,Bearing,Range,Dimensions,Vessel Type,CPA,TCPA,"
                        "Latitude (degrees),Longitude (degrees),Last Report (UTC),Lost,Dangerous");
    EXPECT_TRUE(lines[1].startsWith("B,244000002,,PB1    ," + Rx(2, RxCol::SOG) + "," +
                                    Rx(2, RxCol::COG) + ","))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(",CVN2401,")); // hidden columns too
    EXPECT_TRUE(lines[2].startsWith("A,211000001,\"SMITH, JOHN         \","))
        << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith(",54.100000,-0.500000,2025-12-09T12:00:00Z,no,no"))
        << lines[2].toStdString();
    EXPECT_EQ(lines[3], "");
}

TEST_F(TargetList, AnExportThatCannotBeWrittenSaysSoAndCancelWritesNothing) {
    Receive(PosA(211000001, 54.1, 10.0));
    SetSaveFileHandler([](const TSaveFileRequest&) { return QString(); });
    Table().ExportTargetsClick();
    EXPECT_TRUE(Boxes.empty());
    SetSaveFileHandler([](const TSaveFileRequest&) { return QString("/nonexistent-dir/t.csv"); });
    Table().ExportTargetsClick();
    SetSaveFileHandler({});
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes.front().Caption, "Error");
    EXPECT_TRUE(Boxes.front().Text.startsWith("Could not write /nonexistent-dir/t.csv: "));
    Boxes.clear();
}

} // namespace
