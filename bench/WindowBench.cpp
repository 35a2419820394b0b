// The real window as a process sees it: its CPU under a saturated line, and Connect's time.
//
//   bench_window [--targets 100,1000,10000] [--seconds S] [--tabs 0,1,2,3,4,5] [--rate LINES]
//                [--tries N] [--connect-targets N] [--only cpu|connect] [--new 0,10]
//                [--sim-traffic]
//
// CPU: for each target count N the window (shown) connects to corvane-sim on a pseudo-terminal
// in a private port directory, then learns N targets (position and static reports handed
// straight to its sentence handler). The simulator replays a generated log of
// reports for those same N targets at --rate lines/s (110 by default), more than the line
// carries: its own pacing (3840 bytes/s, 38400 bit/s) keeps the line full at about 75
// sentences/s and drops the rest, as a unit's buffer does. Then each tab in turn shows for S
// seconds and the process's CPU time (getrusage: user + system, every thread) is taken over
// that time. The event loop runs as in the program (QEventLoop::exec), not a polling wait.
// --tabs counts from 0 in the window's order: the four, then "Installation" (4) and "Plot" (5);
// the window has every tab and item the program adds. The plot shows the 6 NM around the own
// position, which the taught targets fill (about 400 of 10,000 in view).
// One table per --new value K: with K > 0, K lines a second of the replay are the first report
// of a target the window has not heard yet (a row is added), as while targets come into range.
//
// --sim-traffic: the simulator's own traffic (corvane-sim --targets N) instead, the window
// learning its targets as they are heard; the line is full only where N is large enough, and
// the simulator itself keeps up only to a few thousand targets.
//
// Connect: a fresh window and simulator (--targets 12): Connect pressed, timed until the
// configuration has been read; then the window learns --connect-targets targets, Disconnect,
// Connect again, timed. The same with the simulator running --targets 10000 itself. Message
// boxes are counted ("Connection failed." ends a try).
//
// Run it under a real X server and offscreen, from the build directory (or build the target
// bench_window_run, which does both):
//   xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb bench/bench_window
//   QT_QPA_PLATFORM=offscreen bench/bench_window
// A default run (10 s a tab) takes about 8 minutes; --seconds 5 --tries 3 about 4.
// stderr has a line per measurement with the table's paints a second and the rows they cover.
// To profile one case, hold it still and attach once "measuring ... pid P" appears on stderr:
//   bench/bench_window --only cpu --targets 2000 --tabs 3 --new 10 --seconds 60 &
//   perf record -e cpu-clock --call-graph dwarf -p P -- sleep 30

#include "BenchTraffic.h"
#include "app/FormMain.h"
#include "app/QtSync.h"
#include "app/UnitReset.h"
#include "control/UnitStatic.h"
#include "nmea/Framing.h"
#include "plot/PlotTab.h"
#include "serial/PortNames.h"
#include "tests/window/SimProcess.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPaintEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kTabNames[] = {"Static data",   "Diagnostics",  "Sent data",
                                 "Received data", "Installation", "Plot"};

struct TOptions {
    std::vector<int> Targets{100, 1000, 10000};
    std::vector<int> Tabs{0, 1, 2, 3};
    int Seconds = 10;
    double Rate = 110;
    int Tries = 4;
    int ConnectTargets = 10000;
    bool Cpu = true, Connect = true;
    std::vector<int> New{0, 10}; // targets first heard per second of the replay, one table each
    bool SimTraffic = false;     // the simulator's own traffic (--targets N) instead of the replay
};

std::vector<int> IntList(const char* S) {
    std::vector<int> out;
    std::stringstream in(S);
    for (std::string item; std::getline(in, item, ',');) out.push_back(std::atoi(item.c_str()));
    return out;
}

// Without the CR LF: what the capture hands to the window.
std::string Unframed(std::string S) {
    while (!S.empty() && (S.back() == '\r' || S.back() == '\n')) S.pop_back();
    return S;
}

// The window learns Targets targets (a position and the static data of each) and the own
// position, as if they had come over the line, without touching the capture's framing.
void Teach(TFormMain& Form, int Targets) {
    TVdSentenceBuilder b;
    Form.VaCapture_StdMessage(
        Form.VaCapture_Std,
        Unframed(FrameNMEA("GPRMC,120000.00,A,5424.000,N,01012.000,E,0.0,0.0,010125,,,A")));
    for (int i = 0; i < Targets; ++i) {
        const auto index = static_cast<std::uint32_t>(i);
        Form.VaCapture_StdMessage(Form.VaCapture_Std, Unframed(PositionReport(index, 0, b)));
        for (const auto& s : StaticReport(index, b))
            Form.VaCapture_StdMessage(Form.VaCapture_Std, Unframed(s));
    }
    QApplication::processEvents();
}

