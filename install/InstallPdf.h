#pragma once
// The commissioning report written to a file: a path ending ".html" or ".htm" (any case) gets
// the HTML page, anything else a PDF (A4) drawn with Qt's own PDF writer, the coverage picture
// as vector graphics. Qt Gui only: the window and corvane-report both use it.

#include "install/InstallReport.h"

#include <QString>

// Writes beside Path and renames, so a failure never leaves half a report (nor spoils one that
// was there). On failure returns false with Error naming the path and the reason.
bool SaveInstallReport(const TInstallReport& R, const QString& Path, QString& Error);
