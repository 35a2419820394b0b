#pragma once
// What the plot says about a target when it is pointed at or chosen, in plain UTF-8 text.

#include "plot/PlotGeometry.h"

#include <string>
#include <vector>

std::string KindText(TPlotKind K); // "class A", "base station", ...
// The target's key data, a line each: who it is; range and bearing from the own ship; speed
// and course; CPA and TCPA when the CPA is known; the lost and dangerous marks when set.
// Numbers never follow the user's locale.
std::vector<std::string> TargetDetails(const TPlotTarget& T, const TMotion& Own,
                                       const TPlotLive& Live);
