#pragma once
// The sequencer's seams for a program without a windowing toolkit: the serial link over the
// serial component, the one-shot timer on the steady clock, and the loop on the main thread that
// serves both, the port's hand-overs (TVaSyncQueue) and the signals that end the program.

#include "control/Sequencer.h"
#include "serial/VaCapture.h"
#include "serial/VaComm.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// COM<n> at 38400 8N1, no flow control, DTR and RTS held off, as the window opens it; every
// received sentence (ending in CR) goes to OnSentence on the main thread.
class TConfigLink final : public IUnitLink {
public:
    using TOnSentence = std::function<void(const std::string& Sentence)>;
    explicit TConfigLink(TOnSentence OnSentence);
    ~TConfigLink() override;
    TConfigLink(const TConfigLink&) = delete;
    TConfigLink& operator=(const TConfigLink&) = delete;

    bool Open(int PortNum) override;
    void Close() override;
    bool Active() const override;
    // Body in UTF-8 goes on the line in ISO 8859-1, framed.
    void Send(const std::string& Body) override;

    // Ends the link for good: the port closes at once, without the settle time that a port
    // closed for a later open gets; nothing opens after this.
    void Finish();

    // The device path COM<PortNum> stands for.
    std::string DevicePath(int PortNum) const;
    // Why the last Open failed.
    const std::string& LastError() const { return FLastError; }

private:
    std::unique_ptr<TVaComm> FComm = std::make_unique<TVaComm>();
    TVaCapture FCapture;
    TOnSentence FOnSentence;
    std::string FLastError;
};

class TOneShotTimer final : public IScanTimer {
public:
    using TClock = std::chrono::steady_clock;
    void Start(int Ms) override;
    void Stop() override { FActive = false; }
    bool Active() const override { return FActive; }
    int Interval() const override { return FInterval; }
    TClock::time_point Deadline() const { return FDeadline; }
    // It ran out: inactive before its handler runs, as a single-shot timer is.
    void Expire() { FActive = false; }

private:
    bool FActive = false;
    int FInterval = 0;
    TClock::time_point FDeadline{};
};

// The main thread's loop. SIGINT, SIGTERM and SIGHUP are blocked from the constructor on (before
// any port thread exists, so every thread inherits that) and arrive through a signal descriptor,
// so they end a wait instead of the program: the caller then closes the port. On Windows the
// console's Ctrl+C and Ctrl+Break count as SIGINT, closing its window or ending the session as
// SIGHUP and SIGTERM (EventLoop_win32.cpp).
class TEventLoop {
public:
    TEventLoop();
    ~TEventLoop();
    TEventLoop(const TEventLoop&) = delete;
    TEventLoop& operator=(const TEventLoop&) = delete;

    // Serves the port and calls OnTimeout whenever Timer runs out, until Timer is idle (the
    // sequencer has nothing left to do: true) or a signal arrives (false).
    bool Run(TOneShotTimer& Timer, const std::function<void()>& OnTimeout);
    // Serves the port for Ms milliseconds; false when a signal arrived.
    bool Serve(int Ms);
    // True once a signal has arrived (taken now if it waits).
    bool Interrupted();
    // The signal that ended a wait, or 0.
    int Signal() const { return FSignal; }

private:
    bool Wait(int TimeoutMs);
    int FSignalFd = -1; // Linux: the signal descriptor
    int FSignal = 0;
};

// True while SIGINT, SIGTERM or SIGHUP waits for the loop: a port scan then opens no more ports.
bool EndSignalPending();

// A blocking pause of the protocol's timing.
void ProtocolPause(int Ms);
