#include "ReportProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

TRun RunProgram(const QString& Program, const QStringList& Args, const QByteArray& Input) {
    QProcess p;
    p.start(Program, Args);
    TRun run;
    if (!p.waitForStarted(30000)) {
        ADD_FAILURE() << "cannot start " << Program.toStdString();
        return run;
    }
    p.write(Input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        ADD_FAILURE() << Program.toStdString() << " did not finish";
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.Status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.Out = p.readAllStandardOutput();
    run.Err = p.readAllStandardError();
    return run;
}

namespace {

QString Poppler(const char* Tool) {
    const QString path = QStandardPaths::findExecutable(Tool);
    if (path.isEmpty()) ADD_FAILURE() << Tool << " not found: install poppler-utils (./test does)";
    return path;
}

} // namespace

QString PdfText(const QString& Pdf) {
    const QString tool = Poppler("pdftotext");
    if (tool.isEmpty()) return {};
    const TRun run = RunProgram(tool, {"-layout", "-enc", "UTF-8", Pdf, "-"});
    EXPECT_EQ(run.Status, 0) << run.Err.toStdString();
    return QString::fromUtf8(run.Out);
}

int PdfPages(const QString& Pdf) {
    const QString tool = Poppler("pdfinfo");
    if (tool.isEmpty()) return 0;
    const TRun run = RunProgram(tool, {Pdf});
    const auto m = QRegularExpression("^Pages:\\s+(\\d+)$", QRegularExpression::MultilineOption)
                       .match(QString::fromUtf8(run.Out));
    EXPECT_TRUE(m.hasMatch()) << run.Out.toStdString() << run.Err.toStdString();
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}
