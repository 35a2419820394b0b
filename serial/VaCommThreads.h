#pragma once
// The receive thread, the write thread and the write queue of an open port.

#include "serial/VaDevice.h"
#include "serial/VaSync.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <stop_token>
#include <thread>
#include <vector>

class TVaCustomComm;

// A fixed block with the queued bytes at its front; callers keep within its capacity.
class TVaCommBuffer {
public:
    explicit TVaCommBuffer(int Capacity) : FData(Capacity > 0 ? Capacity : 0) {}
    int Capacity() const { return static_cast<int>(FData.size()); }
    int Size() const { return FSize; }
    void Write(const void* Buf, int Count);
    void Peek(void* Buf, int Count) const;
    void Read(void* Buf, int Count);
    void Remove(int Count);
    void Clear() { FSize = 0; }
    const std::uint8_t* DataPtr() const { return FData.data(); }

private:
    std::vector<std::uint8_t> FData;
    int FSize = 0;
};

// Waits for line events and has the user-interface thread handle each set of them.
class TVaCommEventThread {
public:
    TVaCommEventThread(TVaCustomComm& Owner, VaPlatform::TDevice& Device, std::uint32_t Mask,
                       int ReadSize, IVaSynchronizer& Sync);
    ~TVaCommEventThread();
    TVaCommEventThread(const TVaCommEventThread&) = delete;
    TVaCommEventThread& operator=(const TVaCommEventThread&) = delete;

    void Start(TThreadPriority Priority);
    void SetPriority(TThreadPriority Priority);
    // Marks it terminated, wakes it and waits for its end; a hand-over it waits for is given up.
    void Stop();

private:
    void Execute(std::stop_token Stop);

    std::atomic<std::uint32_t> FEvtMask{0}; // the events of the last hand-over
    TVaWaitEvent FEvent;                    // the stop request
    TVaCustomComm& FOwner;
    VaPlatform::TDevice& FDevice;
    std::uint32_t FMask;
    int FReadSize;
    IVaSynchronizer& FSync;
    std::uint64_t FWrittenAtStart; // direct writes before the thread runs count too
    std::atomic<int> FThreadId{0};
    std::atomic<TThreadPriority> FPriority{tpNormal};
    std::jthread FThread;
};

// Drains the write queue into the device.
class TVaCommWriteThread {
public:
    TVaCommWriteThread(TVaCustomComm& Owner, VaPlatform::TDevice& Device, int QueueSize,
                       TVaCriticalSection& WriteSection, IVaSynchronizer& Sync);
    ~TVaCommWriteThread();
    TVaCommWriteThread(const TVaCommWriteThread&) = delete;
    TVaCommWriteThread& operator=(const TVaCommWriteThread&) = delete;

    void Start(TThreadPriority Priority);
    void SetPriority(TThreadPriority Priority);
    // Ends the thread; what is still queued is not sent.
    void Stop();

    // Caller's thread: queues the bytes once they fit, waiting at most TimeoutMs for room.
    bool WriteData(const void* Buf, int Count, int TimeoutMs);
    // Has the thread give up the write in progress and empties the queue; false when the
    // thread did not acknowledge within 2000 ms (the queue then stays as it is).
    bool PurgeWrite();
    int QueuedBytes();

private:
    void Execute(std::stop_token Stop);
    void AcknowledgeFlush();
    // Removes what the device took; true when the queue is empty now.
    bool Completion(long Written);
    void HandOver(std::uint32_t Events, std::stop_token Stop);

    TVaCommBuffer FBuffer;
    TVaWaitEvent FWriteEvent; // signalled while the queue holds bytes
    TVaWaitEvent FCloseEvent, FFlushEvent, FFlushDoneEvent;
    TVaCustomComm& FOwner;
    VaPlatform::TDevice& FDevice;
    TVaCriticalSection& FWriteSection;
    std::condition_variable_any FRoom;
    IVaSynchronizer& FSync;
    bool FPurgeWaiting = false; // under the write lock: a purge waits for the acknowledgement
    std::stop_source* FTxEmptyWithdraw = nullptr; // under the write lock: the pending report
    std::atomic<bool> FEnded{false};
    std::atomic<int> FThreadId{0};
    std::atomic<TThreadPriority> FPriority{tpHighest};
    std::jthread FThread;
};
