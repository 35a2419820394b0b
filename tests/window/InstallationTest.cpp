// The "Installation" tab on the real window in front of the simulator: a healthy unit turns
// every check OK within one reporting cycle, each of the simulator's faults turns exactly its
// check to fault, and the report is one menu item away.

#include "WindowFixture.h"
#include "install/InstallTab.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>

#include <fstream>

namespace {

// The simulator runs its traffic this much faster; the window's clock runs as fast, so the
// checks judge the unit's schedule as they would in real time. The line's 38400 bit/s must
// still carry it all: a unit that drops its own reports for want of line time would be judged
// by what it dropped. Hence only RMC and GGA from the GPS, and a few targets.
constexpr double kSpeed = 10;

class Installation : public WindowTest {
protected:
    Installation() {
        FClock.start();
        Form->UtcNow = [this] { return kStart + FClock.elapsed() * kSpeed / 86400000.0; };
        Form->AddInstallationTab();
    }

    void Connect(std::vector<std::string> SimArgs) {
        SimArgs.insert(SimArgs.end(),
                       {"--speed", std::to_string(static_cast<int>(kSpeed)), "--no-alarms"});
        StartSim(SimArgs);
        ASSERT_TRUE(ConnectAndRead());
    }

    TCheck Get(const std::string& Id) const {
        for (const TCheck& c : Form->InstallChecks())
            if (c.Id == Id) return c;
        ADD_FAILURE() << "no check " << Id;
        return {};
    }

    std::string Listing() const {
        std::string s;
        for (const TCheck& c : Form->InstallChecks())
            s += c.Id + ": " + std::string(VerdictText(c.Verdict)) + ": " + c.Figures + "\n";
        return s;
    }

    // What the tab shows, row by row: "title|verdict".
    QStringList Shown() const {
        QStringList rows;
        const QTableWidget* g = Form->TabSheet_Install->Grid_Checks;
        for (int r = 0; r < g->rowCount(); ++r)
            rows << g->item(r, 0)->text() + "|" + g->item(r, 1)->text();
        return rows;
    }

