#pragma once
// The "Sharing" menu: one item per share with its address and clients, checked while it runs;
// choosing it stops or starts that share for the run. The latest line of a share's status
// stands below it.

#include "share/ShareHub.h"

#include <QObject>
#include <QString>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

class TShareMenu : public QObject {
public:
    // Builds the menu in Bar before Before (or at the end without it).
    TShareMenu(TShareHub& Hub, QMenuBar* Bar, QAction* Before, QObject* Parent);
    ~TShareMenu() override;

    // Re-reads the hub's status into the items; the hub's changes arrive here.
    void Refresh();
    // Starts or stops share Index as its item asks; a failed start is shown in an error box.
    void Toggle(int Index, bool Run);

    // The item's text for a status, e.g. "TCP 127.0.0.1:10110: 2 clients".
    static QString ItemText(const TShareStatus& S);

    QMenu* MenuItem_Sharing = nullptr;
    std::vector<QAction*> ShareItems;
    std::vector<QAction*> EventItems; // the status line under each, hidden while empty
    QAction* MenuItem_NoShares = nullptr;

private:
    TShareHub& FHub;
};
