// Linux serial devices: termios2 (any bit rate, the classic termios where the system has none),
// poll, and the ioctls for queue levels and line counters. <asm/termbits.h> clashes with
// <termios.h>, so this file uses ioctls only.
#include "serial/VaCommPlatform.h"

#include "serial/PortNames.h"
#include "serial/VaCommError.h"

#include <algorithm>
#include <asm/termbits.h>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

std::string VaErrorText(int Code) {
    char buf[256];
    // GNU strerror_r: returns the text, which need not be in buf.
    const char* text = strerror_r(Code, buf, sizeof buf);
    std::string s;
    for (const char* p = text; *p != '\0'; ++p)
        if (*p != '\r' && *p != '\n') s += *p;
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '.')) s.pop_back();
    return s;
}

namespace VaPlatform {

namespace {

// Keeps errno across cleanup calls.
struct TKeepErrno {
    int Saved = errno;
    ~TKeepErrno() { errno = Saved; }
};

bool Refuse(int Error) {
    errno = Error;
    return false;
}

THandle NoHandle(int Error) {
    errno = Error;
    return InvalidHandle;
}

// A terminal the scan must never write to.
bool Forbidden(dev_t Device, bool AllowPseudoTerminal) {
    return IsConsoleDevice(Device) || (IsPseudoTerminalDevice(Device) && !AllowPseudoTerminal);
}

// The kernel's codes for the standard bit rates.
constexpr struct {
    std::uint32_t Rate;
    speed_t Code;
} kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// The code of a standard rate, or 0.
speed_t StandardRate(std::uint32_t Rate) {
    for (const auto& r : kStandardRates)
        if (r.Rate == Rate) return r.Code;
    return 0;
}

std::uint32_t RateOfCode(speed_t Code) {
    for (const auto& r : kStandardRates)
        if (r.Code == Code) return r.Rate;
    return 0;
}

// The terminal's settings through termios2, which takes any bit rate. A system without it (an
// emulator such as qemu's user mode) gets the classic termios ioctls, with standard rates only.
bool GetTerminal(THandle H, termios2& T) {
    if (ioctl(H, TCGETS2, &T) == 0) return true;
    if (errno != ENOSYS) return false;
    termios c{};
    if (ioctl(H, TCGETS, &c) != 0) return false;
    T = termios2{};
    T.c_iflag = c.c_iflag;
    T.c_oflag = c.c_oflag;
    T.c_cflag = c.c_cflag;
    T.c_lflag = c.c_lflag;
    T.c_line = c.c_line;
    std::copy(std::begin(c.c_cc), std::end(c.c_cc), std::begin(T.c_cc));
    T.c_ispeed = T.c_ospeed = RateOfCode(c.c_cflag & CBAUD);
    return true;
}

bool SetTerminal(THandle H, const termios2& T) {
    if (ioctl(H, TCSETS2, &T) == 0) return true;
    if (errno != ENOSYS) return false;
    if ((T.c_cflag & CBAUD) == BOTHER) return Refuse(EINVAL);
    termios c{};
    c.c_iflag = T.c_iflag;
    c.c_oflag = T.c_oflag;
    c.c_cflag = T.c_cflag & ~(CBAUD << IBSHIFT); // the input rate follows the output rate
    c.c_lflag = T.c_lflag;
    c.c_line = T.c_line;
    std::copy(std::begin(T.c_cc), std::begin(T.c_cc) + NCCS, std::begin(c.c_cc));
    return ioctl(H, TCSETS, &c) == 0;
}

bool IgnorableModemError(int Error) {
    return Error == ENOTTY || Error == EINVAL;
}

} // namespace

THandle OpenDevice(const std::string& Path, bool AllowPseudoTerminal, bool& NotFound) {
    NotFound = false;
    struct stat st {};
    if (stat(Path.c_str(), &st) != 0) {
        NotFound = errno == ENOENT || errno == ENOTDIR;
        return InvalidHandle;
    }
    // Decided before the open: opening a serial device already raises its modem lines.
    if (!S_ISCHR(st.st_mode)) return NoHandle(ENOTTY);
    if (Forbidden(st.st_rdev, AllowPseudoTerminal)) return NoHandle(EBUSY);

    const int fd = open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        NotFound = errno == ENOENT || errno == ENXIO || errno == ENODEV;
        return InvalidHandle;
    }
    auto fail = [fd](int Error) {
        close(fd);
        errno = Error;
        return InvalidHandle;
    };
    // The path may have been swapped between the check and the open.
    if (fstat(fd, &st) != 0) return fail(errno);
    if (!S_ISCHR(st.st_mode) || !isatty(fd)) return fail(ENOTTY);
    if (Forbidden(st.st_rdev, AllowPseudoTerminal)) return fail(EBUSY);
    // TIOCEXCL does not stop root; the lock does, across processes and links.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    ioctl(fd, TIOCEXCL);
    return fd;
}

