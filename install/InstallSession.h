#pragma once
// The records a front end without a window keeps while it listens to the unit: the status
// record and the own position, written by the same rules as the window's diagnostics, and the
// installation watch.

#include "diag/DiagRules.h"
#include "install/InstallChecks.h"
#include "install/InstallWatch.h"
#include "targets/Geodesy.h"

#include <string_view>

class TInstallSession {
public:
    // The connection was set up at At (UTC days).
    void Start(double At);
    // A received sentence (CR included or not) at At.
    void Feed(std::string_view Sentence, double At);
    std::vector<TCheck> Checks(double Now, const TUnitConfig& Config) const;

    TDUT_Status Status;
    TGeoCoor OwnPos{"91", "181"};
    TOwnCourse OwnCourse;
    TInstallWatch Watch;
    double ListeningSince = 0;
};
