// The main loop on Linux: the ending signals arrive through a signal descriptor, which poll
// waits for beside the port's hand-over queue.
#include "tools/config/ConfigLink.h"

#include "serial/VaSync.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>

namespace {

sigset_t EndSignals() {
    sigset_t s;
    sigemptyset(&s);
    sigaddset(&s, SIGINT);
    sigaddset(&s, SIGTERM);
    sigaddset(&s, SIGHUP);
    return s;
}

} // namespace

TEventLoop::TEventLoop() {
    const sigset_t s = EndSignals();
    if (pthread_sigmask(SIG_BLOCK, &s, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "sigprocmask");
    FSignalFd = signalfd(-1, &s, SFD_CLOEXEC | SFD_NONBLOCK);
    if (FSignalFd < 0) throw std::system_error(errno, std::generic_category(), "signalfd");
}

TEventLoop::~TEventLoop() {
    if (FSignalFd >= 0) close(FSignalFd);
}

bool TEventLoop::Wait(int TimeoutMs) {
    TVaSyncQueue& queue = VaMainThreadQueue();
    pollfd p[2] = {{FSignalFd, POLLIN, 0}, {queue.WakeFd(), POLLIN, 0}};
    const int r = poll(p, 2, TimeoutMs);
    if (r < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "poll");
    if (r > 0 && (p[0].revents & POLLIN)) {
        signalfd_siginfo info{};
        if (read(FSignalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            FSignal = static_cast<int>(info.ssi_signo);
            return false;
        }
    }
    // A bounded batch, so that a flood of traffic cannot hold off the timer.
    for (int i = 0; i < 64 && queue.RunOne(); ++i) {
    }
    return true;
}

bool TEventLoop::Interrupted() {
    signalfd_siginfo info{};
    if (FSignal == 0 && read(FSignalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        FSignal = static_cast<int>(info.ssi_signo);
    return FSignal != 0;
}

bool EndSignalPending() {
    sigset_t s;
    sigemptyset(&s);
    if (sigpending(&s) != 0) return false;
    return sigismember(&s, SIGINT) == 1 || sigismember(&s, SIGTERM) == 1 ||
           sigismember(&s, SIGHUP) == 1;
}
