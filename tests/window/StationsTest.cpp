// Stations beyond the vessels on the real window: base stations, aids to navigation and SAR
// aircraft on the plot always and in the table when asked, extended class B reports filling
// their rows, and safety messages with the alert of a distress device.

#include "../ais/PayloadBuilder.h"
#include "ViewsFixture.h"
#include "plot/PlotTab.h"
#include "safety/DistressBar.h"
#include "safety/SafetyList.h"
#include "targets/TargetTable.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <numbers>

namespace {

using namespace sentences;

double LatNm(double North) {
    return 54 + North / 60;
}
double LonNm(double East) {
    return 10 + East / (60 * std::cos(54 * std::numbers::pi / 180));
}
std::uint32_t Units(double Degrees) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(Degrees * 600000)));
}

std::string Sentence(const TPayload& P) {
    TVdSentenceBuilder b;
    const std::string text = P.Armoured();
    const int fill = static_cast<int>(text.size() * 6 - P.BitCount());
    return Join(b.Build(false, 'A', TAisPayload{text, fill}));
}

std::string Base(std::uint32_t Mmsi, double Lat, double Lon) {
    TAisBaseStation m;
    m.MMSI = Mmsi;
    m.Lat = LonLatUnits(Lat);
    m.Lon = LonLatUnits(Lon);
    TVdSentenceBuilder b;
    return Join(b.Build(false, 'A', EncodeMsg4(m)));
}

std::string Aid(std::uint32_t Mmsi, double Lat, double Lon, const std::string& Name) {
    TAisAtoN m;
    m.MMSI = Mmsi;
    m.AidType = 14; // beacon, starboard hand
    m.Name = Name;
    m.Lat = LonLatUnits(Lat);
    m.Lon = LonLatUnits(Lon);
    TVdSentenceBuilder b;
    return Join(b.Build(false, 'A', EncodeMsg21(m)));
}

// Type 9 at 150 m, 90 knots, course 45 degrees.
std::string Aircraft(std::uint32_t Mmsi, double Lat, double Lon) {
    TPayload p;
    p.Put(9, 6).Put(0, 2).Put(Mmsi, 30).Put(150, 12).Put(90, 10).Put(1, 1);
    p.Put(Units(Lon), 28).Put(Units(Lat), 27).Put(450, 12).Put(30, 6);
    p.Put(0, 8).Put(0, 1).Put(0, 3).Put(0, 1).Put(0, 1).Put(0, 1).Put(0, 20);
    return Sentence(p);
}

// Type 19: position with name, type and size in one.
std::string Extended(std::uint32_t Mmsi, double Lat, double Lon, const std::string& Name) {
    TPayload p;
    p.Put(19, 6).Put(0, 2).Put(Mmsi, 30).Put(0, 8).Put(64, 10).Put(1, 1);
    p.Put(Units(Lon), 28).Put(Units(Lat), 27).Put(2700, 12).Put(271, 9).Put(20, 6).Put(0, 4);
    p.Text(Name, 20).Put(36, 8).Put(9, 9).Put(3, 9).Put(2, 6).Put(2, 6).Put(1, 4);
    p.Put(0, 1).Put(0, 1).Put(1, 1).Put(0, 4);
    return Sentence(p);
}

std::string Broadcast(std::uint32_t Mmsi, const std::string& Text) {
    TPayload p;
    p.Put(14, 6).Put(0, 2).Put(Mmsi, 30).Put(0, 2).Text(Text, Text.size());
    return Sentence(p);
}

std::string Addressed(std::uint32_t Mmsi, std::uint32_t To, const std::string& Text) {
    TPayload p;
    p.Put(12, 6).Put(0, 2).Put(Mmsi, 30).Put(1, 2).Put(To, 30).Put(0, 1).Put(0, 1);
    p.Text(Text, Text.size());
    return Sentence(p);
}

class Stations : public ViewsTest {
protected:
    Stations() {
        Form->AddPlotTab();
        Form->AddOtherStations();
    }

