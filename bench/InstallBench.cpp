// The installation check's cost: the watch on every received sentence (the real corpus), and
// the ten checks once a second with many stations heard.

#include "install/InstallChecks.h"
#include "install/InstallWatch.h"
#include "nmea/Dispatch.h"
#include "tools/sim/AisEncode.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const TGeoCoor kOwn{"54.40000", "10.20000"};
constexpr double kDay = 46000.5;

const std::vector<std::string>& Corpus() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::filesystem::path> files;
        for (const auto& e : std::filesystem::directory_iterator(CORVANE_CORPUS_DIR "/ais"))
            files.push_back(e.path());
        std::sort(files.begin(), files.end());
        std::vector<std::string> l;
        for (const auto& f : files) {
            std::ifstream in(f);
            for (std::string line; std::getline(in, line);) l.push_back(line + '\r');
        }
        return l;
    }();
    return lines;
}

void BM_WatchFeed(benchmark::State& State) {
    const auto& lines = Corpus();
    std::vector<TRoute> routes;
    for (const auto& s : lines) routes.push_back(RouteSentence(s, TAwait::Nothing));
    TInstallWatch w;
    w.Start(kDay);
    double at = kDay;
    for (auto _ : State)
        for (std::size_t i = 0; i < lines.size(); ++i) {
            at += 0.01 / 86400;
            w.Feed(routes[i], lines[i], at, kOwn);
        }
    State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations() * lines.size()));
}
BENCHMARK(BM_WatchFeed);

// One refresh of the checks with N stations heard (the tab's once-a-second cost).
void BM_Checks(benchmark::State& State) {
    TInstallWatch w;
    w.Start(kDay);
    TVdSentenceBuilder b;
    for (std::int64_t i = 0; i < State.range(0); ++i) {
        TAisPosA a;
        a.MMSI = 200000000 + static_cast<std::uint32_t>(i);
        a.Lat = LonLatUnits(54.4 + (i % 100) * 0.001);
        a.Lon = LonLatUnits(10.2 + (i / 100 % 100) * 0.001);
        w.Feed(TRoute::HandleVDM, b.Build(false, i % 2 ? 'A' : 'B', EncodeMsg123(a))[0], kDay,
               kOwn);
    }
    TDUT_Status status;
    TInstallInputs in;
    in.Now = kDay + 60.0 / 86400;
    in.ListeningSince = kDay;
    in.Status = &status;
    in.OwnPos = kOwn;
    in.Watch = &w;
    for (auto _ : State) benchmark::DoNotOptimize(RunInstallChecks(in));
}
BENCHMARK(BM_Checks)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
