#pragma once
// The application's default exception report: where an exception that escapes a handler
// called by the serial link ends up. The window installs a modal box; the default writes
// the message to stderr.

#include <functional>
#include <string>

using TVaExceptionReporter = std::function<void(const std::string& Message)>;

// Installs the report; an empty function restores the default. Returns the previous one.
TVaExceptionReporter SetApplicationExceptionReporter(TVaExceptionReporter Reporter);

// Reports the exception being handled; call from inside a catch block.
void ReportCurrentException();
