// Linux: events and the queue's semaphore are eventfds, which poll waits for beside a device.
#include "serial/VaSync.h"

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

namespace VaSemaphore {

TVaEventHandle Create() {
    return NewEventFd(0, EFD_SEMAPHORE);
}

void Destroy(TVaEventHandle S) {
    close(S);
}

void Post(TVaEventHandle S) {
    ::Post(S);
}

void Take(TVaEventHandle S) {
    ::Take(S);
}

bool Wait(TVaEventHandle S, int TimeoutMs) {
    bool failed;
    return WaitReadable(S, TimeoutMs, failed);
}

} // namespace VaSemaphore

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
