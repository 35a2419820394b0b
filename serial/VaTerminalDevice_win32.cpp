// A serial port on Windows as the port's line: one overlapped handle, its device control block,
// the driver's queues, and WaitCommEvent for arrivals, line errors and modem inputs.
#include "serial/VaDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>
#include <windows.h>

namespace VaPlatform {

namespace {

constexpr DWORD kCommEvents = EV_RXCHAR | EV_ERR | EV_BREAK | EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr DWORD kPollMs = 20;

std::wstring Wide(const std::string& Utf8) {
    if (Utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), w.data(), n);
    return w;
}

// A manual-reset event for one overlapped operation.
struct TOverlapped {
    OVERLAPPED Ov{};
    TOverlapped() { Ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~TOverlapped() {
        if (Ov.hEvent != nullptr) CloseHandle(Ov.hEvent);
    }
    TOverlapped(const TOverlapped&) = delete;
    TOverlapped& operator=(const TOverlapped&) = delete;
    bool Valid() const { return Ov.hEvent != nullptr; }
    void Rearm() {
        HANDLE e = Ov.hEvent;
        Ov = OVERLAPPED{};
        Ov.hEvent = e;
        ResetEvent(e);
    }
};

// Drivers without modem lines (virtual and some USB ports) refuse the escape functions; as a
// pseudo-terminal on Linux, they accept a change of them as a no-op.
long Failed() {
    FailWithLastError();
    return -1;
}

bool NoModemLines(DWORD Error) {
    return Error == ERROR_INVALID_FUNCTION || Error == ERROR_NOT_SUPPORTED ||
           Error == ERROR_INVALID_PARAMETER;
}

class TSerialPort final : public TDevice {
public:
    explicit TSerialPort(HANDLE H) : FHandle(H) { FCounters.Valid = true; }

    ~TSerialPort() override {
        const int saved = errno;
        // A new mask completes the pending WaitCommEvent; the rest is cancelled. The
        // operations must have ended before their buffers and events go.
        SetCommMask(FHandle, 0);
        CancelIoEx(FHandle, nullptr);
        DWORD n = 0;
        if (FWaitPending) GetOverlappedResult(FHandle, &FWaitOv.Ov, &n, TRUE);
        if (FWritePending) GetOverlappedResult(FHandle, &FWriteOv.Ov, &n, TRUE);
        CloseHandle(FHandle);
        errno = saved;
    }

    bool Ready() const { return FReadOv.Valid() && FWriteOv.Valid() && FWaitOv.Valid(); }

    bool WriteLineSettings(const TLineSettings& S) override {
        if (S.Baudrate == 0) {
            errno = EINVAL;
            return false;
        }
        DCB d{};
        d.DCBlength = sizeof d;
        if (!GetCommState(FHandle, &d)) return FailWithLastError();
        d.BaudRate = S.Baudrate;
        d.fBinary = TRUE;
        d.fParity = S.ParityCheck;
        d.fOutxCtsFlow = S.OutCtsFlow;
        d.fOutxDsrFlow = S.OutDsrFlow;
        d.fDtrControl = static_cast<DWORD>(S.ControlDtr); // same order as DTR_CONTROL_*
        d.fDsrSensitivity = S.DsrSensitivity;
        d.fTXContinueOnXoff = S.TxContinueOnXoff;
        d.fOutX = S.XonXoffOut;
        d.fInX = S.XonXoffIn;
        d.fErrorChar = S.ErrorCharReplace;
        d.fNull = S.NullStrip;
        d.fRtsControl = static_cast<DWORD>(S.ControlRts); // same order as RTS_CONTROL_*
        d.fAbortOnError = FALSE; // errors are collected, not left to stop every transfer
        d.XonLim = S.XonLimit;
        d.XoffLim = S.XoffLimit;
        d.ByteSize = static_cast<BYTE>(4 + S.Databits);
        d.Parity = static_cast<BYTE>(S.Parity);     // same order as NOPARITY ... SPACEPARITY
        d.StopBits = static_cast<BYTE>(S.Stopbits); // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
        d.XonChar = S.XonChar;
        d.XoffChar = S.XoffChar;
        d.ErrorChar = S.ErrorChar;
        d.EofChar = S.EofChar;
        d.EvtChar = S.EventChar;
        // The driver refuses what it cannot do; the line then stays as it was.
        if (!SetCommState(FHandle, &d)) return FailWithLastError();
        return true;
    }

