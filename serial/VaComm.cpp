#include "serial/VaComm.h"

#include "serial/PortNames.h"
#include "serial/VaCommThreads.h"
#include "serial/VaExceptionReport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>

std::string VaFillDeviceName(const std::string& Pattern, std::int32_t PortNum) {
    std::string out;
    bool filled = false;
    for (std::size_t i = 0; i < Pattern.size(); ++i) {
        if (Pattern[i] == '%' && i + 1 < Pattern.size()) {
            if (Pattern[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (Pattern[i + 1] == 'd' && !filled) {
                out += std::to_string(PortNum);
                filled = true;
                ++i;
                continue;
            }
        }
        out += Pattern[i];
    }
    return out;
}

TVaCustomComm::TVaCustomComm() {
    FFlowControl.SetOnChange([this] { LineSettingsChanged(); });
    FEventChars.SetOnChange([this] { LineSettingsChanged(); });
    // Sizes and limits take effect only at Open; changing them while open is refused after
    // the new value was stored.
    FBuffers.SetOnChange([this] { RefuseWhileOpen(); });
}

TVaCustomComm::~TVaCustomComm() {
    FDestroying = true;
    try {
        Close();
    } catch (...) {
        // a destructor raises nothing; OnClose is not called here anyway
    }
    while (!FClients.empty()) RemoveClient(FClients.back());
}

void TVaCustomComm::RefuseWhileOpen() const {
    if (Active()) throw EVaCommError(VaMsg::PortOpen);
}

std::string TVaCustomComm::DevicePath() const {
    return ResolveDevicePath(VaFillDeviceName(FDeviceName, FPortNum));
}

void TVaCustomComm::SetSynchronizer(IVaSynchronizer* Sync) {
    RefuseWhileOpen();
    FSynchronizer = Sync;
}

void TVaCustomComm::Loaded() {
    if (FAutoOpen && !Active()) Open();
}

// --- properties ---

void TVaCustomComm::LineSettingsChanged() {
    if (Active() && FUpdateDCB) WriteLineSettings();
}

void TVaCustomComm::SetBaudrate(TVaBaudrate V) {
    if (V == FBaudrate) return;
    FBaudrate = V;
    if (V != brUser) FUserBaudrate = 0;
    LineSettingsChanged();
}

void TVaCustomComm::SetUserBaudrate(std::int32_t V) {
    if (V == FUserBaudrate) return;
    FUserBaudrate = V;
    FBaudrate = brUser;
    LineSettingsChanged();
}

void TVaCustomComm::SetParity(TVaParity V) {
    if (V == FParity) return;
    FParity = V;
    LineSettingsChanged();
}

void TVaCustomComm::SetDatabits(TVaDatabits V) {
    if (V == FDatabits) return;
    FDatabits = V;
    LineSettingsChanged();
}

void TVaCustomComm::SetStopbits(TVaStopbits V) {
    if (V == FStopbits) return;
    FStopbits = V;
    LineSettingsChanged();
}

void TVaCustomComm::SetOptions(TVaCommOptions V) {
    if (V == FOptions) return;
    FOptions = V;
    LineSettingsChanged();
}

void TVaCustomComm::SetBuffers(const TVaBuffers& V) {
    RefuseWhileOpen();
    FBuffers.Assign(V);
}

void TVaCustomComm::SetPortNum(std::int32_t V) {
    RefuseWhileOpen();
    FPortNum = V;
}

void TVaCustomComm::SetDeviceName(const std::string& V) {
    RefuseWhileOpen();
    FDeviceName = V;
}

void TVaCustomComm::SetMonitorEvents(TVaCommEvents V) {
    RefuseWhileOpen();
    FMonitorEvents = V;
}

void TVaCustomComm::SetEventPriority(TThreadPriority V) {
    if (V == FEventPriority) return;
    FEventPriority = V;
    if (FEventThread) FEventThread->SetPriority(V);
}

void TVaCustomComm::SetWritePriority(TThreadPriority V) {
    if (V == FWritePriority) return;
    FWritePriority = V;
    if (FWriteThread) FWriteThread->SetPriority(V);
}

void TVaCustomComm::SetDirectWrite(bool V) {
    RefuseWhileOpen();
    FDirectWrite = V;
}

void TVaCustomComm::SetUpdateDCB(bool V) {
    RefuseWhileOpen();
    FUpdateDCB = V;
}

// --- open and close ---

void TVaCustomComm::OpenHandle() {
    const TPortTarget target = ResolvePort(VaFillDeviceName(FDeviceName, FPortNum));
    if (target.Stale) RaiseNotFound(target.Path);
    bool notFound = false;
    std::unique_ptr<VaPlatform::TDevice> device =
        target.Network
            ? VaPlatform::OpenNetwork(*target.Network, VaPlatform::kNetworkOpenMs, notFound)
            : VaPlatform::OpenTerminal(target.Path, target.Published, notFound);
    if (!device) {
        const int error = errno;
        if (notFound) RaiseNotFound(target.Path);
        RaiseCantOpen(target.Path, error);
    }
    FDevice = std::move(device);
}

void TVaCustomComm::WriteLineSettings() {
    VaPlatform::TLineSettings s;
    s.Baudrate = FBaudrate == brUser ? static_cast<std::uint32_t>(std::max(FUserBaudrate, 0))
                                     : VaBaudrateValue(FBaudrate);
    s.Parity = FParity;
    s.Databits = FDatabits;
    s.Stopbits = FStopbits;
    s.ParityCheck = FOptions.Contains(coParityCheck);
    s.ErrorCharReplace = FOptions.Contains(coErrorChar);
    s.NullStrip = FOptions.Contains(coNullStrip);
    s.OutCtsFlow = FFlowControl.OutCtsFlow();
    s.OutDsrFlow = FFlowControl.OutDsrFlow();
    s.ControlDtr = FFlowControl.ControlDtr();
    s.ControlRts = FFlowControl.ControlRts();
    s.DsrSensitivity = FFlowControl.DsrSensitivity();
    s.TxContinueOnXoff = FFlowControl.TxContinueOnXoff();
    s.XonXoffOut = FFlowControl.XonXoffOut();
    s.XonXoffIn = FFlowControl.XonXoffIn();
    s.XonLimit = static_cast<std::uint16_t>(FBuffers.XonLimit());
    s.XoffLimit = static_cast<std::uint16_t>(FBuffers.XoffLimit());
    s.XonChar = FEventChars.XonChar();
    s.XoffChar = FEventChars.XoffChar();
    s.ErrorChar = FEventChars.ErrorChar();
    s.EventChar = FEventChars.EventChar();
    s.EofChar = FEventChars.EventChar();
    if (!FDevice->WriteLineSettings(s)) RaiseCommError(VaMsg::WriteDcb, errno);
}

std::uint32_t TVaCustomComm::ComputeEventMask() const {
    std::uint32_t mask = VaEventBits(FMonitorEvents);
    // the write thread reports the end of sending itself
    if (!FDirectWrite) mask &= ~VaEv::TxEmpty;
    return mask;
}

void TVaCustomComm::StartThreads() {
    IVaSynchronizer& sync = FSynchronizer != nullptr ? *FSynchronizer : DefaultSynchronizer();
    if (FEventMask != 0) {
        FEventThread = std::make_unique<TVaCommEventThread>(*this, *FDevice, FEventMask,
                                                            FBuffers.ReadSize(), sync);
        FEventThread->Start(FEventPriority);
    }
    if (!FDirectWrite) {
        FWriteThread = std::make_unique<TVaCommWriteThread>(*this, *FDevice, FBuffers.WriteSize(),
                                                            FWriteSection, sync);
        FWriteThread->Start(FWritePriority);
    }
}

void TVaCustomComm::StopThreads() {
    // A hand-over that a thread waits for is given up, so this never waits for the UI thread.
    if (FEventThread) {
        FEventThread->Stop();
        FEventThread.reset();
    }
    if (FWriteThread) {
        FWriteThread->Stop();
        FWriteThread.reset();
    }
}

void TVaCustomComm::Open() {
    RefuseWhileOpen();
    OpenHandle();
    try {
        if (FUpdateDCB) WriteLineSettings();
        if (!FDevice->SetQueueSizes(FBuffers.ReadSize(), FBuffers.WriteSize()))
            RaiseCommError(VaMsg::InitBuffers, errno);
        if (!FDevice->SetImmediateReads()) RaiseCommError(VaMsg::SetTimeouts, errno);
        FEventMask = ComputeEventMask();
        FDevice->ReadLineCounters(FLastCounters);
        StartThreads();
    } catch (...) {
        StopThreads();
        FDevice.reset();
        throw;
    }
    if (FOnOpen) {
        try {
            FOnOpen(*this);
        } catch (...) {
            ReportCurrentException();
        }
    }
}

void TVaCustomComm::Close() {
    if (!Active()) return;
    {
        std::lock_guard<TVaCriticalSection> lock(FGlobalSection);
        StopThreads();
        FDevice.reset();
    }
    if (FOnClose && !FDestroying) FOnClose(*this);
    // The settle time is for the next open; a port that is going away has none.
    if (!FDestroying) VaPlatform::Pause(300);
}

// --- transfers ---

int TVaCustomComm::WriteBuf(const void* Buf, int Count) {
    if (!Active() || Count <= 0) return 0;
    if (!FDirectWrite) {
        if (!FWriteThread || !FWriteThread->WriteData(Buf, Count, FBuffers.WriteTimeout()))
            throw EVaCommError(VaMsg::OutputFull);
        return Count;
    }
    // Direct: written here, waiting up to WriteTimeout for the device to take it all.
    std::lock_guard<TVaCriticalSection> lock(FWriteSection);
    const auto* p = static_cast<const std::uint8_t*>(Buf);
    int done = 0;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(FBuffers.WriteTimeout());
    while (done < Count) {
        const long n = FDevice->Write(p + done, static_cast<std::size_t>(Count - done));
        if (n > 0) {
            done += static_cast<int>(n);
            FBytesWritten += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n < 0 && !VaPlatform::WouldBlock(errno)) RaiseCommError(VaMsg::WriteError, errno);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) break;
        const auto r = FDevice->Wait({}, VaPlatform::TDeviceWait::Writable, static_cast<int>(left));
        if (r.Gone || r.Failed) RaiseCommError(VaMsg::WriteError, r.Gone ? EIO : errno);
    }
    // What the device took, also after a time-out: those bytes are on their way.
    return done;
}

bool TVaCustomComm::WriteText(const std::string& S) {
    return WriteBuf(S.data(), static_cast<int>(S.size())) == static_cast<int>(S.size());
}

bool TVaCustomComm::WriteChar(char Ch) {
    return WriteBuf(&Ch, 1) == 1;
}

int TVaCustomComm::ReadBuf(void* Buf, int Count) {
    if (!Active() || Count <= 0) return 0;
    std::lock_guard<TVaCriticalSection> lock(FGlobalSection);
    if (!Active()) return 0;
    const long n = FDevice->Read(Buf, static_cast<std::size_t>(Count));
    if (n < 0) RaiseCommError(VaMsg::ReadError, errno);
    FBytesRead += static_cast<std::uint64_t>(n);
    return static_cast<int>(n);
}

TVaCommStatus TVaCustomComm::GetStatus() {
    std::lock_guard<TVaCriticalSection> lock(FGlobalSection);
    TVaCommStatus s;
    if (!Active()) return s;
    if (!FDevice->QueueLevels(s.InQueue, s.OutQueue)) RaiseCommError(VaMsg::Statistics, errno);
    VaPlatform::TLineCounters now;
    if (!FDevice->ReadLineCounters(now)) RaiseCommError(VaMsg::Statistics, errno);
    const VaPlatform::TLineCounters& was = FLastCounters;
    if (now.Valid && was.Valid) {
        if (now.BufOverrun != was.BufOverrun) s.Errors |= VaLineError::RxOver;
        if (now.Overrun != was.Overrun) s.Errors |= VaLineError::Overrun;
        if (now.Parity != was.Parity) s.Errors |= VaLineError::RxParity;
        if (now.Frame != was.Frame) s.Errors |= VaLineError::Frame;
        if (now.Break != was.Break) s.Errors |= VaLineError::Break;
    }
    FLastCounters = now;
    return s;
}

static void Purge(VaPlatform::TDevice& D, bool Input, bool Output, TVaCommWriteThread* Writer) {
    if (Output && Writer != nullptr) Writer->PurgeWrite();
    if (!D.Purge(Input, Output)) RaiseCommError(VaMsg::ClearBuffers, errno);
}

void TVaCustomComm::PurgeRead() {
    if (!Active()) return;
    std::lock_guard<TVaCriticalSection> lock(FGlobalSection);
    Purge(*FDevice, true, false, FWriteThread.get());
}

void TVaCustomComm::PurgeWrite() {
    if (!Active()) return;
    std::lock_guard<TVaCriticalSection> lock(FGlobalSection);
    Purge(*FDevice, false, true, FWriteThread.get());
}

void TVaCustomComm::PurgeReadWrite() {
    if (!Active()) return;
    std::lock_guard<TVaCriticalSection> lock(FGlobalSection);
    Purge(*FDevice, true, true, FWriteThread.get());
}

void TVaCustomComm::SetDTR(bool Value) {
    if (Active()) FDevice->SetModemLine(true, Value);
}

void TVaCustomComm::SetRTS(bool Value) {
    if (Active()) FDevice->SetModemLine(false, Value);
}

// --- clients ---

void TVaCustomComm::InsertClient(TVaDispatcher* D) {
    D->FComm = this;
    FClients.push_back(D);
}

void TVaCustomComm::RemoveClient(TVaDispatcher* D) {
    auto it = std::find(FClients.begin(), FClients.end(), D);
    if (it == FClients.end()) return;
    D->FComm = nullptr;
    FClients.erase(it);
}

// --- event handling, on the user-interface thread ---

void TVaCustomComm::HandleThreadEvents(std::uint32_t Events) {
    try {
        if (Events & VaEv::RxChar) {
            HandleRxChar();
            Events &= ~VaEv::RxChar;
        }
        if (Events != 0) HandleEvents(Events);
    } catch (...) {
        ReportCurrentException();
    }
}

void TVaCustomComm::HandleRxChar() {
    const TVaCommStatus s = GetStatus();
    if (s.InQueue <= 0) return;
    if (!FClients.empty()) {
        // Everything waiting goes out as one chunk; ReadSize caps what one read takes.
        const int size =
            FBuffers.ReadSize() > 0 ? std::min(s.InQueue, FBuffers.ReadSize()) : s.InQueue;
        std::vector<std::uint8_t> block(static_cast<std::size_t>(size));
        const int n = ReadBuf(block.data(), size);
        if (n > 0) DispatchData(block.data(), n);
    } else if (FOnRxChar) {
        FOnRxChar(*this, s.InQueue);
    }
}

void TVaCustomComm::DispatchData(PVaData Data, int Count) {
    if (FControlsEnabled) {
        // By index: a client may leave the list from inside its handler.
        for (std::size_t i = 0; i < FClients.size(); ++i) {
            TVaDispatcher* d = FClients[i];
            if (!d->Active() || d->Owner() == nullptr) continue;
            try {
                d->Owner()->HandleCommData(Data, Count);
            } catch (...) {
                // one failing client must not cost the others this chunk
                ReportCurrentException();
            }
        }
    }
    if (FOnRxBuf) FOnRxBuf(*this, Data, Count);
}

void TVaCustomComm::HandleEvents(std::uint32_t Events) {
    if (Events & VaEv::Error) {
        const TVaCommStatus s = GetStatus();
        if (s.Errors != 0 && FOnError) {
            try {
                FOnError(*this, s.Errors);
            } catch (...) {
                ReportCurrentException();
            }
        }
    }
    if (!FClients.empty()) DispatchEvents(Events);
    const std::pair<std::uint32_t, TVaNotifyEvent*> handlers[] = {
        {VaEv::RxFlag, &FOnRxFlag}, {VaEv::Cts, &FOnCts},      {VaEv::Dsr, &FOnDsr},
        {VaEv::Ring, &FOnRing},     {VaEv::Rlsd, &FOnRlsd},    {VaEv::TxEmpty, &FOnTxEmpty},
        {VaEv::Break, &FOnBreak},   {VaEv::PErr, &FOnPErr},    {VaEv::Rx80Full, &FOnRx80Full},
        {VaEv::Event1, &FOnEvent1}, {VaEv::Event2, &FOnEvent2}};
    for (const auto& [bit, handler] : handlers)
        if ((Events & bit) && *handler) (*handler)(*this);
}

void TVaCustomComm::DispatchEvents(std::uint32_t Events) {
    if (!FControlsEnabled) return;
    for (std::size_t i = 0; i < FClients.size(); ++i) {
        TVaDispatcher* d = FClients[i];
        if (!d->Active() || d->Owner() == nullptr) continue;
        try {
            d->Owner()->HandleCommEvent(Events);
        } catch (...) {
            ReportCurrentException();
        }
    }
}
