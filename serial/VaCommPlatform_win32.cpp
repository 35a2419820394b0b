// Windows: waits on event objects, thread ids and priorities, and the system's errors put into
// the terms the port's messages use on Linux.
#include "serial/VaCommPlatform.h"

#include "serial/VaCommError.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <windows.h>

std::string VaErrorText(int Code) {
    // Linux's own texts for the errors a port reports, so that a message reads the same on
    // both systems; the C runtime of Windows words several of them differently.
    switch (Code) {
    case ENOENT:
        return "No such file or directory";
    case EIO:
        return "Input/output error";
    case ENXIO:
        return "No such device or address";
    case EAGAIN:
        return "Resource temporarily unavailable";
    case ENOMEM:
        return "Cannot allocate memory";
    case EACCES:
        return "Permission denied";
    case EBUSY:
        return "Device or resource busy";
    case ENODEV:
        return "No such device";
    case EINVAL:
        return "Invalid argument";
    case ENOTTY:
        return "Inappropriate ioctl for device";
    case ETIMEDOUT:
        return "Connection timed out";
    case ECONNREFUSED:
        return "Connection refused";
    case ECONNRESET:
        return "Connection reset by peer";
    case EHOSTUNREACH:
        return "No route to host";
    case ENETUNREACH:
        return "Network is unreachable";
    case ENOSYS:
        return "Function not implemented";
    default: {
        std::string s = std::strerror(Code);
        while (!s.empty() && (s.back() == ' ' || s.back() == '.')) s.pop_back();
        return s;
    }
    }
}

namespace VaPlatform {

int ErrnoOfSystemError(unsigned long Code) {
    switch (Code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    // Another program has the port: Windows opens a serial port for one handle only.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return EBUSY;
    case ERROR_INVALID_PARAMETER:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
        return EINVAL;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
        return ENOMEM;
    case ERROR_IO_PENDING:
        return EAGAIN;
    case ERROR_SEM_TIMEOUT:
    case WAIT_TIMEOUT:
        return ETIMEDOUT;
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
        return ENODEV;
    // A USB adapter pulled out: its handle fails every call from then on.
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_INVALID_HANDLE:
    default:
        return EIO;
    }
}

bool FailWithLastError() {
    errno = ErrnoOfSystemError(GetLastError());
    return false;
}

bool WouldBlock(int Error) {
    return Error == EAGAIN;
}

TWaitResult WaitAny(std::initializer_list<TVaWaitEvent*> Events, THandle, TDeviceWait,
                    int TimeoutMs) {
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    DWORD n = 0;
    for (TVaWaitEvent* e : Events) handles[n++] = static_cast<HANDLE>(e->Handle());
    TWaitResult r;
    const DWORD ms = TimeoutMs < 0 ? INFINITE : static_cast<DWORD>(TimeoutMs);
    if (n == 0) {
        Sleep(ms);
        r.TimedOut = true;
        return r;
    }
    // The lowest index among the signalled ones is reported, as the Linux wait does.
    const DWORD got = WaitForMultipleObjects(n, handles, FALSE, ms);
    if (got == WAIT_TIMEOUT)
        r.TimedOut = true;
    else if (got < WAIT_OBJECT_0 + n)
        r.Event = static_cast<int>(got - WAIT_OBJECT_0);
    else
        r.Failed = !FailWithLastError();
    return r;
}

int CurrentThreadId() {
    return static_cast<int>(GetCurrentThreadId());
}

void SetThreadPriority(int ThreadId, TThreadPriority Priority) {
    static constexpr int level[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                    THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                    THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                    THREAD_PRIORITY_TIME_CRITICAL};
    if (ThreadId <= 0) return;
    const int saved = errno;
    HANDLE t = OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(ThreadId));
    if (t != nullptr) {
        ::SetThreadPriority(t, level[Priority]);
        CloseHandle(t);
    }
    errno = saved;
}

void Pause(int Ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Ms));
}

} // namespace VaPlatform
