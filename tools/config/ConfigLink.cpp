#include "tools/config/ConfigLink.h"

#include "control/TransponderLine.h"
#include "nmea/Framing.h"
#include "nmea/Latin1.h"
#include "serial/PortNames.h"

#include <thread>

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

void ProtocolPause(int Ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Ms));
}
