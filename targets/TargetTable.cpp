#include "targets/TargetTable.h"

#include "targets/TargetExport.h"
#include "widgets/Dialogs.h"
#include "widgets/ViewWidgets.h"

#include <QAction>
#include <QActionGroup>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QTableWidget>

namespace {

constexpr int kCpaWidth = 50;
constexpr int kTcpaWidth = 55;
constexpr double kCpaChoices[] = {0.5, 1, 2, 3, 5};
constexpr double kTcpaChoices[] = {10, 15, 20, 30, 60};

std::string Bytes(const QString& S) {
    return S.toLatin1().toStdString(); // the cells hold bytes widened one to one
}

std::string Utf8(const QString& S) {
    return S.toUtf8().toStdString();
}

QString Choice(double V) {
    return QString::number(V);
}

} // namespace

TTargetTable::TTargetTable(QTableWidget* Grid, QWidget* Tab, QMenuBar* Bar, QMenu* File,
                           TUnitReceive& Unit, const std::vector<TStatic>& Targets)
    : QObject(Grid), FGrid(Grid), FUnit(Unit), FTargets(Targets) {
    BuildFilterBar(Tab);
    BuildMenu(Bar, File);
    connect(FGrid, &QTableWidget::cellClicked, this, [this](int Row, int Col) {
        if (Row == 0) HeaderClick(Col);
    });
    FGrid->installEventFilter(this);
}

void TTargetTable::BuildFilterBar(QWidget* Tab) {
    Panel_TargetFilter = Named(new QWidget(Tab), "Panel_TargetFilter", "Target filter");
    auto* row = new QHBoxLayout(Panel_TargetFilter);
    row->setContentsMargins(4, 2, 4, 2);
    Edit_TargetSearch = Named(new QLineEdit, "Edit_TargetSearch", "Search targets");
    Edit_TargetSearch->setPlaceholderText("MMSI, name or call sign");
    Edit_TargetSearch->setClearButtonEnabled(true);
    // the hint whole, with room for the clear button
    Edit_TargetSearch->setMinimumWidth(
        Edit_TargetSearch->fontMetrics().horizontalAdvance(Edit_TargetSearch->placeholderText()) +
        2 * Edit_TargetSearch->fontMetrics().height());
    ComboBox_TargetClass = Named(new QComboBox, "ComboBox_TargetClass", "Class");
    ComboBox_TargetClass->addItems({"A and B", "Class A", "Class B"});
    ComboBox_TargetMotion = Named(new QComboBox, "ComboBox_TargetMotion", "Motion");
    ComboBox_TargetMotion->addItems({"Any motion", "Moving", "Not moving"});
    CheckBox_Within = Named(new QCheckBox("Within"), "CheckBox_Within");
    Edit_WithinNm = Named(new QDoubleSpinBox, "Edit_WithinNm", "Range limit in nautical miles");
    Edit_WithinNm->setRange(0.1, 999);
    Edit_WithinNm->setDecimals(1);
    Edit_WithinNm->setValue(10);
    Edit_WithinNm->setSuffix(" NM");
    Label_TargetCount = Named(new QLabel, "Label_TargetCount");
    auto* close = Named(new QPushButton("Show all"), "Button_ShowAllTargets");
    close->setToolTip("Clear the search and the filters and hide this bar");
    row->addWidget(Edit_TargetSearch, 2);
    row->addWidget(ComboBox_TargetClass);
    row->addWidget(ComboBox_TargetMotion);
    row->addWidget(CheckBox_Within);
    row->addWidget(Edit_WithinNm);
    row->addWidget(Label_TargetCount, 1);
    row->addWidget(close);
    if (auto* layout = qobject_cast<QBoxLayout*>(Tab->layout()))
        layout->insertWidget(0, Panel_TargetFilter);
    Panel_TargetFilter->hide();

    connect(Edit_TargetSearch, &QLineEdit::textChanged, this, [this] { FilterFromBar(); });
    connect(ComboBox_TargetClass, &QComboBox::currentIndexChanged, this,
            [this] { FilterFromBar(); });
    connect(ComboBox_TargetMotion, &QComboBox::currentIndexChanged, this,
            [this] { FilterFromBar(); });
    connect(CheckBox_Within, &QCheckBox::toggled, this, [this] { FilterFromBar(); });
    connect(Edit_WithinNm, &QDoubleSpinBox::valueChanged, this, [this] { FilterFromBar(); });
    connect(close, &QPushButton::clicked, this, [this] { ShowFilterBar(false); });
}

