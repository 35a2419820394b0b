// The main window's safety messages and distress alert: the list of received safety messages
// under the plot, and the bar across the window while a man overboard device, AIS-SART or
// EPIRB-AIS is transmitting and nobody has acknowledged it.

#include "app/FormMain.h"

#include "plot/PlotTab.h"
#include "safety/DistressBar.h"
#include "safety/SafetyList.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <string>

namespace {

// The sender of any message, as the nine digits DistressKindOf reads; empty when it cannot be
// a distress device (the cheap test every message passes through).
std::string DistressSender(const TAisMessage& M) {
    const std::uint32_t mmsi = PayloadBits(M.MsgStr, 8, 30);
    return mmsi >= 970000000 && mmsi < 975000000 ? std::to_string(mmsi) : std::string();
}

} // namespace

void TFormMain::AddSafetyMessages() {
    if (List_Safety != nullptr) return;
    AddPlotTab(); // the list lives under the plot
    auto* panel = new QWidget;
    panel->setObjectName("Panel_Safety");
    auto* title = new QLabel("Safety messages, newest first");
    title->setContentsMargins(4, 2, 4, 0);
    List_Safety = new TSafetyList;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(title);
    layout->addWidget(List_Safety, 1);
    TabSheet_Plot->AddPanel(panel);

    ToolBar_Distress = new TDistressBar(this);
    addToolBar(Qt::TopToolBarArea, ToolBar_Distress);
    ToolBar_Distress->hide();
    ToolBar_Distress->OnAcknowledge = [this] {
        Guarded([this] {
            DistressAlerts.Acknowledge(UtcNow());
            ShowDistressAlerts();
        });
    };

    UnitReceive->MessageHeard = [this](const TAisMessage& M) {
        const double now = UtcNow();
        TSafetyMessage message;
        const bool safety = SafetyMessageOf(M, now, message);
        if (safety) {
            SafetyLog.Add(message);
            List_Safety->Show(SafetyLog);
        }
        const std::string sender = DistressSender(M);
        if (sender.empty()) return;
        const bool raised = DistressAlerts.Heard(sender, now, ReportedPosition(M),
                                                 safety ? message.Text : std::string());
        if (!raised && !ToolBar_Distress->isVisible()) return;
        ShowDistressAlerts(); // a new alert, or a showing one moved on
        if (raised) QApplication::alert(this);
    };
}

void TFormMain::ShowDistressAlerts() {
    QStringList lines;
    for (const TDistressAlert& a : DistressAlerts.Showing()) {
        std::optional<double> range, bearing;
        double r = 0, b = 0;
        if (a.Pos.Valid && RangeAndBearing(OwnPos, a.Pos.Lat, a.Pos.Lon, r, b)) {
            range = r;
            bearing = b;
        }
        lines << QString::fromStdString(DistressText(a, range, bearing));
    }
    ToolBar_Distress->ShowAlerts(lines);
}
