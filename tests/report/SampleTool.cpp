// Writes the sample report the README shows (not a test):
//   corvane-report-sample OUTPUT.pdf
//   pdftoppm -r 80 -png -f 1 -l 1 -singlefile OUTPUT.pdf docs/report-page

#include "ReportSamples.h"
#include "install/InstallPdf.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: corvane-report-sample OUTPUT\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString error;
    if (!SaveInstallReport(SampleReport(), QString::fromLocal8Bit(argv[1]), error)) {
        std::fprintf(stderr, "corvane-report-sample: %s\n", qPrintable(error));
        return 6;
    }
    return 0;
}
