// The main window's plot: the tab, what feeds it from the target list and how its selection
// follows the table's.

#include "app/FormMain.h"

#include "plot/PlotTab.h"
#include "targets/RxColumns.h"

#include <QDateTime>
#include <QItemSelectionModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimeZone>
#include <algorithm>
#include <cmath>

namespace {

TPlotKind KindOf(const TTrack& T) {
    if (!T.Class) return TPlotKind::Unknown;
    return *T.Class == TStationClass::A ? TPlotKind::ClassA : TPlotKind::ClassB;
}

TPlotLive LiveOf(const TUnitReceive& Unit, int Entry) {
    TPlotLive l;
    l.Cpa = Unit.CpaOf(Entry);
    l.Dangerous = ::Dangerous(l.Cpa, Unit.CpaLimits); // the table's own alert
    l.Lost = Unit.Lost(Entry);
    return l;
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
    t.Kind = KindOf(track);
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
        if (Entry >= 0 && static_cast<std::size_t>(Entry) < n)
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
    connect(&Timer_Err_Warn, &QTimer::timeout, TabSheet_Plot,
            [this] { Guarded([this] { TabSheet_Plot->Tick(); }); });

    // A target clicked on the plot selects its row, wherever the table's order shows it; a
    // row chosen in the table is the plot's selected target.
    view->OnSelect = [this](int Entry) {
        Guarded([this, Entry] {
            const int row = Entry + 1;
            if (row < 1 || row > static_cast<int>(TargetList.size())) return;
            const QModelIndex index = StringGrid_RxData->model()->index(row, RxCol::MMSI);
            StringGrid_RxData->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            StringGrid_RxData->scrollTo(index);
        });
    };
    connect(StringGrid_RxData, &QTableWidget::currentCellChanged, TabSheet_Plot, [this](int Row) {
        const bool target = Row >= 1 && Row <= static_cast<int>(TargetList.size());
        Guarded([this, Row, target] { TabSheet_Plot->View->SetSelected(target ? Row - 1 : -1); });
    });
}
