#pragma once
// Serial port component: owns one serial device, its line settings, its receive and write
// threads and the list of attached clients. Every failure raises EVaCommError.
//
// Threads: every notification (received data, line events, the handlers below) runs on the
// user-interface thread through an IVaSynchronizer (VaSync.h), one at a time, while the
// sending thread waits. A port uses the program-wide DefaultSynchronizer() unless it was given
// its own with SetSynchronizer.

#include "serial/VaClient.h"
#include "serial/VaCommError.h"
#include "serial/VaCommPlatform.h"
#include "serial/VaCommSettings.h"
#include "serial/VaDevice.h"
#include "serial/VaSync.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TVaCommEventThread;
class TVaCommWriteThread;
class TVaCustomComm;

using TVaNotifyEvent = std::function<void(TVaCustomComm& Sender)>;
using TVaCommErrorEvent = std::function<void(TVaCustomComm& Sender, std::uint32_t Errors)>;
using TVaCommRxCharEvent = std::function<void(TVaCustomComm& Sender, int Count)>;
using TVaCommRxBufEvent = std::function<void(TVaCustomComm& Sender, PVaData Data, int Count)>;

// What the status query reports: line error flags (VaLineError) and the device queue levels.
struct TVaCommStatus {
    std::uint32_t Errors = 0;
    int InQueue = 0;
    int OutQueue = 0;
};

// DeviceName filled with PortNum: the first "%d" becomes the number, "%%" a single "%".
std::string VaFillDeviceName(const std::string& Pattern, std::int32_t PortNum);

class TVaCustomComm {
public:
    TVaCustomComm();
    virtual ~TVaCustomComm();
    TVaCustomComm(const TVaCustomComm&) = delete;
    TVaCustomComm& operator=(const TVaCustomComm&) = delete;

    void Open();
    // Stops the threads, releases the device, calls OnClose and pauses 300 ms; a closed port
    // returns at once. Destroying an open port closes it the same way, without the pause.
    void Close();
    bool Active() const { return FDevice != nullptr; }
    // Opens the port when AutoOpen is set; the owner calls it once it has finished loading.
    void Loaded();

    int WriteBuf(const void* Buf, int Count);
    bool WriteText(const std::string& S);
    bool WriteChar(char Ch);
    int ReadBuf(void* Buf, int Count);
    void PurgeRead();
    void PurgeWrite();
    void PurgeReadWrite();
    void SetDTR(bool Value);
    void SetRTS(bool Value);
    // Reads and clears the line error flags; all zero while closed.
    TVaCommStatus GetStatus();

    void InsertClient(TVaDispatcher* D);
    void RemoveClient(TVaDispatcher* D);
    void EnableControls() { FControlsEnabled = true; }
    void DisableControls() { FControlsEnabled = false; }
    bool ControlsEnabled() const { return FControlsEnabled; }

    // The device path that DeviceName and PortNum stand for now (a network port's URL).
    std::string DevicePath() const;
    // None uses DefaultSynchronizer(). Refused while open.
    void SetSynchronizer(IVaSynchronizer* Sync);

protected:
    virtual void OpenHandle();
    virtual void StartThreads();
    virtual void HandleRxChar();
    virtual void HandleEvents(std::uint32_t Events);
    virtual void DispatchEvents(std::uint32_t Events);
    virtual void DispatchData(PVaData Data, int Count);

