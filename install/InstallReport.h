#pragma once
// The commissioning report: what was checked, when, on which unit, with the picture of how far
// the transponder hears in each direction. Built once as plain values; the HTML page and the
// coverage geometry are made here without Qt, the PDF by the Qt writer (InstallPdf.h).

#include "install/InstallChecks.h"
#include "install/InstallWatch.h"

#include <string>
#include <utility>
#include <vector>

struct TInstallReport {
    std::string Tool;      // "corvane 0.1.0"
    std::string UtcTime;   // "2026-12-10 20:57:20 UTC"
    std::string LocalTime; // "2026-12-10 21:57:20 CET"
    std::string Port;      // "COM3" or "tcp://192.168.4.1:10110"
    double ListenedSeconds = 0;
    // The configuration as read: label and value, in the order shown.
    std::vector<std::pair<std::string, std::string>> Config;
    std::vector<TCheck> Checks;
    TCoverage Coverage;
};

// The polar picture in unit coordinates: the own ship at (0, 0), north up (y negative is
// north), the outer ring at radius 1.
struct TCoverageGeometry {
    double OuterNm = 0;          // range of the outer ring
    std::vector<double> RingsNm; // every ring, inner to outer, the last = OuterNm
    std::vector<std::pair<double, double>> Outline; // the farthest station per sector, closed
    bool Empty = true;                              // nothing heard: no outline
};
// Three rings at 1-2-5 steps (0.1, 0.2, 0.5 NM up to the one that holds the farthest sector);
// sector i's point lies at bearing 10i + 5, 37 points with the first repeated at the end.
// Nothing heard: no rings, no outline. A distance that is negative or not a number counts as
// nothing heard.
TCoverageGeometry CoverageGeometry(const TCoverage& C);

// A self-contained HTML page (inline style and SVG, nothing fetched).
std::string ReportHtml(const TInstallReport& R);
// The coverage picture alone as SVG, Size pixels square (at least 100).
std::string CoverageSvg(const TCoverage& C, int Size);

// The wording and colours the page and the PDF share.
std::string RingText(double Nm);                            // "0.5 NM", "20 NM"
std::string DistanceText(double Nm);                        // "4.2 NM"; "nothing heard" for 0
std::string ListenedText(double Seconds);                   // "45 s", "3 min 20 s", "1 h 05 min"
std::string SummaryText(const std::vector<TCheck>& Checks); // "1 fault, 2 to check, 7 OK"
struct TVerdictStyle {
    const char* Background; // "#rrggbb"
    const char* Text;
};
TVerdictStyle VerdictStyle(TVerdict V); // OK green, check amber, fault red, waiting grey
