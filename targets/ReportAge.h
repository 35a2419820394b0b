#pragma once
// Ages of reports. "Now" comes from an injectable clock, so tests drive ages without waiting.

#include <functional>
#include <string>

// UTC date-time as fractional days since 1899-12-30, the convention of TStatic::LastReport.
using TUtcClock = std::function<double()>;

// The system clock in UTC.
double SystemUtcNow();

// Whole minutes and rounded seconds between two date-times (in either order); from 59.5
// seconds on the seconds read 60 until the minute turns.
struct TAge {
    long long Minutes = 0;
    int Seconds = 0;
};
TAge AgeBetween(double Now, double Then);

// "Last Report" cell: minutes, ":", two-digit seconds ("0:00", "2:60").
std::string LastReportText(double Now, double Then);
// "Last Transmission" label: "2 minutes, 7 seconds".
std::string TxAgeText(double Now, double Then);