void CloseDevice(THandle H) {
    if (H < 0) return;
    TKeepErrno keep;
    ioctl(H, TIOCNXCL);
    close(H);
}

bool ComposeTermios(const TLineSettings& S, TTermiosFlags& T) {
    // What Linux has not: refused rather than silently done differently.
    if (S.Baudrate == 0 || S.Databits == db4 || S.NullStrip || S.OutDsrFlow || S.DsrSensitivity ||
        S.ControlDtr == dtrHandshake || S.ControlRts == rtsToggle ||
        (S.ErrorCharReplace && S.ErrorChar != 0))
        return Refuse(EINVAL);
    if (S.Stopbits == sb15 && S.Databits != db5) return Refuse(EINVAL);
    if (S.Stopbits == sb2 && S.Databits == db5) return Refuse(EINVAL);

    T.Iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON | IXANY |
                 IXOFF | IMAXBEL | IUTF8 | INPCK | IGNPAR);
    if (S.ParityCheck) T.Iflag |= INPCK;
    if (S.XonXoffOut) T.Iflag |= IXON;
    if (S.XonXoffIn) T.Iflag |= IXOFF;
    T.Oflag &= ~OPOST;
    T.Lflag &= ~(ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT | ECHOKE |
                 IEXTEN | NOFLSH | TOSTOP);

    T.Cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
    T.Cflag |= CLOCAL | CREAD | HUPCL;
    static constexpr tcflag_t sizes[] = {0, CS5, CS6, CS7, CS8};
    T.Cflag |= sizes[S.Databits];
    switch (S.Parity) {
    case paNone:
        break;
    case paOdd:
        T.Cflag |= PARENB | PARODD;
        break;
    case paEven:
        T.Cflag |= PARENB;
        break;
    case paMark:
        T.Cflag |= PARENB | CMSPAR | PARODD;
        break;
    case paSpace:
        T.Cflag |= PARENB | CMSPAR;
        break;
    }
    if (S.Stopbits != sb1) T.Cflag |= CSTOPB;
    // Linux couples CTS output flow with RTS input handshaking.
    if (S.OutCtsFlow || S.ControlRts == rtsHandshake) T.Cflag |= CRTSCTS;
    const speed_t standard = StandardRate(S.Baudrate);
    T.Cflag |= standard != 0 ? standard : BOTHER;
    T.Speed = S.Baudrate;
    return true;
}

