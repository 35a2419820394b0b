#include "targets/UnitReceive.h"

#include "widgets/ViewWidgets.h"

#include <cmath>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kDegree = QString(QChar(0xB0));
const QString kNa = "n.a.";

// A cell whose text is made when it is read: the age of the last report and CPA/TCPA follow
// the clock and the own ship, and rewriting them for every target each second would cost in
// proportion to the targets known instead of those on screen.
class TLiveItem : public QTableWidgetItem {
public:
    TLiveItem(const TUnitReceive& Unit, int Entry, int Col)
        : QTableWidgetItem(UserType), FUnit(Unit), FEntry(Entry), FCol(Col) {}
    QVariant data(int Role) const override {
        if (Role == Qt::DisplayRole || Role == Qt::EditRole) return FUnit.LiveText(FEntry, FCol);
        return QTableWidgetItem::data(Role);
    }
    QTableWidgetItem* clone() const override { return new TLiveItem(*this); }

private:
    const TUnitReceive& FUnit;
    int FEntry;
    int FCol;
};

// The navigational status's code from its text; 15 ("not defined") when none matches.
int NavStatusCode(const std::string& Text) {
    for (std::uint32_t c = 0; c < 15; ++c)
        if (NavStatusText(c) == Text) return static_cast<int>(c);
    return 15;
}

QString OneDecimal(double V) {
    double tenths = std::round(V * 10) / 10;
    if (tenths == 0) tenths = 0;            // just passed reads 0.0, not -0.0
    return QString::number(tenths, 'f', 1); // "." whatever the locale
}

// Action names follow the handler names: MenuItem_ClassClick is run by MenuItem_Class.
constexpr std::array<const char*, kRxColumns> kItemNames = {
    "MenuItem_Class",      "MenuItem_MMSI",      "MenuItem_ShipName", "MenuItem_CallSign",
    "MenuItem_SOG",        "MenuItem_COG",       "MenuItem_Latitude", "MenuItem_Longitude",
    "MenuItem_LastReport", "MenuItem_VendorID",  "MenuItem_Bearing",  "MenuItem_Range",
    "MenuItem_Dim",        "MenuItem_VesselType"};

} // namespace

TRxGrid::TRxGrid(int Rows, int Columns, QWidget* Parent)
    : QTableWidget(Rows, Columns, Parent), FGeometry(new QTimer(this)) {
    FGeometry->setSingleShot(true);
    FGeometry->setInterval(250);
    connect(FGeometry, &QTimer::timeout, this, [this] { updateGeometries(); });
    // Anything else that changes the table's shape needs the full layout.
    QAbstractItemModel* m = model();
    for (auto signal : {&QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved,
                        &QAbstractItemModel::rowsRemoved})
        connect(m, signal, this, [this] { FOtherChange = true; });
    connect(m, &QAbstractItemModel::layoutChanged, this, [this] { FOtherChange = true; });
    connect(m, &QAbstractItemModel::modelReset, this, [this] { FOtherChange = true; });
}

TRxGrid::~TRxGrid() {
    // The table's destructor empties its model, which reports the rows removed: not to this
    // part, gone by then.
    disconnect(model(), nullptr, this, nullptr);
}

void TRxGrid::AppendRow() {
    FAppendOnly = true;
    setRowCount(rowCount() + 1);
}

void TRxGrid::doItemsLayout() {
    const bool appendOnly = FAppendOnly && !FOtherChange;
    FAppendOnly = FOtherChange = false;
    if (!appendOnly) {
        FGeometry->stop();
        QTableWidget::doItemsLayout();
        return;
    }
    if (!FGeometry->isActive()) FGeometry->start();
}