// The simulator's log: position reports of known targets spread over the whole table, every
// twentieth a static report, and a GPS fix (GGA, no RMC, so the log is paced by the rate)
// every hundred lines. NewPerSecond of the lines are the first report of a target not heard
// before (the line drops part of them with the rest). Seconds of lines before it starts over,
// when the new targets are no longer new.
std::string WriteReplay(const std::string& Dir, int Targets, double Rate, int NewPerSecond,
                        int Seconds) {
    const std::string path =
        Dir + "/replay-" + std::to_string(Targets) + "-" + std::to_string(NewPerSecond) + ".nmea";
    std::ofstream out(path, std::ios::binary);
    TVdSentenceBuilder b;
    const int lines = static_cast<int>(Rate * Seconds);
    const int every = NewPerSecond > 0 ? std::max(1, static_cast<int>(Rate / NewPerSecond)) : 0;
    std::uint32_t fresh = static_cast<std::uint32_t>(Targets);
    for (int k = 0; k < lines; ++k) {
        const auto index = static_cast<std::uint32_t>(static_cast<long long>(k) * 7919 % Targets);
        if (k % 100 == 0)
            out << FrameNMEA("GPGGA,120000.00,5424.000,N,01012.000,E,1,08,1.0,10.0,M,40.0,M,,");
        if (every > 0 && k % every == every / 2) {
            out << PositionReport(fresh++, k + 1, b);
        } else if (k % 20 == 19) {
            for (const auto& s : StaticReport(index, b)) out << s;
        } else {
            out << PositionReport(index, k + 1, b);
        }
    }
    return path;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop as the program does, for Ms milliseconds.
void RunLoop(int Ms) {
    QEventLoop loop;
    QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Every message box is answered at once and counted by its text.
std::map<std::string, int> Boxes;
std::function<void()> OnBox;

// Counts what the window's sentence handler gets, bytes with their CR LF.
struct TCounter {
    std::uint64_t Sentences = 0, Bytes = 0;
    void Attach(TFormMain& Form) {
        Form.VaCapture_Std.SetOnMessage([this, &Form](TVaCapture& Sender, const std::string& Data) {
            ++Sentences;
            Bytes += Data.size() + 2;
            Form.VaCapture_StdMessage(Sender, Data);
        });
    }
};

// Counts the paints of the target table's viewport and the rows they cover: what the CPU
// figures are made of.
class TPaintCounter : public QObject {
public:
    std::uint64_t Paints = 0, Rows = 0;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() == QEvent::Paint) {
            ++Paints;
            Rows += static_cast<std::uint64_t>(
                (static_cast<QPaintEvent*>(Event)->region().boundingRect().height() + 15) / 16);
        }
        return QObject::eventFilter(Watched, Event);
    }
};

struct TWindow {
    TWindow() : Reset(&Form) {
        // the tabs and items the program adds after the four
        Form.AddInstallationTab();
        Form.AddPlotTab();
        Form.AddOtherStations();
        Form.SetFormReset(&Reset);
        Form.show();
        Counter.Attach(Form);
        Form.StringGrid_RxData->viewport()->installEventFilter(&Paints);
        RunLoop(200);
    }
    TFormMain Form;
    TFormReset Reset;
    TCounter Counter;
    TPaintCounter Paints;
};

