// The "Plot" tab on the real window, driven as a user would: targets fed as sentences appear
// where their positions put them, the wheel, the buttons and the keys zoom through the ranges,
// a click on a target selects its table row and a row chosen in the table is highlighted, the
// alert and the lost mark colour the symbols, and the picture can be saved.

#include "ViewsFixture.h"
#include "plot/PlotTab.h"
#include "targets/TargetTable.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>
#include <numbers>

namespace {

using namespace sentences;

constexpr double kRad = std::numbers::pi / 180;

// Degrees of latitude and longitude for miles north and east of 54 N 10 E.
double LatNm(double North) {
    return 54 + North / 60;
}
double LonNm(double East) {
    return 10 + East / (60 * std::cos(54 * kRad));
}

class Plot : public ViewsTest {
protected:
    Plot() { Form->AddPlotTab(); }
    ~Plot() override { SetSaveFileHandler({}); }

    TPlotTab& Tab() const { return *Form->TabSheet_Plot; }
    TPlotView& View() const { return *Form->TabSheet_Plot->View; }

    void Show() {
        Form->show();
        Form->PageControl->setCurrentWidget(Form->TabSheet_Plot);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    }
    // The own ship at 54 N 10 E by its GPS, with speed and course as given.
    void OwnShip(const char* Sog = "0.0", const char* Cog = "0.0") {
        Receive(Nmea(std::string("GPRMC,120000,A,5400.000,N,01000.000,E,") + Sog + "," + Cog +
                     ",091225,,"));
    }
    // Where a point East and North miles from the own ship lies in the view, worked out
    // from the view's size and range alone.
    QPointF Expected(double East, double North) const {
        const double ppn = std::min(View().width(), View().height()) / 2.0 / View().RangeNm();
        return {View().width() / 2.0 + East * ppn, View().height() / 2.0 - North * ppn};
    }
    void Click(QPointF At) { QTest::mouseClick(&View(), Qt::LeftButton, {}, At.toPoint()); }
    void Wheel(int Delta) {
        const QPointF at(View().width() / 2.0, View().height() / 2.0);
        QWheelEvent e(at, View().mapToGlobal(at), QPoint(), QPoint(0, Delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&View(), &e);
    }
    QStringList Shown() const { // the MMSIs in the table's order as it shows them
        const QHeaderView* rows = Form->StringGrid_RxData->verticalHeader();
        QStringList mmsi;
        for (int v = 0; v < rows->count(); ++v) {
            const int r = rows->logicalIndex(v);
            if (r >= 1 && r <= static_cast<int>(Form->TargetList.size()))
                mmsi << Rx(r, RxCol::MMSI);
        }
        return mmsi;
    }
    QList<int> SelectedRows() const {
        QList<int> rows;
        for (const QModelIndex& i : Form->StringGrid_RxData->selectionModel()->selectedRows())
            rows << i.row();
        return rows;
    }
};

// ---- The tab and its own position ------------------------------------------------------------

TEST_F(Plot, TheTabComesAfterTheOthersAndSaysSoWithoutAnOwnPosition) {
    ASSERT_EQ(Form->PageControl->count(), 5);
    EXPECT_EQ(Form->PageControl->tabText(4), "Plot");
    EXPECT_NE(Form->InstallWatch, nullptr); // the coverage has its watch without the other tab
    Show();
    Receive(PosA(211000001, LatNm(2), 10));
    EXPECT_FALSE(View().HasOwnPosition());
    EXPECT_EQ(View().Message(),
              "No own position: the plot needs a GPS fix or an own position report.");
    EXPECT_FALSE(View().Drawing(0).Shown);
    EXPECT_FALSE(View().TargetAt(View().rect().center()).has_value());
    Click(QPointF(View().rect().center()));
    EXPECT_EQ(View().Selected(), -1);

    OwnShip();
    EXPECT_TRUE(View().Message().isEmpty());
    EXPECT_TRUE(View().Drawing(0).Shown);
    // an own report without a position takes the picture away again
    Receive(PosBUnknown(244999999, true));
    EXPECT_EQ(View().Message(), TPlotView::kNoOwnPosition);
}

// ---- Where targets appear --------------------------------------------------------------------

TEST_F(Plot, TargetsAppearWhereTheirPositionsProjectAndAClickFindsThem) {
    struct TCase {
        std::uint32_t Mmsi;
        double East, North;
    };
    const TCase cases[] = {
        {211000001, 0, 3},     {211000002, 4, 0},      {211000003, -3, -2},
        {211000004, 0.4, 0.3}, {211000005, -5.5, 4.5},
    };
    Show();
    OwnShip();
    for (const TCase& c : cases) Receive(PosA(c.Mmsi, LatNm(c.North), LonNm(c.East)));
    for (int e = 0; e < static_cast<int>(std::size(cases)); ++e) {
        const TCase& c = cases[e];
        const QPointF want = Expected(c.East, c.North);
        const auto d = View().Drawing(e);
        ASSERT_TRUE(d.Shown) << c.Mmsi;
        EXPECT_NEAR(d.At.x(), want.x(), 0.5) << c.Mmsi;
        EXPECT_NEAR(d.At.y(), want.y(), 0.5) << c.Mmsi;
        Click(want);
        EXPECT_EQ(Form->StringGrid_RxData->currentRow(), e + 1) << c.Mmsi;
        EXPECT_EQ(View().Selected(), e) << c.Mmsi;
        EXPECT_TRUE(Tab().Label_PlotTarget->text().contains(QString::number(c.Mmsi)));
    }
    // beyond the range: not drawn, and nothing there to click
    Receive(PosA(211000009, LatNm(7), 10));
    EXPECT_FALSE(View().Drawing(5).Shown);
}

TEST_F(Plot, ATargetAcross180DegreesIsTheShortWayRound) {
    Show();
    Receive(Nmea("GPRMC,120000,A,0000.000,N,17958.800,E,0.0,0.0,091225,,")); // 179.98 E
    Receive(PosA(211000001, 0, -179.98));                                    // 2.4 NM east
    Receive(PosA(211000002, 0.05, 179.95));                                  // 1.8 W, 3 N
    EXPECT_NEAR(View().Drawing(0).At.x(), Expected(2.4, 0).x(), 0.5);
    EXPECT_NEAR(View().Drawing(1).At.x(), Expected(-1.8, 3).x(), 0.5);
    EXPECT_NEAR(View().Drawing(1).At.y(), Expected(-1.8, 3).y(), 0.5);
    EXPECT_EQ(View().TargetAt(Expected(2.4, 0).toPoint()), 0);
}

// ---- Zoom ------------------------------------------------------------------------------------

TEST_F(Plot, TheWheelButtonsAndKeysZoomThroughTheRangesAndStopAtTheEnds) {
    Show();
    OwnShip();
    Receive(PosA(211000001, LatNm(0.4), 10));
    EXPECT_EQ(View().RangeNm(), 6);
    EXPECT_EQ(Tab().Label_PlotRange->text(), "Range 6 NM");

    for (double range : {3.0, 2.0, 1.0, 0.5, 0.5}) {
        Wheel(120);
        EXPECT_EQ(View().RangeNm(), range);
    }
    EXPECT_FALSE(Tab().Button_ZoomIn->isEnabled());
    EXPECT_EQ(Tab().Label_PlotRange->text(), "Range 0.5 NM");
    // at 0.5 NM the target 0.4 NM north is near the top edge
    EXPECT_NEAR(View().Drawing(0).At.y(), Expected(0, 0.4).y(), 0.5);
    Wheel(60); // half notches add up, in one direction
    EXPECT_EQ(View().RangeNm(), 0.5);
    Wheel(-60);
    EXPECT_EQ(View().RangeNm(), 0.5);
    Wheel(-60);
    EXPECT_EQ(View().RangeNm(), 1);

    for (double range : {2.0, 3.0, 6.0, 12.0, 24.0, 48.0}) {
        QTest::mouseClick(Tab().Button_ZoomOut, Qt::LeftButton);
        EXPECT_EQ(View().RangeNm(), range);
    }
    EXPECT_FALSE(Tab().Button_ZoomOut->isEnabled());
    QTest::mouseClick(Tab().Button_ZoomOut, Qt::LeftButton);
    Wheel(-120);
    EXPECT_EQ(View().RangeNm(), 48);
    EXPECT_EQ(Tab().Label_PlotRange->text(), "Range 48 NM");

    QTest::mouseClick(Tab().Button_ZoomIn, Qt::LeftButton);
    EXPECT_EQ(View().RangeNm(), 24);
    View().setFocus();
    QTest::keyClick(&View(), Qt::Key_Plus);
    EXPECT_EQ(View().RangeNm(), 12);
    QTest::keyClick(&View(), Qt::Key_Minus);
    QTest::keyClick(&View(), Qt::Key_Minus);
    QTest::keyClick(&View(), Qt::Key_Minus);
    EXPECT_EQ(View().RangeNm(), 48);
    EXPECT_TRUE(Tab().Button_ZoomIn->isEnabled());
}

// ---- Selection, both ways --------------------------------------------------------------------

TEST_F(Plot, AClickSelectsTheTargetsRowWhereverTheSortedTableShowsIt) {
    Show();
    OwnShip();
    Receive(PosA(211000001, LatNm(1), LonNm(1), 50));
    Receive(PosA(211000002, LatNm(-2), LonNm(1), 150));
    Receive(PosA(211000003, LatNm(2), LonNm(-3), 100));
    Receive(PosA(211000004, LatNm(-1), LonNm(-1), 10));
    Form->TargetTable->SortBy(RxCol::SOG, false);
    ASSERT_EQ(Shown(), (QStringList{"211000002", "211000003", "211000001", "211000004"}));

    Click(Expected(-3, 2)); // 211000003, shown second
    EXPECT_EQ(SelectedRows(), QList<int>{3});
    EXPECT_EQ(Rx(Form->StringGrid_RxData->currentRow(), RxCol::MMSI), "211000003");
    EXPECT_EQ(Form->StringGrid_RxData->verticalHeader()->visualIndex(3), 2); // below the header
    EXPECT_TRUE(View().Drawing(2).Selected);

    Click(Expected(-1, -1)); // 211000004, shown last
    EXPECT_EQ(SelectedRows(), QList<int>{4});
    EXPECT_FALSE(View().Drawing(2).Selected);
    EXPECT_TRUE(View().Drawing(3).Selected);

    Click(Expected(5, 5)); // open water leaves the selection as it was
    EXPECT_EQ(SelectedRows(), QList<int>{4});
}

TEST_F(Plot, ARowChosenInTheTableIsHighlightedOnThePlot) {
    Form->show();
    Form->PageControl->setCurrentWidget(Form->TabSheet_Received);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    OwnShip();
    Receive(PosA(211000001, LatNm(1), LonNm(1)));
    Receive(PosA(211000002, LatNm(-2), LonNm(1)));
    Receive(Static5(211000002, "BALTIC STAR", "DABC"));
    QTableWidget* g = Form->StringGrid_RxData;
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                      g->visualRect(g->model()->index(2, RxCol::ShipName)).center());
    ASSERT_EQ(g->currentRow(), 2);