bool WriteLineSettings(THandle H, const TLineSettings& S) {
    termios2 old{};
    if (!GetTerminal(H, old)) return false;
    TTermiosFlags f{old.c_iflag, old.c_oflag, old.c_cflag, old.c_lflag, old.c_ospeed};
    if (!ComposeTermios(S, f)) return false;
    termios2 t = old;
    t.c_iflag = f.Iflag;
    t.c_oflag = f.Oflag;
    t.c_cflag = f.Cflag;
    t.c_lflag = f.Lflag;
    t.c_ispeed = t.c_ospeed = f.Speed;
    t.c_cc[VSTART] = static_cast<cc_t>(S.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(S.XoffChar);
    t.c_cc[VEOF] = static_cast<cc_t>(S.EofChar);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (!SetTerminal(H, t)) return false;

    // A driver puts what it cannot do back silently (a pseudo-terminal keeps 8N1, an adapter
    // picks the nearest rate): that is a refusal, and the old settings return.
    termios2 now{};
    if (!GetTerminal(H, now)) return false;
    constexpr tcflag_t frame = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
    const bool rateOff =
        std::fabs(double(now.c_ospeed) - double(S.Baudrate)) > 0.02 * double(S.Baudrate);
    if ((now.c_cflag & frame) != (t.c_cflag & frame) || rateOff) {
        SetTerminal(H, old);
        return Refuse(EINVAL);
    }

    if (S.ControlDtr != dtrHandshake && !SetModemLine(H, true, S.ControlDtr == dtrEnabled))
        return false;
    // With handshaking the driver drives RTS itself.
    if ((t.c_cflag & CRTSCTS) == 0 && !SetModemLine(H, false, S.ControlRts == rtsEnabled))
        return false;
    return true;
}

bool SetModemLine(THandle H, bool Dtr, bool On) {
    int bits = Dtr ? TIOCM_DTR : TIOCM_RTS;
    if (ioctl(H, On ? TIOCMBIS : TIOCMBIC, &bits) == 0) return true;
    return IgnorableModemError(errno);
}

bool SetQueueSizes(THandle H, int, int) {
    return fcntl(H, F_GETFL) != -1;
}

bool SetImmediateReads(THandle H) {
    const int flags = fcntl(H, F_GETFL);
    return flags != -1 && fcntl(H, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool ReadLineCounters(THandle H, TLineCounters& C) {
    serial_icounter_struct ic{};
    if (ioctl(H, TIOCGICOUNT, &ic) != 0) {
        C = TLineCounters{};
        // 515 is the kernel's ENOIOCTLCMD, which some drivers let through
        return errno == ENOTTY || errno == EINVAL || errno == 515;
    }
    C.Valid = true;
    C.Frame = ic.frame;
    C.Overrun = ic.overrun;
    C.Parity = ic.parity;
    C.Break = ic.brk;
    C.BufOverrun = ic.buf_overrun;
    C.Cts = ic.cts;
    C.Dsr = ic.dsr;
    C.Ring = ic.rng;
    C.Dcd = ic.dcd;
    return true;
}

bool QueueLevels(THandle H, int& InQueue, int& OutQueue) {
    InQueue = OutQueue = 0;
    return ioctl(H, FIONREAD, &InQueue) == 0 && ioctl(H, TIOCOUTQ, &OutQueue) == 0;
}

long ReadDevice(THandle H, void* Buf, std::size_t Count) {
    for (;;) {
        const ssize_t n = read(H, Buf, Count);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (WouldBlock(errno)) return 0;
        return -1;
    }
}

long WriteDevice(THandle H, const void* Buf, std::size_t Count) {
    for (;;) {
        const ssize_t n = write(H, Buf, Count);
        if (n >= 0 || errno != EINTR) return n;
    }
}

bool WouldBlock(int Error) {
    return Error == EAGAIN || Error == EWOULDBLOCK;
}

bool PurgeDevice(THandle H, bool Input, bool Output) {
    const int what = Input && Output ? TCIOFLUSH : Input ? TCIFLUSH : TCOFLUSH;
    return ioctl(H, TCFLSH, what) == 0;
}

TWaitResult PollAny(std::initializer_list<TVaWaitEvent*> Events, THandle Device, short Want,
                    int TimeoutMs, short& Revents) {
    pollfd fds[8];
    int n = 0;
    for (TVaWaitEvent* e : Events) fds[n++] = {e->Handle(), POLLIN, 0};
    const int events = n;
    if (Device >= 0) fds[n++] = {Device, Want, 0};
    Revents = 0;
    TWaitResult r;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        int wait = TimeoutMs;
        if (TimeoutMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int got = poll(fds, static_cast<nfds_t>(n), TimeoutMs < 0 ? -1 : wait);
        if (got < 0) {
            if (errno == EINTR) continue;
            r.Failed = true;
            return r;
        }
        if (got == 0) {
            r.TimedOut = true;
            return r;
        }
        break;
    }
    for (int i = 0; i < events; ++i)
        if (fds[i].revents & POLLIN) {
            r.Event = i;
            return r;
        }
    if (n > events) Revents = fds[events].revents;
    return r;
}

TWaitResult WaitAny(std::initializer_list<TVaWaitEvent*> Events, THandle Device, TDeviceWait What,
                    int TimeoutMs) {
    const short want = What == TDeviceWait::Readable   ? POLLIN
                       : What == TDeviceWait::Writable ? POLLOUT
                                                       : 0;
    const THandle polled = What != TDeviceWait::None ? Device : InvalidHandle;
    short rev = 0;
    TWaitResult r = PollAny(Events, polled, want, TimeoutMs, rev);
    if (r.Event < 0 && !r.Failed && !r.TimedOut && polled >= 0) {
        r.Gone = (rev & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        r.Ready = !r.Gone && (rev & (POLLIN | POLLOUT)) != 0;
    }
    return r;
}

int CurrentThreadId() {
    return static_cast<int>(syscall(SYS_gettid));
}

void SetThreadPriority(int ThreadId, TThreadPriority Priority) {
    static constexpr int nice[] = {19, 10, 5, 0, -5, -10, -20};
    if (ThreadId <= 0) return;
    TKeepErrno keep;
    setpriority(PRIO_PROCESS, static_cast<id_t>(ThreadId), nice[Priority]);
}

void Pause(int Ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Ms));
}

} // namespace VaPlatform
