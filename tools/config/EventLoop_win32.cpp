// The main loop on Windows: the console's control events are turned into the signals the
// program knows and set an event, which WaitForMultipleObjects waits for beside the port's
// hand-over queue.
#include "tools/config/ConfigLink.h"

#include "serial/VaSync.h"

#include <atomic>
#include <csignal>
#include <system_error>
#include <windows.h>

#ifndef SIGHUP
#define SIGHUP 1 // as on Linux; Windows' C runtime has no such signal
#endif

namespace {

std::atomic<int> GSignal{0};
HANDLE GSignalEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD Type) {
    int signal = SIGINT;
    if (Type == CTRL_CLOSE_EVENT)
        signal = SIGHUP;
    else if (Type == CTRL_LOGOFF_EVENT || Type == CTRL_SHUTDOWN_EVENT)
        signal = SIGTERM;
    int none = 0;
    GSignal.compare_exchange_strong(none, signal);
    SetEvent(GSignalEvent);
    // The process ends when this returns from a closing window: the main thread gets the time
    // the system allows to close the port first, and ends the process itself.
    if (signal != SIGINT) Sleep(5000);
    return TRUE;
}

} // namespace

TEventLoop::TEventLoop() {
    if (GSignalEvent == nullptr) {
        GSignalEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (GSignalEvent == nullptr)
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                    "CreateEvent");
    }
    if (!SetConsoleCtrlHandler(OnConsoleControl, TRUE))
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "SetConsoleCtrlHandler");
}

TEventLoop::~TEventLoop() {
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

bool TEventLoop::Wait(int TimeoutMs) {
    TVaSyncQueue& queue = VaMainThreadQueue();
    HANDLE handles[2] = {GSignalEvent, static_cast<HANDLE>(queue.WakeFd())};
    const DWORD r = WaitForMultipleObjects(
        2, handles, FALSE, TimeoutMs < 0 ? INFINITE : static_cast<DWORD>(TimeoutMs));
    if (r == WAIT_FAILED)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "WaitForMultipleObjects");
    if (r == WAIT_OBJECT_0) {
        FSignal = GSignal.load();
        return false;
    }
    // A bounded batch, so that a flood of traffic cannot hold off the timer.
    for (int i = 0; i < 64 && queue.RunOne(); ++i) {
    }
    return true;
}

bool TEventLoop::Interrupted() {
    if (FSignal == 0) FSignal = GSignal.load();
    return FSignal != 0;
}

bool EndSignalPending() {
    return GSignal.load() != 0;
}
