#include "control/Sequencer.h"

#include "nmea/Decimal.h"

TSequencer::TSequencer(IUnitLink& Link, IScanTimer& Timer, TPause Pause, TOwnShip& OwnShip,
                       ISequencerEvents& Events)
    : FLink(Link), FTimer(Timer), FPause(std::move(Pause)), FOwnShip(OwnShip), FEvents(Events) {}

void TSequencer::ArmScan(int Interval, TReplyState State) {
    ReplyState = State;
    // A countdown in progress with the same interval goes on unchanged.
    if (FTimer.Active() && FTimer.Interval() == Interval) return;
    FTimer.Start(Interval);
}

void TSequencer::StopScan() {
    FTimer.Stop();
}

void TSequencer::NextStep() {
    ++ScanStep;
    ArmScan(kStepGapMs, rsIdle);
}

void TSequencer::Send(std::string_view Body) {
    FLink.Send(std::string(Body));
}

void TSequencer::SendWire(const TWireSequence& W) {
    for (const TWireStep& s : W) {
        if (s.Body.empty())
            FPause(s.PauseMs);
        else
            Send(s.Body);
    }
}

void TSequencer::Tick() {
    const int mmsiAtTickStart = [this] {
        int v = 0;
        return Fields.MMSI && ReadWholeNumber(*Fields.MMSI, v) ? v : 0;
    }();
    StopScan();
    if (ScanStep == kStepConnect)
        ConnectStep();
    else if (ScanStep >= kFirstReadStep && ScanStep <= kLastReadStep)
        ReadStepTick();
    else if (ScanStep >= kFirstWriteStep && ScanStep <= kLastWriteStep)
        WriteStepTick(mmsiAtTickStart);
}

void TSequencer::ConnectStep() {
    switch (ReplyState) {
    case rsIdle:
        if (ScanPorts()) {
            ArmScan(kReplyWaitMs, rsProbing);
            FEvents.Scanning();
        } else {
            ReplyState = rsFailed;
            Abort();
        }
        break;
    case rsProbing:
        if (ProbeNextPort()) {
            Send(kProbeQuery); // a second time
            ArmScan(kReplyWaitMs, rsProbing);
        } else {
            ReplyState = rsFailed;
            Abort();
        }
        break;
    case rsReplied:
        FEvents.Connected(ProbeIndex >= 1 && ProbeIndex <= PortCount
                              ? PortList[static_cast<std::size_t>(ProbeIndex)]
                              : 0);
        NextStep();
        break;
    default:
        break;
    }
}

void TSequencer::ReadStepTick() {
    const TReadStep& s = ReadStep(ScanStep);
    if (ReplyState == rsIdle) {
        ArmScan(kReplyWaitMs, s.Awaited);
        Send(s.Query);
        RetryCount = kReadAttempts;
        FEvents.StepSent(ScanStep, 1);
        if (ScanStep == kFirstReadStep) FPause(200);
    } else if (ReplyState == rsReplied) {
        FEvents.StepDone(ScanStep);
        if (ScanStep < kLastReadStep) {
            NextStep();
        } else {
            FEvents.ReadComplete();
            ScanStep = 0;
        }
    } else if (ReplyState == s.Awaited) {
        if (--RetryCount <= 0) {
            ScanStep = 0;
            FEvents.Outcome(TOutcome::NoResponse);
            return;
        }
        ArmScan(kReplyWaitMs, s.Awaited);
        Send(s.Repeat);
        FEvents.StepSent(ScanStep, kReadAttempts - RetryCount + 1);
    }
}

void TSequencer::WriteStepTick(int MmsiAtTickStart) {
    if (ScanStep == kStepNmeaOutput) {
        if (ReplyState != rsIdle) return;
        FEvents.StepSent(ScanStep, 1);
        SendWire(WriteGroup(ScanStep, FOwnShip, Fields));
        FEvents.StepDone(ScanStep);
        ScanStep = kStepNmeaOutput + 1;
        ArmScan(300, rsIdle);
        return;
    }
    if (ScanStep == kLastWriteStep) {
        FEvents.Outcome(TOutcome::Programmed);
        ScanStep = 0;
        return;
    }
    const TWriteStep& w = WriteStep(ScanStep);
    auto sendGroup = [this, &w] {
        if (w.Clears != 0) {
            ClearFields(Fields, w.Clears);
            FEvents.FieldsCleared(w.Clears);
        }
        SendWire(WriteGroup(ScanStep, FOwnShip, Fields));
    };
    if (ReplyState == rsIdle) {
        ArmScan(kReplyWaitMs, w.Awaited);
        RetryCount = kWriteAttempts;
        FEvents.StepSent(ScanStep, 1);
        sendGroup();
    } else if (WriteConfirmed(ScanStep, ReplyState, MmsiAtTickStart, Fields, FOwnShip)) {
        FEvents.StepDone(ScanStep);
        NextStep();
    } else {
        if (--RetryCount <= 0) {
            ScanStep = 0;
            FEvents.Outcome(w.GiveUp);
            return;
        }
        ArmScan(kReplyWaitMs, w.Awaited);
        FEvents.StepSent(ScanStep, kWriteAttempts - RetryCount + 1);
        sendGroup(); // the interface choices are read again
    }
}

