#pragma once
// Time as the simulator sees it: a monotonic clock for pacing and time-outs, and the wall
// clock for the UTC times it puts into its sentences. Tests drive a manual clock instead of
// sleeping.

#include <cstdint>

class ISimClock {
public:
    virtual ~ISimClock() = default;
    // Milliseconds on a clock that never jumps; only differences count.
    virtual std::int64_t MonotonicMs() const = 0;
    // Milliseconds since 1970-01-01 00:00 UTC.
    virtual std::int64_t UtcMs() const = 0;
};

class TSystemClock final : public ISimClock {
public:
    std::int64_t MonotonicMs() const override;
    std::int64_t UtcMs() const override;
};

class TManualClock final : public ISimClock {
public:
    explicit TManualClock(std::int64_t UtcStartMs = 1765324800000) : FUtc(UtcStartMs) {}
    std::int64_t MonotonicMs() const override { return FMono; }
    std::int64_t UtcMs() const override { return FUtc; }
    void Advance(std::int64_t Ms) {
        FMono += Ms;
        FUtc += Ms;
    }

private:
    std::int64_t FMono = 0;
    std::int64_t FUtc;
};