    bool SetQueueSizes(int InSize, int OutSize) override {
        if (!SetupComm(FHandle, static_cast<DWORD>(std::max(InSize, 16)),
                       static_cast<DWORD>(std::max(OutSize, 16))))
            return FailWithLastError();
        return true;
    }

    bool SetImmediateReads() override {
        // A read returns at once with what has arrived; writes have no time limit (the write
        // thread waits for them without holding anybody up).
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = MAXDWORD;
        if (!SetCommTimeouts(FHandle, &t)) return FailWithLastError();
        return true;
    }

    bool ReadLineCounters(TLineCounters& C) override {
        COMSTAT st{};
        if (!CollectErrors(st)) return false;
        std::lock_guard<std::mutex> lock(FLock);
        C = FCounters;
        return true;
    }

    bool QueueLevels(int& InQueue, int& OutQueue) override {
        InQueue = OutQueue = 0;
        COMSTAT st{};
        if (!CollectErrors(st)) return false;
        InQueue = static_cast<int>(std::min<DWORD>(st.cbInQue, 1u << 30));
        OutQueue = static_cast<int>(std::min<DWORD>(st.cbOutQue, 1u << 30));
        return true;
    }

    long Read(void* Buf, std::size_t Count) override {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(Count, 1u << 30));
        if (want == 0) return 0;
        FReadOv.Rearm();
        DWORD n = 0;
        if (!ReadFile(FHandle, Buf, want, nullptr, &FReadOv.Ov) &&
            GetLastError() != ERROR_IO_PENDING)
            return Failed();
        // With the immediate time-outs this ends at once, with what had arrived.
        if (!GetOverlappedResult(FHandle, &FReadOv.Ov, &n, TRUE)) return Failed();
        return static_cast<long>(n);
    }

    // One overlapped write at a time: the bytes are copied and handed to the driver, which
    // counts as taken; until the driver has them all, the line takes nothing more.
    long Write(const void* Buf, std::size_t Count) override {
        std::lock_guard<std::mutex> lock(FWriteLock);
        if (FWritePending && !FinishWrite()) return -1;
        if (Count == 0) return 0;
        const DWORD n = static_cast<DWORD>(std::min<std::size_t>(Count, 1u << 20));
        const auto* p = static_cast<const std::uint8_t*>(Buf);
        FWriteBuf.assign(p, p + n);
        FWriteOv.Rearm();
        FWriteAborted = false;
        if (!WriteFile(FHandle, FWriteBuf.data(), n, nullptr, &FWriteOv.Ov)) {
            if (GetLastError() != ERROR_IO_PENDING) return Failed();
        }
        // How it ended is taken at the next write or wait, which report a failure.
        FWritePending = true;
        return static_cast<long>(n);
    }

    bool Purge(bool Input, bool Output) override {
        DWORD flags = 0;
        if (Input) flags |= PURGE_RXCLEAR | PURGE_RXABORT;
        if (Output) {
            flags |= PURGE_TXCLEAR | PURGE_TXABORT;
            std::lock_guard<std::mutex> lock(FWriteLock);
            FWriteAborted = true; // its end is then no failure
        }
        if (!PurgeComm(FHandle, flags)) return FailWithLastError();
        return true;
    }

    bool SetModemLine(bool Dtr, bool On) override {
        const DWORD f = Dtr ? (On ? SETDTR : CLRDTR) : (On ? SETRTS : CLRRTS);
        if (EscapeCommFunction(FHandle, f)) return true;
        if (NoModemLines(GetLastError())) return true;
        return FailWithLastError();
    }

