#include "share/ShareHub.h"

#include "serial/PortNames.h"
#include "share/ShareLines.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::size_t kMaxLine = 1024;
// What Feed may pile up for the sending thread; it takes everything each turn, so only a
// thread kept from running for minutes ever reaches this.
constexpr std::size_t kInboxLimit = 4u << 20;
// The kernel's share of a client's backlog, kept modest so that a client that stops reading
// shows up against the queue limit instead of hiding in a growing socket buffer.
constexpr int kClientSendBuffer = 64 * 1024;
// What one descriptor may make the thread read (and throw away) per turn: a flooding client
// costs CPU time, but never memory and never the others' turn.
constexpr std::size_t kReadBudget = 64 * 1024;
constexpr int kAcceptBudget = 64;
constexpr std::int64_t kAcceptPauseMs = 1000;
// A pseudo-terminal's reader is looked at this often while bytes wait for it...
constexpr std::int64_t kPtyTickMs = 500;
// ...and counts as gone when nothing it was given has been taken for this long.
constexpr std::int64_t kPtyStallMs = 1000;
// The terminal's line discipline holds at most this much; what is written beyond waits in the
// terminal's own buffers, where FIONREAD does not count it.
constexpr int kLineDisciplineFull = 4095;
// A datagram share counts as sending again only after this many sends in a row and this long
// without a failure: on a closed port every other send fails, as ICMP answers the one before.
constexpr int kUdpGoodInRow = 3;
constexpr std::int64_t kUdpQuietMs = 2000;

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string ErrorText(int Error) {
    char buf[128];
    return strerror_r(Error, buf, sizeof buf); // GNU: returns the text
}

std::string AddressText(const sockaddr_in& A) {
    char host[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &A.sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(A.sin_port));
}

std::string SizeText(std::size_t Bytes) {
    if (Bytes >= (1u << 20) && Bytes % (1u << 20) == 0) return std::to_string(Bytes >> 20) + " MiB";
    if (Bytes >= 1024 && Bytes % 1024 == 0) return std::to_string(Bytes >> 10) + " KiB";
    return std::to_string(Bytes) + " bytes";
}

std::uint64_t CountLines(const char* Data, std::size_t Count) {
    return static_cast<std::uint64_t>(std::count(Data, Data + Count, '\n'));
}

bool SetAddress(const std::string& Host, int Port, sockaddr_in& A) {
    A = sockaddr_in{};
    A.sin_family = AF_INET;
    A.sin_port = htons(static_cast<std::uint16_t>(Port));
    return inet_pton(AF_INET, Host.c_str(), &A.sin_addr) == 1;
}

void CloseFd(int& Fd) {
    if (Fd >= 0) close(Fd);
    Fd = -1;
}

// Bytes waiting to go out, taken from the front.
class TByteQueue {
public:
    std::size_t Size() const { return FBuf.size() - FOff; }
    bool Empty() const { return Size() == 0; }
    const char* Data() const { return FBuf.data() + FOff; }
    void Append(const char* Data, std::size_t Count) {
        if (FOff > 0 && FOff * 2 >= FBuf.size()) {
            FBuf.erase(0, FOff);
            FOff = 0;
        }
        FBuf.append(Data, Count);
    }
    void Consume(std::size_t Count) {
        FOff += Count;
        if (FOff >= FBuf.size()) Clear();
    }
    void Clear() {
        FBuf.clear();
        FOff = 0;
        if (FBuf.capacity() > 64 * 1024) std::string().swap(FBuf); // a backlog's memory goes back
    }

private:
    std::string FBuf;
    std::size_t FOff = 0;
};

struct TClient {
    int Fd = -1;
    std::string Name; // "127.0.0.1:40213"
    TByteQueue Queue;
    bool Gone = false;
};

// What the sending thread works with for one share; guarded by the hub's loop mutex.
struct TLiveShare {
    TShareSpec Spec;
    bool Running = false;
    bool StopRequested = false;
    int Fd = -1;        // tcp: the listener; udp: the socket; pty: the master
    std::string Target; // tcp, udp: the address; pty: "COM5"

    // tcp
    std::vector<std::unique_ptr<TClient>> Clients;
    std::int64_t AcceptPausedUntil = 0;

    // udp
    TDatagramGrouper Grouper;
    bool Failing = false;
    int GoodInRow = 0;
    std::int64_t FailedAt = 0;