TRxGrid* BuildReceivedGrid(QWidget* Tab) {
    auto* grid = StringGrid<TRxGrid>(Tab, "StringGrid_RxData", kRxColumns, 3);
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
                           const TGeoCoor& OwnPos, const TOwnCourse& OwnCourse, TMsg5_setup& Setup,
                           std::array<bool, kRxColumns>& ColVisible, TServices Services)
    : FC(Controls), FTargets(TargetList), FOwnPos(OwnPos), FOwnCourse(OwnCourse), FSetup(Setup),
      FColVisible(ColVisible), FServices(std::move(Services)) {
    for (int r = 1; r <= static_cast<int>(FTargets.size()); ++r)
        FRowOf[FTargets[static_cast<std::size_t>(r - 1)].MMSI] = r;
    FTracks.resize(FTargets.size());
    FReportTick.resize(FTargets.size());
}

void TUnitReceive::HandleVDM(const std::string& S) {
    if (S.empty()) return;
    FServices.LogSentence(S);
    if (ParseNmeaVD(S, FVD, FSetup)) StoreVD();
    // The same sentence again through the decoders of every kind, with their own joining: the
    // vessels' reports above keep their joining and checks as they are.
    if (ParseAisMessage(S, FMsg, FJoin)) StoreMessage(FMsg);
}

void TUnitReceive::StoreVD() {
    FC.Label_Rx->setText("OK");
    switch (FVD.MsgID) {
    case 1:
    case 2:
    case 3: {
        const TRawMotion raw{PayloadBits(FVD.MsgStr, 50, 10), PayloadBits(FVD.MsgStr, 116, 12),
                             PayloadBits(FVD.MsgStr, 38, 4)};
        StorePosition(Msg1ToDynamic(DecodeMsg1(FVD.MsgStr)), &raw);
        break;
    }
    case 5:
        StoreStatic(Msg5ToStatic(DecodeMsg5(FVD.MsgStr)));
        break;
    case 18: {
        const TRawMotion raw{PayloadBits(FVD.MsgStr, 46, 10), PayloadBits(FVD.MsgStr, 112, 12), 15};
        StorePosition(Msg18ToDynamic(DecodeMsg18(FVD.MsgStr)), &raw);
        break;
    }
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

void TUnitReceive::StoreMessage(const TAisMessage& M) {
    if (M.MsgID == 19) {
        // position and static data in one: the row gathers them as from 18 and 24
        const TMsg19 m = DecodeMsg19(M.MsgStr);
        const TRawMotion raw{PayloadBits(M.MsgStr, 46, 10), PayloadBits(M.MsgStr, 112, 12), 15};
        StorePosition(Msg19ToDynamic(m), &raw);
        TStatic s;
        if (Msg19ToStatic(m, s)) StoreStatic(s);
    } else if (TOtherReport r; OtherReportOf(M, r)) {
        StoreOther(r);
    }
    if (MessageHeard) MessageHeard(M);
}

// ---- Base stations, aids to navigation and SAR aircraft -------------------------------------

int TUnitReceive::FindOther(const std::string& MMSI) const {
    const auto it = FOtherOf.find(MMSI);
    return it == FOtherOf.end() ? -1 : it->second;
}

void TUnitReceive::StoreOther(const TOtherReport& R) {
    int k = FindOther(R.Position.MMSI);
    if (k < 0) {
        k = static_cast<int>(FOthers.size());
        FOthers.emplace_back();
        FOtherOf[R.Position.MMSI] = k;
    }
    TOther& o = FOthers[static_cast<std::size_t>(k)];
    o.Report = R;
    TrackPosition(o.Track, R.Position, 15, FServices.Now());
    if (FShowOthers) WriteOtherRow(o);
    if (OtherStored) OtherStored(k);
}

void TUnitReceive::SetShowOthers(bool Show) {
    if (Show == FShowOthers) return;
    FShowOthers = Show;
    if (Show)
        for (TOther& o : FOthers) WriteOtherRow(o);
}

void TUnitReceive::WriteOtherRow(TOther& O) {
    const TOtherReport& R = O.Report;
    const int r = FindOrCreateRow(R.Position.MMSI);
    if (O.Row == 0) ++FOtherRows;
    O.Row = r;
    const auto i = static_cast<std::size_t>(r - 1);
    TStatic& e = FTargets[i];
    e = TStatic{};
    e.MMSI = R.Position.MMSI;
    e.ShipName = R.Name;
    e.ShipsType = R.Kind;
    e.Dimension = R.Dimension;
    e.LastReport = O.Track.LastReport;
    FTracks[i] = O.Track;
    // a station heard before the last age refresh shows its age, not "0:00"
    FReportTick[i] = O.Track.LastReport > FTickNow ? FTick : FTick - 1;
    {
        const QSignalBlocker quiet(FC.StringGrid_RxData->model());
        const TDynamic& d = R.Position;
        SetLiveCells(r);
        SetCell(r, RxCol::Class, Widen(d.AISclass));
        SetCell(r, RxCol::MMSI, Widen(d.MMSI));
        if (!R.Name.empty()) SetCell(r, RxCol::ShipName, Widen(R.Name));
        SetCell(r, RxCol::SOG, d.Speed.empty() ? QString() : Widen(d.Speed) + " kn");
        SetCell(r, RxCol::COG, d.COG.empty() ? QString() : Widen(d.COG) + kDegree);
        SetCell(r, RxCol::Latitude, Widen(LatToDegMin(d.Lat)));
        SetCell(r, RxCol::Longitude, Widen(LonToDegMin(d.Lon)));
        const TGeoCoor at{d.Lat, d.Lon};
        SetCell(r, RxCol::Range, Widen(CalcRange(FOwnPos, at)) + " nm");
        SetCell(r, RxCol::Bearing, Widen(CalcBearing(FOwnPos, at)) + kDegree);
        SetCell(r, RxCol::VesselType, Widen(R.Kind));
        if (!R.Dimension.Laenge.empty())
            SetCell(r, RxCol::Dimensions,
                    Widen(R.Dimension.Laenge) + "m / " + Widen(R.Dimension.Breite) + "m");
    }
    RowWritten(r);
}

bool TUnitReceive::OtherLost(int Other) const {
    if (Other < 0 || Other >= static_cast<int>(FOthers.size())) return false;
    return TrackLost(FOthers[static_cast<std::size_t>(Other)].Track, FServices.Now());
}

TCpa TUnitReceive::OtherCpa(int Other) const {
    if (Other < 0 || Other >= static_cast<int>(FOthers.size())) return {};
    return CalcCpa(OwnMotion(), FOthers[static_cast<std::size_t>(Other)].Track.Motion);
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
            FC.StringGrid_RxData->AppendRow();
        }
    }
    FTracks.resize(FTargets.size());
    FReportTick.resize(FTargets.size());
    int& known = FRowOf[MMSI];
    if (row > known) known = row;
    return row;
}

