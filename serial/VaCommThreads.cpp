#include "serial/VaCommThreads.h"

#include "serial/VaComm.h"
#include "serial/VaExceptionReport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

void TVaCommBuffer::Write(const void* Buf, int Count) {
    std::memcpy(FData.data() + FSize, Buf, static_cast<std::size_t>(Count));
    FSize += Count;
}

void TVaCommBuffer::Peek(void* Buf, int Count) const {
    std::memcpy(Buf, FData.data(), static_cast<std::size_t>(Count));
}

void TVaCommBuffer::Read(void* Buf, int Count) {
    Peek(Buf, Count);
    Remove(Count);
}

void TVaCommBuffer::Remove(int Count) {
    std::memmove(FData.data(), FData.data() + Count, static_cast<std::size_t>(FSize - Count));
    FSize -= Count;
}

namespace {

// How often line state is looked at where no wake-up from the device tells of it: bytes left
// unread in the device queue, or line counters and modem inputs that poll does not report.
constexpr int PaceMs = 20;

constexpr std::uint32_t CounterEvents =
    VaEv::Break | VaEv::Cts | VaEv::Dsr | VaEv::Rlsd | VaEv::Ring | VaEv::Error;

std::uint32_t CounterChanges(const VaPlatform::TLineCounters& A,
                             const VaPlatform::TLineCounters& B) {
    if (!A.Valid || !B.Valid) return 0;
    std::uint32_t ev = 0;
    if (A.Frame != B.Frame || A.Overrun != B.Overrun || A.Parity != B.Parity ||
        A.BufOverrun != B.BufOverrun)
        ev |= VaEv::Error;
    if (A.Break != B.Break) ev |= VaEv::Break;
    if (A.Cts != B.Cts) ev |= VaEv::Cts;
    if (A.Dsr != B.Dsr) ev |= VaEv::Dsr;
    if (A.Dcd != B.Dcd) ev |= VaEv::Rlsd;
    if (A.Ring != B.Ring) ev |= VaEv::Ring;
    return ev;
}

} // namespace

TVaCommEventThread::TVaCommEventThread(TVaCustomComm& Owner, VaPlatform::TDevice& Device,
                                       std::uint32_t Mask, int ReadSize, IVaSynchronizer& Sync)
    : FOwner(Owner), FDevice(Device), FMask(Mask), FReadSize(ReadSize), FSync(Sync),
      FWrittenAtStart(Owner.FBytesWritten.load()) {}

TVaCommEventThread::~TVaCommEventThread() {
    Stop();
}

void TVaCommEventThread::Start(TThreadPriority Priority) {
    FPriority = Priority;
    FThread = std::jthread([this](std::stop_token st) { Execute(st); });
}

void TVaCommEventThread::SetPriority(TThreadPriority Priority) {
    FPriority = Priority;
    VaPlatform::SetThreadPriority(FThreadId, Priority);
}

void TVaCommEventThread::Stop() {
    if (!FThread.joinable()) return;
    FThread.request_stop();
    FEvent.SetEvent();
    FThread.join();
}

