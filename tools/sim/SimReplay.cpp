#include "tools/sim/SimReplay.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

// Seconds of the day from an RMC sentence ("$xxRMC,hhmmss[.ss],..."), or -1.
double RmcSeconds(const std::string& L) {
    if (L.size() < 14 || L[0] != '$' || L.compare(3, 4, "RMC,") != 0) return -1;
    const std::string t = L.substr(7, L.find(',', 7) - 7);
    if (t.size() < 6) return -1;
    for (int i = 0; i < 6; ++i)
        if (t[i] < '0' || t[i] > '9') return -1;
    const double h = std::stoi(t.substr(0, 2)), m = std::stoi(t.substr(2, 2));
    double s = std::stoi(t.substr(4, 2));
    if (t.size() > 7 && t[6] == '.') s += std::atof(t.c_str() + 6);
    return h * 3600 + m * 60 + s;
}

} // namespace

TReplaySource::TReplaySource(std::vector<std::string> Lines, double LinesPerSecond)
    : FLines(std::move(Lines)) {
    const double gap = 1000.0 / std::max(0.01, LinesPerSecond);
    bool anyRmc = false;
    for (const auto& l : FLines) anyRmc = anyRmc || RmcSeconds(l) >= 0;
    std::int64_t t = 0;
    double lastRmc = -1;
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        if (!anyRmc) {
            t = static_cast<std::int64_t>(std::llround(gap * static_cast<double>(i)));
        } else if (const double s = RmcSeconds(FLines[i]); s >= 0) {
            // A jump backwards (midnight, a spliced log) or a long gap counts as one second.
            double d = lastRmc < 0 ? 0 : s - lastRmc;
            if (d <= 0 || d > 60) d = lastRmc < 0 ? 0 : 1;
            t += static_cast<std::int64_t>(std::llround(d * 1000));
            lastRmc = s;
        }
        FOffset.push_back(t);
    }
    FPassMs =
        (FLines.empty() ? 0 : FOffset.back()) + (anyRmc ? 1000 : static_cast<std::int64_t>(gap));
    FNextAt = FOffset.empty() ? 0 : FOffset.front();
}

bool TReplaySource::LoadFile(const std::string& Path, std::vector<std::string>& Lines,
                             std::string& Error) {
    std::ifstream in(Path, std::ios::binary);
    if (!in) {
        Error = Path + ": cannot be read";
        return false;
    }
    std::string l;
    while (std::getline(in, l)) {
        while (!l.empty() && (l.back() == '\r' || l.back() == '\n')) l.pop_back();
        if (!l.empty() && (l[0] == '$' || l[0] == '!')) Lines.push_back(l);
    }
    if (Lines.empty()) {
        Error = Path + ": no NMEA sentences in it";
        return false;
    }
    return true;
}

void TReplaySource::Step() {
    if (++FNext == FLines.size()) {
        FNext = 0;
        FPassStart += FPassMs;
    }
    FNextAt = FPassStart + FOffset[FNext];
}

void TReplaySource::Advance(std::int64_t SimMs, std::vector<std::string>& Out) {
    while (!FLines.empty() && FNextAt <= SimMs) {
        Out.push_back(FLines[FNext] + "\r\n");
        Step();
    }
}

void TReplaySource::Flood(std::vector<std::string>& Out) {
    if (FLines.empty()) return;
    Out.push_back(FLines[FNext] + "\r\n");
    Step();
}
