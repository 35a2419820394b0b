#include "safety/DistressBar.h"

#include "widgets/LiveState.h"
#include "widgets/ViewWidgets.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSizePolicy>

TDistressBar::TDistressBar(QWidget* Parent) : QToolBar(Parent) {
    Named(this, "ToolBar_Distress", "Distress alerts");
    setWindowTitle("Distress alert");
    setMovable(false);
    setFloatable(false);
    // No context menu of the window may hide an alert.
    toggleViewAction()->setVisible(false);
    setStyleSheet("QToolBar#ToolBar_Distress { background: #b00000; border: none; }");

    // A state label: screen readers hear "Distress alert: <lines>" as the alerts change. Its
    // text is plain, never markup, whatever a received text holds.
    Label_Distress =
        Named(new TStateLabel("Distress alert", {}, this), "Label_Distress", "Distress alert");
    Label_Distress->setWordWrap(true);
    Label_Distress->setStyleSheet("color: white; background: #b00000; font-weight: bold;"
                                  "padding: 4px;");
    Label_Distress->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    Label_Distress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    addWidget(Label_Distress);

    Button_Acknowledge = Named(new QPushButton("Acknowledge", this), "Button_Acknowledge");
    addWidget(Button_Acknowledge);
    connect(Button_Acknowledge, &QPushButton::clicked, this, [this] {
        if (OnAcknowledge) OnAcknowledge();
    });

    hide(); // until the first alert
}

void TDistressBar::ShowAlerts(const QStringList& Lines) {
    if (Lines.isEmpty()) {
        Label_Distress->clear();
        hide();
        return;
    }
    QStringList shown = Lines.mid(0, kMaxLines);
    if (Lines.size() > kMaxLines) {
        const auto more = Lines.size() - kMaxLines;
        shown << QString("... and %1 more distress alert%2").arg(more).arg(more == 1 ? "" : "s");
    }
    Label_Distress->setText(shown.join('\n'));
    show();
}
