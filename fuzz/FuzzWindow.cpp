// Arbitrary bytes through the real receive path of the main window: the capture of a
// TFormMain created once under the offscreen platform, so the dispatch and every handler see
// them. The first byte picks the sequencer's reply state, so the reply parser is reached in
// each of its states, and the target list's view: as at start, sorted by CPA with its columns,
// filtered, or sorted by name and searched; the once-a-second refresh runs after each input,
// and the installation checks judge it, down to the report's page.

#include "app/FormMain.h"
#include "control/UnitStatic.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>

namespace {

TFormMain& Form() {
    static int argc = 1;
    static char name[] = "fuzz_window";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        auto* a = new QApplication(argc, argv);
        SetMessageBoxHandler([](const TMessageBox&) { return TMsgResult::Ok; });
        return a;
    }();
    (void)app;
    static TFormMain* form = [] {
        auto* f = new TFormMain;
        // Connected, so every installation check judges what the input brings.
        f->AddInstallationTab();
        // the plot, the other stations' rows, the safety list and the distress alert as well
        f->AddPlotTab();
        f->AddOtherStations();
        f->AddSafetyMessages();
        f->ListeningSince = f->UtcNow();
        f->InstallWatch->Start(f->ListeningSince);
        return f;
    }();
    return *form;
}

// Every state the sequencer can wait in; the first byte picks one.
constexpr TReplyState kStates[] = {rsIdle,        rsProbing,    rsReplied,    rsFailed,
                                   rsAlarmOutput, rsStaticData, rsVoyageData, rsMMSI,
                                   rsVersion,     rsSwitchType, rsBaudRate,   rsNmeaOutput};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TFormMain& form = Form();
    if (Size == 0) return 0;
    form.UnitStatic->ReplyState = kStates[Data[0] % std::size(kStates)];
    TTargetTable& table = *form.TargetTable;
    switch (Data[0] / std::size(kStates) % 4) {
    case 0:
        table.SortBy(-1, true);
        table.SetFilter({});
        form.MenuItem_ShowOthers->setChecked(!form.MenuItem_ShowOthers->isChecked());
        break;
    case 1:
        table.ShowCpaColumn(true);
        table.SortBy(TUnitReceive::kCpaColumn, true);
        form.DistressAlerts.Acknowledge(form.UtcNow());
        form.ShowDistressAlerts();
        break;
    case 2: {
        TTargetFilter f;
        f.Motion = TTargetFilter::TMotionFilter::Moving;
        f.WithinNm = 5;
        table.SetFilter(f);
        break;
    }
    default: {
        table.SortBy(2, false);
        TTargetFilter f;
        f.Search = "A";
        table.SetFilter(f);
        break;
    }
    }
    form.VaCapture_Std.HandleCommData(Data + 1, static_cast<int>(Size - 1));
    form.VaCapture_Std.HandleCommData(reinterpret_cast<const std::uint8_t*>("\r\n"), 2);
    form.Timer_Err_WarnTimer();
    (void)ReportHtml(form.InstallReport()); // the checks, and every text of theirs on a page
    return 0;
}
