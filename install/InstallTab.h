#pragma once
// The "Installation" tab: one row per check with its verdict, the figures behind it and what to
// do, a line that sums them up, and the report one click away.

#include "install/InstallChecks.h"

#include <QWidget>
#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

class TInstallTab : public QWidget {
public:
    using TChecksSource = std::function<std::vector<TCheck>()>;
    // Checks gives the verdicts as they stand; SaveReport asks for a file and writes it.
    TInstallTab(TChecksSource Checks, std::function<void()> SaveReport, QWidget* Parent = nullptr);

    // Shows the checks as they stand now; rows change only where a text did.
    void Refresh();

    QLabel* Label_Summary;
    QTableWidget* Grid_Checks; // check, verdict, details
    QPushButton* Button_SaveReport;

protected:
    void showEvent(QShowEvent* Event) override;

private:
    TChecksSource FChecks;
    std::vector<TCheck> FShown;
};

// The line above the table: what the verdicts come to, in one sentence.
QString InstallSummary(const std::vector<TCheck>& Checks);
