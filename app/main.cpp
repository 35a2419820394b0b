// corvane: the setup and monitoring tool for the Corvane AIS Class B transponder.

#include "app/CommandLine.h"
#include "app/FormMain.h"
#include "app/QtSync.h"
#include "app/QuitSignals.h"
#include "app/UnitReset.h"
#include "serial/PortNames.h"
#include "share/ShareHub.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QIcon>
#include <QPushButton>
#include <QTimer>
#include <iostream>

int main(int argc, char** argv) {
    // Read before Qt starts: --help and a bad option need no display.
    TWindowOptions options;
    std::string error;
    if (!ParseWindowOptions(std::vector<std::string>(argv, argv + argc), options, error)) {
        std::cerr << "corvane: " << error << "\nTry 'corvane --help'.\n";
        return 2;
    }
    if (options.Help) {
        std::cout << WindowUsage();
        return 0;
    }
    if (options.Version) {
        std::cout << "corvane " CORVANE_VERSION "\n";
        return 0;
    }
    if (!options.PortDir.empty()) SetTestPortDirectory(options.PortDir);
    for (const TNetworkPortOption& p : options.NetworkPorts) DeclareNetworkPort(p.PortNum, p.Url);

    // The shares start before Qt does: one that cannot start ends the program before any
    // window opens, and clients may connect while the window is still being built.
    TShareHub shares;
    for (const TShareSpec& s : options.Shares) {
        const int index = shares.Add(s);
        if (!shares.Start(index, error)) {
            std::cerr << "corvane: cannot share " << ShareSpecText(s) << ": " << error << '\n';
            return 2;
        }
    }
    for (const TShareStatus& s : shares.Status())
        std::cout << "corvane: sharing " << ShareSpecText(s.Spec) << " on " << s.Where << std::endl;

    std::vector<char*> qtArgv;
    for (std::string& a : options.QtArgs) qtArgv.push_back(a.data());
    int qtArgc = static_cast<int>(qtArgv.size());
    qtArgv.push_back(nullptr);
    QApplication app(qtArgc, qtArgv.data());
    InstallApplicationExceptionReport();
    TQtSyncPump pump; // runs the serial threads' notifications on this thread

    TFormMain form;
    form.SetShareHub(&shares); // hands it what the port receives and shows it in a menu
    form.AddInstallationTab();
    form.AddPlotTab();
    form.AddOtherStations();
    form.AddSafetyMessages();
    QApplication::setWindowIcon(QIcon(":/assets/corvane.png"));
    TFormReset reset(&form);
    form.SetFormReset(&reset);
    TQuitOnSignals quit([&form] {
        form.close();
        QApplication::quit(); // also ends a message box that is open
    });
    form.show();
    if (options.Connect) QTimer::singleShot(0, &form, [&form] { form.BitBtn_Connect->click(); });
    return app.exec();
}
