// The received-traffic path through the real window (offscreen): bytes handed to the capture
// as the port would, routed, decoded and written into the "Received data" table, which is
// showing and repainted between chunks; and one tick of the once-a-second timer. Both at 100,
// 1,000 and 10,000 targets in the table.

#include "BenchTraffic.h"
#include "app/FormMain.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QTabWidget>
#include <QTableWidget>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// A static report's sentences as one chunk of bytes.
std::string StaticBytes(std::uint32_t Index, TVdSentenceBuilder& Builder) {
    std::string out;
    for (const auto& s : StaticReport(Index, Builder)) out += s;
    return out;
}

// One window per table size, filled once: positions and static data for every target.
struct TFilledWindow {
    explicit TFilledWindow(int Targets) {
        Form = std::make_unique<TFormMain>();
        Form->UtcNow = [this] { return Now; };
        Form->show();
        Form->PageControl->setCurrentWidget(Form->TabSheet_Received);
        TVdSentenceBuilder b;
        std::string bytes;
        for (int i = 0; i < Targets; ++i) {
            bytes += PositionReport(static_cast<std::uint32_t>(i), 0, b);
            bytes += StaticBytes(static_cast<std::uint32_t>(i), b);
        }
        const auto t0 = std::chrono::steady_clock::now();
        Feed(bytes);
        QApplication::processEvents();
        FillSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    void Feed(const std::string& Bytes) {
        Form->VaCapture_Std.HandleCommData(
            reinterpret_cast<PVaData>(const_cast<char*>(Bytes.data())),
            static_cast<int>(Bytes.size()));
    }
    std::unique_ptr<TFormMain> Form;
    double Now = 46000.0; // a date-time in days, moved on by the benchmark
    double FillSeconds = 0;
};

// One window at a time; it must go before the application object does.
std::unique_ptr<TFilledWindow> TheWindow;
int TheWindowSize = 0;

TFilledWindow& Window(int Targets) {
    if (!TheWindow || TheWindowSize != Targets) {
        TheWindow.reset();
        TheWindow = std::make_unique<TFilledWindow>(Targets);
        TheWindowSize = Targets;
    }
    return *TheWindow;
}

// Sentences per second: position and static reports of known targets spread over the whole
// table (every twentieth one static), in chunks of Chunk sentences, the event loop run after
// each chunk so that the showing table is repainted. The trace view is locked, as for every
// user but the service, so the raw-sentence memo is not laid out. Chunk 1 is the worst case
// of a port that hands over every sentence on its own.
void ReceivedSentences(benchmark::State& State, int Chunk) {
    const int targets = static_cast<int>(State.range(0));
    TFilledWindow& w = Window(targets);
    TVdSentenceBuilder b;
    std::vector<std::string> chunks;
    std::vector<int> counts; // sentences in each chunk
    for (int c = 0; c < 8000 / Chunk; ++c) {
        std::string bytes;
        int count = 0;
        for (int k = 0; k < Chunk; ++k) {
            const auto index = static_cast<std::uint32_t>((c * Chunk + k) * 7919 % targets);
            if ((c * Chunk + k) % 20 == 19) {
                const std::string s = StaticBytes(index, b);
                bytes += s;
                count += 2;
            } else {
                bytes += PositionReport(index, c + 1, b);
                ++count;
            }
        }
        chunks.push_back(bytes);
        counts.push_back(count);
    }
    std::size_t next = 0;
    std::int64_t sentences = 0;
    for (auto _ : State) {
        const std::size_t i = next++ % chunks.size();
        w.Feed(chunks[i]);
        QApplication::processEvents();
        sentences += counts[i];
    }
    State.SetItemsProcessed(sentences);
    State.counters["rows"] = w.Form->StringGrid_RxData->rowCount();
    State.counters["fill_s"] = w.FillSeconds;
}

void BM_ReceivedSentences(benchmark::State& State) {
    ReceivedSentences(State, 1000);
}

void BM_ReceivedOneByOne(benchmark::State& State) {
    ReceivedSentences(State, 1);
}

// One tick of the once-a-second timer with every target's age changing, and the repaint.
void BM_TimerTick(benchmark::State& State) {
    TFilledWindow& w = Window(static_cast<int>(State.range(0)));
    w.Form->Timer_WatchDog.stop(); // no port: the link watchdog would try to reopen it
    for (auto _ : State) {
        w.Now += 1.0 / 86400;
        w.Form->Timer_Err_WarnTimer();
        QApplication::processEvents();
    }
    State.counters["rows"] = w.Form->StringGrid_RxData->rowCount();
}

// A storm of new MMSIs, one sentence at a time with the event loop run after each, into a table
// that already holds State.range(0) targets: what each new target costs, and the memory the
// window holds per target.
long ResidentKiB() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    long pages = 0, resident = 0;
    if (f != nullptr) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

void BM_NewTargetStorm(benchmark::State& State) {
    const int targets = static_cast<int>(State.range(0));
    TFilledWindow& w = Window(targets);
    TVdSentenceBuilder b;
    auto next = static_cast<std::uint32_t>(w.Form->TargetList.size());
    const long before = ResidentKiB();
    const std::size_t known = w.Form->TargetList.size();
    for (auto _ : State) {
        w.Feed(PositionReport(next++, 0, b));
        QApplication::processEvents();
    }
    State.SetItemsProcessed(State.iterations());
    const auto added = static_cast<double>(w.Form->TargetList.size() - known);
    State.counters["KiB_per_target"] = added > 0 ? (ResidentKiB() - before) / added : 0;
    TheWindow.reset(); // grown by the storm: the next size starts afresh
}

// Size by size, so each table is filled once.
const bool kRegistered = [] {
    for (int targets : {100, 1000, 10000}) {
        benchmark::RegisterBenchmark("BM_ReceivedSentences", BM_ReceivedSentences)
            ->Arg(targets)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_ReceivedOneByOne", BM_ReceivedOneByOne)
            ->Arg(targets)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_TimerTick", BM_TimerTick)
            ->Arg(targets)
            ->Unit(benchmark::kMillisecond);
    }
    for (int targets : {1000, 10000, 50000})
        benchmark::RegisterBenchmark("BM_NewTargetStorm", BM_NewTargetStorm)
            ->Arg(targets)
            ->Iterations(5000)
            ->Unit(benchmark::kMicrosecond);
    return true;
}();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetMessageBoxHandler([](const TMessageBox&) { return TMsgResult::Ok; }); // never block on a box
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TheWindow.reset();
    return 0;
}