void TTargetTable::BuildMenu(QMenuBar* Bar, QMenu* File) {
    MenuItem_ExportTargets = new QAction("Export targets...", File);
    MenuItem_ExportTargets->setObjectName("MenuItem_ExportTargets");
    File->insertAction(File->actions().isEmpty() ? nullptr : File->actions().back(),
                       MenuItem_ExportTargets);
    File->insertSeparator(File->actions().back());
    connect(MenuItem_ExportTargets, &QAction::triggered, this, [this] { ExportTargetsClick(); });

    MenuItem_Targets = Bar->addMenu("Targets");
    MenuItem_Targets->setObjectName("MenuItem_Targets");
    MenuItem_Targets->menuAction()->setVisible(false);
    MenuItem_Search = MenuItem_Targets->addAction("Search and filter");
    MenuItem_Search->setObjectName("MenuItem_Search");
    MenuItem_Search->setCheckable(true);
    MenuItem_Search->setShortcut(QKeySequence::Find);
    connect(MenuItem_Search, &QAction::triggered, this, [this](bool On) { ShowFilterBar(On); });
    MenuItem_FirstHeard = MenuItem_Targets->addAction("First-heard order");
    MenuItem_FirstHeard->setObjectName("MenuItem_FirstHeard");
    connect(MenuItem_FirstHeard, &QAction::triggered, this, [this] { SortBy(-1, true); });
    MenuItem_Targets->addSeparator();
    MenuItem_CPA = MenuItem_Targets->addAction("CPA");
    MenuItem_CPA->setObjectName("MenuItem_CPA");
    MenuItem_CPA->setCheckable(true);
    connect(MenuItem_CPA, &QAction::triggered, this, [this](bool On) { ShowCpaColumn(On); });
    MenuItem_TCPA = MenuItem_Targets->addAction("TCPA");
    MenuItem_TCPA->setObjectName("MenuItem_TCPA");
    MenuItem_TCPA->setCheckable(true);
    connect(MenuItem_TCPA, &QAction::triggered, this, [this](bool On) { ShowTcpaColumn(On); });

    // The alert's limits, for this run.
    CpaLimitItems = AddLimitMenu("Alert when CPA below", "MenuItem_CpaLimit", kCpaChoices, " NM",
                                 &TCpaLimits::CpaNm);
    TcpaLimitItems = AddLimitMenu("and TCPA within", "MenuItem_TcpaLimit", kTcpaChoices, " minutes",
                                  &TCpaLimits::TcpaMin);
}

std::vector<QAction*> TTargetTable::AddLimitMenu(const QString& Title, const char* Name,
                                                 std::span<const double> Choices,
                                                 const QString& Unit, double TCpaLimits::*Limit) {
    QMenu* menu = MenuItem_Targets->addMenu(Title);
    menu->setObjectName(Name);
    auto* group = new QActionGroup(menu);
    std::vector<QAction*> items;
    for (double v : Choices) {
        QAction* a = menu->addAction(Choice(v) + Unit);
        a->setCheckable(true);
        a->setChecked(v == FUnit.CpaLimits.*Limit);
        group->addAction(a);
        items.push_back(a);
        connect(a, &QAction::triggered, this, [this, v, Limit] {
            FUnit.CpaLimits.*Limit = v;
            FGrid->viewport()->update();
        });
    }
    return items;
}

void TTargetTable::TabShow() {
    MenuItem_Targets->menuAction()->setVisible(true);
}

