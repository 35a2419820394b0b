// A raw TCP connection as the port's line: ser2net in raw mode or a WiFi NMEA gateway in front
// of the transponder. The bytes are the serial line's bytes; nothing else travels.
#include "serial/TimedLookup.h"
#include "serial/VaDevice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/sockios.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace VaPlatform {

namespace {

using TClock = std::chrono::steady_clock;

// Keep-alive: a gateway that vanished without closing (switched off, out of WiFi range) ends
// the connection after about 5 + 3 x 2 s without a sign of it; bytes sent and not acknowledged
// for 10 s end it too. The port then falls silent as with an unplugged adapter.
constexpr int kKeepIdleS = 5, kKeepIntervalS = 2, kKeepCount = 3, kUserTimeoutMs = 10000;

int MsLeft(TClock::time_point Deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, 1 << 30)) : 0;
}

class TNetDevice final : public TDevice {
public:
    explicit TNetDevice(int Fd) : FFd(Fd) {}
    ~TNetDevice() override {
        const int saved = errno;
        close(FFd);
        errno = saved;
    }

    // The gateway drives the serial line with its own settings (ser2net's configuration, the
    // gateway's setup page): a raw connection carries bytes only, so line settings, queue sizes
    // and modem lines are taken and change nothing.
    bool WriteLineSettings(const TLineSettings&) override { return true; }
    bool SetQueueSizes(int, int) override { return fcntl(FFd, F_GETFL) != -1; }
    bool SetModemLine(bool, bool) override { return true; }
    bool SetImmediateReads() override {
        const int flags = fcntl(FFd, F_GETFL);
        return flags != -1 && fcntl(FFd, F_SETFL, flags | O_NONBLOCK) == 0;
    }
    // No line errors, breaks or modem inputs travel over the connection.
    bool ReadLineCounters(TLineCounters& C) override {
        C = TLineCounters{};
        return true;
    }
    bool QueueLevels(int& InQueue, int& OutQueue) override {
        InQueue = OutQueue = 0;
        return ioctl(FFd, FIONREAD, &InQueue) == 0 && ioctl(FFd, SIOCOUTQ, &OutQueue) == 0;
    }

    long Read(void* Buf, std::size_t Count) override {
        for (;;) {
            const ssize_t n = recv(FFd, Buf, Count, MSG_DONTWAIT);
            if (n >= 0) return n; // 0 at the far end's close too: nothing has arrived
            if (errno == EINTR) continue;
            if (WouldBlock(errno)) return 0;
            return -1;
        }
    }
    long Write(const void* Buf, std::size_t Count) override {
        for (;;) {
            // A write after the far end has gone fails with EPIPE instead of ending the program.
            const ssize_t n = send(FFd, Buf, Count, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n >= 0 || errno != EINTR) return n;
        }
    }
    // What the kernel has taken for sending cannot be called back; what waits to be read is
    // read and thrown away, no more than was there when the purge began.
    bool Purge(bool Input, bool) override {
        if (!Input) return true;
        int waiting = 0;
        if (ioctl(FFd, FIONREAD, &waiting) != 0) return false;
        char buf[4096];
        while (waiting > 0) {
            const ssize_t n = recv(
                FFd, buf, std::min(sizeof buf, static_cast<std::size_t>(waiting)), MSG_DONTWAIT);
            if (n > 0) {
                waiting -= static_cast<int>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                return n == 0 || WouldBlock(errno);
            }
        }
        return true;
    }

    TWaitResult Wait(std::initializer_list<TVaWaitEvent*> Events, TDeviceWait What,
                     int TimeoutMs) override {
        short want = 0;
        switch (What) {
        case TDeviceWait::Readable:
            want = POLLIN | POLLRDHUP;
            break;
        case TDeviceWait::Writable:
            want = POLLOUT;
            break;
        case TDeviceWait::HangUp:
            want = POLLRDHUP;
            break;
        case TDeviceWait::None:
            break;
        }
        short rev = 0;
        TWaitResult r =
            PollAny(Events, What == TDeviceWait::None ? InvalidHandle : FFd, want, TimeoutMs, rev);
        if (r.Event >= 0 || r.Failed || r.TimedOut || What == TDeviceWait::None) return r;
        // A socket at its end reports so at once and forever, like a vanished terminal. Bytes
        // that came before the close are still read when reading is asked for; after them it
        // is gone, so the receive thread falls silent instead of spinning on the end.
        if ((rev & (POLLHUP | POLLERR | POLLNVAL | POLLRDHUP)) != 0) {
            int waiting = 0;
            r.Ready =
                What == TDeviceWait::Readable && ioctl(FFd, FIONREAD, &waiting) == 0 && waiting > 0;
            r.Gone = !r.Ready;
        } else {
            r.Ready = (rev & (POLLIN | POLLOUT)) != 0;
        }
        return r;
    }

private:
    int FFd;
};

