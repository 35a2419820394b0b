#pragma once
// The connection and query sequencer: finds the port the transponder answers on, reads its
// configuration step by step, writes a new one and sends the factory reset. Every step, its
// repeats and its give-up are those of the window's Connect and Save; the window and the
// command line drive the same machine through the small interfaces below, and tests drive it
// with a manual clock.

#include "control/OwnShip.h"
#include "control/Protocol.h"
#include "control/UnitConfig.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The serial line to the transponder.
class IUnitLink {
public:
    virtual ~IUnitLink() = default;
    // Opens serial port PortNum (COM<n>); false when it does not exist or cannot be opened.
    virtual bool Open(int PortNum) = 0;
    // Closes the port when it is open.
    virtual void Close() = 0;
    virtual bool Active() const = 0;
    // Frames Body (UTF-8) and queues it for sending; may throw when the line cannot take it.
    virtual void Send(const std::string& Body) = 0;
};

// The sequencer's one-shot timer: when it runs out, the owner calls TSequencer::Tick.
class IScanTimer {
public:
    virtual ~IScanTimer() = default;
    virtual void Start(int Ms) = 0; // (re)starts the countdown
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
    virtual int Interval() const = 0; // of the last Start
};

// What the sequencer reports to its front end; every handler is optional.
class ISequencerEvents {
public:
    virtual ~ISequencerEvents() = default;
    virtual void Scanning() {}                              // ports found, probing begins
    virtual void PortsListed(const std::vector<int>&) {}    // the ports that opened
    virtual void PortSelected(int /*Index*/) {}             // probed entry; -1 past the last
    virtual void Probing(int /*PortNum*/) {}                // the probe query went out
    virtual void Connected(int /*PortNum*/) {}              // the transponder answered
    virtual void ConnectionAborted() {}                     // the attempt ended, port closed
    virtual void FieldsRead(TFieldMask) {}                  // a reply set these fields
    virtual void FieldsCleared(TFieldMask) {}               // cleared so a read-back refills them
    virtual void FieldsNormalised(TFieldMask) {}            // Save wrote them in capitals
    virtual void StepSent(int /*Step*/, int /*Attempt*/) {} // first sending is attempt 1
    virtual void StepDone(int /*Step*/) {}                  // reply taken over / write confirmed
    virtual void ReadComplete() {}                          // the seventh read step is done
    virtual void Outcome(TOutcome) {}                       // each message of the dialogue
};

class TSequencer {
public:
    using TPause = std::function<void(int Ms)>; // blocks the caller

    TSequencer(IUnitLink& Link, IScanTimer& Timer, TPause Pause, TOwnShip& OwnShip,
               ISequencerEvents& Events);

    // State, as the window's tests and the dispatch read it.
    int ScanStep = 0; // 0 none, 1 connect, 2 to 8 read, 20 to 27 write
    TReplyState ReplyState = rsIdle;
    int RetryCount = 0;
    std::array<int, 256> PortList{}; // entries 1 to PortCount
    int PortCount = 0;
    int ProbeIndex = 0;
    // The configuration as the "Static data" form holds it: the replies write into it, Save
    // reads it, and the interface choices are read from it at each sending.
    TUnitConfig Fields;

    void ArmScan(int Interval, TReplyState State);
    void StopScan();
    void NextStep();
    // A tick of the timer: one step.
    void Tick();

    // Connect: scan every port, then probe those that opened.
    void Connect();
    // Probe entry Index of the last scan's list at once (-1 or past the list: port number 0,
    // which never opens).
    void ConnectChosen(int Index);
    // Probe serial port PortNum alone, without a scan.
    void ConnectPort(int PortNum);
    // Closes the port (after a 200 ms pause when open) and clears the seven edit fields. A step
    // under way keeps ticking.
    void Disconnect();
    // Ends a connection attempt: "Connection failed." when ReplyState is rsFailed.
    void Abort();

    bool ScanPorts();
    bool ProbeNextPort();

    // A received sentence while AwaitOf(ReplyState) is not TAwait::Nothing.
    void ParseReply(std::string_view S);

    // Save: checks Fields, copies them into OwnShip and starts the write steps.
    TSaveVerdict Save();

    // The factory reset's sentences and pause; the sequencer is not involved.
    void FactoryReset();
    // Clears the seven edit fields, as after the factory reset.
    void ClearStaticFields();

    const TOwnShip& OwnShip() const { return FOwnShip; }

private:
    void ConnectStep();
    void ReadStepTick();
    void WriteStepTick(int MmsiAtTickStart);
    void SendWire(const TWireSequence& W);
    void Send(std::string_view Body);
    void CloseIfOpen() { FLink.Close(); }

    IUnitLink& FLink;
    IScanTimer& FTimer;
    TPause FPause;
    TOwnShip& FOwnShip;
    ISequencerEvents& FEvents;
};
