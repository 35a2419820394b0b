// The PDF read back as a reader would: Debian's pdftotext for the words, pdftoppm for the page.

#include "ReportProcess.h"
#include "ReportSamples.h"
#include "install/InstallPdf.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The first line of the text from From on that holds Part. In pdftotext's layout a check's
// first line carries its title and its verdict side by side.
QString LineWith(const QString& Text, const QString& Part, const QString& From = {}) {
    const QString rest = From.isEmpty() ? Text : Text.mid(std::max(0, (int)Text.indexOf(From)));
    for (const QString& line : rest.split('\n'))
        if (line.contains(Part)) return line;
    return {};
}

class ReportPdf : public ::testing::Test {
protected:
    QString Path(const QString& Name) const { return FDir.filePath(Name); }
    QString Save(const TInstallReport& R, const QString& Name) {
        QString error;
        EXPECT_TRUE(SaveInstallReport(R, Path(Name), error)) << error.toStdString();
        return Path(Name);
    }
    QTemporaryDir FDir;
};

TEST_F(ReportPdf, HoldsTheConfigurationAndEveryCheckWithItsVerdict) {
    const TInstallReport r = MixedReport();
    const QString pdf = Save(r, "report.pdf");
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");

    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains("Corvane installation report"));
    for (const std::string& s : {r.UtcTime, r.LocalTime, r.Tool})
        EXPECT_TRUE(text.contains(QString::fromStdString(s))) << s;
    EXPECT_TRUE(text.contains("1 fault, 1 to check, 1 waiting, 7 OK"));
    for (const auto& [label, value] : r.Config) {
        const QString line = LineWith(text, QString::fromStdString(label));
        EXPECT_TRUE(line.contains(QString::fromStdString(value)))
            << label << " = " << value << " in: " << line.toStdString();
    }
    for (const TCheck& c : r.Checks) {
        const QString line = LineWith(text, QString::fromStdString(c.Title), "Verdict");
        const QString verdict = QString::fromStdString(std::string(VerdictText(c.Verdict)));
        EXPECT_TRUE(line.contains(QRegularExpression("\\s" + verdict + "\\s")))
            << c.Title << ": " << verdict.toStdString() << " in: " << line.toStdString();
    }
    for (const char* s : {"Channel A: 9.1 NM", "Channel B: 8.4 NM", "10 NM", "Installer", "Company",
                          "Signature", "Page 1 of 2"})
        EXPECT_TRUE(text.contains(s)) << s;
}

TEST_F(ReportPdf, ManyLongChecksBreakOntoPagesWithNothingLost) {
    TInstallReport r = SampleReport();
    r.Checks.clear();
    const QString words = "the figures behind this verdict run on for a while ";
    for (int i = 1; i <= 40; ++i) {
        QString figures, advice;
        for (int k = 0; k < 1 + i % 4; ++k) figures += words;
        for (int k = 0; k < 2 + i % 5; ++k) advice += "and the advice says what to do next ";
        r.Checks.push_back({"c" + std::to_string(i), "Check number " + std::to_string(i),
                            static_cast<TVerdict>(i % 4),
                            (figures + QString("fin%1fig").arg(i)).toStdString(),
                            (advice + QString("fin%1adv").arg(i)).toStdString()});
    }
    // One advice longer than a page, and a word longer than its column.
    QString huge;
    for (int k = 0; k < 500; ++k) huge += QString("word%1 ").arg(k);
    r.Checks[20].Advice = huge.toStdString() + "huge-end";
    r.Checks[21].Figures = std::string(300, 'x') + " fin22fig";

    const QString pdf = Save(r, "long.pdf");
    const QString text = PdfText(pdf);
    const int pages = PdfPages(pdf);
    EXPECT_GE(pages, 4);
    EXPECT_TRUE(text.contains(QString("Page %1 of %1").arg(pages)));
    for (int i = 1; i <= 40; ++i) {
        EXPECT_TRUE(text.contains(QString("Check number %1 ").arg(i))) << i;
        EXPECT_TRUE(text.contains(QString("fin%1fig").arg(i))) << i;
        if (i != 21) {
            EXPECT_TRUE(text.contains(QString("fin%1adv").arg(i))) << i;
        }
    }
    for (const char* w : {"word0 ", "word250 ", "word499 ", "huge-end"})
        EXPECT_TRUE(text.contains(w)) << w;
    EXPECT_TRUE(text.contains(QString(20, 'x'))) << "the long word is cut, not dropped";
    EXPECT_TRUE(text.contains("Signature"));
}