bool TSequencer::ScanPorts() {
    CloseIfOpen();
    PortCount = 0;
    std::vector<int> listed;
    for (int n = 1; n <= 255; ++n) {
        const bool opened = FLink.Open(n);
        CloseIfOpen();
        if (opened) {
            PortList[static_cast<std::size_t>(++PortCount)] = n;
            listed.push_back(n);
        }
    }
    FEvents.PortsListed(listed);
    ProbeIndex = 0;
    return PortCount > 0;
}

bool TSequencer::ProbeNextPort() {
    CloseIfOpen();
    ++ProbeIndex;
    FEvents.PortSelected(ProbeIndex <= PortCount ? ProbeIndex - 1 : -1);
    if (ProbeIndex > PortCount) {
        Abort();
        CloseIfOpen();
        return false;
    }
    const int port = PortList[static_cast<std::size_t>(ProbeIndex)];
    if (!FLink.Open(port)) {
        Abort();
        CloseIfOpen();
        return false;
    }
    FPause(10);
    Send(kProbeQuery);
    FEvents.Probing(port);
    return true;
}

void TSequencer::ConnectChosen(int Index) {
    CloseIfOpen();
    ProbeIndex = Index + 1;
    const bool listed = Index >= 0 && ProbeIndex <= PortCount;
    const int port = listed ? PortList[static_cast<std::size_t>(ProbeIndex)] : 0;
    if (!FLink.Open(port)) {
        Abort();
        CloseIfOpen();
        return;
    }
    ScanStep = kStepConnect;
    ArmScan(kReplyWaitMs, rsProbing);
    Send(kProbeQuery);
    FEvents.Probing(port);
}

void TSequencer::ConnectPort(int PortNum) {
    PortList[1] = PortNum;
    PortCount = 1;
    ConnectChosen(0);
}

void TSequencer::Connect() {
    ScanStep = kStepConnect;
    ArmScan(kStepGapMs, rsIdle);
    Fields.BaudRate.reset();
    Fields.SwitchType.reset();
    Fields.GpsOutput.reset();
    FEvents.FieldsCleared(cfBaudRate | cfSwitchType | cfGpsOutput);
}

void TSequencer::Disconnect() {
    if (FLink.Active()) {
        FPause(200);
        FLink.Close();
    }
    ClearStaticFields();
}

void TSequencer::Abort() {
    StopScan();
    FEvents.ConnectionAborted();
    CloseIfOpen();
    if (ReplyState == rsFailed) FEvents.Outcome(TOutcome::ConnectionFailed);
}

void TSequencer::ParseReply(std::string_view S) {
    const TReplyState state = ReplyState;
    const TReplyResult r = ::ParseReply(state, S, Fields);
    if (!r.Taken) return;
    if (r.Read & cfVendorID) FOwnShip.VendorID = Fields.VendorID.value_or("");
    if (r.Read & cfSoftwareVersion) FOwnShip.SWver = Fields.SoftwareVersion.value_or("");
    if (r.Read != 0) FEvents.FieldsRead(r.Read);
    if (state == rsProbing) StopScan(); // the probed port has a transponder on it
    ArmScan(kStepGapMs, rsReplied);
}

TSaveVerdict TSequencer::Save() {
    const TSaveCheck c = CheckSave(Fields, FOwnShip);
    if (c.Normalised != 0) FEvents.FieldsNormalised(c.Normalised);
    if (c.Verdict != TSaveVerdict::Ok) {
        if (SaveEndsSequence(c.Verdict)) ScanStep = 0;
        return c.Verdict;
    }
    ScanStep = kFirstWriteStep;
    ArmScan(kStepGapMs, rsIdle);
    return c.Verdict;
}

void TSequencer::FactoryReset() {
    SendWire(FactoryResetSentences(FOwnShip.VendorID));
}

void TSequencer::ClearStaticFields() {
    ClearFields(Fields, kStaticTexts);
    FEvents.FieldsCleared(kStaticTexts);
}
