// corvane: the setup and monitoring tool for the Corvane AIS Class B transponder.

#include "app/FormMain.h"
#include "app/QtSync.h"
#include "app/QuitSignals.h"
#include "app/UnitReset.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallApplicationExceptionReport();
    TQtSyncPump pump; // runs the serial threads' notifications on this thread
    TFormMain form;
    QApplication::setWindowIcon(QIcon(":/assets/corvane.png"));
    TFormReset reset(&form);
    form.SetFormReset(&reset);
    TQuitOnSignals quit([&form] {
        form.close();
        QApplication::quit(); // also ends a message box that is open
    });
    form.show();
    return app.exec();
}
