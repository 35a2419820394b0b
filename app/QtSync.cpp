#include "app/QtSync.h"

#include "serial/VaSync.h"

TQtSyncPump::TQtSyncPump(QObject* Parent)
    : QObject(Parent), FNotifier(VaMainThreadQueue().WakeFd(), QSocketNotifier::Read) {
    connect(&FNotifier, &QSocketNotifier::activated, this, [] {
        // one job per wake-up: a job that opens a modal box re-enters the loop, which then
        // serves the next one
        VaMainThreadQueue().RunOne();
    });
}
