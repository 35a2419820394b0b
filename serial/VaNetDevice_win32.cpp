// A raw TCP connection as the port's line on Windows (ser2net in raw mode, a WiFi NMEA gateway):
// a Winsock socket whose arrivals and end are signalled on an event object (WSAEventSelect),
// which the receive thread waits for beside its stop event.
#include "serial/TimedLookup.h"
#include "serial/VaDevice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
// Winsock first: the others build on its types.
#include <winsock2.h>

#include <mstcpip.h>
#include <windows.h>
#include <ws2tcpip.h>

// Winsock's per-connection retransmission limit in seconds (ws2ipdef.h), not in mingw's headers.
#ifndef TCP_MAXRT
#define TCP_MAXRT 5
#endif

namespace VaPlatform {

namespace {

using TClock = std::chrono::steady_clock;

// As on Linux: a gateway that vanished without closing ends the connection after about
// 5 + a few times 2 s without a sign of it; unacknowledged bytes end it after 10 s.
constexpr ULONG kKeepIdleMs = 5000, kKeepIntervalMs = 2000;
constexpr DWORD kMaxRetransmitS = 10;
// How often a writer whose connection took nothing looks again: Winsock signals "writable" only
// to the one event the receive thread waits for.
constexpr DWORD kWritePollMs = 20;

int ErrnoOfSocketError(int Error) {
    switch (Error) {
    case WSAEWOULDBLOCK:
        return EAGAIN;
    case WSAECONNREFUSED:
        return ECONNREFUSED;
    case WSAETIMEDOUT:
        return ETIMEDOUT;
    case WSAEHOSTUNREACH:
    case WSAEHOSTDOWN:
        return EHOSTUNREACH;
    case WSAENETUNREACH:
    case WSAENETDOWN:
        return ENETUNREACH;
    case WSAECONNRESET:
    case WSAECONNABORTED:
        return ECONNRESET;
    case WSAENOBUFS:
    case WSA_NOT_ENOUGH_MEMORY:
        return ENOMEM;
    case WSAEACCES:
        return EACCES;
    case WSAEAFNOSUPPORT:
    case WSAEINVAL:
        return EINVAL;
    default:
        return EIO;
    }
}

// errno from the socket's last error; -1, for returning.
long SocketFailed() {
    errno = ErrnoOfSocketError(WSAGetLastError());
    return -1;
}

int MsLeft(TClock::time_point Deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, 1 << 30)) : 0;
}

bool WinsockStarted() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

class TNetDevice final : public TDevice {
public:
    TNetDevice(SOCKET S, WSAEVENT E) : FSocket(S), FEvent(E) {}
    ~TNetDevice() override {
        const int saved = errno;
        closesocket(FSocket);
        WSACloseEvent(FEvent);
        errno = saved;
    }

    // The gateway drives the serial line with its own settings: a raw connection carries
    // bytes only, so line settings, queue sizes and modem lines are taken and change nothing.
    bool WriteLineSettings(const TLineSettings&) override { return true; }
    bool SetQueueSizes(int, int) override { return true; }
    bool SetModemLine(bool, bool) override { return true; }
    bool SetImmediateReads() override { return true; } // the socket does not block
    bool ReadLineCounters(TLineCounters& C) override {
        C = TLineCounters{};
        return true;
    }
    // Winsock does not tell what it still has to send.
    bool QueueLevels(int& InQueue, int& OutQueue) override {
        InQueue = OutQueue = 0;
        u_long n = 0;
        if (ioctlsocket(FSocket, FIONREAD, &n) != 0) {
            SocketFailed();
            return false;
        }
        InQueue = static_cast<int>(std::min<u_long>(n, 1u << 30));
        return true;
    }