    TPlotView& View() const { return *Form->TabSheet_Plot->View; }
    void OwnShip() { Receive(Nmea("GPRMC,120000,A,5400.000,N,01000.000,E,0.0,0.0,091225,,")); }
    int RowOf(const char* Mmsi) const { return Form->UnitReceive->FindTargetRow(Mmsi); }
    QString Count() const { return Form->TargetTable->Label_TargetCount->text(); }
};

TEST_F(Stations, OtherStationsArePlottedAlwaysAndListedOnlyWhenAsked) {
    Form->show();
    Form->PageControl->setCurrentWidget(Form->TabSheet_Plot);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    OwnShip();
    Receive(PosA(211000001, LatNm(1), LonNm(1)));
    const int rowsBefore = Form->StringGrid_RxData->rowCount();
    Receive(Base(2190047, LatNm(2), LonNm(-2)));
    Receive(Aid(992191234, LatNm(-1), LonNm(2), "KIEL LIGHTHOUSE NORTH PIER"));
    Receive(Aircraft(111219501, LatNm(-2), LonNm(-1)));

    // The table as it always was: the vessel only.
    EXPECT_EQ(Form->TargetList.size(), 1u);
    EXPECT_EQ(Form->StringGrid_RxData->rowCount(), rowsBefore);
    EXPECT_FALSE(Item("MenuItem_ShowOthers")->isChecked());

    // The plot has them all, each its own symbol.
    const struct {
        int Entry;
        TPlotSymbol Symbol;
        double East, North;
        const char* Details;
    } plotted[] = {
        {-2, TPlotSymbol::Square, -2, 2, "MMSI 002190047, base station"},
        {-3, TPlotSymbol::Diamond, 2, -1, "KIEL LIGHTHOUSE NORTH PIER, MMSI 992191234, aid"},
        {-4, TPlotSymbol::Aircraft, -1, -2, "MMSI 111219501, SAR aircraft"},
    };
    const double ppn = std::min(View().width(), View().height()) / 2.0 / View().RangeNm();
    for (const auto& p : plotted) {
        const auto d = View().Drawing(p.Entry);
        ASSERT_TRUE(d.Shown) << p.Details;
        EXPECT_EQ(d.Shape.Symbol, p.Symbol) << p.Details;
        EXPECT_NEAR(d.At.x(), View().width() / 2.0 + p.East * ppn, 0.5) << p.Details;
        EXPECT_NEAR(d.At.y(), View().height() / 2.0 - p.North * ppn, 0.5) << p.Details;
        EXPECT_TRUE(View().Details(p.Entry).startsWith(p.Details))
            << View().Details(p.Entry).toStdString();
    }
    EXPECT_TRUE(View().Details(-4).contains("SOG 90.0 kn, COG 45"));
    // A click on one the table does not list selects it on the plot alone.
    QTest::mouseClick(&View(), Qt::LeftButton, {}, View().Drawing(-2).At.toPoint());
    EXPECT_EQ(View().Selected(), -2);
    EXPECT_EQ(Form->StringGrid_RxData->currentRow(), -1);

    // Asked for, they become rows with their class and what kind of station they are.
    Item("MenuItem_ShowOthers")->trigger();
    ASSERT_EQ(Form->TargetList.size(), 4u);
    const struct {
        const char* Mmsi;
        const char* Class;
        const char* Name;
        const char* Sog;
        const char* Type;
    } rows[] = {
        {"002190047", "Base", "", "", "Base station"},
        {"992191234", "AtoN", "KIEL LIGHTHOUSE NORTH PIER", "", "Beacon, Starboard hand"},
        {"111219501", "SAR", "", "90 kn", "SAR aircraft"},
    };
    for (const auto& r : rows) {
        const int row = RowOf(r.Mmsi);
        ASSERT_GT(row, 1) << r.Mmsi;
        EXPECT_FALSE(Form->StringGrid_RxData->isRowHidden(row));
        EXPECT_EQ(Rx(row, RxCol::Class), r.Class);
        EXPECT_EQ(Rx(row, RxCol::ShipName), r.Name);
        EXPECT_EQ(Rx(row, RxCol::SOG), r.Sog);
        EXPECT_EQ(Rx(row, RxCol::VesselType), r.Type);
        EXPECT_FALSE(Rx(row, RxCol::Latitude).isEmpty());
    }
    EXPECT_EQ(Count(), "4 targets");
    // still one symbol each on the plot, and selection now goes both ways
    EXPECT_FALSE(View().Drawing(1).Shown);
    QTest::mouseClick(&View(), Qt::LeftButton, {}, View().Drawing(-3).At.toPoint());
    EXPECT_EQ(Form->StringGrid_RxData->currentRow(), RowOf("992191234"));
    Form->StringGrid_RxData->setCurrentCell(RowOf("111219501"), RxCol::MMSI);
    EXPECT_EQ(View().Selected(), -4);

    // Turned off, their rows are hidden again; the plot keeps them, moving as they report.
    Item("MenuItem_ShowOthers")->trigger();
    for (const auto& r : rows) EXPECT_TRUE(Form->StringGrid_RxData->isRowHidden(RowOf(r.Mmsi)));
    EXPECT_FALSE(Form->StringGrid_RxData->isRowHidden(1));
    EXPECT_EQ(Count(), "1 of 4 shown");
    Receive(Aircraft(111219501, LatNm(-1), LonNm(-1)));
    EXPECT_NEAR(View().Drawing(-4).At.y(), View().height() / 2.0 + 1 * ppn, 0.5);
    Receive(Base(2190048, LatNm(3), LonNm(0))); // a new one stays off the table
    EXPECT_EQ(Form->TargetList.size(), 4u);
    EXPECT_TRUE(View().Drawing(-5).Shown);
}

