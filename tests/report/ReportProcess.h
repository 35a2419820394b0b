#pragma once
// The programs the report tests run: corvane-report, and Debian's poppler tools that read the
// PDF back.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

// Runs Program with Args (and Input on its standard input): exit status and both outputs.
struct TRun {
    int Status = -1;
    QByteArray Out, Err;
};
TRun RunProgram(const QString& Program, const QStringList& Args, const QByteArray& Input = {});

// The text of a PDF as Debian's pdftotext -layout reads it; fails the test when pdftotext is
// missing (./test installs poppler-utils).
QString PdfText(const QString& Pdf);
int PdfPages(const QString& Pdf);

// Readable failures for QString and QStringList comparisons.
inline void PrintTo(const QString& S, std::ostream* Os) {
    *Os << '"' << S.toStdString() << '"';
}
