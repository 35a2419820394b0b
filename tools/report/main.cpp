// corvane-report: the commissioning report, PDF or HTML, from what `corvane-config check --json`
// printed.

#include "install/InstallPdf.h"
#include "tools/report/ReportJson.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: corvane-report REPORT.json OUTPUT\n"
    "\n"
    "Writes the installation report that `corvane-config check --json` printed (REPORT.json,\n"
    "or - for standard input) as OUTPUT: an HTML page when OUTPUT ends in .html or .htm,\n"
    "otherwise a PDF (A4).\n"
    "\n"
    "  -h, --help     this text\n"
    "  --version      the version\n"
    "\n"
    "Exit status: 0 written; 2 bad arguments or not a report (nothing written);\n"
    "6 the output could not be written.\n";

int Fail(int Status, const std::string& Message) {
    std::cerr << "corvane-report: " << Message << '\n';
    return Status;
}

} // namespace

int main(int argc, char** argv) {
    // Everything about the arguments and the input is settled before Qt starts.
    std::vector<std::string> args;
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (!endOfOptions && (a == "-h" || a == "--help")) {
            std::cout << kUsage;
            return std::cout.flush() ? 0 : 6;
        }
        if (!endOfOptions && a == "--version") {
            std::cout << "corvane-report " CORVANE_VERSION "\n";
            return std::cout.flush() ? 0 : 6;
        }
        if (!endOfOptions && a == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && a.size() > 1 && a[0] == '-') {
            return Fail(2, "unknown option " + a + "\nTry 'corvane-report --help'.");
        } else {
            args.push_back(a);
        }
    }
    if (args.size() != 2)
        return Fail(2, "expected REPORT.json and OUTPUT\nTry 'corvane-report --help'.");
    const std::string& input = args[0];
    const std::string& output = args[1];
    if (output == "-" || output.empty())
        return Fail(2, "OUTPUT must be a file name (a report is not written to standard output)");

    QFile in;
    const bool opened = input == "-" ? in.open(stdin, QIODevice::ReadOnly)
                                     : (in.setFileName(QString::fromLocal8Bit(input)),
                                        in.open(QIODevice::ReadOnly));
    if (!opened) return Fail(2, "cannot read " + input + ": " + in.errorString().toStdString());
    const QByteArray json = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return Fail(2, "cannot read " + input + ": " + in.errorString().toStdString());
    const std::string name = input == "-" ? "standard input" : input;

    TInstallReport report;
    std::string error;
    if (!ReportFromJson(json, report, error)) return Fail(2, name + ": " + error);

    // Fonts need a platform; a report is written on machines without a display too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString why;
    if (!SaveInstallReport(report, QString::fromLocal8Bit(output), why))
        return Fail(6, why.toStdString());
    return 0;
}