void TUnitReceive::SetCell(int Row, int Col, const QString& Text) {
    QTableWidget* g = FC.StringGrid_RxData;
    if (const QTableWidgetItem* item = g->item(Row, Col); item != nullptr && item->text() == Text)
        return;
    SetCellText(g, Row, Col, Text);
    FChanged |= 1u << Col;
}

void TUnitReceive::SetLiveCell(int Row, int Col) {
    QTableWidget* g = FC.StringGrid_RxData;
    if (dynamic_cast<TLiveItem*>(g->item(Row, Col)) == nullptr)
        g->setItem(Row, Col, new TLiveItem(*this, Row - 1, Col));
}

void TUnitReceive::SetLiveCells(int Row) {
    SetLiveCell(Row, RxCol::LastReport);
    if (!HasCpaColumns()) return;
    SetLiveCell(Row, kCpaColumn);
    SetLiveCell(Row, kTcpaColumn);
}

bool TUnitReceive::MarksChanged(std::size_t Entry) {
    FMarked.resize(FTargets.size());
    const int e = static_cast<int>(Entry);
    const char marks = static_cast<char>((Lost(e) ? 1 : 0) | (Dangerous(e) ? 2 : 0));
    if (marks == FMarked[Entry]) return false;
    FMarked[Entry] = marks;
    return true;
}