    Form->PageControl->setCurrentWidget(Form->TabSheet_Plot);
    EXPECT_EQ(View().Selected(), 1);
    EXPECT_TRUE(View().Drawing(1).Selected);
    EXPECT_FALSE(View().Drawing(0).Selected);
    EXPECT_TRUE(Tab().Label_PlotTarget->text().startsWith("BALTIC STAR, MMSI 211000002, class A"))
        << Tab().Label_PlotTarget->text().toStdString();
    EXPECT_TRUE(Tab().Label_PlotTarget->text().contains("Range 2.2 NM"));

    g->setCurrentCell(0, RxCol::MMSI); // the header row is no target
    EXPECT_EQ(View().Selected(), -1);
    EXPECT_FALSE(View().Drawing(1).Selected);
}

TEST_F(Plot, HoveringOverATargetShowsItsKeyData) {
    Show();
    OwnShip("10.0", "0.0");
    Receive(PosA(211000001, LatNm(3), 10, 100, 1800)); // head-on
    const QPoint at = Expected(0, 3).toPoint();
    QHelpEvent help(QEvent::ToolTip, at, View().mapToGlobal(at));
    QCoreApplication::sendEvent(&View(), &help);
    EXPECT_TRUE(QToolTip::text().contains("MMSI 211000001")) << QToolTip::text().toStdString();
    EXPECT_TRUE(QToolTip::text().contains("Range 3.0 NM, bearing 0\u00B0"));
    EXPECT_TRUE(QToolTip::text().contains("CPA 0.0 NM, TCPA 9.0 min"));
    QToolTip::hideText();
}

// ---- How targets are drawn -------------------------------------------------------------------

TEST_F(Plot, ADangerousTargetIsRedAndALostOneGrey) {
    Show();
    OwnShip("10.0", "0.0");                               // north at 10 kn
    Receive(PosA(211000001, LatNm(3), 10, 100, 1800));    // 3 NM ahead, coming south
    Receive(PosA(211000002, LatNm(0), LonNm(4), 0, 900)); // abeam, still
    Receive(PosB(244000003, LatNm(-3), LonNm(-4)));       // class B astern
    const auto danger = View().Drawing(0);
    EXPECT_EQ(danger.Tone, TPlotTone::Dangerous);
    EXPECT_TRUE(Form->UnitReceive->Dangerous(0)); // the table's own rule
    EXPECT_EQ(danger.Colour, QColor(215, 25, 25));
    EXPECT_EQ(danger.Shape.Symbol, TPlotSymbol::ClassA);
    EXPECT_EQ(danger.Shape.Rotation, 180);
    ASSERT_TRUE(danger.VectorEnd.has_value()); // six minutes at 10 kn: 1 NM south
    EXPECT_NEAR(danger.VectorEnd->y(), Expected(0, 2).y(), 0.5);
    EXPECT_EQ(View().Drawing(1).Tone, TPlotTone::Normal);
    EXPECT_EQ(View().Drawing(2).Shape.Symbol, TPlotSymbol::ClassB);

    // One picture, to see that something is drawn at all, and red where the alert is.
    QCoreApplication::processEvents();
    const QImage picture = View().grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 3)
        for (int x = 0; x < picture.width(); x += 3) colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 10);
    const QColor atDanger = picture.pixelColor(danger.At.toPoint());
    EXPECT_GT(atDanger.red(), 150);
    EXPECT_LT(atDanger.green(), 120);

    // Twenty minutes without reports: the still class A and the class B are lost (the
    // dangerous one too, and still drawn red), and the tick repaints.
    QCoreApplication::processEvents();
    View().PaintTimer.stop();
    const int requests = View().PaintRequests();
    OwnShip("0.0", "0.0"); // stopped: the one ahead keeps coming, TCPA 18 min
    Tick(20 * 60);
    Tab().Tick();
    EXPECT_EQ(View().PaintRequests(), requests + 1);
    EXPECT_TRUE(Form->UnitReceive->Lost(1));
    const auto lost = View().Drawing(1);
    EXPECT_TRUE(lost.Lost);
    EXPECT_EQ(lost.Tone, TPlotTone::Lost);
    EXPECT_EQ(lost.Colour, QColor(150, 150, 150));
    EXPECT_TRUE(View().Drawing(2).Lost);
    EXPECT_EQ(View().Drawing(0).Tone, TPlotTone::Dangerous);
}

