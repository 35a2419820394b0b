// The main window's plot: the tab, what feeds it from the target list and how its selection
// follows the table's; and the table's "Show other stations".

#include "app/FormMain.h"

#include "plot/PlotTab.h"
#include "safety/SafetyLog.h"
#include "targets/RxColumns.h"

#include <QAction>
#include <QDateTime>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimeZone>
#include <algorithm>
#include <cmath>

namespace {

TPlotKind KindOf(const TTrack& T) {
    if (!T.Class) return TPlotKind::Unknown;
    switch (*T.Class) {
    case TStationClass::A:
        return TPlotKind::ClassA;
    case TStationClass::B:
        return TPlotKind::ClassB;
    case TStationClass::Base:
        return TPlotKind::BaseStation;
    case TStationClass::AtoN:
        return TPlotKind::AtoN;
    case TStationClass::Sar:
        return TPlotKind::SarAircraft;
    }
    return TPlotKind::Unknown;
}

bool IsOtherEntry(const TUnitReceive& Unit, int Entry) {
    const auto& tracks = Unit.Tracks();
    return Entry >= 0 && static_cast<std::size_t>(Entry) < tracks.size() &&
           tracks[static_cast<std::size_t>(Entry)].Class &&
           !IsVessel(*tracks[static_cast<std::size_t>(Entry)].Class);
}

// Base stations, aids and aircraft are the plot's under entries of their own, -2 and below,
// whether or not the table lists them.
int PlotEntryOfOther(int Other) {
    return -2 - Other;
}
int OtherOfPlotEntry(int Entry) {
    return -2 - Entry;
}

TPlotLive LiveOf(const TUnitReceive& Unit, int Entry) {
    TPlotLive l;
    const bool other = Entry < -1;
    l.Cpa = other ? Unit.OtherCpa(OtherOfPlotEntry(Entry)) : Unit.CpaOf(Entry);
    l.Dangerous = ::Dangerous(l.Cpa, Unit.CpaLimits); // the table's own alert
    l.Lost = other ? Unit.OtherLost(OtherOfPlotEntry(Entry)) : Unit.Lost(Entry);
    return l;
}

TPlotTarget PlotTargetOfOther(const TUnitReceive& Unit, int Other) {
    const TUnitReceive::TOther& o = Unit.Others()[static_cast<std::size_t>(Other)];
    TPlotTarget t;
    t.Entry = PlotEntryOfOther(Other);
    t.Mmsi = o.Report.Position.MMSI;
    t.Name = o.Report.Name;
    t.Kind = KindOf(o.Track);
    t.Motion = o.Track.Motion;
    const TPlotLive live = LiveOf(Unit, t.Entry);
    t.Lost = live.Lost;
    t.Dangerous = live.Dangerous;
    return t;
}

// The entry as the target list has it. The name is the row's: a part B report replaces the
// entry's record and with it the name that part A brought, while the row keeps it.
TPlotTarget PlotTargetOf(const TFormMain& Form, int Entry) {
    const auto i = static_cast<std::size_t>(Entry);
    const TTrack& track = Form.UnitReceive->Tracks()[i];
    TPlotTarget t;
    t.Entry = Entry;
    t.Mmsi = Form.TargetList[i].MMSI;
    t.Name = Form.UnitReceive->Text(Entry + 1, RxCol::ShipName).trimmed().toStdString();
    // a person in the water shows as one, whatever kind of report the device sends
    const auto distress = DistressKindOf(t.Mmsi);
    t.Kind = distress ? TPlotKind::Distress : KindOf(track);
    if (distress && t.Name.empty()) t.Name = DistressKindText(*distress);
    t.Motion = track.Motion;
    const TPlotLive live = LiveOf(*Form.UnitReceive, Entry);
    t.Lost = live.Lost;
    t.Dangerous = live.Dangerous;
    return t;
}

QString SuggestedPictureName(double UtcDays) {
    static const QDateTime kEpoch(QDate(1899, 12, 30), QTime(0, 0), QTimeZone::utc());
    const QDateTime at = kEpoch.addMSecs(static_cast<qint64>(std::llround(UtcDays * 86400000.0)));
    return "plot-" + at.toLocalTime().toString("yyyy-MM-dd-HHmm") + ".png";
}

} // namespace