// Only the cells whose text changed are repainted (a position report leaves name, call sign
// and class as they were), with the age and CPA cells that every report changes; the whole
// row when its lost mark or danger tint changed.
void TUnitReceive::RowWritten(int Row) {
    QAbstractItemModel* m = FC.StringGrid_RxData->model();
    std::uint32_t changed = FChanged | 1u << RxCol::LastReport;
    if (HasCpaColumns()) changed |= 1u << kCpaColumn | 1u << kTcpaColumn;
    if (MarksChanged(static_cast<std::size_t>(Row - 1))) changed = ~0u;
    FChanged = 0;
    for (int c = 0; c < m->columnCount(); ++c)
        if (changed & 1u << c)
            emit m->dataChanged(m->index(Row, c), m->index(Row, c), {Qt::DisplayRole});
    if (FServices.RowStored) FServices.RowStored(Row);
}

void TUnitReceive::StoreDynamic(const TDynamic& D) {
    StorePosition(D, nullptr);
}

void TUnitReceive::StorePosition(const TDynamic& D, const TRawMotion* Raw) {
    const int r = FindOrCreateRow(D.MMSI);
    const auto i = static_cast<std::size_t>(r - 1);
    TStatic& e = FTargets[i];
    e.MMSI = D.MMSI;
    e.LastReport = FServices.Now();
    TTrack& t = FTracks[i];
    TrackPosition(t, D,
                  Raw != nullptr ? static_cast<int>(Raw->NavStatus) : NavStatusCode(D.NavStatus),
                  e.LastReport);
    if (Raw != nullptr) {
        t.Motion.Sog = Raw->Sog < 1023 ? Raw->Sog / 10.0 : 102.3;
        t.Motion.Cog = Raw->Cog < 3600 ? Raw->Cog / 10.0 : 360;
    }
    FReportTick[i] = FTick;
    const TGeoCoor target{D.Lat, D.Lon};
    {
        // One change notice for the row instead of one per cell.
        const QSignalBlocker quiet(FC.StringGrid_RxData->model());
        WriteDynamicCells(r, D, target);
    }
    RowWritten(r);
}

void TUnitReceive::WriteDynamicCells(int r, const TDynamic& D, const TGeoCoor& target) {
    SetLiveCells(r);
    SetCell(r, RxCol::Class, Widen(D.AISclass));
    SetCell(r, RxCol::MMSI, Widen(D.MMSI));
    SetCell(r, RxCol::SOG, Widen(D.Speed) + " kn");
    SetCell(r, RxCol::Longitude, Widen(LonToDegMin(D.Lon)));
    SetCell(r, RxCol::Latitude, Widen(LatToDegMin(D.Lat)));
    SetCell(r, RxCol::Range, Widen(CalcRange(FOwnPos, target)) + " nm");
    SetCell(r, RxCol::Bearing, Widen(CalcBearing(FOwnPos, target)) + kDegree);
    SetCell(r, RxCol::COG, Widen(D.COG) + kDegree);
}

void TUnitReceive::StoreStatic(const TStatic& S) {
    const int r = FindOrCreateRow(S.MMSI);
    const auto i = static_cast<std::size_t>(r - 1);
    TStatic& e = FTargets[i];
    e = S;
    e.aPlot.clear();
    e.LastReport = FServices.Now();
    // Only message 5, class A's, has an IMO number field; 24 is class B's. The class holds
    // until a position report tells it.
    TrackStatic(FTracks[i], !S.IMO.empty() ? TStationClass::A : TStationClass::B, e.LastReport);
    FReportTick[i] = FTick;
    {
        const QSignalBlocker quiet(FC.StringGrid_RxData->model());
        WriteStaticCells(r, S);
    }
    RowWritten(r);
}