void TTargetTable::TabHide() {
    MenuItem_Targets->menuAction()->setVisible(false);
}

bool TTargetTable::eventFilter(QObject* Watched, QEvent* Event) {
    // The keyboard's way to a header click: Enter or Space on a header cell.
    if (Watched == FGrid && Event->type() == QEvent::KeyPress && FGrid->currentRow() == 0) {
        const int key = static_cast<QKeyEvent*>(Event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            HeaderClick(FGrid->currentColumn());
            return true;
        }
    }
    return QObject::eventFilter(Watched, Event);
}

// ---- Sorting ---------------------------------------------------------------------------------

void TTargetTable::HeaderClick(int Col) {
    if (Col != FSortCol) return SortBy(Col, true);
    if (FAscending) return SortBy(Col, false);
    SortBy(-1, true);
}

void TTargetTable::SortBy(int Col, bool Ascending) {
    FSortCol = Col;
    FAscending = Ascending;
    FUnit.SetSortMark(Col, Ascending);
    ApplyOrder();
}

bool TTargetTable::ByNumber(int Col) const {
    switch (Col) {
    case RxCol::Class:
    case RxCol::ShipName:
    case RxCol::CallSign:
    case RxCol::VendorID:
    case RxCol::VesselType:
        return false;
    default:
        return true;
    }
}

TSortKey TTargetTable::KeyOf(int Row, int Col) const {
    const auto entry = static_cast<std::size_t>(Row - 1);
    const TTrack& t = FUnit.Tracks()[entry];
    auto key = [](bool Known, double V) {
        return NumberKey(Known ? std::optional<double>(V) : std::nullopt);
    };
    switch (Col) {
    case RxCol::SOG:
        return key(SogKnown(t.Motion.Sog), t.Motion.Sog);
    case RxCol::COG:
        return key(CogKnown(t.Motion.Cog), t.Motion.Cog);
    case RxCol::Latitude:
        return key(LatKnown(t.Motion.Lat), t.Motion.Lat);
    case RxCol::Longitude:
        return key(LonKnown(t.Motion.Lon), t.Motion.Lon);
    case RxCol::LastReport: // the youngest first
        return NumberKey(-FTargets[entry].LastReport);
    case TUnitReceive::kCpaColumn:
        return NumberKey(FUnit.CpaOf(static_cast<int>(entry)).CpaNm);
    case TUnitReceive::kTcpaColumn:
        return NumberKey(FUnit.CpaOf(static_cast<int>(entry)).TcpaMin);
    default:
        break;
    }
    const std::string text = Bytes(FUnit.Text(Row, Col));
    return ByNumber(Col) ? LeadingNumberKey(text) : TextKey(text);
}

// The rows' order as the view shows it, by moving the row header's sections: the header row
// first, then the targets in the order asked, then the empty row.
void TTargetTable::ApplyOrder() {
    FOrderDirty = false;
    const int rows = FGrid->rowCount();
    const int n = static_cast<int>(FTargets.size());
    std::vector<int> want;
    want.reserve(static_cast<std::size_t>(rows));
    want.push_back(0);
    if (FSortCol >= 0 && n > 0) {
        std::vector<TSortKey> keys;
        keys.reserve(static_cast<std::size_t>(n));
        for (int r = 1; r <= n; ++r) keys.push_back(KeyOf(r, FSortCol));
        for (int i : SortOrder(keys, ByNumber(FSortCol), FAscending)) want.push_back(i + 1);
    } else {
        for (int r = 1; r <= n; ++r) want.push_back(r);
    }
    for (int r = static_cast<int>(want.size()); r < rows; ++r) want.push_back(r);

    QHeaderView* header = FGrid->verticalHeader();
    {
        // The view reads the header's order when it paints: one repaint instead of one
        // geometry update per moved row.
        const QSignalBlocker quiet(header);
        for (int v = 0; v < rows; ++v) {
            const int from = header->visualIndex(want[static_cast<std::size_t>(v)]);
            if (from != v) header->moveSection(from, v);
        }
    }
    FGrid->viewport()->update();
}

