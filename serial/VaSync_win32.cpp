// Windows: events are event objects and the queue's semaphore a semaphore object, which
// WaitForMultipleObjects waits for beside a serial port's overlapped operations.
#include "serial/VaSync.h"

#include <climits>
#include <system_error>
#include <windows.h>

namespace {

HANDLE Native(TVaEventHandle H) {
    return static_cast<HANDLE>(H);
}

[[noreturn]] void Raise(const char* What) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), What);
}

DWORD Ms(int TimeoutMs) {
    return TimeoutMs < 0 ? INFINITE : static_cast<DWORD>(TimeoutMs);
}

} // namespace

namespace VaSemaphore {

TVaEventHandle Create() {
    HANDLE s = CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr);
    if (s == nullptr) Raise("CreateSemaphore");
    return s;
}

void Destroy(TVaEventHandle S) {
    CloseHandle(Native(S));
}

void Post(TVaEventHandle S) {
    ReleaseSemaphore(Native(S), 1, nullptr);
}

void Take(TVaEventHandle S) {
    WaitForSingleObject(Native(S), 0);
}

bool Wait(TVaEventHandle S, int TimeoutMs) {
    // Waiting takes a count; it is given back, since only RunOne takes one.
    if (WaitForSingleObject(Native(S), Ms(TimeoutMs)) != WAIT_OBJECT_0) return false;
    ReleaseSemaphore(Native(S), 1, nullptr);
    return true;
}

} // namespace VaSemaphore

TVaEvent::TVaEvent(bool ManualReset, bool InitialState)
    : FHandle(
          CreateEventW(nullptr, ManualReset ? TRUE : FALSE, InitialState ? TRUE : FALSE, nullptr)),
      FManualReset(ManualReset) {
    if (FHandle == nullptr) Raise("CreateEvent");
}

TVaEvent::~TVaEvent() {
    CloseHandle(Native(FHandle));
}

void TVaEvent::SetEvent() {
    ::SetEvent(Native(FHandle));
}

void TVaEvent::ResetEvent() {
    ::ResetEvent(Native(FHandle));
}

bool TVaEvent::Signaled() {
    // An auto-reset event would be taken by looking: it is given back.
    if (WaitForSingleObject(Native(FHandle), 0) != WAIT_OBJECT_0) return false;
    if (!FManualReset) ::SetEvent(Native(FHandle));
    return true;
}

TVaWaitResult TVaEvent::WaitFor(int Timeout) {
    switch (WaitForSingleObject(Native(FHandle), Ms(Timeout))) {
    case WAIT_OBJECT_0:
        return wrSignaled;
    case WAIT_TIMEOUT:
        return wrTimeout;
    case WAIT_ABANDONED:
        return wrAbandoned;
    default:
        return wrError;
    }
}
