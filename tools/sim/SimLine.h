#pragma once
// The transponder's transmit side of the serial line: replies go ahead of traffic, and the
// bytes leave no faster than the line carries them (38400 bit/s, 10 bits a byte). Traffic that
// the line cannot take in time is dropped, as a unit's small buffer would; replies never are.

#include <cstdint>
#include <deque>
#include <string>

class TLineOutput {
public:
    static constexpr double kLineBytesPerSecond = 3840.0;

    // BytesPerSecond 0: no pacing (flooding), the reader's speed alone limits the line.
    TLineOutput(double BytesPerSecond, std::size_t TrafficLimitBytes);

    void PushReply(std::string Framed);
    // False when the traffic queue is full and the sentence was dropped.
    bool PushTraffic(std::string Framed);

    // The whole sentences the line is ready to carry at NowMs, replies first.
    std::string Take(std::int64_t NowMs);
    // Earliest time at which Take can give more, or INT64_MAX when nothing waits.
    std::int64_t NextReadyMs() const;

    std::size_t QueuedTrafficBytes() const { return FTrafficBytes; }
    std::size_t QueuedReplies() const { return FReplies.size(); }
    std::uint64_t Dropped() const { return FDropped; }

private:
    double FBytesPerMs;
    std::size_t FLimit;
    std::deque<std::string> FReplies, FTraffic;
    std::size_t FTrafficBytes = 0;
    double FFreeAt = -1e18; // ms at which the line has sent everything handed over so far
    std::uint64_t FDropped = 0;
};
