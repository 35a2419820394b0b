#include "targets/UnitReceive.h"

#include "widgets/ViewWidgets.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// Column numbers of the table.
enum : int {
    kClass = 0,
    kMMSI,
    kShipName,
    kCallSign,
    kSOG,
    kCOG,
    kLatitude,
    kLongitude,
    kLastReport,
    kVendorID,
    kBearing,
    kRange,
    kDimensions,
    kVesselType
};

const QString kDegree = QString(QChar(0xB0));

// Action names follow the handler names: MenuItem_ClassClick is run by MenuItem_Class.
constexpr std::array<const char*, kRxColumns> kItemNames = {
    "MenuItem_Class",      "MenuItem_MMSI",      "MenuItem_ShipName", "MenuItem_CallSign",
    "MenuItem_SOG",        "MenuItem_COG",       "MenuItem_Latitude", "MenuItem_Longitude",
    "MenuItem_LastReport", "MenuItem_VendorID",  "MenuItem_Bearing",  "MenuItem_Range",
    "MenuItem_Dim",        "MenuItem_VesselType"};

} // namespace

QTableWidget* BuildReceivedGrid(QWidget* Tab) {
    auto* grid = StringGrid(Tab, "StringGrid_RxData", kRxColumns, 3);
    grid->setAccessibleName("Received data");
    // The column widths are fixed pixels, chosen for a small dialog font: keep the texts
    // (nine-digit MMSIs, positions with minutes) within them.
    QFont font = grid->font();
    font.setPixelSize(11);
    font.setStretch(QFont::SemiCondensed);
    grid->setFont(font);
    auto* layout = new QVBoxLayout(Tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid);
    return grid;
}

void AddColumnItems(QMenu* DataCol, TReceiveControls& Controls) {
    Controls.MenuItem_DataCol = DataCol;
    for (int c = 0; c < kRxColumns; ++c) {
        QAction* a = DataCol->addAction(ColHeader[static_cast<std::size_t>(c)]);
        a->setObjectName(kItemNames[static_cast<std::size_t>(c)]);
        a->setCheckable(true);
        a->setChecked(ColVisibleAtStart[static_cast<std::size_t>(c)]);
        Controls.ColumnItems[static_cast<std::size_t>(c)] = a;
    }
    DataCol->addSeparator();
    Controls.MenuItem_Allvisible = DataCol->addAction("All visible");
    Controls.MenuItem_Allvisible->setObjectName("MenuItem_Allvisible");
    Controls.MenuItem_Allvisible->setCheckable(true);
}

TUnitReceive::TUnitReceive(const TReceiveControls& Controls, std::vector<TStatic>& TargetList,
                           const TGeoCoor& OwnPos, TMsg5_setup& Setup,
                           std::array<bool, kRxColumns>& ColVisible, TServices Services)
    : FC(Controls), FTargets(TargetList), FOwnPos(OwnPos), FSetup(Setup), FColVisible(ColVisible),
      FServices(std::move(Services)) {
    for (int r = 1; r <= static_cast<int>(FTargets.size()); ++r)
        FRowOf[FTargets[static_cast<std::size_t>(r - 1)].MMSI] = r;
}

void TUnitReceive::HandleVDM(const std::string& S) {
    if (S.empty()) return;
    FServices.LogSentence(S);
    if (!ParseNmeaVD(S, FVD, FSetup)) return;
    FC.Label_Rx->setText("OK");
    switch (FVD.MsgID) {
    case 1:
    case 2:
    case 3:
        StoreDynamic(Msg1ToDynamic(DecodeMsg1(FVD.MsgStr)));
        break;
    case 5:
        StoreStatic(Msg5ToStatic(DecodeMsg5(FVD.MsgStr)));
        break;
    case 18:
        StoreDynamic(Msg18ToDynamic(DecodeMsg18(FVD.MsgStr)));
        break;
    case 240:
        StoreStatic(Msg24AToStatic(DecodeMsg24A(FVD.MsgStr)));
        break;
    case 241: {
        // A part B whose dimensions are no numbers gives no record: nothing is stored.
        TStatic s;
        if (Msg24BToStatic(DecodeMsg24B(FVD.MsgStr), s)) StoreStatic(s);
        break;
    }
    default:
        break; // other accepted types only mark the receiver as working
    }
}

int TUnitReceive::FindTargetRow(const std::string& MMSI) const {
    const auto it = FRowOf.find(MMSI);
    return it == FRowOf.end() ? 0 : it->second;
}

int TUnitReceive::FindOrCreateRow(const std::string& MMSI) {
    int row;
    if (FTargets.empty()) {
        FTargets.emplace_back();
        row = 1; // the table's start rows hold the first target
    } else {
        row = FindTargetRow(MMSI);
        if (row == 0) {
            FTargets.emplace_back();
            row = static_cast<int>(FTargets.size());
            FC.StringGrid_RxData->setRowCount(FC.StringGrid_RxData->rowCount() + 1);
        }
    }
    int& known = FRowOf[MMSI];
    if (row > known) known = row;
    return row;
}