// getaddrinfo's status; EAI_AGAIN when a name lookup did not answer within TimeoutMs.
int Resolve(const TNetworkAddress& A, int TimeoutMs, addrinfo*& Result) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV | (A.Literal ? AI_NUMERICHOST : 0);
    const std::string service = std::to_string(A.Port);
    Result = nullptr;
    if (A.Literal) return getaddrinfo(A.Host.c_str(), service.c_str(), &hints, &Result);

    struct TFound {
        int Status = 0, Error = 0;
        addrinfo* List = nullptr;
    };
    const auto found = RunWithin(
        TimeoutMs,
        [host = A.Host, service, hints] {
            TFound f;
            f.Status = getaddrinfo(host.c_str(), service.c_str(), &hints, &f.List);
            f.Error = errno;
            return f;
        },
        [](TFound& F) {
            if (F.List != nullptr) freeaddrinfo(F.List);
        });
    if (!found) return EAI_AGAIN;
    Result = found->List;
    errno = found->Error;
    return found->Status;
}

// Connects the non-blocking socket Fd by Deadline: 0, or the error.
int Connect(int Fd, const addrinfo& Address, TClock::time_point Deadline) {
    if (connect(Fd, Address.ai_addr, Address.ai_addrlen) == 0) return 0;
    if (errno != EINPROGRESS && errno != EINTR) return errno;
    for (;;) {
        const int left = MsLeft(Deadline);
        if (left <= 0) return ETIMEDOUT;
        pollfd p{Fd, POLLOUT, 0};
        const int n = poll(&p, 1, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ETIMEDOUT;
        int error = 0;
        socklen_t size = sizeof error;
        if (getsockopt(Fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
        return error;
    }
}

void SetUp(int Fd) {
    const int one = 1;
    // Queries are short sentences: each goes out as it is written, not held for the next.
    setsockopt(Fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    setsockopt(Fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
    setsockopt(Fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdleS, sizeof kKeepIdleS);
    setsockopt(Fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepIntervalS, sizeof kKeepIntervalS);
    setsockopt(Fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepCount, sizeof kKeepCount);
    setsockopt(Fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &kUserTimeoutMs, sizeof kUserTimeoutMs);
}

std::unique_ptr<TDevice> Fail(int Error) {
    errno = Error;
    return nullptr;
}

} // namespace

std::unique_ptr<TDevice> OpenNetwork(const TNetworkAddress& Address, int TimeoutMs,
                                     bool& NotFound) {
    NotFound = false;
    const auto deadline = TClock::now() + std::chrono::milliseconds(std::max(TimeoutMs, 0));
    addrinfo* found = nullptr;
    int status = 0;
    try {
        status = Resolve(Address, TimeoutMs, found);
    } catch (const std::system_error&) {
        return Fail(EAGAIN); // no thread for the lookup
    }
    switch (status) {
    case 0:
        break;
    case EAI_NONAME:
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
    case EAI_AGAIN:
    case EAI_FAIL:
        NotFound = true;
        return Fail(ENOENT);
    case EAI_SYSTEM:
        return Fail(errno != 0 ? errno : EIO);
    case EAI_MEMORY:
        return Fail(ENOMEM);
    default:
        return Fail(EINVAL);
    }
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);

    // Every address the name has, in the resolver's order, until one connects. A refusal or
    // time-out says more than an address family this machine lacks, so that is what is kept.
    int error = ETIMEDOUT;
    bool tried = false;
    for (const addrinfo* a = list.get(); a != nullptr; a = a->ai_next) {
        if (MsLeft(deadline) <= 0) {
            error = ETIMEDOUT;
            break;
        }
        const int fd =
            socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            if (!tried) error = errno;
            continue;
        }
        const int e = Connect(fd, *a, deadline);
        if (e == 0) {
            SetUp(fd);
            try {
                return std::make_unique<TNetDevice>(fd);
            } catch (...) {
                close(fd);
                throw;
            }
        }
        close(fd);
        error = e;
        tried = true;
    }
    return Fail(error);
}

} // namespace VaPlatform