    long Read(void* Buf, std::size_t Count) override {
        const int n = recv(FSocket, static_cast<char*>(Buf),
                           static_cast<int>(std::min<std::size_t>(Count, 1u << 30)), 0);
        if (n >= 0) return n; // 0 at the far end's close too: nothing has arrived
        if (WSAGetLastError() == WSAEWOULDBLOCK) return 0;
        return SocketFailed();
    }
    long Write(const void* Buf, std::size_t Count) override {
        const int n = send(FSocket, static_cast<const char*>(Buf),
                           static_cast<int>(std::min<std::size_t>(Count, 1u << 30)), 0);
        return n >= 0 ? n : SocketFailed();
    }
    // What Winsock has taken for sending cannot be called back; what waits to be read is read
    // and thrown away, no more than was there when the purge began.
    bool Purge(bool Input, bool) override {
        if (!Input) return true;
        u_long waiting = 0;
        if (ioctlsocket(FSocket, FIONREAD, &waiting) != 0) {
            SocketFailed();
            return false;
        }
        char buf[4096];
        while (waiting > 0) {
            const int n =
                recv(FSocket, buf, static_cast<int>(std::min<u_long>(sizeof buf, waiting)), 0);
            if (n <= 0) return n == 0 || WSAGetLastError() == WSAEWOULDBLOCK;
            waiting -= static_cast<u_long>(n);
        }
        return true;
    }

    TWaitResult Wait(std::initializer_list<TVaWaitEvent*> Events, TDeviceWait What,
                     int TimeoutMs) override {
        if (What == TDeviceWait::None)
            return WaitAny(Events, InvalidHandle, TDeviceWait::None, TimeoutMs);
        HANDLE handles[MAXIMUM_WAIT_OBJECTS];
        DWORD n = 0;
        for (TVaWaitEvent* e : Events) handles[n++] = static_cast<HANDLE>(e->Handle());
        const DWORD events = n;
        TWaitResult r;
        if (What == TDeviceWait::Writable) {
            // Ready when a select says so; the events are looked at between the looks.
            const auto deadline = TimeoutMs < 0
                                      ? TClock::time_point::max()
                                      : TClock::now() + std::chrono::milliseconds(TimeoutMs);
            for (;;) {
                fd_set w, x;
                FD_ZERO(&w);
                FD_ZERO(&x);
                FD_SET(FSocket, &w);
                FD_SET(FSocket, &x);
                timeval now{0, 0};
                const int s = select(0, nullptr, &w, &x, &now);
                if (s < 0 || FD_ISSET(FSocket, &x)) {
                    r.Gone = true;
                    return r;
                }
                if (s > 0) {
                    r.Ready = true;
                    return r;
                }
                const DWORD wait =
                    deadline == TClock::time_point::max()
                        ? kWritePollMs
                        : std::min<DWORD>(kWritePollMs, static_cast<DWORD>(MsLeft(deadline)));
                const DWORD got = events == 0
                                      ? (Sleep(wait), WAIT_TIMEOUT)
                                      : WaitForMultipleObjects(events, handles, FALSE, wait);
                if (got < WAIT_OBJECT_0 + events) {
                    r.Event = static_cast<int>(got - WAIT_OBJECT_0);
                    return r;
                }
                if (got != WAIT_TIMEOUT) {
                    r.Failed = !FailWithLastError();
                    return r;
                }
                if (deadline != TClock::time_point::max() && MsLeft(deadline) <= 0) {
                    r.TimedOut = true;
                    return r;
                }
            }
        }
        // Readable or HangUp: only the receive thread waits so, and it alone takes the socket's
        // network events.
        int waiting = 0, out = 0;
        if (What == TDeviceWait::Readable && !FClosed && QueueLevels(waiting, out) && waiting > 0) {
            r.Ready = true;
            return r;
        }
        if (!FClosed) handles[n++] = FEvent;
        const DWORD ms = FClosed ? 0 : TimeoutMs < 0 ? INFINITE : static_cast<DWORD>(TimeoutMs);
        const DWORD got =
            n == 0 ? (Sleep(ms), WAIT_TIMEOUT) : WaitForMultipleObjects(n, handles, FALSE, ms);
        if (got < WAIT_OBJECT_0 + events) {
            r.Event = static_cast<int>(got - WAIT_OBJECT_0);
            return r;
        }
        if (got == WAIT_TIMEOUT && !FClosed) {
            r.TimedOut = true;
            return r;
        }
        if (got != WAIT_TIMEOUT && got != WAIT_OBJECT_0 + events) {
            r.Failed = !FailWithLastError();
            return r;
        }
        if (!FClosed) {
            WSANETWORKEVENTS ne{};
            if (WSAEnumNetworkEvents(FSocket, FEvent, &ne) != 0) {
                r.Gone = true;
                return r;
            }
            FClosed = (ne.lNetworkEvents & FD_CLOSE) != 0;
        }
        // Bytes that came before the close are still read when reading is asked for; after
        // them the connection is gone, and the receive thread falls silent instead of spinning.
        const bool bytes = QueueLevels(waiting, out) && waiting > 0;
        r.Ready = What == TDeviceWait::Readable && bytes;
        r.Gone = FClosed && !r.Ready;
        return r;
    }

private:
    SOCKET FSocket;
    WSAEVENT FEvent;
    bool FClosed = false; // the far end closed: seen by the receive thread
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
        int Status = 0;
        addrinfo* List = nullptr;
    };
    const auto found = RunWithin(
        TimeoutMs,
        [host = A.Host, service, hints] {
            TFound f;
            f.Status = getaddrinfo(host.c_str(), service.c_str(), &hints, &f.List);
            return f;
        },
        [](TFound& F) {
            if (F.List != nullptr) freeaddrinfo(F.List);
        });
    if (!found) return EAI_AGAIN;
    Result = found->List;
    return found->Status;
}