void TVaCommEventThread::Execute(std::stop_token Stop) {
    using namespace VaPlatform;
    FThreadId = CurrentThreadId();
    SetThreadPriority(FThreadId, FPriority);
    try {
        TLineCounters counters;
        FDevice.ReadLineCounters(counters);
        const bool watchCounters = counters.Valid && (FMask & CounterEvents) != 0;
        bool silent = false; // the device is gone or the wait failed: only a stop ends this
        bool unread = false; // bytes lie in the device queue that nobody took
        int unreadCount = 0; // how many, after the last hand-over
        bool again = false;  // somebody reads and bytes remain: hand over at once
        bool above80 = false;
        std::uint64_t writtenSeen = FWrittenAtStart;
        while (!Stop.stop_requested()) {
            if (!again) {
                TDeviceWait what = TDeviceWait::HangUp;
                if (silent)
                    what = TDeviceWait::None;
                else if ((FMask & VaEv::RxChar) && !unread)
                    what = TDeviceWait::Readable;
                const bool paced =
                    !silent && (unread || watchCounters || (FMask & VaEv::TxEmpty) != 0 ||
                                ((FMask & VaEv::Rx80Full) != 0 && what != TDeviceWait::Readable));
                const TWaitResult r = FDevice.Wait({&FEvent}, what, paced ? PaceMs : -1);
                if (Stop.stop_requested() || r.Event == 0) break;
                if (r.Failed || r.Gone) {
                    // A vanished device (a closed connection) reports so at once and forever:
                    // fall silent rather than spin; the application's watchdog notices the
                    // silence.
                    silent = true;
                    continue;
                }
            }
            again = false;

            int in = 0, out = 0;
            if (!FDevice.QueueLevels(in, out)) {
                silent = true;
                continue;
            }
            if (unread && in < unreadCount) unreadCount = in; // somebody took some meanwhile
            std::uint32_t ev = 0;
            if (in > 0 && (!unread || in > unreadCount)) ev |= VaEv::RxChar;
            const bool full = FReadSize > 0 && in >= FReadSize / 10 * 8;
            if (full && !above80) ev |= VaEv::Rx80Full;
            above80 = full;
            if (watchCounters) {
                TLineCounters now;
                if (FDevice.ReadLineCounters(now)) {
                    ev |= CounterChanges(counters, now);
                    counters = now;
                }
            }
            if (FMask & VaEv::TxEmpty) {
                // direct writes: the device queue ran empty after bytes were written
                const std::uint64_t written = FOwner.FBytesWritten.load();
                if (written != writtenSeen && out == 0) {
                    ev |= VaEv::TxEmpty;
                    writtenSeen = written;
                }
            }
            ev &= FMask;
            if (in == 0) unread = false;
            if (ev == 0) continue;

            FEvtMask = ev;
            const std::uint64_t readsBefore = FOwner.FBytesRead.load();
            TVaCustomComm* owner = &FOwner;
            if (!FSync.Synchronize([owner, ev] { owner->HandleThreadEvents(ev); }, Stop)) break;

            if (!FDevice.QueueLevels(in, out)) {
                silent = true;
                continue;
            }
            if (in == 0) {
                unread = false;
            } else if (FOwner.FBytesRead.load() != readsBefore) {
                again = (FMask & VaEv::RxChar) != 0;
                unread = !again;
                unreadCount = in;
            } else {
                // Nobody takes them (no client, no reading handler): they wait in the device
                // queue, and only new arrivals are reported.
                unread = true;
                unreadCount = in;
            }
        }
    } catch (...) {
        // Nothing may escape a thread; the port falls silent until it is closed.
    }
}

TVaCommWriteThread::TVaCommWriteThread(TVaCustomComm& Owner, VaPlatform::TDevice& Device,
                                       int QueueSize, TVaCriticalSection& WriteSection,
                                       IVaSynchronizer& Sync)
    : FBuffer(QueueSize), FOwner(Owner), FDevice(Device), FWriteSection(WriteSection), FSync(Sync) {
}

TVaCommWriteThread::~TVaCommWriteThread() {
    Stop();
}

void TVaCommWriteThread::Start(TThreadPriority Priority) {
    FPriority = Priority;
    FThread = std::jthread([this](std::stop_token st) { Execute(st); });
}

void TVaCommWriteThread::SetPriority(TThreadPriority Priority) {
    FPriority = Priority;
    VaPlatform::SetThreadPriority(FThreadId, Priority);
}

void TVaCommWriteThread::Stop() {
    if (!FThread.joinable()) return;
    FThread.request_stop();
    FCloseEvent.SetEvent();
    FThread.join();
}

bool TVaCommWriteThread::WriteData(const void* Buf, int Count, int TimeoutMs) {
    if (Count <= 0) return true;
    std::unique_lock<TVaCriticalSection> lock(FWriteSection);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(TimeoutMs, 0));
    if (!FRoom.wait_until(lock, deadline,
                          [&] { return FBuffer.Size() + Count <= FBuffer.Capacity(); }))
        return false;
    FBuffer.Write(Buf, Count);
    FWriteEvent.SetEvent();
    if (FTxEmptyWithdraw != nullptr) FTxEmptyWithdraw->request_stop();
    return true;
}

bool TVaCommWriteThread::PurgeWrite() {
    if (FEnded) {
        // nobody writes from the queue any more
        {
            std::lock_guard<TVaCriticalSection> lock(FWriteSection);
            FBuffer.Clear();
            FWriteEvent.ResetEvent();
        }
        FRoom.notify_all();
        return true;
    }
    {
        std::lock_guard<TVaCriticalSection> lock(FWriteSection);
        FPurgeWaiting = true;
    }
    FFlushDoneEvent.ResetEvent();
    FFlushEvent.SetEvent();
    const bool acknowledged = FFlushDoneEvent.WaitFor(2000) == wrSignaled;
    std::lock_guard<TVaCriticalSection> lock(FWriteSection);
    // Too late: the queue stays, and a flush seen later must not drop newer bytes.
    FPurgeWaiting = false;
    return acknowledged;
}

