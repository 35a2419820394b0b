#include "serial/VaExceptionReport.h"

#include <cstdio>
#include <exception>
#include <utility>

namespace {
TVaExceptionReporter& Reporter() {
    static TVaExceptionReporter reporter;
    return reporter;
}
} // namespace

TVaExceptionReporter SetApplicationExceptionReporter(TVaExceptionReporter R) {
    return std::exchange(Reporter(), std::move(R));
}

void ReportCurrentException() {
    std::string message;
    try {
        throw;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown exception";
    }
    if (Reporter()) {
        Reporter()(message);
    } else {
        std::fprintf(stderr, "%s\n", message.c_str());
    }
}
