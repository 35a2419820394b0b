#pragma once
// The distress alert across the window: white on red, one line per showing alert, and the
// button that acknowledges them. Nothing but an acknowledgement hides it while alerts show.

#include <QStringList>
#include <QToolBar>

#include <functional>

class QLabel;
class QPushButton;

class TDistressBar : public QToolBar {
public:
    // Lines shown at most; past them one line tells how many more alerts there are, so that a
    // flood of alerts cannot push the window's contents off the screen.
    static constexpr int kMaxLines = 8;

    explicit TDistressBar(QWidget* Parent = nullptr);

    // Shows the bar with Lines (UTF-8 texts as DistressText gives them, made QStrings), or
    // hides it when Lines is empty.
    void ShowAlerts(const QStringList& Lines);

    // Called when the button is clicked; the owner acknowledges the alerts and calls
    // ShowAlerts({}).
    std::function<void()> OnAcknowledge;

    QLabel* Label_Distress = nullptr;
    QPushButton* Button_Acknowledge = nullptr;
};
