#include "serial/VaSync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <poll.h>
#include <stdexcept>
#include <thread>

namespace {

bool Readable(int Fd) {
    pollfd p{Fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

TEST(SyncQueue, RunsTheJobOnTheServingThreadAndRaisesItsExceptionInTheCaller) {
    TVaSyncQueue q;
    std::thread::id ranOn;
    bool returned = false, raised = false;
    std::thread worker([&] {
        returned = q.Synchronize([&] { ranOn = std::this_thread::get_id(); }, {});
        try {
            q.Synchronize([] { throw std::runtime_error("boom"); }, {});
        } catch (const std::runtime_error& e) {
            raised = std::string(e.what()) == "boom";
        }
    });
    int served = 0;
    while (served < 2)
        if (q.WaitAndRunOne(5000)) ++served;
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(raised);
    EXPECT_FALSE(Readable(q.WakeFd()));
}

TEST(SyncQueue, StopWithdrawsAJobThatHasNotStarted) {
    TVaSyncQueue q;
    std::stop_source stop;
    std::atomic<bool> ran{false};
    bool result = true;
    std::thread worker([&] { result = q.Synchronize([&] { ran = true; }, stop.get_token()); });
    while (!Readable(q.WakeFd())) std::this_thread::yield();
    stop.request_stop();
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(q.RunOne());
    EXPECT_FALSE(ran);
    EXPECT_FALSE(Readable(q.WakeFd()));
}

// The user-interface thread closes the port from inside a hand-over (a modal box re-entered
// the event loop): the thread must stop waiting for that job, or both wait for ever.
TEST(SyncQueue, StopReleasesTheCallerOfAJobThatIsRunning) {
    TVaSyncQueue q;
    std::stop_source stop;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        q.Synchronize(
            [&] {
                stop.request_stop();
                for (int i = 0; i < 5000 && !returned; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            },
            stop.get_token());
        returned = true;
    });
    ASSERT_TRUE(q.WaitAndRunOne(5000));
    EXPECT_TRUE(returned);
    worker.join();
}

TEST(WaitEvent, IsManualResetAndStartsNotSignalled) {
    TVaWaitEvent e;
    EXPECT_EQ(e.WaitFor(0), wrTimeout);
    e.SetEvent();
    e.SetEvent();
    EXPECT_EQ(e.WaitFor(0), wrSignaled);
    EXPECT_EQ(e.WaitFor(-1), wrSignaled);
    e.ResetEvent();
    EXPECT_EQ(e.WaitFor(10), wrTimeout);
}

} // namespace