    TWaitResult Wait(std::initializer_list<TVaWaitEvent*> Events, TDeviceWait What,
                     int TimeoutMs) override {
        TWaitResult r;
        HANDLE handles[MAXIMUM_WAIT_OBJECTS];
        DWORD n = 0;
        for (TVaWaitEvent* e : Events) handles[n++] = static_cast<HANDLE>(e->Handle());
        const DWORD events = n;

        bool readyNow = false;
        if (What == TDeviceWait::Writable) {
            std::lock_guard<std::mutex> lock(FWriteLock);
            if (FWritePending && !FinishWrite()) {
                if (errno != EAGAIN) {
                    r.Gone = true;
                    return r;
                }
                handles[n++] = FWriteOv.Ov.hEvent;
            } else {
                readyNow = true;
            }
        } else if (What == TDeviceWait::Readable || What == TDeviceWait::HangUp) {
            COMSTAT st{};
            if (!CollectErrors(st)) {
                r.Gone = true;
                return r;
            }
            if (What == TDeviceWait::Readable && st.cbInQue > 0) {
                readyNow = true;
            } else if (!FPolled) {
                if (!ArmCommWait()) {
                    if (!StillThere()) {
                        r.Gone = true;
                        return r;
                    }
                } else if (FWaitPending) {
                    handles[n++] = FWaitOv.Ov.hEvent;
                } else {
                    readyNow = true; // an event came at once: look at the line now
                }
            }
        }

        // Events first, as on Linux: a stop request wins over a ready device.
        DWORD ms = readyNow ? 0 : TimeoutMs < 0 ? INFINITE : static_cast<DWORD>(TimeoutMs);
        const bool polling = !readyNow && FPolled && What != TDeviceWait::Writable &&
                             What != TDeviceWait::None && ms > kPollMs;
        if (polling) ms = kPollMs;
        const DWORD got =
            n == 0 ? (Sleep(ms), WAIT_TIMEOUT) : WaitForMultipleObjects(n, handles, FALSE, ms);
        if (got < WAIT_OBJECT_0 + events) {
            r.Event = static_cast<int>(got - WAIT_OBJECT_0);
            return r;
        }
        if (got == WAIT_TIMEOUT) {
            if (polling) {
                // Not the caller's time-out: time to look at the line again.
                COMSTAT st{};
                if (!CollectErrors(st))
                    r.Gone = true;
                else
                    r.Ready = What == TDeviceWait::Readable && st.cbInQue > 0;
            } else if (readyNow) {
                r.Ready = What != TDeviceWait::HangUp;
            } else {
                r.TimedOut = true;
            }
            return r;
        }
        if (got != WAIT_OBJECT_0 + events) {
            r.Failed = !FailWithLastError();
            return r;
        }
        if (What == TDeviceWait::Writable) {
            std::lock_guard<std::mutex> lock(FWriteLock);
            if (FinishWrite())
                r.Ready = true;
            else
                r.Gone = errno != EAGAIN;
            return r;
        }
        // The comm event: a line that failed is gone; anything else is looked at by the caller
        // (queue levels, counters), and it is ready when bytes wait.
        DWORD unused = 0;
        FWaitPending = false;
        if (!GetOverlappedResult(FHandle, &FWaitOv.Ov, &unused, FALSE)) {
            r.Gone = !StillThere();
            return r;
        }
        CountModemEvents(FWaitMask);
        COMSTAT st{};
        if (!CollectErrors(st)) {
            r.Gone = true;
            return r;
        }
        r.Ready = What == TDeviceWait::Readable && st.cbInQue > 0;
        return r;
    }

private:
    // ClearCommError reports the line errors since it was last called: added to the counters,
    // as the Linux driver keeps them.
    bool CollectErrors(COMSTAT& St) {
        DWORD errors = 0;
        if (!ClearCommError(FHandle, &errors, &St)) return FailWithLastError();
        if (errors != 0) {
            std::lock_guard<std::mutex> lock(FLock);
            if (errors & CE_FRAME) ++FCounters.Frame;
            if (errors & CE_OVERRUN) ++FCounters.Overrun;
            if (errors & CE_RXPARITY) ++FCounters.Parity;
            if (errors & CE_BREAK) ++FCounters.Break;
            if (errors & CE_RXOVER) ++FCounters.BufOverrun;
        }
        return true;
    }