    // Properties; TVaComm publishes them.
    bool AutoOpen() const { return FAutoOpen; }
    void SetAutoOpen(bool V) { FAutoOpen = V; }
    TVaBaudrate Baudrate() const { return FBaudrate; }
    void SetBaudrate(TVaBaudrate V);
    std::int32_t UserBaudrate() const { return FUserBaudrate; }
    void SetUserBaudrate(std::int32_t V);
    TVaParity Parity() const { return FParity; }
    void SetParity(TVaParity V);
    TVaDatabits Databits() const { return FDatabits; }
    void SetDatabits(TVaDatabits V);
    TVaStopbits Stopbits() const { return FStopbits; }
    void SetStopbits(TVaStopbits V);
    TVaCommOptions Options() const { return FOptions; }
    void SetOptions(TVaCommOptions V);
    TVaFlowControl& FlowControl() { return FFlowControl; }
    void SetFlowControl(const TVaFlowControl& V) { FFlowControl.Assign(V); }
    TVaEventChars& EventChars() { return FEventChars; }
    void SetEventChars(const TVaEventChars& V) { FEventChars.Assign(V); }
    TVaBuffers& Buffers() { return FBuffers; }
    void SetBuffers(const TVaBuffers& V);
    std::int32_t PortNum() const { return FPortNum; }
    void SetPortNum(std::int32_t V);
    const std::string& DeviceName() const { return FDeviceName; }
    void SetDeviceName(const std::string& V);
    TVaCommEvents MonitorEvents() const { return FMonitorEvents; }
    void SetMonitorEvents(TVaCommEvents V);
    TThreadPriority EventPriority() const { return FEventPriority; }
    void SetEventPriority(TThreadPriority V);
    TThreadPriority WritePriority() const { return FWritePriority; }
    void SetWritePriority(TThreadPriority V);
    bool DirectWrite() const { return FDirectWrite; }
    void SetDirectWrite(bool V);
    bool UpdateDCB() const { return FUpdateDCB; }
    void SetUpdateDCB(bool V);
    std::string Version() const { return "1.4.0.1"; }
    void SetVersion(const std::string&) {}

    void SetOnOpen(TVaNotifyEvent H) { FOnOpen = std::move(H); }
    void SetOnClose(TVaNotifyEvent H) { FOnClose = std::move(H); }
    void SetOnError(TVaCommErrorEvent H) { FOnError = std::move(H); }
    void SetOnRxChar(TVaCommRxCharEvent H) { FOnRxChar = std::move(H); }
    void SetOnRxBuf(TVaCommRxBufEvent H) { FOnRxBuf = std::move(H); }
    void SetOnRxFlag(TVaNotifyEvent H) { FOnRxFlag = std::move(H); }
    void SetOnCts(TVaNotifyEvent H) { FOnCts = std::move(H); }
    void SetOnDsr(TVaNotifyEvent H) { FOnDsr = std::move(H); }
    void SetOnRing(TVaNotifyEvent H) { FOnRing = std::move(H); }
    void SetOnRlsd(TVaNotifyEvent H) { FOnRlsd = std::move(H); }
    void SetOnTxEmpty(TVaNotifyEvent H) { FOnTxEmpty = std::move(H); }
    void SetOnBreak(TVaNotifyEvent H) { FOnBreak = std::move(H); }
    void SetOnPErr(TVaNotifyEvent H) { FOnPErr = std::move(H); }
    void SetOnRx80Full(TVaNotifyEvent H) { FOnRx80Full = std::move(H); }
    void SetOnEvent1(TVaNotifyEvent H) { FOnEvent1 = std::move(H); }
    void SetOnEvent2(TVaNotifyEvent H) { FOnEvent2 = std::move(H); }

    std::unique_ptr<VaPlatform::TDevice> FDevice; // the open line: a serial device or a network one
    TVaCriticalSection FWriteSection;             // guards the write queue
    TVaCriticalSection FGlobalSection; // serialises closing, reads, status queries and purges
    std::unique_ptr<TVaCommEventThread> FEventThread;
    std::unique_ptr<TVaCommWriteThread> FWriteThread;
    std::uint32_t FEventMask = 0;
    std::vector<TVaDispatcher*> FClients;
    bool FControlsEnabled = true;

private:
    friend class TVaCommEventThread;
    friend class TVaCommWriteThread;

    // The receive thread's hand-over, on the user-interface thread.
    void HandleThreadEvents(std::uint32_t Events);
    void RefuseWhileOpen() const;
    void LineSettingsChanged();
    void WriteLineSettings();
    void StopThreads();
    std::uint32_t ComputeEventMask() const;

