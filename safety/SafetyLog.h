#pragma once
// Safety related messages (types 12 and 14) as a log, and the alerts of distress devices
// (AIS-SART, man overboard devices, EPIRB-AIS) heard on the air. No Qt: the views read these.
// Times are UTC days since 1899-12-30, as TUtcClock gives them; "now" is always a parameter.

#include "ais/AIS_Codec.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// ---- Distress devices ----------------------------------------------------------------------

enum class TDistressKind { Sart, Mob, Epirb };

// The kind of device an MMSI belongs to: exactly nine decimal digits beginning 970 (AIS-SART),
// 972 (man overboard device) or 974 (EPIRB-AIS); none for anything else.
std::optional<TDistressKind> DistressKindOf(std::string_view Mmsi);

// "AIS-SART", "Man overboard", "EPIRB-AIS".
std::string DistressKindText(TDistressKind Kind);

// ---- Times -------------------------------------------------------------------------------

// "12:34:56", rounded to the second; "n.a." for a time that is not a number or lies beyond
// any calendar worth showing.
std::string UtcTimeText(double Time);
// "2024-05-01 12:34:56", rounded to the second as UtcTimeText; "n.a." likewise.
std::string UtcDateTimeText(double Time);

// ---- Safety messages -----------------------------------------------------------------------

struct TSafetyMessage {
    double Time = 0; // when received, UTC days
    std::string From;
    std::string To; // empty: broadcast
    std::string Text;
};

// True for a decoded type 12 or 14 message, which Out then holds (MMSIs as nine digits, the
// text as the codec gives it, "n.a." when empty); false, with Out untouched, for any other kind and
// for a payload too short to hold the sender.
bool SafetyMessageOf(const TAisMessage& M, double Now, TSafetyMessage& Out);

// The messages received, newest first, up to a capacity: the oldest go first.
class TSafetyLog {
public:
    static constexpr std::size_t kCapacity = 1000;

    explicit TSafetyLog(std::size_t Capacity = kCapacity) : FCapacity(Capacity) {}

    void Add(TSafetyMessage M);

    const std::deque<TSafetyMessage>& Messages() const { return FMessages; }
    std::size_t Capacity() const { return FCapacity; }
    // Messages added since the log was made, dropped ones included: a view that remembers it
    // knows how many of Messages() are new to it.
    std::uint64_t Added() const { return FAdded; }

private:
    std::size_t FCapacity;
    std::deque<TSafetyMessage> FMessages;
    std::uint64_t FAdded = 0;
};

// ---- Distress alerts -----------------------------------------------------------------------

struct TDistressAlert {
    std::string Mmsi;
    TDistressKind Kind = TDistressKind::Sart;
    TPosition Pos;    // the last valid position heard; Valid false while none was
    std::string Text; // the last text heard; empty while none was
    double FirstHeard = 0, LastHeard = 0;
    double Raised = 0; // when the alert was last raised
    bool Acknowledged = false;
    double AcknowledgedAt = 0; // when the user last acknowledged it
};

// One alert per distress device. An alert is raised when a device is heard for the first time,
// and again when it is heard after it was acknowledged and then silent for more than ten
// minutes (counted from the last time it was heard, or from the acknowledgement when that came
// later: an alert acknowledged late is not raised again by the next message).
class TDistressAlerts {
public:
    static constexpr std::size_t kMaxDevices = 1000;

    // Devices remembered at most: a stream of made-up distress numbers must not grow memory
    // without end. Past it the acknowledged device heard longest ago is forgotten first.
    explicit TDistressAlerts(std::size_t MaxDevices = kMaxDevices)
        : FMaxDevices(MaxDevices < 1 ? 1 : MaxDevices) {}

    // Called for every message of any MMSI; Pos.Valid false and Text empty when the message
    // carries none ("n.a." counts as none too). True when this raises an alert that was not
    // showing. Messages of other MMSIs change nothing.
    bool Heard(const std::string& Mmsi, double Now, const TPosition& Pos, std::string_view Text);

    // Acknowledges every showing alert at Now (0: as of when each was last heard).
    void Acknowledge(double Now = 0);

    // Unacknowledged alerts, the most recently raised first.
    std::vector<TDistressAlert> Showing() const;
    bool Any() const;

    // Every device remembered, showing or not, in the order first heard.
    std::vector<TDistressAlert> Devices() const;

private:
    struct TEntry {
        TDistressAlert Alert;
        std::uint64_t RaisedSeq = 0; // order of raising, immune to a clock stepping back
    };
    void MakeRoom();

    std::size_t FMaxDevices;
    std::vector<TEntry> FEntries;
    std::uint64_t FRaises = 0;
};

// One line a user can act on, UTF-8, for example
//   Man overboard 972123456 at 54° 10.1230' N 010° 20.4560' E, 1.2 nm 045°: "MOB ACTIVE",
//   first heard 12:34:56 UTC
// "position not known" without a position; range and bearing (from the own ship) only where
// given and the position is known; the text only where one was heard.
std::string DistressText(const TDistressAlert& A, std::optional<double> RangeNm,
                         std::optional<double> BearingDeg);