void TFormMain::AddPlotTab() {
    if (TabSheet_Plot != nullptr) return;
    if (!InstallWatch) {
        InstallWatch = std::make_unique<TInstallWatch>();
        if (ListeningSince > 0) InstallWatch->Start(ListeningSince);
    }
    TPlotView::TSources sources;
    sources.Own = [this] { return MotionOf(OwnPos, OwnCourse); };
    sources.Live = [this](int Entry) { return LiveOf(*UnitReceive, Entry); };
    // read each time: the installation tab, added later, brings a watch of its own
    sources.Coverage = [this]() -> const TCoverage* {
        return InstallWatch ? &InstallWatch->Coverage() : nullptr;
    };
    TabSheet_Plot =
        new TPlotTab(std::move(sources), [this] { return SuggestedPictureName(UtcNow()); });
    TabSheet_Plot->setObjectName("TabSheet_Plot");
    TabSheet_Plot->setAccessibleName("Plot");
    PageControl->addTab(TabSheet_Plot, "Plot");
    TPlotView* view = TabSheet_Plot->View;

    // The unit tells the table of a stored row through its RowStored service, which is the
    // table's; but every stored row also announces its age cell to the grid's model, and
    // that is heard here without taking anything from the table.
    auto store = [this](int Entry) {
        const auto n = std::min(TargetList.size(), UnitReceive->Tracks().size());
        if (Entry >= 0 && static_cast<std::size_t>(Entry) < n && !IsOtherEntry(*UnitReceive, Entry))
            TabSheet_Plot->View->Store(PlotTargetOf(*this, Entry));
    };
    connect(StringGrid_RxData->model(), &QAbstractItemModel::dataChanged, TabSheet_Plot,
            [store](const QModelIndex& From, const QModelIndex& To) {
                if (From.column() > RxCol::LastReport || To.column() < RxCol::LastReport) return;
                Guarded([&] {
                    for (int r = std::max(1, From.row()); r <= To.row(); ++r) store(r - 1);
                });
            });
    for (int e = 0; e < static_cast<int>(TargetList.size()); ++e) store(e);
    UnitReceive->OtherStored = [this](int Other) {
        TabSheet_Plot->View->Store(PlotTargetOfOther(*UnitReceive, Other));
    };
    for (int k = 0; k < static_cast<int>(UnitReceive->Others().size()); ++k)
        UnitReceive->OtherStored(k);
    connect(&Timer_Err_Warn, &QTimer::timeout, TabSheet_Plot,
            [this] { Guarded([this] { TabSheet_Plot->Tick(); }); });

    // A target clicked on the plot selects its row, wherever the table's order shows it; a
    // row chosen in the table is the plot's selected target.
    view->OnSelect = [this](int Entry) {
        Guarded([this, Entry] {
            const auto& others = UnitReceive->Others();
            const int other = OtherOfPlotEntry(Entry);
            const int row = Entry >= 0 ? Entry + 1
                            : other >= 0 && other < static_cast<int>(others.size())
                                ? others[static_cast<std::size_t>(other)].Row
                                : 0;
            if (row < 1 || row > static_cast<int>(TargetList.size())) return;
            const QModelIndex index = StringGrid_RxData->model()->index(row, RxCol::MMSI);
            StringGrid_RxData->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            StringGrid_RxData->scrollTo(index);
        });
    };
    connect(StringGrid_RxData, &QTableWidget::currentCellChanged, TabSheet_Plot, [this](int Row) {
        Guarded([this, Row] {
            int entry = Row >= 1 && Row <= static_cast<int>(TargetList.size()) ? Row - 1 : -1;
            if (IsOtherEntry(*UnitReceive, entry)) {
                const int other =
                    UnitReceive->FindOther(TargetList[static_cast<std::size_t>(entry)].MMSI);
                entry = other >= 0 ? PlotEntryOfOther(other) : kNoEntry;
            }
            TabSheet_Plot->View->SetSelected(entry);
        });
    });
}

void TFormMain::AddOtherStations() {
    if (MenuItem_ShowOthers != nullptr) return;
    MenuItem_DataCol->addSeparator();
    MenuItem_ShowOthers = MenuItem_DataCol->addAction("Show other stations");
    MenuItem_ShowOthers->setObjectName("MenuItem_ShowOthers");
    MenuItem_ShowOthers->setCheckable(true); // off: the table lists vessels only
    connect(MenuItem_ShowOthers, &QAction::toggled, this,
            [this](bool On) { Guarded([this, On] { TargetTable->ShowOtherStations(On); }); });
}
