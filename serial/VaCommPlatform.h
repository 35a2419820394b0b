#pragma once
// The operating system's serial interface as the port and its threads use it. Every call that
// fails leaves the system's error code in errno; on Windows the system's error is translated to
// the errno value that Linux gives for the same failure, so that messages read the same.

#include "serial/VaCommSettings.h"
#include "serial/VaSync.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace VaPlatform {

#ifdef _WIN32
using THandle = std::intptr_t; // a HANDLE
#else
using THandle = int;
#endif
inline constexpr THandle InvalidHandle = -1;

struct TLineSettings {
    std::uint32_t Baudrate = 38400;
    TVaParity Parity = paNone;
    TVaDatabits Databits = db8;
    TVaStopbits Stopbits = sb1;
    bool ParityCheck = false, ErrorCharReplace = false, NullStrip = false;
    bool OutCtsFlow = false, OutDsrFlow = false, DsrSensitivity = false, TxContinueOnXoff = false;
    bool XonXoffOut = false, XonXoffIn = false;
    TVaControlDtr ControlDtr = dtrDisabled;
    TVaControlRts ControlRts = rtsDisabled;
    std::uint16_t XonLimit = 1024, XoffLimit = 1024;
    char XonChar = 17, XoffChar = 19, ErrorChar = 0, EofChar = 0, EventChar = 0;
};

struct TLineCounters {
    bool Valid = false; // false where the driver keeps none (pseudo-terminals)
    std::uint32_t Frame = 0, Overrun = 0, Parity = 0, Break = 0, BufOverrun = 0;
    std::uint32_t Cts = 0, Dsr = 0, Ring = 0, Dcd = 0;
};

enum class TDeviceWait { None, HangUp, Readable, Writable };
struct TWaitResult {
    int Event = -1;      // index of the first signalled event, or -1
    bool Ready = false;  // the device is readable or writable as asked
    bool Gone = false;   // the device hung up or failed
    bool Failed = false; // the wait itself failed
    bool TimedOut = false;
};
// Waits for the first of the events (lowest index wins) or the device condition; negative
// TimeoutMs waits without limit. On Windows only the events are waited for here (Device
// InvalidHandle or What None): a serial port there is waited for through its TDevice.
TWaitResult WaitAny(std::initializer_list<TVaWaitEvent*> Events, THandle Device, TDeviceWait What,
                    int TimeoutMs);
// A write that failed only because the device takes nothing now.
bool WouldBlock(int Error);
int CurrentThreadId();
// Niceness of one thread; raising it needs privileges and is silently skipped without them.
void SetThreadPriority(int ThreadId, TThreadPriority Priority);
void Pause(int Ms);

#ifndef _WIN32
// The Linux terminal underneath the serial device (VaCommPlatform_posix.cpp).

// Opens a serial device for reading and writing, exclusively, without making it the
// controlling terminal and without waiting for carrier. NotFound tells a missing device apart
// from other failures. Consoles, and pseudo-terminals unless AllowPseudoTerminal, are refused
// as busy before they are opened.
THandle OpenDevice(const std::string& Path, bool AllowPseudoTerminal, bool& NotFound);
// Leaves exclusive mode first: another descriptor on the same terminal (the simulator keeps
// one) would otherwise keep it exclusive and a new open would fail.
void CloseDevice(THandle H);

// Raw mode with the given settings; values the system or the driver cannot do are refused
// with EINVAL and leave the line as it was.
bool WriteLineSettings(THandle H, const TLineSettings& S);

// The terminal flags (termios2) that WriteLineSettings makes of S from the ones given; false
// with EINVAL where Linux cannot do S.
struct TTermiosFlags {
    std::uint32_t Iflag = 0, Oflag = 0, Cflag = 0, Lflag = 0, Speed = 0;
};
bool ComposeTermios(const TLineSettings& S, TTermiosFlags& Flags);
// The kernel owns the queues of a terminal: nothing to set, only checked for a valid device.
bool SetQueueSizes(THandle H, int InSize, int OutSize);
// Reads return at once with what has arrived.
bool SetImmediateReads(THandle H);

bool ReadLineCounters(THandle H, TLineCounters& C);
bool QueueLevels(THandle H, int& InQueue, int& OutQueue);

// At most Count bytes of what has arrived; 0 when nothing has. -1 on failure.
long ReadDevice(THandle H, void* Buf, std::size_t Count);
// What the device takes now; -1 on failure, errno EAGAIN while it takes nothing.
long WriteDevice(THandle H, const void* Buf, std::size_t Count);
bool PurgeDevice(THandle H, bool Input, bool Output);
// Devices without modem lines (pseudo-terminals) accept this as a no-op.
bool SetModemLine(THandle H, bool Dtr, bool On);

// The wait underneath: Device (none when negative) is polled for Want (poll flags), and
// Revents gets what it reported when no event came first. Ready and Gone are left to the
// caller, who knows the device.
TWaitResult PollAny(std::initializer_list<TVaWaitEvent*> Events, THandle Device, short Want,
                    int TimeoutMs, short& Revents);

#else
// The errno value that Linux gives for the failure that Windows reports as Code
// (GetLastError): a busy port, a missing one, one that went away.
int ErrnoOfSystemError(unsigned long Code);
// errno from GetLastError(); false, for returning.
bool FailWithLastError();
#endif

} // namespace VaPlatform
