#pragma once
// The installation check: from what the transponder reported, one verdict per check with the
// figures behind it and, when it is not OK, one sentence on what to do. Both front ends (the
// window's "Installation" tab and corvane-config check) show these and nothing else; no Qt.

#include "control/UnitConfig.h"
#include "diag/DiagRules.h"
#include "install/InstallWatch.h"
#include "targets/Geodesy.h"

#include <string>
#include <string_view>
#include <vector>

// Waiting: not enough data yet (or it has gone stale), never mistaken for OK.
enum class TVerdict { Waiting, OK, Check, Fault };
std::string_view VerdictText(TVerdict V); // "waiting", "OK", "check", "fault"

struct TCheck {
    std::string Id;    // "gps", "mmsi", ...: stable, for scripts
    std::string Title; // "GPS fix"
    TVerdict Verdict = TVerdict::Waiting;
    std::string Figures; // what the verdict rests on, one line
    std::string Advice;  // one sentence when not OK; empty when OK

    bool operator==(const TCheck&) const = default;
};

// Everything the checks read, as the front end holds it.
struct TInstallInputs {
    double Now = 0;            // UTC days (TUtcClock)
    double ListeningSince = 0; // when the connection was set up; 0 while not connected
    TUnitConfig Config;        // as read from the unit
    const TDUT_Status* Status = nullptr;
    TGeoCoor OwnPos{"91", "181"};
    const TInstallWatch* Watch = nullptr;
};

// A reading older than this is stale: its check waits again, with the age shown.
inline constexpr double kStaleSeconds = 10;

// The checks, always the same ones in the same order.
std::vector<TCheck> RunInstallChecks(const TInstallInputs& In);

// True when no check is a fault.
bool NoFault(const std::vector<TCheck>& Checks);

// The individual judgements, for the tables of the tests.
enum class TMmsiKind {
    None,
    Ship,
    Group,
    CoastStation,
    SarAircraft,
    AidToNavigation,
    Device,
    Other,
    Invalid
};
TMmsiKind MmsiKind(std::string_view Mmsi); // nine digits; "000000000" or empty: None
std::string_view MmsiKindText(TMmsiKind K);
