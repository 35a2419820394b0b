#pragma once
// What a busy class B transponder sends on its own: GPS sentences once a second, its own
// transmissions, the AIS traffic it receives from the ships around it, alarms and text
// messages now and then, and its hardware status. Driven by simulated time, so a test can run
// minutes of traffic in no time.

#include "tools/sim/AisEncode.h"
#include "tools/sim/SimConfig.h"
#include "tools/sim/SimFaults.h"

#include <cstdint>
#include <queue>
#include <random>
#include <string>
#include <vector>

struct TTrafficOptions {
    int Targets = 12; // simulated vessels around the own ship
    unsigned Seed = 1;
    double Lat = 54.40, Lon = 10.20; // own ship's start: Kiel Bight
    std::int64_t UtcStartMs = 0;     // wall time at simulated time 0
    bool StatusOnly = false; // only status, alarm and text sentences (a replay sends the rest)
    TSimFaultSet Faults;     // no-mmsi is the device's: it starts without an MMSI
    bool NoAlarms = false;   // neither the alarm cycle nor its text messages
    bool Mob = false;        // a man overboard device drifting near the own ship's start
};

struct TSimShip {
    enum TKind { ClassA, ClassB, BaseStation, AidToNavigation, ManOverboard } Kind = ClassA;
    std::uint32_t MMSI = 0;
    double Lat = 0, Lon = 0; // degrees
    double Sog = 0;          // knots
    double Cog = 0;          // degrees
    double Turn = 0;         // degrees per second
    bool HasHeading = true;
    unsigned NavStatus = 0;
    unsigned MsgType = 1; // class A: 1, 2 or 3
    std::string Name, CallSign, Destination, VendorID;
    unsigned ShipType = 0, ToBow = 0, ToStern = 0, ToPort = 0, ToStarboard = 0;
    std::uint32_t IMO = 0;
    unsigned Draught = 0;
    unsigned Reports = 0;
    std::int64_t MovedAt = 0; // simulated ms of the position above
};

class TTrafficGen {
public:
    explicit TTrafficGen(const TTrafficOptions& O);

    // Appends every sentence due up to SimMs (framed, CR LF included), in time order.
    void Advance(std::int64_t SimMs, const TSimConfig& C, std::vector<std::string>& Out);
    // One more received report at once, outside every schedule (flooding the line).
    void Flood(std::int64_t SimMs, std::vector<std::string>& Out);
    // The own static data changed: report it soon, as a unit does after being programmed.
    void StaticChanged(std::int64_t SimMs);
    std::int64_t NextDueMs() const;

    const TSimShip& OwnShip() const { return FOwn; }
    const std::vector<TSimShip>& Targets() const { return FShips; }
    // Reporting interval of a received vessel, milliseconds.
    static std::int64_t ReportInterval(const TSimShip& S);
    // Interval of the own position report (the class B schedule).
    static std::int64_t OwnReportInterval(double SogKnots);

private:
    enum TEvent { Gps, Led, Adc, Own18, Own24, TargetPos, TargetStatic, AlarmTick };
    struct TDue {
        std::int64_t At;
        std::uint64_t Seq;
        TEvent Kind;
        std::size_t Index;
        bool operator>(const TDue& o) const { return At != o.At ? At > o.At : Seq > o.Seq; }
    };

    void Schedule(std::int64_t At, TEvent Kind, std::size_t Index = 0);
    void Run(const TDue& E, const TSimConfig& C, std::vector<std::string>& Out);
    void MoveShip(TSimShip& S, std::int64_t SimMs); // vessels only: stations stay put
    void Move(TSimShip& S, std::int64_t SimMs, bool KeepNear);
    void SendGps(std::int64_t SimMs, const TSimConfig& C, std::vector<std::string>& Out);
    void SendPosition(TSimShip& S, std::int64_t SimMs, std::vector<std::string>& Out);
    void SendStatic(TSimShip& S, std::vector<std::string>& Out);
    void SendOwn18(std::int64_t SimMs, const TSimConfig& C, std::vector<std::string>& Out);
    void SendOwn24(const TSimConfig& C, std::vector<std::string>& Out);
    void SendLed(std::int64_t SimMs, const TSimConfig& C, std::vector<std::string>& Out);
    void SendAdc(std::vector<std::string>& Out);
    // A received message on the next channel, unless that channel's receiver is dead.
    void Receive(std::int64_t SimMs, const TAisPayload& P, std::vector<std::string>& Out);
    bool RxOnly(const TSimConfig& C) const;
    bool MayTransmit(const TSimConfig& C) const;
    void AlarmStep(std::int64_t SimMs, const TSimConfig& C, std::vector<std::string>& Out);
    void Emit(std::vector<std::string>& Out, std::vector<std::string> Sentences);
    char NextChannel();
    TSimShip MakeShip(std::size_t Index);

    TTrafficOptions FOpt;
    std::mt19937 FRng;
    TSimShip FOwn;
    std::vector<TSimShip> FShips;
    std::priority_queue<TDue, std::vector<TDue>, std::greater<TDue>> FDue;
    std::uint64_t FSeq = 0;
    TVdSentenceBuilder FBuilder;
    bool FChannelB = false;
    std::int64_t FLastRx = -100000, FLastTx = -100000;
    bool FAlarmActive = false;
    std::size_t FFloodNext = 0;
    std::int64_t FOwn24Due = -1;
};
