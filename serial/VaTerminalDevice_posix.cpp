// A serial device as the port's line: the Linux terminal functions of VaCommPlatform_posix.cpp
// on one descriptor.
#include "serial/VaDevice.h"

namespace VaPlatform {

namespace {

class TTerminalDevice final : public TDevice {
public:
    explicit TTerminalDevice(THandle H) : FHandle(H) {}
    ~TTerminalDevice() override { CloseDevice(FHandle); }

    bool WriteLineSettings(const TLineSettings& S) override {
        return VaPlatform::WriteLineSettings(FHandle, S);
    }
    bool SetQueueSizes(int InSize, int OutSize) override {
        return VaPlatform::SetQueueSizes(FHandle, InSize, OutSize);
    }
    bool SetImmediateReads() override { return VaPlatform::SetImmediateReads(FHandle); }
    bool ReadLineCounters(TLineCounters& C) override {
        return VaPlatform::ReadLineCounters(FHandle, C);
    }
    bool QueueLevels(int& InQueue, int& OutQueue) override {
        return VaPlatform::QueueLevels(FHandle, InQueue, OutQueue);
    }
    long Read(void* Buf, std::size_t Count) override { return ReadDevice(FHandle, Buf, Count); }
    long Write(const void* Buf, std::size_t Count) override {
        return WriteDevice(FHandle, Buf, Count);
    }
    bool Purge(bool Input, bool Output) override { return PurgeDevice(FHandle, Input, Output); }
    bool SetModemLine(bool Dtr, bool On) override {
        return VaPlatform::SetModemLine(FHandle, Dtr, On);
    }
    TWaitResult Wait(std::initializer_list<TVaWaitEvent*> Events, TDeviceWait What,
                     int TimeoutMs) override {
        return WaitAny(Events, FHandle, What, TimeoutMs);
    }

private:
    THandle FHandle;
};

} // namespace

std::unique_ptr<TDevice> OpenTerminal(const std::string& Path, bool AllowPseudoTerminal,
                                      bool& NotFound) {
    const THandle h = OpenDevice(Path, AllowPseudoTerminal, NotFound);
    if (h == InvalidHandle) return nullptr;
    try {
        return std::make_unique<TTerminalDevice>(h);
    } catch (...) {
        CloseDevice(h);
        throw;
    }
}

} // namespace VaPlatform