void TUnitReceive::WriteStaticCells(int r, const TStatic& S) {
    SetCell(r, RxCol::MMSI, Widen(S.MMSI));
    SetLiveCells(r);
    // Empty fields leave their cells: the row gathers what all static reports carried.
    if (!S.CallSign.empty()) SetCell(r, RxCol::CallSign, Widen(S.CallSign));
    if (!S.ShipName.empty()) SetCell(r, RxCol::ShipName, Widen(S.ShipName));
    if (!S.ShipsType.empty()) SetCell(r, RxCol::VesselType, Widen(S.ShipsType));
    if (!S.Dimension.Laenge.empty())
        SetCell(r, RxCol::Dimensions,
                Widen(S.Dimension.Laenge) + "m / " + Widen(S.Dimension.Breite) + "m");
    if (!S.VendorID.empty()) SetCell(r, RxCol::VendorID, Widen(S.VendorID));
}

// The age cells read the time taken here; only the rows on screen are told, since the others
// are read afresh whenever they come into view.
void TUnitReceive::RefreshLastReport() {
    FTickNow = FServices.Now();
    ++FTick;
    RepaintVisibleRows();
    if (FServices.Refreshed) FServices.Refreshed();
}

void TUnitReceive::RepaintVisibleRows() {
    QTableWidget* g = FC.StringGrid_RxData;
    if (FTargets.empty() || !g->isVisible()) return;
    QAbstractItemModel* m = g->model();
    const QHeaderView* rows = g->verticalHeader();
    int first = rows->visualIndexAt(0);
    int last = rows->visualIndexAt(g->viewport()->height() - 1);
    if (first < 0) return;
    if (last < 0) last = rows->count() - 1;
    const bool cpa = HasCpaColumns();
    for (int v = first; v <= last; ++v) {
        const int r = rows->logicalIndex(v);
        if (r < 1 || r > static_cast<int>(FTargets.size()) || rows->isSectionHidden(r)) continue;
        // A row whose lost mark or danger tint changed is drawn whole; otherwise only its
        // cells that follow the clock and the own ship.
        if (MarksChanged(static_cast<std::size_t>(r - 1))) {
            emit m->dataChanged(m->index(r, 0), m->index(r, m->columnCount() - 1),
                                {Qt::DisplayRole});
            continue;
        }
        emit m->dataChanged(m->index(r, RxCol::LastReport), m->index(r, RxCol::LastReport),
                            {Qt::DisplayRole});
        if (!cpa) continue;
        emit m->dataChanged(m->index(r, kCpaColumn), m->index(r, kCpaColumn), {Qt::DisplayRole});
        emit m->dataChanged(m->index(r, kTcpaColumn), m->index(r, kTcpaColumn), {Qt::DisplayRole});
    }
}

TMotion TUnitReceive::OwnMotion() const {
    return MotionOf(FOwnPos, FOwnCourse);
}

TCpa TUnitReceive::CpaOf(int Entry) const {
    if (Entry < 0 || Entry >= static_cast<int>(FTracks.size())) return {};
    const std::string own = FServices.OwnMMSI ? FServices.OwnMMSI() : std::string();
    // the own transponder heard as a target would meet itself
    if (!own.empty() && FTargets[static_cast<std::size_t>(Entry)].MMSI == own) return {};
    return CalcCpa(OwnMotion(), FTracks[static_cast<std::size_t>(Entry)].Motion);
}

bool TUnitReceive::Dangerous(int Entry) const {
    return ::Dangerous(CpaOf(Entry), CpaLimits);
}

bool TUnitReceive::Lost(int Entry) const {
    if (Entry < 0 || Entry >= static_cast<int>(FTracks.size())) return false;
    const auto i = static_cast<std::size_t>(Entry);
    // An entry not reported since the last refresh has no age yet: the refresh sets "now".
    return FReportTick[i] != FTick && TrackLost(FTracks[i], FTickNow);
}

