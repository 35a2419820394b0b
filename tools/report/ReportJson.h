#pragma once
// The report as `corvane-config check --json` prints it, read back into the model the PDF and
// HTML writers take.

#include "install/InstallReport.h"

#include <QByteArray>
#include <string>

// False with Error ("\"checks\"[2].verdict: \"great\" is not one of ...") when Json is not such
// a report; R is then left as it was.
bool ReportFromJson(const QByteArray& Json, TInstallReport& R, std::string& Error);
