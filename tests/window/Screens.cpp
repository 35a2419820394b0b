// Takes the README's screenshots: the real window connected to the simulator, one PNG per
// tab.  corvane-screens [--size WxH] [--trace] [--suffix TEXT] OUTPUT_DIR [simulator options...]
//   --size WxH     resize the window before the shots (the start size otherwise)
//   --trace        unlock the trace view first (its log goes to a scratch directory)
//   --suffix TEXT  appended to each file name: tab-static-200.png for --suffix -200
// Run it under Xvfb (xvfb-run) for the platform's real look, or offscreen; QT_SCALE_FACTOR=2
// takes the 200 % shots.

#include "ConnectAndRead.h"
#include "widgets/Dialogs.h"
#include "app/FormMain.h"
#include "serial/PortNames.h"
#include "app/QtSync.h"
#include "SimProcess.h"
#include "app/UnitReset.h"
#include "control/UnitStatic.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
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
        TFormMain form;
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
        const char* names[] = {"static", "diagnostics", "sent", "received"};
        for (int i = 0; i < form.PageControl->count(); ++i) {
            form.PageControl->setCurrentIndex(i);
            QTest::qWait(300);
            form.grab().save(out + "/tab-" + names[i] + suffix + ".png");
        }
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
    }
    std::filesystem::current_path(oldDir);
    std::filesystem::remove_all(portDir);
    return status;
}