TEST_F(Plot, NamesShowBesideTheirTargetsWhenAskedAndSurviveAPartB) {
    Show();
    OwnShip();
    Receive(PosB(244000003, LatNm(1), LonNm(1)));
    Receive(Static24A(244000003, "AURORA"));
    Receive(Static24B(244000003, "LB9999")); // replaces the entry's record, name and all
    Receive(PosA(211000001, LatNm(-1), LonNm(-1)));
    EXPECT_TRUE(View().Drawing(0).NameShown);
    EXPECT_TRUE(View().Details(0).startsWith("AURORA, MMSI 244000003, class B"));
    EXPECT_FALSE(View().Drawing(1).NameShown); // no name to show

    QTest::mouseClick(Tab().CheckBox_PlotNames, Qt::LeftButton);
    EXPECT_FALSE(Tab().CheckBox_PlotNames->isChecked());
    EXPECT_FALSE(View().Drawing(0).NameShown);
}

// ---- The coverage trace ----------------------------------------------------------------------

TEST_F(Plot, TheCoverageTraceGivesTheFarthestStationPerChannel) {
    Show();
    EXPECT_EQ(View().CoverageLines(),
              (QStringList{"Farthest heard since connecting", "Channel A: nothing heard",
                           "Channel B: nothing heard"}));
    Form->InstallWatch->Start(Now); // as a connection does
    OwnShip();
    Receive(PosA(211000001, LatNm(3), 10));                         // channel A
    Receive(PosB(244000002, LatNm(0), LonNm(-5), false, 1, 'B'));   // channel B
    Receive(PosB(244000003, LatNm(-1.5), LonNm(0), false, 1, 'B')); // nearer
    EXPECT_EQ(View().CoverageLines(), (QStringList{"Farthest heard since connecting",
                                                   "Channel A: 3.0 NM", "Channel B: 5.0 NM"}));
    Tab().Tick();
    QCoreApplication::processEvents();
    View().PaintTimer.stop();
    const int requests = View().PaintRequests();
    // a station far out of view: nothing to paint of it, but the trace grows at the tick
    Receive(PosA(211000009, LatNm(0), LonNm(30), 0));
    EXPECT_EQ(View().PaintRequests(), requests);
    Tab().Tick();
    EXPECT_EQ(View().PaintRequests(), requests + 1);
    EXPECT_EQ(View().CoverageLines().at(1), "Channel A: 30.0 NM");
}