    void CountModemEvents(DWORD Mask) {
        std::lock_guard<std::mutex> lock(FLock);
        if (Mask & EV_CTS) ++FCounters.Cts;
        if (Mask & EV_DSR) ++FCounters.Dsr;
        if (Mask & EV_RING) ++FCounters.Ring;
        if (Mask & EV_RLSD) ++FCounters.Dcd;
    }

    // After the event wait failed: a line that still answers has a driver that cannot wait for
    // its events (Wine on a pseudo-terminal, which has no modem lines to watch), and is looked
    // at every kPollMs from now on, as the Linux build looks at line counters. False when the
    // line is gone.
    bool StillThere() {
        COMSTAT st{};
        if (!CollectErrors(st)) return false;
        FPolled = true;
        return true;
    }

    // A WaitCommEvent under way; false when the line refuses it.
    bool ArmCommWait() {
        if (FWaitPending) return true;
        if (!FMaskSet) {
            if (!SetCommMask(FHandle, kCommEvents)) return FailWithLastError();
            FMaskSet = true;
        }
        FWaitOv.Rearm();
        FWaitMask = 0;
        if (WaitCommEvent(FHandle, &FWaitMask, &FWaitOv.Ov)) {
            CountModemEvents(FWaitMask);
            return true;
        }
        if (GetLastError() != ERROR_IO_PENDING) return FailWithLastError();
        FWaitPending = true;
        return true;
    }

    // Under FWriteLock. True once the write under way has ended well (or was purged); false
    // with errno EAGAIN while it runs, or the line's error.
    bool FinishWrite() {
        if (!FWritePending) return true;
        DWORD n = 0;
        if (GetOverlappedResult(FHandle, &FWriteOv.Ov, &n, FALSE)) {
            FWritePending = false;
            return true;
        }
        const DWORD e = GetLastError();
        if (e == ERROR_IO_INCOMPLETE || e == ERROR_IO_PENDING) {
            errno = EAGAIN;
            return false;
        }
        FWritePending = false;
        if (e == ERROR_OPERATION_ABORTED && FWriteAborted) return true;
        errno = ErrnoOfSystemError(e);
        return false;
    }

    HANDLE FHandle;
    std::mutex FLock; // the counters
    TLineCounters FCounters;
    TOverlapped FReadOv;
    // The event thread's comm wait; only it waits for the line's events.
    TOverlapped FWaitOv;
    DWORD FWaitMask = 0;
    bool FWaitPending = false, FMaskSet = false;
    bool FPolled = false; // the driver cannot wait for line events
    // The write under way, shared by the writing thread and its waits.
    std::mutex FWriteLock;
    TOverlapped FWriteOv;
    std::vector<std::uint8_t> FWriteBuf;
    bool FWritePending = false, FWriteAborted = false;
};

} // namespace

std::unique_ptr<TDevice> OpenTerminal(const std::string& Path, bool, bool& NotFound) {
    NotFound = false;
    // Not shared: Windows gives a serial port to one handle at a time, which is the exclusive
    // open that the Linux build takes with a lock.
    HANDLE h = CreateFileW(Wide(Path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        NotFound =
            e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_INVALID_NAME;
        errno = ErrnoOfSystemError(e);
        return nullptr;
    }
    // Only a serial port has a device control block: a file, a pipe or the console is refused
    // as Linux refuses what is not a terminal.
    DCB d{};
    d.DCBlength = sizeof d;
    if (GetFileType(h) != FILE_TYPE_CHAR || !GetCommState(h, &d)) {
        CloseHandle(h);
        errno = ENOTTY;
        return nullptr;
    }
    std::unique_ptr<TSerialPort> port;
    try {
        port = std::make_unique<TSerialPort>(h);
    } catch (...) {
        CloseHandle(h);
        throw;
    }
    if (!port->Ready()) {
        errno = ENOMEM;
        return nullptr;
    }
    return port;
}

} // namespace VaPlatform
