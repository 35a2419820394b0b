// Soak run of the real window against the simulator: connects, lets the line run for a fixed
// time, and reports every 10 s the sentences dispatched, the resident memory and the longest
// time the user-interface thread did not answer; at the end both ends' sentence counts.
//   corvane-soak SECONDS [simulator options]      e.g. corvane-soak 600 --flood --targets 2000

#include "tests/window/ConnectAndRead.h"
#include "widgets/Dialogs.h"
#include "app/FormMain.h"
#include "serial/PortNames.h"
#include "app/QtSync.h"
#include "tests/window/SimProcess.h"
#include "app/UnitReset.h"
#include "control/UnitStatic.h"

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

// Holds the simulator still while the window takes everything on the line, then has it
// report how many sentences it has sent (it reads the count in its signal handler, before it
// sends anything more): both ends' counts then stand at the same sentence. Returns the
// window's count.
std::uint64_t CountBothEnds(TSimProcess& Sim, const std::uint64_t& Dispatched) {
    Sim.Signal(SIGSTOP);
    for (std::uint64_t seen = ~0ull; seen != Dispatched;) {
        seen = Dispatched;
        QTest::qWait(300);
    }
    const std::uint64_t at = Dispatched;
    Sim.Signal(SIGUSR1);
    Sim.Signal(SIGCONT);
    QTest::qWait(100); // its log line
    return at;
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
        if (!ConnectAndRead(form, 20000)) {
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
        const std::uint64_t dispatchedAtStart = CountBothEnds(sim, dispatched);
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
        const long boxesDuringRun = boxes; // the watchdog's box after the stop is expected
        const std::uint64_t dispatchedAtEnd = CountBothEnds(sim, dispatched);
        sim.Stop();
        form.UnitStatic->BitBtn_DiscClick();
        std::vector<long long> counts; // the simulator's, at the start and at the end
        const std::string log = sim.Log(), key = "corvane-sim: sent ";
        for (auto at = log.find(key); at != std::string::npos; at = log.find(key, at + 1))
            counts.push_back(std::atoll(log.c_str() + at + key.size()));
        if (counts.size() != 2) {
            std::fprintf(stderr, "corvane-soak: the simulator did not report its counts\n");
            return 1;
        }
        std::printf("simulator sent %lld sentences, the window dispatched %llu\n",
                    counts[1] - counts[0],
                    static_cast<unsigned long long>(dispatchedAtEnd - dispatchedAtStart));
        std::printf("worst lag %lld ms; message boxes during the run %ld\n",
                    static_cast<long long>(worst), boxesDuringRun);
        status = boxesDuringRun == 0 ? 0 : 1;
    }
    std::filesystem::remove_all(portDir);
    return status;
}
