#pragma once
// Locks, events and the hand-over of a call to the user-interface thread.

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>

// What a wait can be handed: an eventfd on Linux, an event or semaphore object on Windows.
#ifdef _WIN32
using TVaEventHandle = void*;
#else
using TVaEventHandle = int;
#endif

// Re-entrant lock: the thread that holds it may take it again.
class TVaCriticalSection {
public:
    void Acquire() { FMutex.lock(); }
    void Release() { FMutex.unlock(); }
    void Enter() { Acquire(); }
    void Leave() { Release(); }
    // For std::lock_guard and friends.
    void lock() { Acquire(); }
    void unlock() { Release(); }

private:
    std::recursive_mutex FMutex;
};

enum TVaWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// A manual-reset event: stays signalled from SetEvent until ResetEvent. Its Handle can be
// waited for together with a device (poll, WaitForMultipleObjects), which is how the port's
// threads see a stop request.
class TVaEvent {
public:
    TVaEvent(bool ManualReset, bool InitialState);
    ~TVaEvent();
    TVaEvent(const TVaEvent&) = delete;
    TVaEvent& operator=(const TVaEvent&) = delete;

    void SetEvent();
    void ResetEvent();
    // Timeout in ms; negative waits without limit.
    TVaWaitResult WaitFor(int Timeout);
    bool Signaled();
    TVaEventHandle Handle() const { return FHandle; }

private:
    TVaEventHandle FHandle{};
    bool FManualReset;
};

// Unnamed, manual-reset, starts not signalled.
class TVaWaitEvent : public TVaEvent {
public:
    TVaWaitEvent() : TVaEvent(true, false) {}
};

// "Run this on the user-interface thread and wait for it." The port's receive and write
// threads hand every notification over through this seam, so the serial library needs no
// windowing toolkit.
class IVaSynchronizer {
public:
    virtual ~IVaSynchronizer() = default;
    // Called on a port thread. Runs Job on the user-interface thread and returns once it has
    // run; an exception from Job is raised again here. Once Stop is requested it returns at
    // once with false: a job not yet started then never runs, and one already running (on a
    // user-interface thread that closes the port from inside it) is no longer waited for.
    virtual bool Synchronize(std::function<void()> Job, std::stop_token Stop) = 0;
};

// The ready-made synchronizer: a queue of jobs that the user-interface thread runs one at a
// time. WakeFd() is readable (on Windows: signalled) while jobs wait; an event loop watches it
// (e.g. a QSocketNotifier) and calls RunOne until it returns false. A job may re-enter the loop (a
// modal box): the next job then runs inside it, still one at a time.
class TVaSyncQueue : public IVaSynchronizer {
public:
    TVaSyncQueue();
    ~TVaSyncQueue() override;
    TVaSyncQueue(const TVaSyncQueue&) = delete;
    TVaSyncQueue& operator=(const TVaSyncQueue&) = delete;

    bool Synchronize(std::function<void()> Job, std::stop_token Stop) override;

    TVaEventHandle WakeFd() const { return FWakeFd; }
    // Runs the oldest waiting job; false when none waits.
    bool RunOne();
    // Waits up to TimeoutMs for a job and runs it; false when none came.
    bool WaitAndRunOne(int TimeoutMs);

private:
    struct TJob;
    std::mutex FMutex;
    std::condition_variable_any FDone;
    std::deque<std::shared_ptr<TJob>> FJobs;
    TVaEventHandle FWakeFd{}; // a semaphore: its count is the number of waiting jobs
};

// The program-wide synchronizer that a port uses unless it was given its own: a TVaSyncQueue
// that the application serves on its user-interface thread.
IVaSynchronizer& DefaultSynchronizer();
TVaSyncQueue& VaMainThreadQueue();
// Replaces the program-wide synchronizer (none restores the main thread queue); a port takes
// it at Open.
void SetDefaultSynchronizer(IVaSynchronizer* Sync);

// The counting semaphore under TVaSyncQueue, one implementation per system.
namespace VaSemaphore {
TVaEventHandle Create(); // count 0; throws std::system_error when the system has none to give
void Destroy(TVaEventHandle S);
void Post(TVaEventHandle S);
void Take(TVaEventHandle S); // one count, when there is one
// Until it has a count (none is taken); negative TimeoutMs waits without limit. False when the
// time ran out or the wait failed.
bool Wait(TVaEventHandle S, int TimeoutMs);
} // namespace VaSemaphore
