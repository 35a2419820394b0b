#pragma once
// Reports for the tests and the README's picture: what a moored boat beside the simulator gives.

#include "install/InstallReport.h"

// Every check but one OK (the transmitter's late reports are "check"); about 8 NM all round,
// less behind the harbour wall to the north-east.
TInstallReport SampleReport();
// The same ten checks with every verdict present: waiting, OK, check and fault.
TInstallReport MixedReport();
