// Soak run of the real window against the simulator: connects, lets the line run for a fixed
// time, and reports every 10 s the sentences dispatched, the resident memory and the longest
// time the user-interface thread did not answer; at the end both ends' sentence counts.
//   corvane-soak SECONDS [simulator options]      e.g. corvane-soak 600 --flood --targets 2000

#include "Dialogs.h"
#include "FormMain.h"
#include "PortNames.h"
#include "QtSync.h"
#include "SimProcess.h"
#include "UnitReset.h"
#include "UnitStatic.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

long ResidentKiB() {
    std::ifstream in("/proc/self/statm");
    long size = 0, resident = 0;
    in >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: corvane-soak SECONDS [simulator options]\n");
        return 2;
    }
    const int seconds = std::max(1, std::atoi(argv[1]));
    std::vector<std::string> simArgs(argv + 2, argv + argc);
    TQtSyncPump pump;
    char dir[] = "/tmp/corvane-ports-soak-XXXXXX";
    const std::string portDir = mkdtemp(dir);
    SetTestPortDirectory(portDir);
    long boxes = 0;
    SetMessageBoxHandler([&boxes](const TMessageBox& Box) {
        ++boxes;
        std::fprintf(stderr, "box: %s\n", Box.Text.toLocal8Bit().constData());
        return TMsgResult::Ok;
    });
    int status = 0;
    {
        TSimProcess sim(portDir, simArgs);
        TFormMain form;
        TFormReset reset(&form);
        form.SetFormReset(&reset);
        std::uint64_t dispatched = 0;
        form.VaCapture_Std.SetOnMessage([&](TVaCapture& Sender, const std::string& Data) {
            ++dispatched;
            form.VaCapture_StdMessage(Sender, Data);
        });
        form.BitBtn_Connect->click();
        if (!QTest::qWaitFor(
                [&] {
                    return form.Panel_Connect->text() == "Connected" &&
                           form.UnitStatic->ScanStep == 0;
                },
                20000)) {
            std::fprintf(stderr, "corvane-soak: the simulator was not found\n");
            return 1;
        }
        // How late a 50 ms timer runs tells how long the window did not answer.
        QElapsedTimer tick;
        qint64 worst = 0, worstWindow = 0;
        QTimer probe;
        probe.setInterval(50);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 late = tick.restart() - 50;
            worst = std::max(worst, late);
            worstWindow = std::max(worstWindow, late);
        });
        tick.start();
        probe.start();
        // Both ends count from here: the sentences of the port scan (the port opened and closed
        // again while the window was busy) are not part of the run.
        const std::uint64_t dispatchedAtStart = dispatched;
        sim.Signal(SIGUSR1);
        std::printf("%8s %12s %12s %12s\n", "time/s", "sentences", "RSS/KiB", "worst lag/ms");
        QElapsedTimer clock;
        clock.start();
        for (int t = 10; t <= seconds + 9; t += 10) {
            const int until = std::min(t, seconds) * 1000;
            while (clock.elapsed() < until) QTest::qWait(50);
            std::printf("%8d %12llu %12ld %12lld\n", std::min(t, seconds),
                        static_cast<unsigned long long>(dispatched), ResidentKiB(),
                        static_cast<long long>(worstWindow));
            std::fflush(stdout);
            worstWindow = 0;
        }
        probe.stop();
        const long boxesDuringRun =
            boxes; // the watchdog's shut-down box after the stop is expected
        // The sender stops and hands over what is still on the line while the window keeps
        // reading; only then is it reaped (waiting for it blocks the window).
        sim.Signal(SIGTERM);
        QTest::qWait(1500);
        sim.Stop();
        form.UnitStatic->BitBtn_DiscClick();
        const std::string log = sim.Log();
        auto count = [&log](const std::string& Key) -> long long {
            const auto at = log.find(Key);
            return at == std::string::npos ? -1 : std::atoll(log.c_str() + at + Key.size());
        };
        const long long simStart = count("corvane-sim: sent "),
                        simEnd = count("stopped after sending ");
        std::printf("simulator sent %lld sentences, the window dispatched %llu\n",
                    simEnd - simStart,
                    static_cast<unsigned long long>(dispatched - dispatchedAtStart));
        std::printf("worst lag %lld ms; message boxes during the run %ld\n",
                    static_cast<long long>(worst), boxesDuringRun);
        status = boxesDuringRun == 0 ? 0 : 1;
    }
    std::filesystem::remove_all(portDir);
    return status;
}