// Connects the socket by Deadline: 0, or the errno value of the failure.
int Connect(SOCKET S, const addrinfo& Address, TClock::time_point Deadline) {
    u_long on = 1;
    if (ioctlsocket(S, FIONBIO, &on) != 0) return ErrnoOfSocketError(WSAGetLastError());
    if (connect(S, Address.ai_addr, static_cast<int>(Address.ai_addrlen)) == 0) return 0;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return ErrnoOfSocketError(WSAGetLastError());
    fd_set w, x;
    FD_ZERO(&w);
    FD_ZERO(&x);
    FD_SET(S, &w);
    FD_SET(S, &x);
    const int left = MsLeft(Deadline);
    timeval t{left / 1000, (left % 1000) * 1000};
    const int n = select(0, nullptr, &w, &x, &t);
    if (n < 0) return ErrnoOfSocketError(WSAGetLastError());
    if (n == 0) return ETIMEDOUT;
    if (FD_ISSET(S, &w)) return 0;
    int error = 0;
    int size = sizeof error;
    getsockopt(S, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
    return ErrnoOfSocketError(error != 0 ? error : WSAECONNREFUSED);
}

void SetUp(SOCKET S) {
    const BOOL one = TRUE;
    // Queries are short sentences: each goes out as it is written, not held for the next.
    setsockopt(S, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    tcp_keepalive k{1, kKeepIdleMs, kKeepIntervalMs};
    DWORD got = 0;
    WSAIoctl(S, SIO_KEEPALIVE_VALS, &k, sizeof k, nullptr, 0, &got, nullptr, nullptr);
    setsockopt(S, IPPROTO_TCP, TCP_MAXRT, reinterpret_cast<const char*>(&kMaxRetransmitS),
               sizeof kMaxRetransmitS);
}

std::unique_ptr<TDevice> Fail(int Error) {
    errno = Error;
    return nullptr;
}

} // namespace

std::unique_ptr<TDevice> OpenNetwork(const TNetworkAddress& Address, int TimeoutMs,
                                     bool& NotFound) {
    NotFound = false;
    if (!WinsockStarted()) return Fail(EIO);
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
    case EAI_AGAIN:
    case EAI_FAIL:
        NotFound = true;
        return Fail(ENOENT);
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
        const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) {
            if (!tried) error = ErrnoOfSocketError(WSAGetLastError());
            continue;
        }
        const int e = Connect(s, *a, deadline);
        WSAEVENT ev = e == 0 ? WSACreateEvent() : WSA_INVALID_EVENT;
        if (e == 0 && ev != WSA_INVALID_EVENT && WSAEventSelect(s, ev, FD_READ | FD_CLOSE) == 0) {
            SetUp(s);
            try {
                return std::make_unique<TNetDevice>(s, ev);
            } catch (...) {
                closesocket(s);
                WSACloseEvent(ev);
                throw;
            }
        }
        if (ev != WSA_INVALID_EVENT) WSACloseEvent(ev);
        closesocket(s);
        error = e != 0 ? e : EIO;
        tried = true;
    }
    return Fail(error);
}

} // namespace VaPlatform
