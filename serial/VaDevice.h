#pragma once
// An open line as the port and its threads use it: a serial terminal, or a TCP connection that
// stands in for one. Every call that fails leaves the system's error code in errno, as the
// platform functions do (VaCommPlatform.h).

#include "serial/NetworkAddress.h"
#include "serial/VaCommPlatform.h"

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>

namespace VaPlatform {

class TDevice {
public:
    virtual ~TDevice() = default; // releases the line
    TDevice(const TDevice&) = delete;
    TDevice& operator=(const TDevice&) = delete;

    virtual bool WriteLineSettings(const TLineSettings& S) = 0;
    virtual bool SetQueueSizes(int InSize, int OutSize) = 0;
    virtual bool SetImmediateReads() = 0;
    virtual bool ReadLineCounters(TLineCounters& C) = 0;
    virtual bool QueueLevels(int& InQueue, int& OutQueue) = 0;
    // At most Count bytes of what has arrived; 0 when nothing has. -1 on failure.
    virtual long Read(void* Buf, std::size_t Count) = 0;
    // What the line takes now; -1 on failure, errno EAGAIN while it takes nothing.
    virtual long Write(const void* Buf, std::size_t Count) = 0;
    virtual bool Purge(bool Input, bool Output) = 0;
    virtual bool SetModemLine(bool Dtr, bool On) = 0;
    // WaitAny on this line: Gone once the far end has gone and nothing is left to read.
    virtual TWaitResult Wait(std::initializer_list<TVaWaitEvent*> Events, TDeviceWait What,
                             int TimeoutMs) = 0;

protected:
    TDevice() = default;
};

// A serial device, opened as OpenDevice does; none with errno (and NotFound) as OpenDevice
// leaves them.
std::unique_ptr<TDevice> OpenTerminal(const std::string& Path, bool AllowPseudoTerminal,
                                      bool& NotFound);

// How long a network open may take at most, name lookup and connect together: long enough for
// a gateway across a busy WiFi, short enough that an unreachable one does not hold up the
// window's open (Connect, the port box, the watchdog's reopen) for the minutes that the
// system's own connect and lookup time-outs take.
inline constexpr int kNetworkOpenMs = 3000;

// A raw TCP connection to Address, established within TimeoutMs. None with errno when it is
// refused, unreachable or not established in time (ETIMEDOUT); NotFound when the host name does
// not resolve (also when the lookup does not answer in time).
std::unique_ptr<TDevice> OpenNetwork(const TNetworkAddress& Address, int TimeoutMs, bool& NotFound);

} // namespace VaPlatform
