// Takes the README's screenshots: the real window connected to the simulator, one PNG per
// tab.  corvane-screens OUTPUT_DIR [simulator options...]
// Run it under Xvfb (xvfb-run) for the platform's real look, or offscreen.

#include "Dialogs.h"
#include "FormMain.h"
#include "PortNames.h"
#include "QtSync.h"
#include "SimProcess.h"
#include "UnitReset.h"
#include "UnitStatic.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: corvane-screens OUTPUT_DIR [simulator options]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    std::vector<std::string> simArgs(argv + 2, argv + argc);
    TQtSyncPump pump;
    char dir[] = "/tmp/corvane-ports-screens-XXXXXX";
    const std::string portDir = mkdtemp(dir);
    SetTestPortDirectory(portDir);
    SetMessageBoxHandler([](const TMessageBox& Box) {
        std::fprintf(stderr, "box: %s\n", Box.Text.toLocal8Bit().constData());
        return TMsgResult::Ok;
    });
    int status = 0;
    {
        TSimProcess sim(portDir, simArgs);
        TFormMain form;
        TFormReset reset(&form);
        form.SetFormReset(&reset);
        form.show();
        form.BitBtn_Connect->click();
        if (!QTest::qWaitFor([&] { return form.Panel_Connect->text() == "Connected" && form.UnitStatic->ScanStep == 0; },
                             20000)) {
            std::fprintf(stderr, "corvane-screens: the simulator was not found\n");
            status = 1;
        }
        QTest::qWait(6000); // let traffic fill the views
        const char* names[] = {"static", "diagnostics", "sent", "received"};
        for (int i = 0; i < form.PageControl->count(); ++i) {
            form.PageControl->setCurrentIndex(i);
            QTest::qWait(300);
            form.grab().save(out + "/tab-" + names[i] + ".png");
        }
    }
    std::filesystem::remove_all(portDir);
    return status;
}
