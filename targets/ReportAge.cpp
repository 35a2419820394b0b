#include "targets/ReportAge.h"

#include <chrono>
#include <cmath>

namespace {
constexpr double kUnixEpochDays = 25569.0; // 1970-01-01 counted from 1899-12-30
constexpr double kMsPerDay = 86400000.0;
constexpr double kMaxMs = 1e15; // some 30,000 years: beyond that an age means nothing
} // namespace

double SystemUtcNow() {
    using namespace std::chrono;
    const double ms = static_cast<double>(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
    return kUnixEpochDays + ms / kMsPerDay;
}

TAge AgeBetween(double Now, double Then) {
    // Counted in whole milliseconds: days are binary fractions, and a minute computed from them
    // directly can come out as 0 minutes 59.99999 seconds, shown as "0:60" instead of "1:00".
    double ms = std::round(std::fabs(Now - Then) * kMsPerDay);
    if (!(ms <= kMaxMs)) ms = ms > kMaxMs ? kMaxMs : 0; // NaN counts as no age
    const auto total = static_cast<long long>(ms);
    TAge a;
    a.Minutes = total / 60000;
    a.Seconds = static_cast<int>((total % 60000 + 500) / 1000); // halves round up
    return a;
}

std::string LastReportText(double Now, double Then) {
    const TAge a = AgeBetween(Now, Then);
    std::string s = std::to_string(a.Minutes) + ':';
    if (a.Seconds < 10) s += '0';
    s += std::to_string(a.Seconds);
    return s;
}

std::string TxAgeText(double Now, double Then) {
    const TAge a = AgeBetween(Now, Then);
    return std::to_string(a.Minutes) + " minutes, " + std::to_string(a.Seconds) + " seconds";
}
