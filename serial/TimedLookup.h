#pragma once
// A call that may take far longer than its caller may wait (a name lookup on an unanswering name
// server): it runs on a thread of its own, which is left to finish by itself when it is too
// late and then frees what it found.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// Run() on its own thread; its result, or none when it did not end within TimeoutMs. Release(R)
// frees a result that came too late. Throws std::system_error when no thread can be made.
template <class TRun, class TRelease>
auto RunWithin(int TimeoutMs, TRun Run, TRelease Release) -> std::optional<decltype(Run())> {
    using TResult = decltype(Run());
    struct TJob {
        std::mutex Lock;
        std::condition_variable Done;
        bool Abandoned = false; // the caller gave up waiting: the thread frees the result
        std::optional<TResult> Result;
    };
    auto job = std::make_shared<TJob>();
    std::thread([job, Run = std::move(Run), Release = std::move(Release)]() mutable {
        TResult r = Run();
        std::lock_guard<std::mutex> lock(job->Lock);
        if (job->Abandoned) {
            Release(r);
            return;
        }
        job->Result = std::move(r);
        job->Done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(job->Lock);
    if (!job->Done.wait_for(lock, std::chrono::milliseconds(std::max(TimeoutMs, 0)),
                            [&] { return job->Result.has_value(); })) {
        job->Abandoned = true;
        return std::nullopt;
    }
    return std::move(job->Result);
}