TEST_F(Stations, ABaseStationIsLostAfterAMinuteAndAnAidAfterEighteen) {
    OwnShip();
    Receive(Base(2190047, LatNm(2), LonNm(-2)));
    Receive(Aid(992191234, LatNm(-1), LonNm(2), "PIER"));
    Tick(61);
    EXPECT_TRUE(View().Drawing(-2).Lost);
    EXPECT_FALSE(View().Drawing(-3).Lost);
    Tick(18 * 60);
    EXPECT_TRUE(View().Drawing(-3).Lost);
    Receive(Base(2190047, LatNm(2), LonNm(-2)));
    EXPECT_FALSE(View().Drawing(-2).Lost);
}

TEST_F(Stations, AnExtendedClassBReportFillsItsRowAsPositionAndStaticReportsDo) {
    OwnShip();
    Receive(PosB(244000003, LatNm(1), LonNm(1)));
    Receive(Extended(244000003, LatNm(2), LonNm(-1), "SEA BREEZE"));
    ASSERT_EQ(Form->TargetList.size(), 1u);
    EXPECT_EQ(Rx(1, RxCol::Class), "B");
    EXPECT_EQ(Rx(1, RxCol::ShipName).trimmed(), "SEA BREEZE"); // padded as part A's
    EXPECT_EQ(Rx(1, RxCol::SOG), "6 kn");
    EXPECT_EQ(Rx(1, RxCol::COG), "270\u00B0");
    EXPECT_EQ(Rx(1, RxCol::Latitude),
              QString::fromLatin1(LatToDegMin(DecimalLat(Units(LatNm(2))))));
    EXPECT_EQ(Rx(1, RxCol::Dimensions), "12m / 4m");
    EXPECT_EQ(Rx(1, RxCol::VesselType), QString::fromStdString(ShipTypeText(36)));
    EXPECT_TRUE(View().Details(0).startsWith("SEA BREEZE, MMSI 244000003, class B"));
    // first heard by one: a row of its own
    Receive(Extended(244000004, LatNm(-2), LonNm(-1), "NORDWIND"));
    EXPECT_EQ(Rx(2, RxCol::ShipName).trimmed(), "NORDWIND");
    EXPECT_EQ(Rx(2, RxCol::Class), "B");
}

// ---- Safety messages and the distress alert ---------------------------------------------------