QString TUnitReceive::LiveText(int Entry, int Col) const {
    if (Entry < 0 || Entry >= static_cast<int>(FTargets.size())) return {};
    const auto i = static_cast<std::size_t>(Entry);
    if (Col == RxCol::LastReport)
        return FReportTick[i] == FTick ? QStringLiteral("0:00")
                                       : Widen(LastReportText(FTickNow, FTargets[i].LastReport));
    const TCpa c = CpaOf(Entry);
    if (Col == kCpaColumn) return c.CpaNm ? OneDecimal(*c.CpaNm) + " nm" : kNa;
    if (Col == kTcpaColumn) return c.TcpaMin ? OneDecimal(*c.TcpaMin) + " min" : kNa;
    return {};
}

QString TUnitReceive::Text(int Row, int Col) const {
    return CellText(FC.StringGrid_RxData, Row, Col);
}

bool TUnitReceive::HasCpaColumns() const {
    return FC.StringGrid_RxData->columnCount() > kTcpaColumn;
}

void TUnitReceive::AddCpaColumns() {
    if (HasCpaColumns()) return;
    QTableWidget* g = FC.StringGrid_RxData;
    g->setColumnCount(kTcpaColumn + 1);
    SetCell(0, kCpaColumn, "CPA");
    SetCell(0, kTcpaColumn, "TCPA");
    const QSignalBlocker quiet(g->model());
    for (int r = 1; r <= static_cast<int>(FTargets.size()); ++r) SetLiveCells(r);
}

void TUnitReceive::SetSortMark(int Col, bool Ascending) {
    FSortCol = Col;
    FSortAscending = Ascending;
    QAbstractItemModel* m = FC.StringGrid_RxData->model();
    emit m->dataChanged(m->index(0, 0), m->index(0, m->columnCount() - 1), {Qt::DisplayRole});
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

QBrush TUnitReceive::RowBrush(int ARow, bool Selected) const {
    const QPalette& p = FC.StringGrid_RxData->palette();
    if (Selected) return p.highlight();
    if (ARow < 1 || !Dangerous(ARow - 1)) return p.base();
    // the table's own background turned towards red, so light and dark themes both read
    const QColor b = p.base().color();
    return QColor((b.red() * 3 + 255 * 2) / 5, b.green() * 3 / 5, b.blue() * 3 / 5);
}

void TUnitReceive::StringGrid_RxDataDrawCell(QPainter& Canvas, int ACol, int ARow,
                                             const QRect& Rect, bool Selected) {
    QString text = CellText(FC.StringGrid_RxData, ARow, ACol);
    if (text.isEmpty()) return;
    const QPalette& p = FC.StringGrid_RxData->palette();
    Canvas.fillRect(Rect, RowBrush(ARow, Selected));
    QColor pen = Selected ? p.color(QPalette::HighlightedText) : p.color(QPalette::Text);
    if (!Selected && ARow >= 1 && Lost(ARow - 1)) pen = p.color(QPalette::Disabled, QPalette::Text);
    Canvas.setPen(pen);
    if (ARow == 0 && ACol == FSortCol)
        text += FSortAscending ? QString(QChar(0x25B2)) : QString(QChar(0x25BC)); // up, down
    Canvas.drawText(Rect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
}

void TRxDataDelegate::initStyleOption(QStyleOptionViewItem* Option,
                                      const QModelIndex& Index) const {
    QStyledItemDelegate::initStyleOption(Option, Index);
    // The draw handler fills the cell and writes its text centred: the style's own text
    // underneath would be laid out only to be painted over.
    Option->text.clear();
    Option->features &= ~QStyleOptionViewItem::HasDisplay;
}

void TRxDataDelegate::paint(QPainter* Painter, const QStyleOptionViewItem& Option,
                            const QModelIndex& Index) const {
    // a dangerous target's empty cells too, so the whole row reads as one
    if (!Option.state.testFlag(QStyle::State_Selected) && Index.row() >= 1)
        Painter->fillRect(Option.rect, FUnit.RowBrush(Index.row(), false));
    QStyledItemDelegate::paint(Painter, Option, Index);
    Painter->save();
    FUnit.StringGrid_RxDataDrawCell(*Painter, Index.column(), Index.row(), Option.rect,
                                    Option.state.testFlag(QStyle::State_Selected));
    Painter->restore();
}
