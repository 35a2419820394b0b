#include "tools/sim/SimLine.h"

#include <algorithm>
#include <cmath>
#include <limits>

TLineOutput::TLineOutput(double BytesPerSecond, std::size_t TrafficLimitBytes)
    : FBytesPerMs(BytesPerSecond / 1000.0), FLimit(TrafficLimitBytes) {}

void TLineOutput::PushReply(std::string Framed) {
    FReplies.push_back(std::move(Framed));
}

bool TLineOutput::PushTraffic(std::string Framed) {
    if (FTrafficBytes + Framed.size() > FLimit) {
        ++FDropped;
        return false;
    }
    FTrafficBytes += Framed.size();
    FTraffic.push_back(std::move(Framed));
    return true;
}

std::string TLineOutput::Take(std::int64_t NowMs) {
    std::string out;
    const double now = static_cast<double>(NowMs);
    while (!FReplies.empty() || !FTraffic.empty()) {
        if (FBytesPerMs > 0 && now < FFreeAt) break;
        std::deque<std::string>& q = FReplies.empty() ? FTraffic : FReplies;
        std::string s = std::move(q.front());
        q.pop_front();
        if (&q == &FTraffic) FTrafficBytes -= s.size();
        if (FBytesPerMs > 0)
            FFreeAt = std::max(FFreeAt, now) + static_cast<double>(s.size()) / FBytesPerMs;
        out += s;
    }
    return out;
}

std::int64_t TLineOutput::NextReadyMs() const {
    if (FReplies.empty() && FTraffic.empty()) return std::numeric_limits<std::int64_t>::max();
    if (FBytesPerMs <= 0 || FFreeAt < -1e17) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::ceil(FFreeAt));
}
