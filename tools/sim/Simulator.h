#pragma once
// The whole simulated transponder without its serial device: bytes from the line go in,
// bytes for the line come out, time comes from the clock it is given.

#include "tools/sim/SimClock.h"
#include "tools/sim/SimConfig.h"
#include "tools/sim/SimDevice.h"
#include "tools/sim/SimLine.h"
#include "tools/sim/SimOptions.h"
#include "tools/sim/SimReplay.h"
#include "tools/sim/SimTraffic.h"

#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class TSimulator {
public:
    using TLog = std::function<void(const std::string&)>;

    // A non-empty Replay replaces the simulated GPS and AIS traffic.
    TSimulator(const TSimOptions& O, const ISimClock& Clock, const TSimConfig& Initial,
               std::vector<std::string> Replay = {}, TLog Log = {});

    // Every received sentence body goes there, one per line, after its UTC time in ms.
    void SetTranscript(std::ostream* Out) { FTranscript = Out; }

    // Bytes the tool wrote, in chunks of any size.
    void Receive(std::string_view Bytes);
    // Moves due replies and traffic onto the line.
    void Poll();
    // The bytes the line carries now (whole sentences).
    std::string TakeOutput();
    // Monotonic ms at which Poll or TakeOutput has something to do next.
    std::int64_t NextWakeMs() const;
    bool UnplugDue() const;

    const TSimConfig& Config() const { return FDevice.Config(); }
    std::int64_t SimMs() const; // simulated time since the start
    std::uint64_t DroppedTraffic() const { return FLine.Dropped(); }

    static constexpr std::size_t kMaxLine = 1024;      // longer input is noise, not a sentence
    static constexpr std::size_t kTrafficQueue = 7680; // two seconds of the line
    static constexpr std::size_t kMaxLate = 1000;      // a query storm must not grow memory

private:
    void Line(std::string_view L);
    void Log(const std::string& S) const {
        if (FLog) FLog(S);
    }
    void Transcribe(std::string_view What);

    TSimOptions FOpt;
    const ISimClock& FClock;
    TLog FLog;
    TSimDevice FDevice;
    TTrafficGen FTraffic;
    std::unique_ptr<TReplaySource> FReplay;
    TLineOutput FLine;
    std::ostream* FTranscript = nullptr;
    std::string FInput;
    bool FDiscarding = false; // inside an overlong line
    std::int64_t FStartMono;
    struct TLate {
        std::int64_t At;
        std::string Framed;
    };
    std::deque<TLate> FLate; // in time order: every reply waits equally long
    // The no-mmsi fault hides the memory's MMSI for this run only: until an MMSI is
    // programmed (or wiped by a reset), the file keeps the one it had.
    std::uint32_t FFileMmsi;
    bool FKeepFileMmsi;
};