TEST_F(ReportPdf, PageOneTurnsIntoAPicture) {
    const QString pdf = Save(MixedReport(), "page.pdf");
    const QString tool = QStandardPaths::findExecutable("pdftoppm");
    ASSERT_FALSE(tool.isEmpty()) << "pdftoppm not found: install poppler-utils (./test does)";
    const TRun run =
        RunProgram(tool, {"-r", "50", "-png", "-f", "1", "-l", "1", pdf, Path("page")});
    ASSERT_EQ(run.Status, 0) << run.Err.toStdString();
    const QStringList pngs = QDir(FDir.path()).entryList({"page*.png"});
    ASSERT_EQ(pngs.size(), 1) << pngs.join(' ').toStdString();
    const QImage page(Path(pngs.front()));
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), 413, 2); // A4 at 50 dpi
    EXPECT_NEAR(page.height(), 585, 2);
    // Text in black, and the verdicts in their colours.
    int dark = 0, red = 0, green = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            dark += c.lightness() < 60;
            red += c.red() > 150 && c.green() < 80 && c.blue() < 80;
            green += c.green() > 90 && c.red() < 80 && c.blue() < 80;
        }
    EXPECT_GT(dark, 500);
    EXPECT_GT(red, 20) << "the fault's red";
    EXPECT_GT(green, 20) << "the OK's green";
}

TEST_F(ReportPdf, HtmlByNameInAnyCase) {
    for (const char* name : {"r.html", "R.HTML", "r.htm", "r.Htm"}) {
        const QString path = Save(SampleReport(), name);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        const QByteArray data = f.readAll();
        EXPECT_TRUE(data.startsWith("<!DOCTYPE html>")) << name;
        EXPECT_EQ(data.toStdString(), ReportHtml(SampleReport())) << name;
    }
    for (const char* name : {"r.pdf", "r.html.pdf", "report", "r.xhtml"}) {
        QFile f(Save(SampleReport(), name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        EXPECT_TRUE(f.read(5) == "%PDF-") << name;
    }
}

TEST_F(ReportPdf, UnwritablePathFailsWithTheReasonAndLeavesNoFile) {
    const QString missing = Path("no-such-folder/report.pdf");
    QString error;
    EXPECT_FALSE(SaveInstallReport(SampleReport(), missing, error));
    EXPECT_EQ(error, "Cannot write " + missing + ": No such file or directory");
    EXPECT_FALSE(QFile::exists(missing));

    // A folder where the file should go: the temporary file is cleaned away, the folder kept.
    ASSERT_TRUE(QDir(FDir.path()).mkdir("taken.pdf"));
    error.clear();
    EXPECT_FALSE(SaveInstallReport(SampleReport(), Path("taken.pdf"), error));
    EXPECT_TRUE(error.startsWith("Cannot write " + Path("taken.pdf") + ": "))
        << error.toStdString();
    EXPECT_GT(error.size(), QString("Cannot write " + Path("taken.pdf") + ": ").size());
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"taken.pdf"});

    error.clear();
    EXPECT_FALSE(SaveInstallReport(SampleReport(), "", error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(ReportPdf, ReplacingAReportIsAllOrNothing) {
    // A report already there is replaced whole; the folder holds nothing else afterwards.
    const QString path = Save(SampleReport(), "same.pdf");
    TInstallReport second = MixedReport();
    second.Port = "COM7";
    Save(second, "same.pdf");
    EXPECT_TRUE(PdfText(path).contains("COM7"));
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"same.pdf"});
}

} // namespace