// ---- Painting only when something changed ----------------------------------------------------

TEST_F(Plot, ReportsArePaintedTogetherAndNothingNewPaintsNothing) {
    Show();
    OwnShip();
    Receive(PosA(211999999, LatNm(20), 10)); // the farthest to the north: the trace's sector
    Tab().Tick();                            // the own position: a picture instead of the message
    QCoreApplication::processEvents();
    View().PaintTimer.stop();
    const int before = View().PaintRequests();
    for (int i = 0; i < 50; ++i) Receive(PosA(211000000 + i, LatNm(i * 0.1 - 2.5), 10));
    EXPECT_EQ(View().PaintRequests(), before + 1); // the first at once
    EXPECT_TRUE(View().PaintTimer.isActive());     // the rest when it runs out
    View().PaintTimer.stop();
    View().PaintTimerTimer();
    EXPECT_EQ(View().PaintRequests(), before + 2);
    View().PaintTimer.stop();
    View().PaintTimerTimer(); // nothing waiting
    EXPECT_EQ(View().PaintRequests(), before + 2);

    const int paints = View().Paints();
    QCoreApplication::processEvents();
    EXPECT_EQ(View().Paints(), paints + 1);
    View().PaintTimer.stop();
    Receive(PosA(299000001, LatNm(10), 10)); // north, out of view, nearer than the farthest
    Tick();
    Tab().Tick();
    EXPECT_EQ(View().PaintRequests(), before + 2);
    EXPECT_FALSE(View().PaintTimer.isActive());

    // the own ship moves: the next tick paints
    Receive(Nmea("GPRMC,120001,A,5400.100,N,01000.000,E,6.0,0.0,091225,,"));
    Tab().Tick();
    EXPECT_EQ(View().PaintRequests(), before + 3);
}

