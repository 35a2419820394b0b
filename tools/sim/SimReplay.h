#pragma once
// Replays a captured NMEA log as the transponder's traffic. The pace comes from the capture
// itself: the time of day in its RMC sentences (one second per fix in most logs); a log without
// any is sent at a fixed rate of lines per second. The log starts over at its end.

#include <cstdint>
#include <string>
#include <vector>

class TReplaySource {
public:
    // Lines that start with "$" or "!" are kept as captured (checksums included, right or
    // wrong); LinesPerSecond paces a log without RMC times.
    TReplaySource(std::vector<std::string> Lines, double LinesPerSecond);
    static bool LoadFile(const std::string& Path, std::vector<std::string>& Lines,
                         std::string& Error);

    // Appends the lines due up to SimMs, each with CR LF.
    void Advance(std::int64_t SimMs, std::vector<std::string>& Out);
    // The next line at once, whatever its time (flooding the line).
    void Flood(std::vector<std::string>& Out);
    std::int64_t NextDueMs() const { return FLines.empty() ? INT64_MAX : FNextAt; }
    std::size_t Size() const { return FLines.size(); }

private:
    void Step();

    std::vector<std::string> FLines;
    std::vector<std::int64_t> FOffset; // ms of each line from the start of one pass
    std::int64_t FPassMs = 0;          // length of one pass
    std::size_t FNext = 0;
    std::int64_t FPassStart = 0;
    std::int64_t FNextAt = 0;
};
