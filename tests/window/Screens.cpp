// Takes the README's screenshots: the real window connected to the simulator, one PNG per
// tab.  corvane-screens [--size WxH] [--trace] [--suffix TEXT] OUTPUT_DIR [simulator options...]
//   --size WxH     resize the window before the shots (the start size otherwise)
//   --trace        unlock the trace view first (its log goes to a scratch directory)
//   --suffix TEXT  appended to each file name: tab-static-200.png for --suffix -200
// Run it under Xvfb (xvfb-run) for the platform's real look, or offscreen; QT_SCALE_FACTOR=2
// takes the 200 % shots.

#include "../ais/PayloadBuilder.h"
#include "ConnectAndRead.h"
#include "SimProcess.h"
#include "app/FormMain.h"
#include "app/QtSync.h"
#include "app/UnitReset.h"
#include "control/UnitStatic.h"
#include "install/InstallTab.h"
#include "plot/PlotTab.h"
#include "serial/PortNames.h"
#include "safety/DistressBar.h"
#include "share/ShareHub.h"
#include "tools/sim/AisEncode.h"
#include "widgets/Dialogs.h"

#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QSize size;
    bool trace = false;
    QString suffix;
    int a = 1;
    for (; a < argc && std::strncmp(argv[a], "--", 2) == 0; ++a) {
        const bool hasValue = a + 1 < argc;
        if (std::strcmp(argv[a], "--trace") == 0) {
            trace = true;
        } else if (std::strcmp(argv[a], "--size") == 0 && hasValue) {
            int w = 0, h = 0;
            if (std::sscanf(argv[++a], "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) a = argc;
            size = QSize(w, h);
        } else if (std::strcmp(argv[a], "--suffix") == 0 && hasValue) {
            suffix = QString::fromLocal8Bit(argv[++a]);
        } else {
            a = argc; // unknown option: show the usage
        }
    }
    if (a >= argc) {
        std::fprintf(stderr, "usage: corvane-screens [--size WxH] [--trace] [--suffix TEXT] "
                             "OUTPUT_DIR [simulator options]\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[a])).absolutePath();
    std::vector<std::string> simArgs(argv + a + 1, argv + argc);
    TQtSyncPump pump;
    char dir[] = "/tmp/corvane-ports-screens-XXXXXX";
    const std::string portDir = mkdtemp(dir);
    SetTestPortDirectory(portDir);
    SetMessageBoxHandler([](const TMessageBox& Box) {
        std::fprintf(stderr, "box: %s\n", Box.Text.toLocal8Bit().constData());
        return TMsgResult::Ok;
    });
    const std::filesystem::path oldDir = std::filesystem::current_path();
    std::filesystem::current_path(portDir); // where the trace log goes
    int status = 0;
    {
        TSimProcess sim(portDir, simArgs);
        // The program's menu bar has the Sharing menu; here with a share of each kind.
        TShareHub hub;
        for (const char* text : {"tcp:127.0.0.1:0", "udp:127.0.0.1:10110", "pty"}) {
            TShareSpec spec;
            std::string error;
            ParseShareSpec(text, spec, error);
            if (!hub.Start(hub.Add(spec), error))
                std::fprintf(stderr, "corvane-screens: %s: %s\n", text, error.c_str());
        }
        TFormMain form;
        // The window's clock runs as fast as the simulator's traffic, so ages, intervals and
        // rates read as they would in real time.
        double speed = 1;
        for (std::size_t i = 0; i + 1 < simArgs.size(); ++i)
            if (simArgs[i] == "--speed") speed = std::atof(simArgs[i + 1].c_str());
        QElapsedTimer clock;
        clock.start();
        const double start = SystemUtcNow();
        form.UtcNow = [&clock, start, speed] {
            return start + static_cast<double>(clock.elapsed()) * speed / 86400000.0;
        };
        form.SetShareHub(&hub);
        form.AddInstallationTab();
        form.AddPlotTab();
        form.AddOtherStations();
        form.AddSafetyMessages();
        TFormReset reset(&form);
        form.SetFormReset(&reset);
        form.show();
        if (size.isValid()) form.resize(size);
        if (!ConnectAndRead(form, 20000)) {
            std::fprintf(stderr, "corvane-screens: the simulator was not found\n");
            status = 1;
        }
        if (trace) form.UnlockTrace();
        QTest::qWait(6000); // let traffic fill the views
        const char* names[] = {"static", "diagnostics", "sent", "received", "installation"};
        for (int i = 0; i < form.PageControl->count(); ++i) {
            if (form.PageControl->widget(i) == form.TabSheet_Plot) continue; // its own shot below
            form.PageControl->setCurrentIndex(i);
            if (form.PageControl->currentIndex() ==
                form.PageControl->indexOf(form.TabSheet_Install))
                (void)QTest::qWaitFor( // a reporting cycle: every check has its verdict
                    [&form] {
                        for (const TCheck& c : form.InstallChecks())
                            if (c.Verdict == TVerdict::Waiting) return false;
                        return true;
                    },
                    60000);
            form.TabSheet_Install->Refresh(); // without waiting for its once-a-second tick
            QTest::qWait(300);
            form.grab().save(out + "/tab-" + names[i] + suffix + ".png");
        }
        // The plot at 3 NM, where most of the simulator's traffic is, with the nearest moving
        // target chosen, as a click on it would.
        form.PageControl->setCurrentWidget(form.TabSheet_Plot);
        TPlotView& plot = *form.TabSheet_Plot->View;
        plot.SetZoomStep(3);
        int nearest = -1;
        double best = 1e9;
        for (int e = 0; e < static_cast<int>(form.TargetList.size()); ++e) {
            const TMotion& m = form.UnitReceive->Tracks()[static_cast<std::size_t>(e)].Motion;
            const auto range = RangeNm(form.UnitReceive->OwnMotion(), m);
            if (range && *range < best && m.Sog >= 1 && m.Sog < 102.3) {
                best = *range;
                nearest = e;
            }
        }
        if (nearest >= 0) form.StringGrid_RxData->setCurrentCell(nearest + 1, RxCol::MMSI);
        // A coast station's warning in the safety list (the simulator sends none).
        auto hear = [&form](const TPayload& P) {
            const std::string text = P.Armoured();
            TVdSentenceBuilder b;
            for (const std::string& line :
                 b.Build(false, 'A', {text, static_cast<int>(text.size() * 6 - P.BitCount())}))
                form.UnitReceive->HandleVDM(line);
        };
        auto safety = [&hear](std::uint32_t Mmsi, const std::string& Text) {
            TPayload p;
            p.Put(14, 6).Put(0, 2).Put(Mmsi, 30).Put(0, 2).Text(Text, Text.size());
            hear(p);
        };
        safety(2190047, "NAVIGATIONAL WARNING: BUOY KIEL 7 OFF POSITION");
        form.TabSheet_Plot->Tick();
        QTest::qWait(600);
        form.grab().save(out + "/plot" + suffix + ".png");

        // A man overboard device a third of a mile astern: the alert across the window.
        const TMotion own = form.UnitReceive->OwnMotion();
        TPayload mob;
        mob.Put(1, 6).Put(0, 2).Put(972211001, 30).Put(14, 4).Put(0x80, 8).Put(0, 10).Put(1, 1);
        mob.Put(static_cast<std::uint32_t>(std::lround(own.Lon * 600000)), 28);
        mob.Put(static_cast<std::uint32_t>(std::lround((own.Lat - 0.33 / 60) * 600000)), 27);
        mob.Put(3600, 12).Put(511, 9).Put(30, 6).Put(0, 2).Put(0, 3).Put(0, 1).Put(0, 19);
        hear(mob);
        safety(972211001, "MOB ACTIVE");
        QTest::qWait(600);
        form.grab().save(out + "/distress-alert" + suffix + ".png");
        form.ToolBar_Distress->Button_Acknowledge->click();

        // The target list sorted by CPA, with range, CPA and TCPA shown, and its filter bar.
        TTargetTable& table = *form.TargetTable;
        form.PageControl->setCurrentWidget(form.TabSheet_Received);
        form.findChild<QAction*>("MenuItem_Range")->trigger();
        table.ShowCpaColumn(true);
        table.ShowTcpaColumn(true);
        table.SortBy(TUnitReceive::kCpaColumn, true);
        QTest::qWait(300);
        form.grab().save(out + "/targets-sorted" + suffix + ".png");
        table.ShowFilterBar(true);
        table.CheckBox_Within->setChecked(true);
        QTest::qWait(300);
        form.grab().save(out + "/targets-filter" + suffix + ".png");

        // The Sharing menu open, with two clients on the TCP share.
        const std::string where = hub.Status().at(0).Where;
        const int port = std::atoi(where.c_str() + where.rfind(':') + 1);
        std::vector<int> clients;
        for (int i = 0; i < 2; ++i) {
            const int fd = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in addr{};
            addr.sin_family = AF_INET;
            addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            addr.sin_port = htons(static_cast<std::uint16_t>(port));
            ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
            clients.push_back(fd);
        }
        form.PageControl->setCurrentWidget(form.TabSheet_Static);
        QMenu* menu = form.findChild<QMenu*>("MenuItem_Sharing");
        const QRect item = form.menuBar()->actionGeometry(menu->menuAction());
        QTest::qWait(500);
        menu->popup(form.menuBar()->mapToGlobal(item.bottomLeft()));
        QTest::qWait(300);
        QPixmap shot = form.grab();
        QPainter painter(&shot);
        painter.drawPixmap(form.menuBar()->mapTo(&form, item.bottomLeft()), menu->grab());
        painter.end();
        shot.save(out + "/sharing-menu" + suffix + ".png");
        menu->hide();
        for (int fd : clients) close(fd);
    }
    std::filesystem::current_path(oldDir);
    std::filesystem::remove_all(portDir);
    return status;
}
