#pragma once
// The configuration as a person reads it: one labelled row per setting, in the order of the
// profile's keys. Shared by corvane-config's printout and the installation report, so both
// show a setting the same way. Values are plain text; quoting them for a terminal or a page is
// the front end's task.

#include "control/UnitConfig.h"

#include <string>
#include <utility>
#include <vector>

// Label and value: "MMSI" "211234560", "A (to bow)" "10 m", "Vessel type" "37 = Vessel -
// Pleasure craft". A setting not reported reads "(not reported)"; an MMSI of 000000000 says
// that none is programmed; a distance that is no number is shown in quotes with its control
// characters escaped, "\"x1\" (not a number)".
std::vector<std::pair<std::string, std::string>> ConfigRows(const TUnitConfig& C);