    static constexpr double kStart = 46000.5;
    QElapsedTimer FClock;
    QTemporaryDir FDir;
};

TEST_F(Installation, TheTabComesAfterTheFourAndTheReportIsInTheFileMenu) {
    ASSERT_EQ(Form->PageControl->count(), 5);
    EXPECT_EQ(Form->PageControl->tabText(4), "Installation");
    const QList<QAction*> file = Form->MenuItem_File->actions();
    ASSERT_GE(file.size(), 2);
    EXPECT_EQ(file.back()->objectName(), "Exit1");
    EXPECT_NE(Form->MenuItem_File->findChild<QAction*>("MenuItem_SaveInstallReport"), nullptr);
    // Not connected: nothing is judged.
    Form->PageControl->setCurrentIndex(4);
    EXPECT_EQ(Shown().size(), 10);
    for (const QString& row : Shown()) EXPECT_TRUE(row.endsWith("|waiting")) << row.toStdString();
    EXPECT_TRUE(Form->TabSheet_Install->Label_Summary->text().startsWith("Collecting data"));
    // Each control a keyboard reaches has a name a screen reader can say.
    for (QWidget* w : Form->TabSheet_Install->findChildren<QWidget*>()) {
        if (w->focusPolicy() == Qt::NoFocus || w->focusProxy() != nullptr ||
            !w->isVisibleTo(Form.get()))
            continue;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
    }
}

TEST_F(Installation, AHealthyUnitTurnsEveryCheckOkWithinOneReportingCycle) {
    Connect({});
    Form->show();
    Form->PageControl->setCurrentIndex(4);
    // One class B cycle at 6 knots is 30 s.
    const bool allOk = WaitFor(
        [this] {
            for (const TCheck& c : Form->InstallChecks())
                if (c.Verdict != TVerdict::OK) return false;
            return true;
        },
        // A machine busy enough to hold the window back makes an interval look late; the
        // transmitter judges the last six, so it is OK again once they have passed.
        static_cast<int>((90 + 6 * 30) * 1000 / kSpeed) + 10000);
    ASSERT_TRUE(allOk) << Listing();
    ASSERT_TRUE(WaitFor([this] { return !Shown().join(",").contains("waiting"); }, 3000));
    for (const QString& row : Shown()) EXPECT_TRUE(row.endsWith("|OK")) << row.toStdString();
    EXPECT_EQ(Form->TabSheet_Install->Label_Summary->text(),
              "All checks OK: the transponder transmits on schedule and hears other stations.");
    EXPECT_NE(Get("transmitter").Figures.find("TX lamp lit"), std::string::npos);
    EXPECT_TRUE(Boxes.empty());
}

struct TFault {
    const char* Name;
    const char* Check;
};

class InstallationFault : public Installation, public ::testing::WithParamInterface<TFault> {};

TEST_P(InstallationFault, TurnsExactlyItsCheckToFault) {
    Connect({"--fault", GetParam().Name});
    const std::string expected = GetParam().Check;
    // Long enough for a moored unit's first report to be missed.
    const bool seen = WaitFor(
        [&] {
            for (const TCheck& c : Form->InstallChecks())
                if ((c.Verdict == TVerdict::Fault) != (c.Id == expected)) return false;
            return true;
        },
        static_cast<int>(240 * 1000 / kSpeed) + 10000);
    EXPECT_TRUE(seen) << Listing();
    EXPECT_FALSE(Get(expected).Advice.empty());
}

INSTANTIATE_TEST_SUITE_P(Simulator, InstallationFault,
                         ::testing::Values(TFault{"no-fix", "gps"}, TFault{"low-voltage", "supply"},
                                           TFault{"reverse-power", "vhf-antenna"},
                                           TFault{"rx-only", "transmitter"},
                                           TFault{"no-mmsi", "mmsi"},
                                           TFault{"dead-channel", "reception"},
                                           TFault{"no-own-reports", "transmitter"}),
                         [](const auto& Info) {
                             std::string n = Info.param.Name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });

QString PdfText(const QString& Path) {
    QProcess p;
    p.start("pdftotext", {"-layout", Path, "-"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return "pdftotext failed: " + p.errorString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST_F(Installation, TheReportHoldsTheConfigurationAndEveryVerdict) {
    Connect({});
    // The report holds whatever the verdicts are; it needs the transmitter judged.
    ASSERT_TRUE(WaitFor([this] { return Get("transmitter").Verdict != TVerdict::Waiting; },
                        static_cast<int>(90 * 1000 / kSpeed) + 10000))
        << Listing();
    QTemporaryDir dir;
    const QString pdf = dir.filePath("commissioning"); // no suffix: a PDF
    SetSaveFileHandler([&](const TSaveFileRequest& R) {
        EXPECT_TRUE(R.Suggested.startsWith("installation-")) << R.Suggested.toStdString();
        return pdf;
    });
    Form->MenuItem_SaveInstallReport->trigger();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Caption, "Information");
    EXPECT_EQ(Boxes[0].Text, "Installation report saved to commissioning.pdf.");
    const QString text = PdfText(pdf + ".pdf");
    for (const char* value : {"211234560", "CORVANE TEST", "DK2345", "COM"})
        EXPECT_TRUE(text.contains(value)) << value << "\n" << text.toStdString();
    const std::vector<TCheck> checks = Form->InstallChecks();
    for (const TCheck& c : checks) {
        EXPECT_TRUE(text.contains(QString::fromStdString(c.Title))) << c.Title;
    }
    EXPECT_TRUE(text.contains("OK"));

    // The same from the tab's button, as a web page.
    const QString html = dir.filePath("report.html");
    SetSaveFileHandler([&](const TSaveFileRequest&) { return html; });
    Form->TabSheet_Install->Button_SaveReport->click();
    ASSERT_EQ(Boxes.size(), 2u);
    QFile f(html);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(page.contains("CORVANE TEST"));
    for (const TCheck& c : checks) EXPECT_TRUE(page.contains(QString::fromStdString(c.Title)));

    // A place that cannot be written: an error that says so, nothing left behind.
    SetSaveFileHandler([&](const TSaveFileRequest&) { return dir.filePath("no/such/dir/r.pdf"); });
    Form->MenuItem_SaveInstallReport->trigger();
    ASSERT_EQ(Boxes.size(), 3u);
    EXPECT_EQ(Boxes[2].Caption, "Error");
    EXPECT_TRUE(Boxes[2].Text.contains("no/such/dir/r.pdf")) << Boxes[2].Text.toStdString();
    // Cancelled: nothing happens.
    SetSaveFileHandler([&](const TSaveFileRequest&) { return QString(); });
    Form->MenuItem_SaveInstallReport->trigger();
    EXPECT_EQ(Boxes.size(), 3u);
    SetSaveFileHandler({});
}

} // namespace
