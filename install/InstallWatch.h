#pragma once
// What an installation check needs to know that no other record keeps: when the own reports
// went out, when the TX lamp was lit, how much each receiver channel hears, which stations were
// heard and how far away, and the alarms and text messages still active. Both front ends feed
// it every received sentence; no Qt.

#include "nmea/Dispatch.h"
#include "targets/Geodesy.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One own position report (message 18): when it was reported and the speed it gave.
struct TOwnReport {
    double At = 0;                  // UTC days
    std::optional<double> SogKnots; // none when the report had none
};

// A station heard on the radio.
struct THeardStation {
    double LastAt = 0;                      // UTC days
    std::optional<double> RangeNm, Bearing; // from the own position when both were known
    char Channel = 'A';
};

// An active alarm (ALR) or text message (TXT).
struct TUnitMessage {
    bool Alarm = false; // ALR; otherwise TXT
    std::string Id;     // as the sentence has it ("002")
    std::string Text;   // UTF-8
    double LastAt = 0;
};

// The farthest station heard in each 10° sector (north up, clockwise from north), and per
// channel; 0 where none was heard.
struct TCoverage {
    std::array<double, 36> FarthestNm{};
    double FarthestA = 0, FarthestB = 0;
    bool operator==(const TCoverage&) const = default;
};

class TInstallWatch {
public:
    // A connection was set up at At: what the last one saw is forgotten.
    void Start(double At);
    // A received sentence as the dispatcher routed it, at At, with the own position as it then
    // stood.
    void Feed(TRoute Route, std::string_view Sentence, double At, const TGeoCoor& OwnPos);

    double StartedAt() const { return FStartedAt; }
    const std::vector<TOwnReport>& OwnReports() const { return FOwn18; }
    double Own24AAt() const { return FOwn24A; } // 0: not since the start
    double Own24BAt() const { return FOwn24B; }
    double TxLampAt() const { return FTxLamp; }
    // Received sentences on channel 'A' or 'B' within the Seconds before Now (up to 600).
    long long SentencesWithin(char Channel, double Now, int Seconds) const;
    const std::unordered_map<std::uint32_t, THeardStation>& Stations() const { return FStations; }
    const TCoverage& Coverage() const { return FCoverage; }
    // Alarms and texts reported within the last 61 s (as long as the lists show them), alarms
    // first, each kind in order of its identifier.
    std::vector<TUnitMessage> ActiveMessages(double Now) const;

    static constexpr std::size_t kMaxOwnReports = 64;
    static constexpr std::size_t kMaxStations = 100000; // a storm of invented MMSIs stays bounded

private:
    void OwnSentence(std::string_view Sentence, double At);
    void Received(std::string_view Sentence, double At, const TGeoCoor& OwnPos);
    void Message(bool Alarm, std::string_view Sentence, double At);

    double FStartedAt = 0;
    std::vector<TOwnReport> FOwn18;
    double FOwn24A = 0, FOwn24B = 0, FTxLamp = 0;
    // Sentences per second and channel over the last ten minutes, a ring by whole second.
    struct TChannelCounts {
        std::array<std::uint32_t, 600> Count{};
        std::array<long long, 600> Second{};
    };
    TChannelCounts FChannels[2];
    std::unordered_map<std::uint32_t, THeardStation> FStations;
    TCoverage FCoverage;
    std::map<std::pair<bool, std::string>, TUnitMessage> FMessages;
};
