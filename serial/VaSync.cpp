#include "serial/VaSync.h"

#include <algorithm>
#include <atomic>

struct TVaSyncQueue::TJob {
    std::function<void()> Run;
    std::exception_ptr Error;
    bool Started = false;
    bool Done = false;
};

TVaSyncQueue::TVaSyncQueue() : FWakeFd(VaSemaphore::Create()) {}

TVaSyncQueue::~TVaSyncQueue() {
    VaSemaphore::Destroy(FWakeFd);
}

bool TVaSyncQueue::Synchronize(std::function<void()> Job, std::stop_token Stop) {
    auto job = std::make_shared<TJob>();
    job->Run = std::move(Job);
    std::unique_lock lock(FMutex);
    if (Stop.stop_requested()) return false;
    FJobs.push_back(job);
    VaSemaphore::Post(FWakeFd);
    FDone.wait(lock, Stop, [&] { return job->Done; });
    if (!job->Done) {
        if (!job->Started) {
            FJobs.erase(std::find(FJobs.begin(), FJobs.end(), job));
            VaSemaphore::Take(FWakeFd);
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
        VaSemaphore::Take(FWakeFd);
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
    if (!VaSemaphore::Wait(FWakeFd, TimeoutMs)) return false;
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
