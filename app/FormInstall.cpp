// The main window's installation check: the tab, the report and what they read.

#include "app/FormMain.h"

#include "control/ConfigRows.h"
#include "control/UnitStatic.h"
#include "install/InstallPdf.h"
#include "install/InstallTab.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QMenu>
#include <QTabWidget>
#include <QTimeZone>
#include <cmath>

namespace {

// UTC days (TUtcClock) as a date-time.
QDateTime UtcDateTime(double Days) {
    static const QDateTime kEpoch(QDate(1899, 12, 30), QTime(0, 0), QTimeZone::utc());
    return kEpoch.addMSecs(static_cast<qint64>(std::llround(Days * 86400000.0)));
}

} // namespace

void TFormMain::AddInstallationTab() {
    if (TabSheet_Install != nullptr) return;
    InstallWatch = std::make_unique<TInstallWatch>();
    if (ListeningSince > 0) InstallWatch->Start(ListeningSince);
    TabSheet_Install = new TInstallTab([this] { return InstallChecks(); },
                                       [this] { Guarded([this] { SaveInstallReportClick(); }); });
    TabSheet_Install->setObjectName("TabSheet_Install");
    TabSheet_Install->setAccessibleName("Installation");
    PageControl->addTab(TabSheet_Install, "Installation");
    connect(&Timer_Err_Warn, &QTimer::timeout, TabSheet_Install, [this] {
        if (TabSheet_Install->isVisible()) Guarded([this] { TabSheet_Install->Refresh(); });
    });

    MenuItem_SaveInstallReport = new QAction("Save installation report...", MenuItem_File);
    MenuItem_SaveInstallReport->setObjectName("MenuItem_SaveInstallReport");
    const QList<QAction*> items = MenuItem_File->actions();
    QAction* exit = items.isEmpty() ? nullptr : items.back(); // Exit stays last
    MenuItem_File->insertAction(exit, MenuItem_SaveInstallReport);
    connect(MenuItem_SaveInstallReport, &QAction::triggered, this,
            [this] { Guarded([this] { SaveInstallReportClick(); }); });
}

std::vector<TCheck> TFormMain::InstallChecks() const {
    TInstallInputs in;
    in.Now = UtcNow();
    in.ListeningSince = ListeningSince;
    if (ListeningSince > 0) in.Config = UnitStatic->Fields();
    in.Status = &DUT_Status;
    in.OwnPos = OwnPos;
    in.Watch = InstallWatch.get();
    return RunInstallChecks(in);
}

TInstallReport TFormMain::InstallReport() const {
    TInstallReport r;
    const double now = UtcNow();
    const QDateTime at = UtcDateTime(now);
    r.Tool = "corvane " CORVANE_VERSION;
    r.UtcTime = at.toString("yyyy-MM-dd HH:mm:ss").toStdString() + " UTC";
    const QDateTime local = at.toLocalTime();
    r.LocalTime =
        (local.toString("yyyy-MM-dd HH:mm:ss") + " " + local.timeZoneAbbreviation()).toStdString();
    r.Port = ListeningSince > 0 ? ComboBox_Port->currentText().toStdString() : "not connected";
    r.ListenedSeconds = ListeningSince > 0 ? (now - ListeningSince) * 86400 : 0;
    if (ListeningSince > 0) r.Config = ConfigRows(UnitStatic->Fields());
    r.Checks = InstallChecks();
    if (InstallWatch) r.Coverage = InstallWatch->Coverage();
    return r;
}

void TFormMain::SaveInstallReportClick() {
    const QString day = UtcDateTime(UtcNow()).toLocalTime().toString("yyyy-MM-dd");
    QString path = AskSaveFileName({"Save installation report", "installation-" + day + ".pdf",
                                    "PDF documents (*.pdf);;Web pages (*.html)"});
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += ".pdf";
    QString error;
    if (!SaveInstallReport(InstallReport(), path, error)) {
        ErrorBox(error);
        return;
    }
    InformationBox("Installation report saved to " + QFileInfo(path).fileName() + ".");
}