// ---- Filters ---------------------------------------------------------------------------------

void TTargetTable::ShowFilterBar(bool Show) {
    MenuItem_Search->setChecked(Show);
    Panel_TargetFilter->setVisible(Show);
    if (Show) {
        Edit_TargetSearch->setFocus(Qt::ShortcutFocusReason);
        ShowCount();
        return;
    }
    // Hiding the bar shows every target again: no filter works out of sight.
    const QSignalBlocker a(Edit_TargetSearch), b(ComboBox_TargetClass), c(ComboBox_TargetMotion),
        d(CheckBox_Within);
    Edit_TargetSearch->clear();
    ComboBox_TargetClass->setCurrentIndex(0);
    ComboBox_TargetMotion->setCurrentIndex(0);
    CheckBox_Within->setChecked(false);
    SetFilter({});
}

void TTargetTable::FilterFromBar() {
    TTargetFilter f;
    f.Search = Utf8(Edit_TargetSearch->text().trimmed());
    const int cls = ComboBox_TargetClass->currentIndex();
    if (cls > 0) f.Class = cls == 1 ? TStationClass::A : TStationClass::B;
    const int motion = ComboBox_TargetMotion->currentIndex();
    f.Motion = motion == 1   ? TTargetFilter::TMotionFilter::Moving
               : motion == 2 ? TTargetFilter::TMotionFilter::NotMoving
                             : TTargetFilter::TMotionFilter::Any;
    if (CheckBox_Within->isChecked()) f.WithinNm = Edit_WithinNm->value();
    SetFilter(f);
}

void TTargetTable::SetFilter(const TTargetFilter& Filter) {
    FFilter = Filter;
    ApplyFilter();
}

bool TTargetTable::Filtering() const {
    return FFilter.Active() || (!FUnit.ShowOthers() && FUnit.HasOtherRows());
}

bool TTargetTable::RowMatches(int Row) const {
    const auto entry = static_cast<std::size_t>(Row - 1);
    const TTrack& t = FUnit.Tracks()[entry];
    if (!FUnit.ShowOthers() && t.Class && !IsVessel(*t.Class)) return false;
    if (!FFilter.Active()) return true;
    const std::string mmsi = FTargets[entry].MMSI;
    // Names and call signs as the row shows them: the union of the static reports.
    const std::string name = Utf8(FUnit.Text(Row, RxCol::ShipName));
    const std::string call = Utf8(FUnit.Text(Row, RxCol::CallSign));
    TTargetFacts facts{mmsi,    name,         call,
                       t.Class, t.Motion.Sog, RangeNm(FUnit.OwnMotion(), t.Motion)};
    return Matches(FFilter, facts);
}

void TTargetTable::ApplyFilter() {
    const int n = static_cast<int>(FTargets.size());
    FShown = 0;
    FCountedRows = n;
    for (int r = 1; r <= n; ++r) {
        const bool show = RowMatches(r);
        FShown += show ? 1 : 0;
        if (FGrid->isRowHidden(r) == show) FGrid->setRowHidden(r, !show);
    }
    ShowCount();
}

void TTargetTable::ShowCount() {
    const int n = static_cast<int>(FTargets.size());
    Label_TargetCount->setText(Filtering() ? QString("%1 of %2 shown").arg(FShown).arg(n)
                                           : QString("%1 targets").arg(n));
}

// ---- Updates from the store -----------------------------------------------------------------

void TTargetTable::RowStored(int Row) {
    if (FSortCol >= 0) FOrderDirty = true;
    // a new target's row is not counted yet, whatever it shows
    const bool counted = Row <= FCountedRows;
    const bool wasShown = counted && !FGrid->isRowHidden(Row);
    if (!counted) FCountedRows = Row;
    const bool show = RowMatches(Row);
    if (show != wasShown) FShown += show ? 1 : -1;
    if (FGrid->isRowHidden(Row) == show) FGrid->setRowHidden(Row, !show);
    if (!Panel_TargetFilter->isHidden()) ShowCount();
}

