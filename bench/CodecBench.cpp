// Throughput of the sentence path: capture framing, VDM/VDO parsing plus decoding, and the
// decoder command line's JSON output, over the real captured corpus.

#include "ais/AIS_Codec.h"
#include "serial/VaCapture.h"
#include "tools/decode/DecodeJson.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> LoadLines(const std::string& dir) {
    std::vector<std::string> lines;
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(dir)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
        std::ifstream in(f);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
    }
    return lines;
}

const std::vector<std::string>& Corpus() {
    static const std::vector<std::string> lines = [] {
        auto l = LoadLines(CORVANE_CORPUS_DIR "/ais");
        for (auto& s : l) s += '\r'; // as the capture delivers a sentence
        return l;
    }();
    return lines;
}

void BM_ParseAndDecode(benchmark::State& state) {
    const auto& lines = Corpus();
    TMsg5_setup setup;
    T_NMEA_VD vd;
    std::size_t decoded = 0;
    for (auto _ : state) {
        for (const auto& s : lines) {
            if (!ParseNmeaVD(s, vd, setup)) continue;
            switch (vd.MsgID) {
            case 1:
            case 2:
            case 3:
                benchmark::DoNotOptimize(DecodeMsg1(vd.MsgStr));
                break;
            case 5:
                benchmark::DoNotOptimize(DecodeMsg5(vd.MsgStr));
                break;
            case 18:
                benchmark::DoNotOptimize(DecodeMsg18(vd.MsgStr));
                break;
            case 240:
                benchmark::DoNotOptimize(DecodeMsg24A(vd.MsgStr));
                break;
            case 241:
                benchmark::DoNotOptimize(DecodeMsg24B(vd.MsgStr));
                break;
            default:
                break;
            }
            ++decoded;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * lines.size()));
    state.counters["accepted"] = static_cast<double>(decoded) / state.iterations();
}
BENCHMARK(BM_ParseAndDecode)->Unit(benchmark::kMillisecond);

void BM_DecodeToJson(benchmark::State& state) {
    const auto& lines = Corpus();
    TDecodeJson json;
    std::string out;
    for (auto _ : state) {
        long n = 0;
        for (const auto& s : lines) {
            json.AddLine(std::string_view(s).substr(0, s.size() - 1), ++n, out);
            if (out.size() > 65536) out.clear();
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * lines.size()));
}
BENCHMARK(BM_DecodeToJson)->Unit(benchmark::kMillisecond);

void BM_CaptureFraming(benchmark::State& state) {
    // A whole device capture as it comes off the line, in 64-byte chunks.
    std::string stream;
    std::ifstream in(CORVANE_CORPUS_DIR "/streams/gpsd-ais-nmea.nmea");
    for (std::string line; std::getline(in, line);) stream += line + "\r\n";
    TVaCapture capture;
    capture.SetDataFinish("\r\n");
    std::size_t messages = 0;
    capture.SetOnMessage([&messages](TVaCapture&, const std::string&) { ++messages; });
    for (auto _ : state) {
        for (std::size_t i = 0; i < stream.size(); i += 64) {
            const auto n = std::min<std::size_t>(64, stream.size() - i);
            capture.HandleCommData(reinterpret_cast<PVaData>(stream.data() + i),
                                   static_cast<int>(n));
        }
    }
    benchmark::DoNotOptimize(messages);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_CaptureFraming)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