    // pty
    int Hold = -1; // our own open slave, locked, so the terminal lives between its readers
    std::unique_ptr<TPublishedPort> Published;
    TByteQueue Pending; // what the terminal has not taken yet
    std::int64_t NextTick = INT64_MAX;
    std::int64_t ProgressAt = 0;
    int LastUnread = 0;
    std::uint64_t Written = 0, WrittenAtTick = 0;
    int TakenInRow = 0; // looks in a row that found something taken
    bool Dropping = false;
};

// Opened on the caller's thread by Start, handed to the sending thread.
struct TOpened {
    int Fd = -1, Hold = -1;
    std::unique_ptr<TPublishedPort> Published;
    std::string Where, Target;

    ~TOpened() {
        Published.reset();
        CloseFd(Hold);
        CloseFd(Fd);
    }
};

bool RawTerminal(int Fd) {
    termios t{};
    if (tcgetattr(Fd, &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    return tcsetattr(Fd, TCSANOW, &t) == 0;
}

bool OpenTcp(const TShareSpec& Spec, TOpened& O, std::string& Error) {
    const std::string host = Spec.Address.empty() ? "127.0.0.1" : Spec.Address;
    sockaddr_in a{};
    if (!SetAddress(host, Spec.Port, a)) {
        Error = "\"" + host + "\" is not an IPv4 address";
        return false;
    }
    const std::string where = host + ":" + std::to_string(Spec.Port);
    O.Fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (O.Fd < 0 || setsockopt(O.Fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(O.Fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
        listen(O.Fd, SOMAXCONN) != 0) {
        Error = "cannot listen on " + where + ": " + ErrorText(errno);
        return false;
    }
    socklen_t len = sizeof a;
    getsockname(O.Fd, reinterpret_cast<sockaddr*>(&a), &len);
    O.Where = O.Target = AddressText(a);
    return true;
}

bool OpenUdp(const TShareSpec& Spec, TOpened& O, std::string& Error) {
    sockaddr_in a{};
    if (!SetAddress(Spec.Address, Spec.Port, a)) {
        Error = "\"" + Spec.Address + "\" is not an IPv4 address";
        return false;
    }
    const std::string where = AddressText(a);
    O.Fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (O.Fd < 0 ||
        (Spec.Broadcast && setsockopt(O.Fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)) {
        Error = "cannot send to " + where + ": " + ErrorText(errno);
        return false;
    }
    // Connected, so that a receiver that is not there shows as ECONNREFUSED.
    if (connect(O.Fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        const int e = errno;
        Error = "cannot send to " + where + ": " + ErrorText(e);
        if (e == EACCES && !Spec.Broadcast) Error += " (a broadcast address needs ,broadcast)";
        return false;
    }
    O.Where = O.Target = where;
    return true;
}

bool OpenPty(const TShareSpec& Spec, TOpened& O, std::string& Error) {
    O.Fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (O.Fd < 0 || grantpt(O.Fd) != 0 || unlockpt(O.Fd) != 0 ||
        ptsname_r(O.Fd, name, sizeof name) != 0) {
        Error = "cannot make a pseudo-terminal: " + ErrorText(errno);
        return false;
    }
    fcntl(O.Fd, F_SETFL, fcntl(O.Fd, F_GETFL) | O_NONBLOCK);
    O.Hold = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    // The lock keeps the Corvane tools' own port scan (which locks) off the share; programs
    // that do not lock open it as usual.
    if (O.Hold < 0 || !RawTerminal(O.Hold) || flock(O.Hold, LOCK_EX | LOCK_NB) != 0) {
        Error = std::string(name) + ": " + ErrorText(errno);
        return false;
    }
    try {
        O.Published = std::make_unique<TPublishedPort>(Spec.PortNum, name);
    } catch (const std::exception& e) {
        Error = std::string("cannot publish the pseudo-terminal: ") + e.what();
        return false;
    }
    O.Target = "COM" + std::to_string(O.Published->PortNum());
    O.Where = O.Target + " " + name;
    return true;
}

enum class TLoopState { Processing, Polling, Handler };

// What one entry of the poll set stands for.
struct TPollRef {
    enum { Wake, Listener, Peer, Master } Kind = Wake;
    std::size_t Share = 0;
    TClient* Client = nullptr;
};

} // namespace

struct TShareHub::TImpl {
    explicit TImpl(std::size_t QueueLimit) : Limit(std::max(QueueLimit, kMaxLine + 2)) {}

    const std::size_t Limit;
    std::function<std::int64_t()> Now = SteadyMs;

    // Start, Stop and Add one at a time.
    std::mutex ControlMutex;

    // The framing, on the caller's side of Feed.
    std::mutex FrameMutex;
    TLineFramer Framer{kMaxLine};
    std::string Framed;
    std::atomic<int> Running{0};

    // The inbox: framed lines, CR LF ended, not yet taken by the sending thread.
    std::mutex InboxMutex;
    std::string Inbox;
    std::uint64_t InboxLost = 0;
    int WakeFd = -1;
    std::atomic<bool> WakePending{false};

    // The sending thread's world; held by it except while it polls or calls the handler.
    std::mutex LoopMutex;
    std::condition_variable LoopChanged;
    TLoopState LoopState = TLoopState::Processing;
    bool Quit = false;
    std::vector<std::unique_ptr<TLiveShare>> Shares;
    std::thread Thread;
    std::atomic<std::thread::id> LoopThread{};
    bool Changed = false; // a status changed this turn: the handler is due
    std::string Taken;    // the lines taken from the inbox this turn

    mutable std::mutex StatusMutex;
    std::vector<TShareStatus> Status;

    std::mutex HandlerMutex;
    std::condition_variable HandlerDone;
    std::function<void()> Handler;
    bool CallingHandler = false;

    bool OnLoopThread() const { return std::this_thread::get_id() == LoopThread.load(); }

    void Wake() {
        if (WakePending.exchange(true)) return;
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(WakeFd, &one, sizeof one);
    }

    // ---- status, from the sending thread (loop mutex held) ----
    template <class F> void Update(std::size_t I, F&& Change) {
        std::lock_guard lk(StatusMutex);
        Change(Status[I]);
    }
    void Note(std::size_t I, const std::string& Event) {
        Update(I, [&](TShareStatus& S) { S.LastEvent = Event; });
        Changed = true;
    }
    void SetClients(std::size_t I) {
        const int n = static_cast<int>(Shares[I]->Clients.size());
        Update(I, [&](TShareStatus& S) { S.Clients = n; });
        Changed = true;
    }

    void Run();
    void TakeEvents(const std::vector<pollfd>& Fds, const std::vector<TPollRef>& Refs);
    void TakeInbox();
    void RunTimers(std::int64_t Now);
    int BuildPollSet(std::vector<pollfd>& Fds, std::vector<TPollRef>& Refs, std::int64_t Now);
    void CloseShare(std::size_t I);

    void Accept(std::size_t I, std::int64_t Now);
    void Discard(int Fd, bool& Gone, int& Error);
    void SendQueue(TClient& C);
    void Disconnect(std::size_t I, TClient& C, const std::string& Why);
    void SweepClients(std::size_t I);
    void DeliverTcp(std::size_t I, const std::string& Batch, std::uint64_t Lines);
    void SendDatagrams(std::size_t I, const std::vector<TDatagram>& Out, std::int64_t Now);
    void DeliverPty(std::size_t I, const std::string& Batch, std::int64_t Now);
    void WritePty(std::size_t I, std::int64_t Now);
    void TickPty(std::size_t I, std::int64_t Now);
};

// ---- the sending thread ----

void TShareHub::TImpl::Run() {
    std::vector<pollfd> fds;
    std::vector<TPollRef> refs;
    std::unique_lock lk(LoopMutex);
    for (;;) {
        LoopState = TLoopState::Processing;
        LoopChanged.notify_all();
        if (Quit) break;
        TakeEvents(fds, refs);
        TakeInbox(); // first, so that what was fed before a Stop still goes out
        for (std::size_t i = 0; i < Shares.size(); ++i)
            if (Shares[i]->StopRequested) CloseShare(i);
        LoopChanged.notify_all();
        RunTimers(Now());

        std::function<void()> handler;
        if (std::exchange(Changed, false)) {
            std::lock_guard hl(HandlerMutex);
            handler = Handler;
            CallingHandler = static_cast<bool>(handler);
        }
        if (handler) {
            LoopState = TLoopState::Handler;
            LoopChanged.notify_all();
            lk.unlock();
            try {
                handler();
            } catch (...) {
                // The receiver's failure is its own; the shares go on.
            }
            {
                std::lock_guard hl(HandlerMutex);
                CallingHandler = false;
                HandlerDone.notify_all();
            }
            lk.lock();
            LoopState = TLoopState::Processing;
            if (Quit) break;
        }

        const int timeout = BuildPollSet(fds, refs, Now());
        LoopState = TLoopState::Polling;
        lk.unlock();
        if (poll(fds.data(), fds.size(), timeout) < 0) {
            for (pollfd& p : fds) p.revents = 0; // EINTR: nothing to take this turn
        }
        lk.lock();
    }
    for (std::size_t i = 0; i < Shares.size(); ++i)
        if (Shares[i]->Running) CloseShare(i);
}

int TShareHub::TImpl::BuildPollSet(std::vector<pollfd>& Fds, std::vector<TPollRef>& Refs,
                                   std::int64_t Now) {
    Fds.clear();
    Refs.clear();
    Fds.push_back({WakeFd, POLLIN, 0});
    Refs.push_back({});
    std::int64_t deadline = INT64_MAX;
    for (std::size_t i = 0; i < Shares.size(); ++i) {
        TLiveShare& s = *Shares[i];
        if (!s.Running) continue;
        switch (s.Spec.Kind) {
        case TShareSpec::TKind::Tcp:
            if (Now >= s.AcceptPausedUntil) {
                Fds.push_back({s.Fd, POLLIN, 0});
                Refs.push_back({TPollRef::Listener, i, nullptr});
            } else {
                deadline = std::min(deadline, s.AcceptPausedUntil);
            }
            for (auto& c : s.Clients) {
                const short events = static_cast<short>(POLLIN | (c->Queue.Empty() ? 0 : POLLOUT));
                Fds.push_back({c->Fd, events, 0});
                Refs.push_back({TPollRef::Peer, i, c.get()});
            }
            break;
        case TShareSpec::TKind::Udp:
            // Not polled: what a receiver might send back is left to the socket's own limit.
            deadline = std::min(deadline, s.Grouper.Deadline());
            break;
        case TShareSpec::TKind::Pty:
            Fds.push_back(
                {s.Fd, static_cast<short>(POLLIN | (s.Pending.Empty() ? 0 : POLLOUT)), 0});
            Refs.push_back({TPollRef::Master, i, nullptr});
            deadline = std::min(deadline, s.NextTick);
            break;
        }
    }
    if (deadline == INT64_MAX) return -1;
    return static_cast<int>(std::clamp<std::int64_t>(deadline - Now, 0, 60 * 1000));
}

void TShareHub::TImpl::TakeEvents(const std::vector<pollfd>& Fds,
                                  const std::vector<TPollRef>& Refs) {
    const std::int64_t now = Now();
    std::vector<std::size_t> touched;
    for (std::size_t k = 0; k < Fds.size(); ++k) {
        const short ev = Fds[k].revents;
        if (ev == 0) continue;
        const TPollRef& r = Refs[k];
        switch (r.Kind) {
        case TPollRef::Wake: {
            std::uint64_t n = 0;
            [[maybe_unused]] const ssize_t got = read(WakeFd, &n, sizeof n);
            WakePending = false;
            break;
        }
        case TPollRef::Listener:
            Accept(r.Share, now);
            break;
        case TPollRef::Peer: {
            TClient& c = *r.Client;
            if (ev & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
                int error = 0;
                Discard(c.Fd, c.Gone, error);
                if (c.Gone)
                    Disconnect(r.Share, c,
                               c.Name + " disconnected" +
                                   (error != 0 ? " (" + ErrorText(error) + ")" : ""));
                else if (ev & (POLLERR | POLLNVAL))
                    Disconnect(r.Share, c, c.Name + " disconnected");
            }
            if (!c.Gone && (ev & POLLOUT)) {
                SendQueue(c);
                if (c.Gone) Disconnect(r.Share, c, c.Name + " disconnected");
            }
            touched.push_back(r.Share);
            break;
        }
        case TPollRef::Master: {
            TLiveShare& s = *Shares[r.Share];
            if (ev & POLLIN) {
                bool gone = false;
                int error = 0;
                Discard(s.Fd, gone, error); // what the reader writes goes nowhere
            }
            if (ev & POLLOUT) WritePty(r.Share, now);
            break;
        }
        }
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (std::size_t i : touched) SweepClients(i);
}

void TShareHub::TImpl::Accept(std::size_t I, std::int64_t Now) {
    TLiveShare& s = *Shares[I];
    for (int k = 0; k < kAcceptBudget; ++k) {
        sockaddr_in a{};
        socklen_t len = sizeof a;
        const int fd =
            accept4(s.Fd, reinterpret_cast<sockaddr*>(&a), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            const int e = errno;
            if (e == EAGAIN || e == EWOULDBLOCK) return;
            if (e == ECONNABORTED || e == EINTR || e == EPROTO) continue; // it went already
            // Out of descriptors or memory: the connection stays in the backlog, and without a
            // pause the listener would keep the thread spinning.
            s.AcceptPausedUntil = Now + kAcceptPauseMs;
            Note(I, "cannot take another client: " + ErrorText(e));
            return;
        }
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kClientSendBuffer, sizeof kClientSendBuffer);
        auto c = std::make_unique<TClient>();
        c->Fd = fd;
        c->Name = AddressText(a);
        const std::string event = c->Name + " connected";
        s.Clients.push_back(std::move(c));
        const int n = static_cast<int>(s.Clients.size());
        Update(I, [&](TShareStatus& S) {
            S.Clients = n;
            S.LastEvent = event;
        });
        Changed = true;
    }
}

void TShareHub::TImpl::Discard(int Fd, bool& Gone, int& Error) {
    char buf[4096];
    for (std::size_t taken = 0; taken < kReadBudget;) {
        const ssize_t n = read(Fd, buf, sizeof buf);
        if (n > 0) {
            taken += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0) {
            Gone = true;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            Gone = true;
            Error = errno;
        }
        return;
    }
}

void TShareHub::TImpl::SendQueue(TClient& C) {
    while (!C.Queue.Empty()) {
        const ssize_t n = send(C.Fd, C.Queue.Data(), C.Queue.Size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            C.Queue.Consume(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
        C.Gone = true; // EPIPE, ECONNRESET: the client went
        return;
    }
}

void TShareHub::TImpl::Disconnect(std::size_t I, TClient& C, const std::string& Why) {
    if (C.Fd < 0) return;
    C.Gone = true;
    CloseFd(C.Fd);
    C.Queue.Clear();
    Note(I, Why);
}

void TShareHub::TImpl::SweepClients(std::size_t I) {
    auto& clients = Shares[I]->Clients;
    const auto before = clients.size();
    std::erase_if(clients, [](const std::unique_ptr<TClient>& C) { return C->Gone; });
    if (clients.size() != before) SetClients(I);
}

void TShareHub::TImpl::TakeInbox() {
    std::string& batch = Taken;
    batch.clear();
    std::uint64_t lost = 0;
    {
        std::lock_guard lk(InboxMutex);
        std::swap(batch, Inbox);
        lost = InboxLost;
        InboxLost = 0;
    }
    if (batch.empty() && lost == 0) return;
    const std::uint64_t lines = CountLines(batch.data(), batch.size());
    const std::int64_t now = Now();
    for (std::size_t i = 0; i < Shares.size(); ++i) {
        TLiveShare& s = *Shares[i];
        if (!s.Running) continue;
        if (lost > 0) {
            Update(i, [&](TShareStatus& S) {
                if (s.Spec.Kind != TShareSpec::TKind::Tcp) S.Dropped += lost;
            });
            Note(i, "the hub fell behind and lost " + std::to_string(lost) + " sentences");
        }
        if (batch.empty()) continue;
        switch (s.Spec.Kind) {
        case TShareSpec::TKind::Tcp:
            DeliverTcp(i, batch, lines);
            break;
        case TShareSpec::TKind::Udp: {
            std::vector<TDatagram> out;
            for (std::size_t p = 0; p < batch.size();) {
                const std::size_t e = batch.find('\n', p) + 1;
                s.Grouper.Take(std::string_view(batch).substr(p, e - p), now, out);
                p = e;
            }
            SendDatagrams(i, out, now);
            break;
        }
        case TShareSpec::TKind::Pty:
            DeliverPty(i, batch, now);
            break;
        }
    }
    if (batch.capacity() > kInboxLimit / 4) std::string().swap(batch);
}

void TShareHub::TImpl::DeliverTcp(std::size_t I, const std::string& Batch, std::uint64_t Lines) {
    TLiveShare& s = *Shares[I];
    std::uint64_t fellBehind = 0;
    bool handed = false;
    for (auto& cp : s.Clients) {
        TClient& c = *cp;
        if (c.Gone) continue;
        std::size_t sent = 0;
        if (c.Queue.Empty()) { // the usual case: straight to the kernel, no copy
            while (sent < Batch.size()) {
                const ssize_t n = send(c.Fd, Batch.data() + sent, Batch.size() - sent,
                                       MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n > 0) {
                    sent += static_cast<std::size_t>(n);
                    continue;
                }
                if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) break;
                c.Gone = true;
                break;
            }
            if (c.Gone) {
                Disconnect(I, c, c.Name + " disconnected");
                continue;
            }
        }
        const std::size_t rest = Batch.size() - sent;
        if (c.Queue.Size() + rest > Limit) {
            ++fellBehind;
            Disconnect(I, c, c.Name + " fell " + SizeText(Limit) + " behind and was disconnected");
            continue;
        }
        c.Queue.Append(Batch.data() + sent, rest);
        handed = true;
    }
    Update(I, [&](TShareStatus& S) {
        if (handed) S.Sentences += Lines;
        S.Dropped += fellBehind;
    });
    SweepClients(I);
}

void TShareHub::TImpl::SendDatagrams(std::size_t I, const std::vector<TDatagram>& Out,
                                     std::int64_t Now) {
    TLiveShare& s = *Shares[I];
    std::uint64_t sent = 0, dropped = 0;
    for (const TDatagram& d : Out) {
        const ssize_t n = send(s.Fd, d.Bytes.data(), d.Bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            sent += static_cast<std::uint64_t>(d.Sentences);
            if (s.Failing && ++s.GoodInRow >= kUdpGoodInRow && Now - s.FailedAt >= kUdpQuietMs) {
                s.Failing = false;
                Note(I, "sending to " + s.Target + " works again");
            }
            continue;
        }
        // EAGAIN, ENOBUFS, ECONNREFUSED (nobody at the port), unreachable: the datagram is
        // lost, the share goes on.
        const int e = errno;
        dropped += static_cast<std::uint64_t>(d.Sentences);
        s.GoodInRow = 0;
        s.FailedAt = Now;
        if (!s.Failing) {
            s.Failing = true;
            Note(I, "sending to " + s.Target + " fails (" + ErrorText(e) +
                        "); its sentences are dropped");
        }
    }
    if (sent + dropped > 0)
        Update(I, [&](TShareStatus& S) {
            S.Sentences += sent;
            S.Dropped += dropped;
        });
}

void TShareHub::TImpl::DeliverPty(std::size_t I, const std::string& Batch, std::int64_t Now) {
    TLiveShare& s = *Shares[I];
    std::size_t take = Batch.size();
    if (s.Pending.Size() + take > Limit) {
        // Whole lines up to the limit; the rest is dropped.
        take = 0;
        for (std::size_t p = 0; p < Batch.size();) {
            const std::size_t e = Batch.find('\n', p) + 1;
            if (s.Pending.Size() + e > Limit) break;
            take = p = e;
        }
        const std::uint64_t dropped = CountLines(Batch.data() + take, Batch.size() - take);
        Update(I, [&](TShareStatus& S) { S.Dropped += dropped; });
    }
    s.Pending.Append(Batch.data(), take);
    WritePty(I, Now);
}

void TShareHub::TImpl::WritePty(std::size_t I, std::int64_t Now) {
    TLiveShare& s = *Shares[I];
    std::uint64_t lines = 0;
    const std::uint64_t before = s.Written;
    while (!s.Pending.Empty()) {
        const ssize_t n = write(s.Fd, s.Pending.Data(), s.Pending.Size());
        if (n <= 0) break; // full: its reader is slow or absent
        lines += CountLines(s.Pending.Data(), static_cast<std::size_t>(n));
        s.Written += static_cast<std::uint64_t>(n);
        s.Pending.Consume(static_cast<std::size_t>(n));
    }
    if (lines > 0) Update(I, [&](TShareStatus& S) { S.Sentences += lines; });
    if (s.NextTick == INT64_MAX && (s.Written != before || !s.Pending.Empty())) {
        s.NextTick = Now + kPtyTickMs;
        s.ProgressAt = Now; // nothing waited until now
    }
}

// Whether anybody reads the terminal. Bytes the terminal holds unread whose number has not gone
// down for a while have no reader: they are thrown away, as a closed port on a real line would
// lose them, so the terminal never jams and the next reader gets fresh sentences.
void TShareHub::TImpl::TickPty(std::size_t I, std::int64_t Now) {
    TLiveShare& s = *Shares[I];
    int unread = 0;
    if (ioctl(s.Hold, FIONREAD, &unread) != 0) unread = 0;
    const std::uint64_t given = s.Written - s.WrittenAtTick;
    const bool taken =
        unread < s.LastUnread ||
        (unread < kLineDisciplineFull &&
         static_cast<std::uint64_t>(unread) < static_cast<std::uint64_t>(s.LastUnread) + given);
    // A look right after a write may find bytes still on their way into the terminal and take
    // them for read: enough to keep the terminal, but being read again takes two looks.
    s.TakenInRow = taken ? s.TakenInRow + 1 : 0;
    if (taken) {
        s.ProgressAt = Now;
        if (s.Dropping && s.TakenInRow >= 2) {
            s.Dropping = false;
            Note(I, s.Target + " is read again");
        }
    } else if (unread == 0 && s.Pending.Empty()) {
        s.ProgressAt = Now; // nothing waits
    } else if (Now - s.ProgressAt >= kPtyStallMs) {
        // Read out through our own hold, so the lines thrown away can be counted.
        char buf[4096];
        std::uint64_t lines = 0;
        for (;;) {
            const ssize_t n = read(s.Hold, buf, sizeof buf);
            if (n <= 0) break;
            lines += CountLines(buf, static_cast<std::size_t>(n));
        }
        tcflush(s.Hold, TCIFLUSH);
        const std::uint64_t pending = CountLines(s.Pending.Data(), s.Pending.Size());
        s.Pending.Clear();
        Update(I, [&](TShareStatus& S) {
            S.Sentences -= std::min(S.Sentences, lines);
            S.Dropped += lines + pending;
        });
        s.ProgressAt = Now;
        unread = 0;
        if (!s.Dropping) {
            s.Dropping = true;
            Note(I, "nobody reads " + s.Target + "; its sentences are dropped until somebody does");
        }
    }
    s.LastUnread = unread;
    s.WrittenAtTick = s.Written;
    s.NextTick = unread > 0 || !s.Pending.Empty() ? Now + kPtyTickMs : INT64_MAX;
}

void TShareHub::TImpl::RunTimers(std::int64_t Now) {
    for (std::size_t i = 0; i < Shares.size(); ++i) {
        TLiveShare& s = *Shares[i];
        if (!s.Running) continue;
        if (s.Spec.Kind == TShareSpec::TKind::Udp && Now >= s.Grouper.Deadline()) {
            std::vector<TDatagram> out;
            s.Grouper.Expire(Now, out);
            SendDatagrams(i, out, Now);
        }
        if (s.Spec.Kind == TShareSpec::TKind::Pty && Now >= s.NextTick) TickPty(i, Now);
    }
}

void TShareHub::TImpl::CloseShare(std::size_t I) {
    TLiveShare& s = *Shares[I];
    if (s.Spec.Kind == TShareSpec::TKind::Udp && s.Fd >= 0) {
        std::vector<TDatagram> out; // the parts held still go out
        s.Grouper.Flush(out);
        SendDatagrams(I, out, Now());
    }
    for (auto& c : s.Clients) CloseFd(c->Fd);
    s.Clients.clear();
    s.Published.reset(); // the link goes before the terminal
    CloseFd(s.Hold);
    CloseFd(s.Fd);
    const TShareSpec spec = s.Spec;
    s = TLiveShare{};
    s.Spec = spec;
    Update(I, [](TShareStatus& S) {
        S.Running = false;
        S.Where.clear();
        S.Clients = 0;
        S.LastEvent = "stopped";
    });
    Changed = true;
}

// ---- the caller's side ----

TShareHub::TShareHub(std::size_t QueueLimit) : FImpl(std::make_unique<TImpl>(QueueLimit)) {
    FImpl->WakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (FImpl->WakeFd < 0) throw std::runtime_error("eventfd: " + ErrorText(errno));
}

TShareHub::~TShareHub() {
    {
        std::lock_guard lk(FImpl->LoopMutex);
        FImpl->Quit = true;
    }
    FImpl->WakePending = false;
    FImpl->Wake();
    if (FImpl->Thread.joinable()) FImpl->Thread.join();
    for (std::size_t i = 0; i < FImpl->Shares.size(); ++i)
        if (FImpl->Shares[i]->Running) FImpl->CloseShare(i);
    CloseFd(FImpl->WakeFd);
}

int TShareHub::Add(const TShareSpec& Spec) {
    std::lock_guard cl(FImpl->ControlMutex);
    std::lock_guard lk(FImpl->LoopMutex);
    std::lock_guard sl(FImpl->StatusMutex);
    auto s = std::make_unique<TLiveShare>();
    s->Spec = Spec;
    FImpl->Shares.push_back(std::move(s));
    TShareStatus st;
    st.Spec = Spec;
    FImpl->Status.push_back(st);
    return static_cast<int>(FImpl->Status.size()) - 1;
}

bool TShareHub::Start(int Index, std::string& Error) {
    TImpl& m = *FImpl;
    std::lock_guard cl(m.ControlMutex);
    TShareSpec spec;
    {
        std::lock_guard sl(m.StatusMutex);
        if (Index < 0 || static_cast<std::size_t>(Index) >= m.Status.size()) {
            Error = "there is no share " + std::to_string(Index);
            return false;
        }
        if (m.Status[Index].Running) return true;
        spec = m.Status[Index].Spec;
    }
    // A spec made in code has not been through ParseShareSpec's checks.
    const bool pty = spec.Kind == TShareSpec::TKind::Pty;
    const int minPort = spec.Kind == TShareSpec::TKind::Udp ? 1 : 0;
    if (pty ? spec.PortNum < 0 || spec.PortNum > 255 : spec.Port < minPort || spec.Port > 65535) {
        Error = ShareSpecText(spec) + ": the port number is out of range";
        std::lock_guard sl(m.StatusMutex);
        m.Status[Index].Error = Error;
        return false;
    }
    TOpened o;
    bool opened = false;
    switch (spec.Kind) {
    case TShareSpec::TKind::Tcp:
        opened = OpenTcp(spec, o, Error);
        break;
    case TShareSpec::TKind::Udp:
        opened = OpenUdp(spec, o, Error);
        break;
    case TShareSpec::TKind::Pty:
        opened = OpenPty(spec, o, Error);
        break;
    }
    if (!opened) {
        std::lock_guard sl(m.StatusMutex);
        m.Status[Index].Error = Error;
        return false;
    }
    std::string event;
    switch (spec.Kind) {
    case TShareSpec::TKind::Tcp:
        event = "listening on " + o.Where;
        break;
    case TShareSpec::TKind::Udp:
        event = "sending to " + o.Where;
        break;
    case TShareSpec::TKind::Pty:
        event = "published as " + o.Where;
        break;
    }
    {
        std::lock_guard lk(m.LoopMutex);
        TLiveShare& s = *m.Shares[Index];
        s.Fd = std::exchange(o.Fd, -1);
        s.Hold = std::exchange(o.Hold, -1);
        s.Published = std::move(o.Published);
        s.Target = o.Target;
        s.ProgressAt = m.Now();
        s.Running = true;
        m.Changed = true;
        std::lock_guard sl(m.StatusMutex);
        TShareStatus& st = m.Status[Index];
        st.Running = true;
        st.Where = o.Where;
        st.Clients = 0;
        st.Sentences = st.Dropped = 0;
        st.LastEvent = event;
        st.Error.clear();
    }
    ++m.Running;
    if (!m.Thread.joinable()) {
        m.Thread = std::thread([&m] {
            m.LoopThread = std::this_thread::get_id();
            m.Run();
        });
    }
    m.Wake();
    return true;
}

void TShareHub::Stop(int Index) {
    TImpl& m = *FImpl;
    std::lock_guard cl(m.ControlMutex);
    {
        std::unique_lock lk(m.LoopMutex);
        if (Index < 0 || static_cast<std::size_t>(Index) >= m.Shares.size()) return;
        TLiveShare& s = *m.Shares[Index];
        if (!s.Running) return;
        // While the thread polls, the share's descriptors are in its poll set: it closes them
        // itself. While it calls the handler (maybe this very call) they are ours to close.
        if (!m.OnLoopThread()) {
            s.StopRequested = true;
            m.Wake();
            m.LoopChanged.wait(lk,
                               [&] { return !s.Running || m.LoopState == TLoopState::Handler; });
        }
        if (s.Running) {
            m.TakeInbox(); // as the thread would have before closing it
            m.CloseShare(static_cast<std::size_t>(Index));
        }
    }
    --m.Running;
    m.Wake(); // the handler hears of it
}

std::vector<TShareStatus> TShareHub::Status() const {
    std::lock_guard sl(FImpl->StatusMutex);
    return FImpl->Status;
}

void TShareHub::Feed(const std::uint8_t* Data, std::size_t Count) {
    TImpl& m = *FImpl;
    std::lock_guard fl(m.FrameMutex);
    const bool sharing = m.Running.load() > 0;
    m.Framed.clear();
    const std::size_t lines = m.Framer.Take(Data, Count, sharing ? &m.Framed : nullptr);
    if (!sharing || lines == 0) return;
    {
        std::lock_guard il(m.InboxMutex);
        if (m.Inbox.size() + m.Framed.size() > kInboxLimit)
            m.InboxLost += lines;
        else
            m.Inbox.append(m.Framed);
    }
    m.Wake();
}

void TShareHub::ResetFraming() {
    std::lock_guard fl(FImpl->FrameMutex);
    FImpl->Framer.Reset();
}

void TShareHub::SetOnChange(std::function<void()> Handler) {
    TImpl& m = *FImpl;
    std::unique_lock hl(m.HandlerMutex);
    // Once this returns, the old handler is not running and will not run again.
    if (!m.OnLoopThread()) m.HandlerDone.wait(hl, [&] { return !m.CallingHandler; });
    m.Handler = std::move(Handler);
}

void TShareHub::SetClock(std::function<std::int64_t()> NowMs) {
    std::lock_guard lk(FImpl->LoopMutex);
    FImpl->Now = NowMs ? std::move(NowMs) : std::function<std::int64_t()>(SteadyMs);
}

void TShareHub::Poke() {
    FImpl->Wake();
}
