#pragma once
// Ends the program the way closing its window does when the session or a terminal asks it
// to (SIGTERM, SIGINT, SIGHUP): the port is closed and the trace log written out, instead of
// the process dying with unwritten lines.

#include <QObject>
#include <QSocketNotifier>
#include <functional>

class TQuitOnSignals : public QObject {
    Q_OBJECT
public:
    // Quit runs on this thread, from the event loop; one object per program.
    explicit TQuitOnSignals(std::function<void()> Quit, QObject* Parent = nullptr);
    ~TQuitOnSignals() override; // the default handlers come back

private:
    std::function<void()> FQuit;
    QSocketNotifier* FNotifier = nullptr;
};