void TUnitReceive::SetCell(int Row, int Col, const QString& Text) {
    SetCellText(FC.StringGrid_RxData, Row, Col, Text);
}

void TUnitReceive::StoreDynamic(const TDynamic& D) {
    const int r = FindOrCreateRow(D.MMSI);
    TStatic& e = FTargets[static_cast<std::size_t>(r - 1)];
    e.MMSI = D.MMSI;
    e.LastReport = FServices.Now();
    const TGeoCoor target{D.Lat, D.Lon};
    SetCell(r, kLastReport, "0:00");
    SetCell(r, kClass, Widen(D.AISclass));
    SetCell(r, kMMSI, Widen(D.MMSI));
    SetCell(r, kSOG, Widen(D.Speed) + " kn");
    SetCell(r, kLongitude, Widen(LonToDegMin(D.Lon)));
    SetCell(r, kLatitude, Widen(LatToDegMin(D.Lat)));
    SetCell(r, kRange, Widen(CalcRange(FOwnPos, target)) + " nm");
    SetCell(r, kBearing, Widen(CalcBearing(FOwnPos, target)) + kDegree);
    SetCell(r, kCOG, Widen(D.COG) + kDegree);
}

void TUnitReceive::StoreStatic(const TStatic& S) {
    const int r = FindOrCreateRow(S.MMSI);
    TStatic& e = FTargets[static_cast<std::size_t>(r - 1)];
    e = S;
    e.aPlot.clear();
    SetCell(r, kMMSI, Widen(S.MMSI));
    e.LastReport = FServices.Now();
    SetCell(r, kLastReport, "0:00");
    // Empty fields leave their cells: the row gathers what all static reports carried.
    if (!S.CallSign.empty()) SetCell(r, kCallSign, Widen(S.CallSign));
    if (!S.ShipName.empty()) SetCell(r, kShipName, Widen(S.ShipName));
    if (!S.ShipsType.empty()) SetCell(r, kVesselType, Widen(S.ShipsType));
    if (!S.Dimension.Laenge.empty())
        SetCell(r, kDimensions,
                Widen(S.Dimension.Laenge) + "m / " + Widen(S.Dimension.Breite) + "m");
    if (!S.VendorID.empty()) SetCell(r, kVendorID, Widen(S.VendorID));
}

void TUnitReceive::RefreshLastReport() {
    const double now = FServices.Now();
    const int n = static_cast<int>(FTargets.size());
    if (n == 0) return;
    QAbstractItemModel* model = FC.StringGrid_RxData->model();
    {
        // One change notice for the whole column instead of one per target.
        const QSignalBlocker quiet(model);
        for (int i = 0; i < n; ++i)
            SetCell(i + 1, kLastReport,
                    Widen(LastReportText(now, FTargets[static_cast<std::size_t>(i)].LastReport)));
    }
    emit model->dataChanged(model->index(1, kLastReport), model->index(n, kLastReport),
                            {Qt::DisplayRole});
}

void TUnitReceive::TabSheet_ReceivedShow() {
    FC.MenuItem_DataCol->menuAction()->setVisible(true);
}

void TUnitReceive::TabSheet_ReceivedHide() {
    FC.MenuItem_DataCol->menuAction()->setVisible(false);
}

void TUnitReceive::ColumnClick(int Col) {
    FColVisible[static_cast<std::size_t>(Col)] =
        FC.ColumnItems[static_cast<std::size_t>(Col)]->isChecked();
    FServices.ApplyRxColumns();
}

void TUnitReceive::MenuItem_AllvisibleClick() {
    const bool all = FC.MenuItem_Allvisible->isChecked();
    for (int c = 0; c < kRxColumns; ++c) {
        FC.ColumnItems[static_cast<std::size_t>(c)]->setChecked(
            all || ColVisibleAtStart[static_cast<std::size_t>(c)]);
        ColumnClick(c);
    }
}

void TUnitReceive::StringGrid_RxDataDrawCell(QPainter& Canvas, int ACol, int ARow,
                                             const QRect& Rect, bool Selected) {
    const QString text = CellText(FC.StringGrid_RxData, ARow, ACol);
    if (text.isEmpty()) return;
    const QPalette& p = FC.StringGrid_RxData->palette();
    Canvas.fillRect(Rect, Selected ? p.highlight() : p.base());
    Canvas.setPen(Selected ? p.color(QPalette::HighlightedText) : p.color(QPalette::Text));
    Canvas.drawText(Rect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
}

void TRxDataDelegate::paint(QPainter* Painter, const QStyleOptionViewItem& Option,
                            const QModelIndex& Index) const {
    QStyledItemDelegate::paint(Painter, Option, Index);
    Painter->save();
    FUnit.StringGrid_RxDataDrawCell(*Painter, Index.column(), Index.row(), Option.rect,
                                    Option.state.testFlag(QStyle::State_Selected));
    Painter->restore();
}
