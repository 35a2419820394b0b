#include "LoopbackServer.h"

#include "SerialTestSupport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in Loopback(int Port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(Port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

[[noreturn]] void Fail(const char* What) {
    throw std::runtime_error(std::string(What) + ": " + std::strerror(errno));
}

} // namespace

TLoopbackServer::TLoopbackServer() {
    Listen();
}

TLoopbackServer::~TLoopbackServer() {
    CloseConnection();
    StopListening();
}

void TLoopbackServer::Listen() {
    FListen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FListen < 0) Fail("socket");
    const int one = 1;
    // The same port again after StopListening, with the old connections still in TIME_WAIT.
    setsockopt(FListen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = Loopback(FPort);
    if (bind(FListen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) Fail("bind");
    socklen_t size = sizeof a;
    if (getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &size) != 0) Fail("getsockname");
    FPort = ntohs(a.sin_port);
    if (listen(FListen, 4) != 0) Fail("listen");
}

void TLoopbackServer::StopListening() {
    if (FListen >= 0) close(FListen);
    FListen = -1;
}

bool TLoopbackServer::Accept(int TimeoutMs, const std::function<void()>& Idle) {
    if (!WaitReadable(FListen, TimeoutMs, Idle)) return false;
    CloseConnection();
    FConn = accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
    return FConn >= 0;
}

void TLoopbackServer::Send(const std::string& Bytes) {
    std::size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = send(FConn, Bytes.data() + done, Bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("send");
        done += static_cast<std::size_t>(n);
    }
}

std::string TLoopbackServer::Receive(std::size_t Count, int TimeoutMs,
                                     const std::function<void()>& Idle) {
    std::string out;
    const auto start = TClock::now();
    char buf[4096];
    while (out.size() < Count) {
        const long left = TimeoutMs - MsSince(start);
        if (left <= 0 || !WaitReadable(FConn, left, Idle)) break;
        const ssize_t n = recv(FConn, buf, std::min(sizeof buf, Count - out.size()), 0);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

bool TLoopbackServer::PeerClosed(int TimeoutMs, const std::function<void()>& Idle) {
    const auto start = TClock::now();
    char buf[4096];
    for (long left; (left = TimeoutMs - MsSince(start)) > 0;) {
        if (!WaitReadable(FConn, left, Idle)) return false;
        const ssize_t n = recv(FConn, buf, sizeof buf, 0);
        if (n == 0 || (n < 0 && errno == ECONNRESET)) return true;
    }
    return false;
}

void TLoopbackServer::CloseConnection(bool Reset) {
    if (FConn < 0) return;
    if (Reset) {
        const linger l{1, 0};
        setsockopt(FConn, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    close(FConn);
    FConn = -1;
}

int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) Fail("socket");
    sockaddr_in a = Loopback(0);
    socklen_t size = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
        close(fd);
        Fail("bind");
    }
    close(fd);
    return ntohs(a.sin_port);
}
