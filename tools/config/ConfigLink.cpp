#include "tools/config/ConfigLink.h"

#include "control/TransponderLine.h"
#include "nmea/Framing.h"
#include "nmea/Latin1.h"
#include "serial/PortNames.h"
#include "serial/VaSync.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/signalfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>

TConfigLink::TConfigLink(TOnSentence OnSentence) : FOnSentence(std::move(OnSentence)) {
    SetTransponderLine(*FComm);
    FCapture.SetComm(FComm.get());
    FCapture.SetDataFinish("\r\n");
    FCapture.SetActive(true);
    FCapture.SetOnMessage([this](TVaCapture&, const std::string& Data) { FOnSentence(Data); });
}

TConfigLink::~TConfigLink() {
    Finish();
}

void TConfigLink::Finish() {
    FCapture.SetComm(nullptr);
    FComm.reset();
}

bool TConfigLink::Open(int PortNum) {
    if (!FComm) {
        FLastError = "not opened: the program is ending";
        return false;
    }
    if (EndSignalPending()) {
        FLastError = "not opened: the program is being interrupted";
        return false;
    }
    try {
        FComm->SetPortNum(PortNum);
        FComm->Open();
        FLastError.clear();
        return true;
    } catch (const EVaCommError& e) {
        FLastError = e.what();
        return false;
    }
}

void TConfigLink::Close() {
    if (FComm && FComm->Active()) FComm->Close();
}

bool TConfigLink::Active() const {
    return FComm && FComm->Active();
}

void TConfigLink::Send(const std::string& Body) {
    if (FComm) FComm->WriteText(FrameNMEA(Utf8ToLatin1(Body))); // an ended link writes nothing
}

std::string TConfigLink::DevicePath(int PortNum) const {
    return ResolveDevicePath(VaFillDeviceName(kTransponderDeviceName, PortNum));
}

void TOneShotTimer::Start(int Ms) {
    FActive = true;
    FInterval = Ms;
    FDeadline = TClock::now() + std::chrono::milliseconds(Ms);
}

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

bool TEventLoop::Run(TOneShotTimer& Timer, const std::function<void()>& OnTimeout) {
    using namespace std::chrono;
    while (Timer.Active()) {
        const auto left = Timer.Deadline() - TOneShotTimer::TClock::now();
        if (left <= TOneShotTimer::TClock::duration::zero()) {
            // A signal that came during the step before is seen before the next one starts.
            if (!Wait(0)) return false;
            if (!Timer.Active() || Timer.Deadline() > TOneShotTimer::TClock::now()) continue;
            Timer.Expire();
            OnTimeout();
            continue;
        }
        // Rounded up: waking early would only spin.
        const auto ms = duration_cast<milliseconds>(left + microseconds(999)).count();
        if (!Wait(static_cast<int>(ms))) return false;
    }
    return true;
}

bool TEventLoop::Serve(int Ms) {
    using namespace std::chrono;
    const auto end = steady_clock::now() + milliseconds(Ms);
    for (;;) {
        const auto left = duration_cast<milliseconds>(end - steady_clock::now()).count();
        if (left <= 0) return true;
        if (!Wait(static_cast<int>(left))) return false;
    }
}

bool EndSignalPending() {
    sigset_t s;
    sigemptyset(&s);
    if (sigpending(&s) != 0) return false;
    return sigismember(&s, SIGINT) == 1 || sigismember(&s, SIGTERM) == 1 ||
           sigismember(&s, SIGHUP) == 1;
}

void ProtocolPause(int Ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Ms));
}
