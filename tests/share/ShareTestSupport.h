#pragma once
// Loopback peers of the share hub for its tests: TCP clients, a UDP receiver, a terminal
// reader, and a wait that only guards against hangs.

#include "share/ShareHub.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sharetest {

// Generous: only a hang ever reaches it.
constexpr int kHangGuardMs = 10000;

inline bool WaitFor(const std::function<bool()>& Done, int DeadlineMs = kHangGuardMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(DeadlineMs);
    while (!Done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

inline int PortOf(const std::string& Where) {
    const auto colon = Where.rfind(':');
    return colon == std::string::npos ? 0 : std::atoi(Where.c_str() + colon + 1);
}

inline sockaddr_in Loopback(int Port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(Port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

inline std::string LocalName(int Fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(Fd, reinterpret_cast<sockaddr*>(&a), &len);
    char host[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &a.sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(a.sin_port));
}

// A port that was free a moment ago (bound to 0, read, closed), for a program that must bind
// it itself.
inline int FreePort(int Type) {
    const int fd = socket(AF_INET, Type | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

// Reads whatever Fd has until Want says it is enough or the guard runs out; false on EOF.
inline bool ReadUntil(int Fd, std::string& Got, const std::function<bool(const std::string&)>& Want,
                      int DeadlineMs = kHangGuardMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(DeadlineMs);
    char buf[65536];
    while (!Want(Got)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return false;
        pollfd p{Fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        const ssize_t n = read(Fd, buf, sizeof buf);
        if (n > 0)
            Got.append(buf, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return false;
    }
    return true;
}

class TTcpClient {
public:
    // RcvBuf > 0: a small receive window, set before connecting.
    explicit TTcpClient(int Port, int RcvBuf = 0) {
        FFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (RcvBuf > 0) setsockopt(FFd, SOL_SOCKET, SO_RCVBUF, &RcvBuf, sizeof RcvBuf);
        const sockaddr_in a = Loopback(Port);
        Connected = connect(FFd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    }
    ~TTcpClient() {
        if (FFd >= 0) close(FFd);
    }
    TTcpClient(const TTcpClient&) = delete;
    TTcpClient& operator=(const TTcpClient&) = delete;

    int Fd() const { return FFd; }
    std::string Name() const { return LocalName(FFd); }
    // Until Received holds Count bytes; false on EOF or the guard.
    bool ReadBytes(std::size_t Count) {
        return ReadUntil(FFd, Received, [&](const std::string& S) { return S.size() >= Count; });
    }
    // Until the server closes (or resets); false when it did not.
    bool ReadToEnd() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangGuardMs);
        char buf[65536];
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{FFd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = read(FFd, buf, sizeof buf);
            if (n > 0)
                Received.append(buf, static_cast<std::size_t>(n));
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                return true;
        }
        return false;
    }
    bool SendAll(const std::string& Bytes) {
        for (std::size_t sent = 0; sent < Bytes.size();) {
            const ssize_t n = send(FFd, Bytes.data() + sent, Bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }
    // Leaves with a reset instead of an orderly close.
    void Reset() {
        const linger l{1, 0};
        setsockopt(FFd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        close(FFd);
        FFd = -1;
    }

    bool Connected = false;
    std::string Received;

private:
    int FFd = -1;
};

class TUdpReceiver {
public:
    explicit TUdpReceiver(int Port = 0) {
        FFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int big = 1 << 20;
        setsockopt(FFd, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
        sockaddr_in a = Loopback(Port);
        Bound = bind(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        socklen_t len = sizeof a;
        getsockname(FFd, reinterpret_cast<sockaddr*>(&a), &len);
        FPort = ntohs(a.sin_port);
    }
    ~TUdpReceiver() { close(FFd); }
    TUdpReceiver(const TUdpReceiver&) = delete;
    TUdpReceiver& operator=(const TUdpReceiver&) = delete;

    int Port() const { return FPort; }
    // The datagrams that came until Count of them or the guard.
    std::vector<std::string> Receive(std::size_t Count, int DeadlineMs = kHangGuardMs) {
        std::vector<std::string> got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(DeadlineMs);
        char buf[65536];
        while (got.size() < Count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  end - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) break;
            pollfd p{FFd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            const ssize_t n = recv(FFd, buf, sizeof buf, 0);
            if (n >= 0) got.emplace_back(buf, static_cast<std::size_t>(n));
        }
        return got;
    }

    bool Bound = false;

private:
    int FFd = -1;
    int FPort = 0;
};

// A clock the test moves by hand.
struct TManualClock {
    std::atomic<std::int64_t> Ms{1000000};
    std::function<std::int64_t()> Fn() {
        return [this] { return Ms.load(); };
    }
};

// Sentences as the transponder sends them, numbered so order and loss show.
inline std::string Sentence(int N) {
    return "$GPTXT,01,01,02,SHARE TEST SENTENCE " + std::to_string(N) + "*00";
}

inline void FeedText(TShareHub& Hub, const std::string& Text) {
    Hub.Feed(reinterpret_cast<const std::uint8_t*>(Text.data()), Text.size());
}

} // namespace sharetest
