#include "install/InstallTab.h"

#include "widgets/ViewWidgets.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Pale enough that black text stays readable; the word itself is always shown too.
QColor VerdictColour(TVerdict V) {
    switch (V) {
    case TVerdict::OK:
        return QColor(190, 235, 190);
    case TVerdict::Check:
        return QColor(255, 224, 140);
    case TVerdict::Fault:
        return QColor(255, 160, 160);
    case TVerdict::Waiting:
        break;
    }
    return QColor(225, 225, 225);
}

QString Details(const TCheck& C) {
    QString d = QString::fromStdString(C.Figures);
    if (!C.Advice.empty()) d += "\n" + QString::fromStdString(C.Advice);
    return d;
}

QTableWidgetItem* Item(QTableWidget* Grid, int Row, int Col) {
    QTableWidgetItem* i = Grid->item(Row, Col);
    if (i == nullptr) {
        i = new QTableWidgetItem;
        i->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
        Grid->setItem(Row, Col, i);
    }
    return i;
}

} // namespace

QString InstallSummary(const std::vector<TCheck>& Checks) {
    int n[4] = {0, 0, 0, 0};
    for (const TCheck& c : Checks) ++n[static_cast<int>(c.Verdict)];
    const int waiting = n[0], ok = n[1], check = n[2], fault = n[3];
    const QString counts = QString("%1 OK, %2 check, %3 fault, %4 waiting.")
                               .arg(ok)
                               .arg(check)
                               .arg(fault)
                               .arg(waiting);
    if (fault > 0)
        return QString("%1 %2 found: see the red %3 below. ")
                   .arg(fault)
                   .arg(fault == 1 ? "fault" : "faults")
                   .arg(fault == 1 ? "line" : "lines") +
               counts;
    if (check > 0)
        return QString("Nothing is faulty, but %1 to look at. ")
                   .arg(check == 1 ? "one check is" : QString("%1 checks are").arg(check)) +
               counts;
    if (waiting > 0) return "Collecting data: a moored unit reports every 3 minutes. " + counts;
    return "All checks OK: the transponder transmits on schedule and hears other stations.";
}

TInstallTab::TInstallTab(TChecksSource Checks, std::function<void()> SaveReport, QWidget* Parent)
    : QWidget(Parent), FChecks(std::move(Checks)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* top = new QHBoxLayout;
    Label_Summary = Named(new QLabel(this), "Label_Summary");
    Label_Summary->setWordWrap(true);
    Button_SaveReport = Named(new QPushButton("Save report...", this), "Button_SaveReport",
                              "Save installation report");
    top->addWidget(Label_Summary, 1);
    top->addWidget(Button_SaveReport, 0, Qt::AlignTop);
    layout->addLayout(top);

    Grid_Checks = Named(new QTableWidget(0, 3, this), "Grid_Checks", "Installation checks");
    Grid_Checks->setHorizontalHeaderLabels({"Check", "Verdict", "Details"});
    Grid_Checks->verticalHeader()->hide();
    Grid_Checks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid_Checks->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid_Checks->setWordWrap(true);
    Grid_Checks->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    Grid_Checks->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    Grid_Checks->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    Grid_Checks->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(Grid_Checks, 1);
    connect(Button_SaveReport, &QPushButton::clicked, this, [SaveReport] { SaveReport(); });
    Refresh();
}

void TInstallTab::Refresh() {
    const std::vector<TCheck> checks = FChecks();
    if (checks == FShown) return; // nothing to lay out or paint
    Grid_Checks->setRowCount(static_cast<int>(checks.size()));
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const TCheck& c = checks[i];
        if (i < FShown.size() && FShown[i] == c) continue;
        const int r = static_cast<int>(i);
        Item(Grid_Checks, r, 0)->setText(QString::fromStdString(c.Title));
        QTableWidgetItem* v = Item(Grid_Checks, r, 1);
        v->setText(QString::fromUtf8(VerdictText(c.Verdict).data(),
                                     static_cast<qsizetype>(VerdictText(c.Verdict).size())));
        v->setBackground(VerdictColour(c.Verdict));
        v->setForeground(QColor(Qt::black));
        v->setTextAlignment(Qt::AlignCenter);
        Item(Grid_Checks, r, 2)->setText(Details(c));
    }
    Label_Summary->setText(InstallSummary(checks));
    FShown = checks;
}

void TInstallTab::showEvent(QShowEvent* Event) {
    Refresh();
    QWidget::showEvent(Event);
}