// Presses Connect and waits until the configuration has been read: milliseconds, or -1 when
// a message box (e.g. "Connection failed.") or the time limit ended it first.
double ConnectTimed(TFormMain& Form, int LimitMs = 30000) {
    QEventLoop loop;
    bool failed = false;
    OnBox = [&] {
        failed = true;
        loop.quit();
    };
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (Form.Panel_Connect->text() == "Connected" && Form.UnitStatic->ScanStep == 0)
            loop.quit();
    });
    QTimer::singleShot(LimitMs, &loop, [&] {
        failed = true;
        loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    Form.BitBtn_Connect->click();
    poll.start();
    loop.exec();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    OnBox = nullptr;
    return failed ? -1 : ms;
}

void Disconnect(TFormMain& Form) {
    Form.BitBtn_Disc->click();
    RunLoop(300);
}

std::string Ms(double V) {
    if (V < 0) return "failed";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f ms", V);
    return buf;
}

void CpuTable(const TOptions& O, const std::string& PortDir, int NewPerSecond) {
    const std::string source =
        O.SimTraffic
            ? std::string("the simulator's own traffic")
            : "replay at " + std::to_string(static_cast<int>(O.Rate)) + " lines/s, " +
                  (NewPerSecond == 0
                       ? std::string("every target known")
                       : std::to_string(NewPerSecond) + " lines/s of targets not yet known");
    std::printf("\n## CPU of the window process, %% of one core (%s, %d s per tab, %s)\n\n"
                "| targets |",
                qPrintable(QGuiApplication::platformName()), O.Seconds, source.c_str());
    for (int t : O.Tabs) std::printf(" %s |", kTabNames[t]);
    std::printf(" line: sentences/s | bytes/s | rows added/s | rows at the end |\n|---|");
    for (std::size_t i = 0; i < O.Tabs.size() + 4; ++i) std::printf("---|");
    std::printf("\n");
    std::fflush(stdout);
    for (int n : O.Targets) {
        std::vector<std::string> simArgs = {"--targets", std::to_string(n)};
        if (!O.SimTraffic) {
            const int length = static_cast<int>(O.Tabs.size()) * (O.Seconds + 1) + 30;
            const std::string replay = WriteReplay(PortDir, n, O.Rate, NewPerSecond, length);
            simArgs = {"--replay", replay, "--replay-rate", std::to_string(O.Rate)};
        }
        TSimProcess sim(PortDir, simArgs);
        TWindow w;
        if (ConnectTimed(w.Form) < 0) {
            std::printf("| %d | the simulator was not found |\n", n);
            continue;
        }
        // Taught once connected: a sentence restarts the link watchdog, which must find a port.
        if (!O.SimTraffic) Teach(w.Form, n);
        RunLoop(3000); // the simulator's queue fills: the line is saturated from here on
        std::printf("| %d |", n);
        std::uint64_t sentences = 0, bytes = 0;
        int rowsAdded = 0;
        double seconds = 0;
        for (int t : O.Tabs) {
            w.Form.PageControl->setCurrentIndex(t);
            RunLoop(1000);
            std::fprintf(stderr, "measuring %d targets, %s, pid %d\n", n, kTabNames[t],
                         static_cast<int>(getpid()));
            const std::uint64_t s0 = w.Counter.Sentences, b0 = w.Counter.Bytes;
            const int rows0 = w.Form.StringGrid_RxData->rowCount();
            const std::uint64_t p0 = w.Paints.Paints, pr0 = w.Paints.Rows;
            const TPlotView& plot = *w.Form.TabSheet_Plot->View;
            const int plotPaints0 = plot.Paints();
            const double plotMs0 = plot.PaintMs();
            const double cpu0 = CpuSeconds();
            QElapsedTimer clock;
            clock.start();
            RunLoop(O.Seconds * 1000);
            const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
            const double cpu = CpuSeconds() - cpu0;
            sentences += w.Counter.Sentences - s0;
            bytes += w.Counter.Bytes - b0;
            rowsAdded += w.Form.StringGrid_RxData->rowCount() - rows0;
            seconds += wall;
            std::printf(" %.2f |", 100.0 * cpu / wall);
            std::fprintf(stderr,
                         "  %.2f %% of a core, %.1f sentences/s, %d rows; table paints %.1f/s "
                         "covering %.1f rows/s; plot paints %.1f/s taking %.2f ms each\n",
                         100.0 * cpu / wall, static_cast<double>(w.Counter.Sentences - s0) / wall,
                         w.Form.StringGrid_RxData->rowCount() - 1,
                         static_cast<double>(w.Paints.Paints - p0) / wall,
                         static_cast<double>(w.Paints.Rows - pr0) / wall,
                         (plot.Paints() - plotPaints0) / wall,
                         plot.Paints() > plotPaints0
                             ? (plot.PaintMs() - plotMs0) / (plot.Paints() - plotPaints0)
                             : 0.0);
            std::fflush(stdout);
        }
        std::printf(" %.1f | %.0f | %.1f | %d |\n", static_cast<double>(sentences) / seconds,
                    static_cast<double>(bytes) / seconds, rowsAdded / seconds,
                    w.Form.StringGrid_RxData->rowCount() - 1);
        std::fflush(stdout);
        w.Form.PageControl->setCurrentIndex(0);
        Disconnect(w.Form);
    }
}

void CpuRuns(const TOptions& O, const std::string& PortDir) {
    if (O.SimTraffic) return CpuTable(O, PortDir, 0);
    for (int k : O.New) CpuTable(O, PortDir, k);
}

void ConnectRuns(const TOptions& O, const std::string& PortDir) {
    std::printf("\n## Connect, pressed until the configuration is read (%s, \"Static data\" "
                "showing)\n\n",
                qPrintable(QGuiApplication::platformName()));
    std::printf(
        "| try | simulator | window knows 12 | window knows %d | ratio |\n|---|---|---|---|---|\n",
        O.ConnectTargets);
    for (const int simTargets : {12, 10000}) {
        for (int k = 1; k <= O.Tries; ++k) {
            TSimProcess sim(PortDir, {"--targets", std::to_string(simTargets)});
            TWindow w;
            const double first = ConnectTimed(w.Form);
            Teach(w.Form, O.ConnectTargets);
            Disconnect(w.Form);
            const double second = ConnectTimed(w.Form);
            char ratio[32] = "-";
            if (first > 0 && second > 0) std::snprintf(ratio, sizeof ratio, "%.2f", second / first);
            std::printf("| %d | --targets %d | %s | %s | %s |\n", k, simTargets, Ms(first).c_str(),
                        Ms(second).c_str(), ratio);
            std::fflush(stdout);
            if (first < 0 || second < 0) {
                // What the simulator took and answered, for the diagnosis.
                const std::string log = sim.Log();
                std::fprintf(stderr, "simulator log (last 3000 bytes):\n%s\n",
                             log.substr(log.size() > 3000 ? log.size() - 3000 : 0).c_str());
            }
            Disconnect(w.Form);
        }
    }
    std::printf("\n(with --targets 10000 the simulator's own traffic adds to what the window "
                "knows: %d targets taught plus those heard)\n",
                O.ConnectTargets);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TOptions o;
    for (int a = 1; a < argc; ++a) {
        const bool value = a + 1 < argc;
        if (std::strcmp(argv[a], "--targets") == 0 && value) {
            o.Targets = IntList(argv[++a]);
        } else if (std::strcmp(argv[a], "--tabs") == 0 && value) {
            o.Tabs = IntList(argv[++a]);
        } else if (std::strcmp(argv[a], "--seconds") == 0 && value) {
            o.Seconds = std::max(1, std::atoi(argv[++a]));
        } else if (std::strcmp(argv[a], "--rate") == 0 && value) {
            o.Rate = std::max(1.0, std::atof(argv[++a]));
        } else if (std::strcmp(argv[a], "--tries") == 0 && value) {
            o.Tries = std::max(0, std::atoi(argv[++a]));
        } else if (std::strcmp(argv[a], "--connect-targets") == 0 && value) {
            o.ConnectTargets = std::max(0, std::atoi(argv[++a]));
        } else if (std::strcmp(argv[a], "--new") == 0 && value) {
            o.New = IntList(argv[++a]);
        } else if (std::strcmp(argv[a], "--sim-traffic") == 0) {
            o.SimTraffic = true;
        } else if (std::strcmp(argv[a], "--only") == 0 && value) {
            const std::string what = argv[++a];
            o.Cpu = what == "cpu";
            o.Connect = what == "connect";
        } else {
            std::fprintf(stderr,
                         "usage: bench_window [--targets 100,1000,10000] [--seconds S] "
                         "[--tabs 0,1,2,3,4,5] [--rate LINES] [--tries N] [--connect-targets N] "
                         "[--only cpu|connect] [--new 0,10] [--sim-traffic]\n");
            return 2;
        }
    }
    for (int t : o.Tabs)
        if (t < 0 || t >= static_cast<int>(std::size(kTabNames))) return 2;
    TQtSyncPump pump;
    char dir[] = "/tmp/corvane-ports-bench-XXXXXX";
    const std::string portDir = mkdtemp(dir);
    SetTestPortDirectory(portDir);
    SetMessageBoxHandler([](const TMessageBox& Box) {
        const std::string text = Box.Text.toStdString();
        ++Boxes[text];
        std::fprintf(stderr, "box: %s\n", text.c_str());
        if (OnBox) OnBox();
        return TMsgResult::Ok;
    });
    int status = 0;
    try {
        if (o.Cpu) CpuRuns(o, portDir);
        if (o.Connect) ConnectRuns(o, portDir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_window: %s\n", e.what());
        status = 1;
    }
    std::printf("\nmessage boxes:");
    if (Boxes.empty()) std::printf(" none");
    for (const auto& [text, count] : Boxes) std::printf(" \"%s\" x%d;", text.c_str(), count);
    std::printf("\n");
    std::filesystem::remove_all(portDir);
    return status;
}