int TVaCommWriteThread::QueuedBytes() {
    std::lock_guard<TVaCriticalSection> lock(FWriteSection);
    return FBuffer.Size();
}

void TVaCommWriteThread::AcknowledgeFlush() {
    FFlushEvent.ResetEvent();
    {
        // Emptied here, between two writes, so no write can be under way from the queue.
        std::lock_guard<TVaCriticalSection> lock(FWriteSection);
        if (FPurgeWaiting) {
            FBuffer.Clear();
            FWriteEvent.ResetEvent();
        }
    }
    FRoom.notify_all();
    FFlushDoneEvent.SetEvent();
}

bool TVaCommWriteThread::Completion(long Written) {
    bool empty;
    {
        std::lock_guard<TVaCriticalSection> lock(FWriteSection);
        FBuffer.Remove(std::min(static_cast<int>(Written), FBuffer.Size()));
        empty = FBuffer.Size() == 0;
        if (empty) FWriteEvent.ResetEvent();
    }
    FRoom.notify_all();
    return empty;
}

void TVaCommWriteThread::HandOver(std::uint32_t Events, std::stop_token Stop) {
    TVaCustomComm* owner = &FOwner;
    auto job = [owner, Events] {
        try {
            owner->HandleEvents(Events);
        } catch (...) {
            // Shown once; raised on in this thread, whose end it is.
            ReportCurrentException();
            throw;
        }
    };
    if (Events != VaEv::TxEmpty) {
        FSync.Synchronize(job, Stop);
        return;
    }
    // An end-of-sending report is out of date once new bytes are queued: WriteData withdraws
    // it (or stops waiting for it), and the thread sends them at once instead of leaving
    // them queued until the user-interface thread is free again. It comes after those.
    std::stop_source withdraw;
    std::stop_callback onClose(Stop, [&withdraw] { withdraw.request_stop(); });
    {
        std::lock_guard<TVaCriticalSection> lock(FWriteSection);
        if (FBuffer.Size() > 0) return;
        FTxEmptyWithdraw = &withdraw;
    }
    try {
        FSync.Synchronize(job, withdraw.get_token());
    } catch (...) {
        std::lock_guard<TVaCriticalSection> lock(FWriteSection);
        FTxEmptyWithdraw = nullptr;
        throw;
    }
    std::lock_guard<TVaCriticalSection> lock(FWriteSection);
    FTxEmptyWithdraw = nullptr;
}

void TVaCommWriteThread::Execute(std::stop_token Stop) {
    using namespace VaPlatform;
    FThreadId = CurrentThreadId();
    SetThreadPriority(FThreadId, FPriority);
    try {
        int backoff = 0;
        while (!Stop.stop_requested()) {
            TWaitResult r = WaitAny({&FCloseEvent, &FFlushEvent, &FWriteEvent}, InvalidHandle,
                                    TDeviceWait::None, -1);
            if (r.Failed || r.Event == 0) break;
            if (r.Event == 1) {
                AcknowledgeFlush();
                continue;
            }

            int count;
            const std::uint8_t* data;
            {
                std::lock_guard<TVaCriticalSection> lock(FWriteSection);
                count = FBuffer.Size();
                data = FBuffer.DataPtr();
                if (count == 0) {
                    FWriteEvent.ResetEvent();
                    continue;
                }
            }
            // Without the lock: appends go behind these bytes, and only this thread removes.
            const long n = FDevice.Write(data, static_cast<std::size_t>(count));
            if (n > 0) {
                backoff = 0;
                if (Completion(n)) HandOver(VaEv::TxEmpty, Stop);
                continue;
            }
            bool failed = n < 0 && !WouldBlock(errno);
            if (!failed) {
                // The device takes nothing now: wait until it does, the bytes stay queued.
                r = FDevice.Wait({&FCloseEvent, &FFlushEvent}, TDeviceWait::Writable, -1);
                if (r.Failed || r.Event == 0) break;
                if (r.Event == 1) {
                    AcknowledgeFlush();
                    continue;
                }
                if (!r.Gone) continue;
                failed = true;
            }
            // Failed outright: a line error for the user-interface thread; the bytes stay
            // queued and are tried again, paced so that a dead device burns no core.
            HandOver(VaEv::Error, Stop);
            backoff = backoff == 0 ? 50 : std::min(backoff * 2, 1000);
            r = WaitAny({&FCloseEvent, &FFlushEvent}, InvalidHandle, TDeviceWait::None, backoff);
            if (r.Event == 0) break;
            if (r.Event == 1) AcknowledgeFlush();
        }
    } catch (...) {
        // A hand-over that raised ends the thread; later writes fill the queue and then fail.
    }
    FEnded = true;
}