// ---- The picture -----------------------------------------------------------------------------

TEST_F(Plot, SavePictureWritesAPngAndSaysWhenItCannot) {
    Show();
    OwnShip();
    Receive(PosA(211000001, LatNm(2), LonNm(2)));
    QTemporaryDir dir;
    QString asked;
    SetSaveFileHandler([&](const TSaveFileRequest& R) {
        asked = R.Suggested;
        return dir.filePath("harbour"); // no suffix: .png is added
    });
    QTest::mouseClick(Tab().Button_SavePicture, Qt::LeftButton);
    EXPECT_TRUE(asked.startsWith("plot-") && asked.endsWith(".png")) << asked.toStdString();
    QImageReader reader(dir.filePath("harbour.png"));
    EXPECT_EQ(reader.format(), "png");
    const QImage saved = reader.read();
    EXPECT_EQ(saved.size(), View().size() * View().devicePixelRatio());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes.back().Icon, TMsgIcon::Information);
    EXPECT_EQ(Boxes.back().Text, "Picture saved to harbour.png.");

    SetSaveFileHandler([&](const TSaveFileRequest&) { return dir.filePath("no/such/dir/p.png"); });
    QTest::mouseClick(Tab().Button_SavePicture, Qt::LeftButton);
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes.back().Icon, TMsgIcon::Error);
    EXPECT_TRUE(Boxes.back().Text.startsWith("Cannot write " + dir.filePath("no/such/dir/p.png")))
        << Boxes.back().Text.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("no/such/dir/p.png")));

    SetSaveFileHandler([](const TSaveFileRequest&) { return QString(); }); // cancelled
    QTest::mouseClick(Tab().Button_SavePicture, Qt::LeftButton);
    EXPECT_EQ(Boxes.size(), 2u);
}

// ---- Names in a crowd ------------------------------------------------------------------------

TEST_F(Plot, ANameThatWouldCoverAnotherIsLeftOutTheChosenOnesFirst) {
    Show();
    OwnShip();
    Receive(PosA(211000001, LatNm(1), LonNm(1)));
    Receive(Static5(211000001, "NORTHERN LIGHT", "DA1"));
    Receive(PosA(211000002, LatNm(1.01), LonNm(1.02))); // all but on top of the first
    Receive(Static5(211000002, "SOUTHERN CROSS", "DA2"));
    Receive(PosA(211000003, LatNm(-2), LonNm(-2)));
    Receive(Static5(211000003, "WESTWIND", "DA3"));
    View().repaint();
    EXPECT_EQ(View().NamesPainted(), (std::vector<int>{2, 1})); // the first one covered
    EXPECT_TRUE(View().Drawing(0).NameShown);                   // wanted, though not written

    View().SetSelected(0); // the chosen target's name goes first
    View().repaint();
    EXPECT_EQ(View().NamesPainted(), (std::vector<int>{0, 2}));
}

} // namespace