class Safety : public Stations {
protected:
    Safety() { Form->AddSafetyMessages(); }

    TDistressBar& Bar() const { return *Form->ToolBar_Distress; }
    QStringList Row(int Index) const {
        const QTreeWidgetItem* item = Form->List_Safety->topLevelItem(Index);
        QStringList cells;
        for (int c = 0; item != nullptr && c < item->columnCount(); ++c) cells << item->text(c);
        return cells;
    }
};

TEST_F(Safety, SafetyMessagesAreListedUnderThePlotNewestFirst) {
    Form->show();
    Form->PageControl->setCurrentWidget(Form->TabSheet_Plot);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    EXPECT_TRUE(Form->List_Safety->isVisible());
    EXPECT_EQ(Form->List_Safety->topLevelItemCount(), 0);
    Receive(Broadcast(2190047, "GALE WARNING WESTERN BALTIC"));
    Advance(65);
    Receive(Addressed(211000001, 244000003, "PLEASE KEEP CLEAR"));
    ASSERT_EQ(Form->List_Safety->topLevelItemCount(), 2);
    EXPECT_EQ(Row(0),
              (QStringList{"2025-12-09 12:01:05", "211000001", "244000003", "PLEASE KEEP CLEAR"}));
    EXPECT_EQ(Row(1), (QStringList{"2025-12-09 12:00:00", "002190047", "all",
                                   "GALE WARNING WESTERN BALTIC"}));
    // nobody in distress: no alert
    EXPECT_FALSE(Bar().isVisible());
}

TEST_F(Safety, ADistressDeviceRaisesAnAlertThatStaysUntilAcknowledged) {
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    OwnShip();
    EXPECT_FALSE(Bar().isVisible());
    Receive(PosA(972211001, LatNm(0.5), 10, 0, 3600)); // a man overboard device, half a mile N
    ASSERT_TRUE(Bar().isVisible());                    // on whatever tab shows
    EXPECT_EQ(Form->PageControl->currentIndex(), 0);
    QString text = Bar().Label_Distress->text();
    EXPECT_TRUE(text.startsWith("Man overboard 972211001 at 54")) << text.toStdString();
    EXPECT_TRUE(text.contains("0.5 nm 000\u00B0")) << text.toStdString();
    // on the plot as what it is, not as the vessel its reports describe
    EXPECT_EQ(View().Drawing(0).Shape.Symbol, TPlotSymbol::Distress);
    EXPECT_TRUE(View().Details(0).contains("distress device")) << View().Details(0).toStdString();

    // Its text joins the alert; a second device comes on top.
    Receive(Broadcast(972211001, "MOB ACTIVE"));
    Receive(PosA(970211002, LatNm(-1), 10, 0, 3600));
    text = Bar().Label_Distress->text();
    EXPECT_TRUE(text.startsWith("AIS-SART 970211002")) << text.toStdString();
    EXPECT_TRUE(text.contains("\"MOB ACTIVE\"")) << text.toStdString();
    EXPECT_EQ(Row(0).at(3), "MOB ACTIVE");

    // Only the button takes it away, and the devices' next reports do not bring it back...
    Form->PageControl->setCurrentWidget(Form->TabSheet_Received);
    EXPECT_TRUE(Bar().isVisible());
    QTest::mouseClick(Bar().Button_Acknowledge, Qt::LeftButton);
    EXPECT_FALSE(Bar().isVisible());
    Advance(60);
    Receive(PosA(972211001, LatNm(0.4), 10, 0, 3600));
    EXPECT_FALSE(Bar().isVisible());
    // ...unless one falls silent for more than ten minutes and is heard again.
    Advance(11 * 60);
    Receive(PosA(970211002, LatNm(-1), 10, 0, 3600));
    ASSERT_TRUE(Bar().isVisible());
    EXPECT_TRUE(Bar().Label_Distress->text().startsWith("AIS-SART 970211002"));
    EXPECT_FALSE(Bar().Label_Distress->text().contains("972211001"));
}

} // namespace
