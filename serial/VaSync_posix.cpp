#include "serial/VaSync.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace {

int NewEventFd(unsigned Initial, int Flags) {
    const int fd = eventfd(Initial, EFD_CLOEXEC | EFD_NONBLOCK | Flags);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    return fd;
}

void Post(int Fd) {
    const std::uint64_t one = 1;
    while (write(Fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool Take(int Fd) {
    std::uint64_t value = 0;
    ssize_t r;
    while ((r = read(Fd, &value, sizeof value)) < 0 && errno == EINTR) {
    }
    return r == sizeof value;
}

bool WaitReadable(int Fd, int TimeoutMs, bool& Failed) {
    pollfd p{Fd, POLLIN, 0};
    Failed = false;
    for (;;) {
        const int r = poll(&p, 1, TimeoutMs);
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR) {
            Failed = true;
            return false;
        }
    }
}

} // namespace

TVaEvent::TVaEvent(bool ManualReset, bool InitialState)
    : FHandle(NewEventFd(InitialState ? 1 : 0, 0)), FManualReset(ManualReset) {}

TVaEvent::~TVaEvent() {
    if (FHandle >= 0) close(FHandle);
}

void TVaEvent::SetEvent() {
    Post(FHandle);
}

void TVaEvent::ResetEvent() {
    Take(FHandle);
}

bool TVaEvent::Signaled() {
    bool failed;
    return WaitReadable(FHandle, 0, failed);
}

TVaWaitResult TVaEvent::WaitFor(int Timeout) {
    bool failed;
    if (!WaitReadable(FHandle, Timeout < 0 ? -1 : Timeout, failed))
        return failed ? wrError : wrTimeout;
    if (!FManualReset) Take(FHandle);
    return wrSignaled;
}

struct TVaSyncQueue::TJob {
    std::function<void()> Run;
    std::exception_ptr Error;
    bool Started = false;
    bool Done = false;
};

TVaSyncQueue::TVaSyncQueue() : FWakeFd(NewEventFd(0, EFD_SEMAPHORE)) {}

TVaSyncQueue::~TVaSyncQueue() {
    close(FWakeFd);
}

bool TVaSyncQueue::Synchronize(std::function<void()> Job, std::stop_token Stop) {
    auto job = std::make_shared<TJob>();
    job->Run = std::move(Job);
    std::unique_lock lock(FMutex);
    if (Stop.stop_requested()) return false;
    FJobs.push_back(job);
    Post(FWakeFd);
    FDone.wait(lock, Stop, [&] { return job->Done; });
    if (!job->Done) {
        if (!job->Started) {
            FJobs.erase(std::find(FJobs.begin(), FJobs.end(), job));
            Take(FWakeFd);
        }
        return false;
    }
    // Taken over here, so the exception lives and dies on this thread only.
    std::exception_ptr error = std::move(job->Error);
    lock.unlock();
    if (error) std::rethrow_exception(error);
    return true;
}

bool TVaSyncQueue::RunOne() {
    std::shared_ptr<TJob> job;
    {
        std::lock_guard lock(FMutex);
        if (FJobs.empty()) return false;
        job = std::move(FJobs.front());
        FJobs.pop_front();
        Take(FWakeFd);
        job->Started = true;
    }
    std::exception_ptr error;
    try {
        job->Run();
    } catch (...) {
        error = std::current_exception();
    }
    {
        std::lock_guard lock(FMutex);
        job->Error = std::move(error);
        job->Done = true;
    }
    FDone.notify_all();
    return true;
}

bool TVaSyncQueue::WaitAndRunOne(int TimeoutMs) {
    bool failed;
    if (!WaitReadable(FWakeFd, TimeoutMs, failed)) return false;
    return RunOne();
}

namespace {
std::atomic<IVaSynchronizer*> GDefault{nullptr};
}

TVaSyncQueue& VaMainThreadQueue() {
    static TVaSyncQueue queue;
    return queue;
}

IVaSynchronizer& DefaultSynchronizer() {
    IVaSynchronizer* s = GDefault.load();
    return s != nullptr ? *s : VaMainThreadQueue();
}

void SetDefaultSynchronizer(IVaSynchronizer* Sync) {
    GDefault.store(Sync);
}