void TTargetTable::Refreshed() {
    // Ages, CPA and TCPA move with the clock and the own ship: their order too.
    const bool moving = FSortCol == RxCol::LastReport || FSortCol == TUnitReceive::kCpaColumn ||
                        FSortCol == TUnitReceive::kTcpaColumn;
    if (FSortCol >= 0 && (FOrderDirty || moving)) ApplyOrder();
    if (FFilter.WithinNm) ApplyFilter(); // the own ship moves
}

void TTargetTable::ShowOtherStations(bool Show) {
    FUnit.SetShowOthers(Show);
    ApplyFilter();
    if (FSortCol >= 0) ApplyOrder();
}

// ---- CPA and TCPA columns ----------------------------------------------------------------------

void TTargetTable::ShowCpaColumn(bool Show) {
    MenuItem_CPA->setChecked(Show);
    if (Show) FUnit.AddCpaColumns();
    ApplyCpaWidths();
}

void TTargetTable::ShowTcpaColumn(bool Show) {
    MenuItem_TCPA->setChecked(Show);
    if (Show) FUnit.AddCpaColumns();
    ApplyCpaWidths();
}

void TTargetTable::ApplyCpaWidths() {
    if (!FUnit.HasCpaColumns()) return;
    FGrid->setColumnWidth(TUnitReceive::kCpaColumn, MenuItem_CPA->isChecked() ? kCpaWidth : 0);
    FGrid->setColumnWidth(TUnitReceive::kTcpaColumn, MenuItem_TCPA->isChecked() ? kTcpaWidth : 0);
}

// ---- Export ------------------------------------------------------------------------------------

void TTargetTable::ExportTargetsClick() {
    const QString path =
        AskSaveFileName({"Export targets", "targets.csv", "CSV files (*.csv);;All files (*)"});
    if (path.isEmpty()) return;
    if (ExportTargets(path))
        InformationBox(QString("%1 targets exported to %2.")
                           .arg(FTargets.size())
                           .arg(QFileInfo(path).fileName()));
}

bool TTargetTable::ExportTargets(const QString& Path) {
    std::vector<std::string> header;
    for (const char* h : ColHeader) header.emplace_back(h);
    header.insert(header.end(), {"CPA", "TCPA", "Latitude (degrees)", "Longitude (degrees)",
                                 "Last Report (UTC)", "Lost", "Dangerous"});
    std::string csv = CsvLine(header);
    // In the order the table shows, filtered rows included: the file holds every target.
    const QHeaderView* rows = FGrid->verticalHeader();
    const int n = static_cast<int>(FTargets.size());
    for (int v = 0; v < rows->count(); ++v) {
        const int r = rows->logicalIndex(v);
        if (r < 1 || r > n) continue;
        const int entry = r - 1;
        const TTrack& t = FUnit.Tracks()[static_cast<std::size_t>(entry)];
        std::vector<std::string> f;
        for (int c = 0; c < kRxColumns; ++c) f.push_back(Utf8(FUnit.Text(r, c)));
        f.push_back(Utf8(FUnit.LiveText(entry, TUnitReceive::kCpaColumn)));
        f.push_back(Utf8(FUnit.LiveText(entry, TUnitReceive::kTcpaColumn)));
        f.push_back(DegreesText(t.Motion.Lat, 90));
        f.push_back(DegreesText(t.Motion.Lon, 180));
        f.push_back(IsoUtc(FTargets[static_cast<std::size_t>(entry)].LastReport));
        f.push_back(FUnit.Lost(entry) ? "yes" : "no");
        f.push_back(FUnit.Dangerous(entry) ? "yes" : "no");
        csv += CsvLine(f);
    }
    QSaveFile file(Path); // the old file stays whole until the new one is complete
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(csv.data(), static_cast<qint64>(csv.size())) !=
            static_cast<qint64>(csv.size()) ||
        !file.commit()) {
        ErrorBox("Could not write " + Path + ": " + file.errorString());
        return false;
    }
    return true;
}
