#pragma once
// What corvane-config check prints: the verdicts as aligned text, the progress line while it
// listens, and the report as the JSON object that corvane-report reads; with the clock that
// counts faster for a faster simulator.

#include "install/InstallChecks.h"
#include "install/InstallReport.h"
#include "targets/ReportAge.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// UTC days (as SystemUtcNow) that run Scale times as fast as Real from the moment it was made:
// at Scale 20, one real second counts as twenty.
class TScaledClock {
public:
    TScaledClock(TUtcClock Real, double Scale);
    double Now() const;

private:
    TUtcClock FReal;
    double FScale, FBase;
};

// S as valid UTF-8: a byte that starts no valid sequence (a Latin-1 byte from the line, a cut
// sequence) becomes U+FFFD.
std::string Utf8Clean(std::string_view S);

// One line per check, in columns: title, verdict, figures; below a check that is not OK its
// advice, in the figures' column. Texts from the unit are cleaned and quoted for a terminal.
std::string CheckText(const std::vector<TCheck>& Checks);

// "listening 40/200 s: 6 OK, 1 check, 0 fault, 3 waiting"
std::string CheckProgress(double Listened, int Seconds, const std::vector<TCheck>& Checks);

// The report as one JSON object: tool, times, port, listened seconds, "ok" (no check is a
// fault), the configuration as `read --json` prints it (ConfigObject, that text as it is),
// its rows, the checks and the coverage. Numbers are written with a point whatever the locale;
// a distance that is negative or not a number is written as 0.
std::string CheckJson(const TInstallReport& R, const std::string& ConfigObject);

// "2026-12-10 20:57:20 UTC" and "2026-12-10 21:57:20 CET".
std::string UtcTimeText(std::time_t T);
std::string LocalTimeText(std::time_t T);

// A report file that is written as a page (.html or .htm, in any case) rather than a PDF.
bool IsHtmlName(std::string_view File);