    bool FAutoOpen = false;
    TVaBaudrate FBaudrate = br1200;
    std::int32_t FUserBaudrate = 0;
    TVaParity FParity = paNone;
    TVaDatabits FDatabits = db8;
    TVaStopbits FStopbits = sb1;
    TVaCommOptions FOptions;
    TVaFlowControl FFlowControl;
    TVaEventChars FEventChars;
    TVaBuffers FBuffers;
    std::int32_t FPortNum = 0;
    std::string FDeviceName = "COM%d";
    TVaCommEvents FMonitorEvents{ceError, ceRxChar, ceTxEmpty};
    TThreadPriority FEventPriority = tpNormal;
    TThreadPriority FWritePriority = tpHighest;
    bool FDirectWrite = false;
    bool FUpdateDCB = true;
    bool FDestroying = false;
    IVaSynchronizer* FSynchronizer = nullptr;
    VaPlatform::TLineCounters FLastCounters;     // the status query reports what changed since
    std::atomic<std::uint64_t> FBytesRead{0};    // lets the receive thread see that bytes are taken
    std::atomic<std::uint64_t> FBytesWritten{0}; // direct writes, for the end-of-sending event

    TVaNotifyEvent FOnOpen, FOnClose, FOnRxFlag, FOnCts, FOnDsr, FOnRing, FOnRlsd, FOnTxEmpty,
        FOnBreak, FOnPErr, FOnRx80Full, FOnEvent1, FOnEvent2;
    TVaCommErrorEvent FOnError;
    TVaCommRxCharEvent FOnRxChar;
    TVaCommRxBufEvent FOnRxBuf;
};

// The component as the application uses it: every property published.
class TVaComm : public TVaCustomComm {
public:
    using TVaCustomComm::AutoOpen;
    using TVaCustomComm::Baudrate;
    using TVaCustomComm::Buffers;
    using TVaCustomComm::Databits;
    using TVaCustomComm::DeviceName;
    using TVaCustomComm::DirectWrite;
    using TVaCustomComm::EventChars;
    using TVaCustomComm::EventPriority;
    using TVaCustomComm::FlowControl;
    using TVaCustomComm::MonitorEvents;
    using TVaCustomComm::Options;
    using TVaCustomComm::Parity;
    using TVaCustomComm::PortNum;
    using TVaCustomComm::SetAutoOpen;
    using TVaCustomComm::SetBaudrate;
    using TVaCustomComm::SetBuffers;
    using TVaCustomComm::SetDatabits;
    using TVaCustomComm::SetDeviceName;
    using TVaCustomComm::SetDirectWrite;
    using TVaCustomComm::SetEventChars;
    using TVaCustomComm::SetEventPriority;
    using TVaCustomComm::SetFlowControl;
    using TVaCustomComm::SetMonitorEvents;
    using TVaCustomComm::SetOptions;
    using TVaCustomComm::SetParity;
    using TVaCustomComm::SetPortNum;
    using TVaCustomComm::SetStopbits;
    using TVaCustomComm::SetUpdateDCB;
    using TVaCustomComm::SetUserBaudrate;
    using TVaCustomComm::SetVersion;
    using TVaCustomComm::SetWritePriority;
    using TVaCustomComm::Stopbits;
    using TVaCustomComm::UpdateDCB;
    using TVaCustomComm::UserBaudrate;
    using TVaCustomComm::Version;
    using TVaCustomComm::WritePriority;

    using TVaCustomComm::SetOnBreak;
    using TVaCustomComm::SetOnClose;
    using TVaCustomComm::SetOnCts;
    using TVaCustomComm::SetOnDsr;
    using TVaCustomComm::SetOnError;
    using TVaCustomComm::SetOnEvent1;
    using TVaCustomComm::SetOnEvent2;
    using TVaCustomComm::SetOnOpen;
    using TVaCustomComm::SetOnPErr;
    using TVaCustomComm::SetOnRing;
    using TVaCustomComm::SetOnRlsd;
    using TVaCustomComm::SetOnRx80Full;
    using TVaCustomComm::SetOnRxBuf;
    using TVaCustomComm::SetOnRxChar;
    using TVaCustomComm::SetOnRxFlag;
    using TVaCustomComm::SetOnTxEmpty;
};
