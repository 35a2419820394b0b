#pragma once
// Serves the serial threads' hand-over queue from the Qt event loop of the user-interface
// thread, so every notification of the port runs there, one at a time.

#include <QObject>
#include <QSocketNotifier>

class TQtSyncPump : public QObject {
    Q_OBJECT
public:
    explicit TQtSyncPump(QObject* Parent = nullptr);

private:
    QSocketNotifier FNotifier;
};
