#pragma once
// The sequencer against in-process simulators on a manual clock: ports that open, with or
// without a transponder on them, a line that takes time to carry each byte, pauses that block
// the caller, and a one-shot timer. Nothing waits for real time, so a whole connection with
// its time-outs runs in milliseconds.

#include "control/Sequencer.h"
#include "nmea/Dispatch.h"
#include "nmea/Framing.h"
#include "nmea/Latin1.h"
#include "tools/sim/Simulator.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TSequencerBench final : public ISequencerEvents {
public:
    static TSimOptions Transponder() {
        TSimOptions o;
        o.NoTraffic = true; // replies only, unless a test wants the traffic
        return o;
    }

    TSequencerBench()
        : Seq(
              FLink, FTimer, [this](int Ms) { Block(Ms); }, Own, *this) {}

    // A port that opens; with a simulated transponder on it, or an empty line.
    void AddPort(int PortNum) { FPorts[PortNum] = nullptr; }
    void AddTransponder(int PortNum, const TSimOptions& O = Transponder(),
                        const TSimConfig& C = {}) {
        FPorts[PortNum] = std::make_unique<TSimulator>(O, Clock, C);
    }
    TSimulator& Sim(int PortNum) { return *FPorts.at(PortNum); }

    std::int64_t Now() const { return Clock.MonotonicMs(); }

    // Runs the clock for Ms: the line delivers what it carries, then the timer ticks.
    void Run(std::int64_t Ms) {
        RunUntil([] { return false; }, Ms);
    }
    // Runs until Done holds after an event, or for MaxMs; true when Done held.
    bool RunUntil(const std::function<bool()>& Done, std::int64_t MaxMs = 60000) {
        const std::int64_t end = Now() + MaxMs;
        for (;;) {
            Deliver();
            if (FTimer.Due(Now())) {
                FTimer.Running = false;
                Seq.Tick();
                if (Done()) return true;
                continue;
            }
            if (Done()) return true;
            if (Now() >= end) return false;
            Clock.Advance(std::max<std::int64_t>(1, std::min(NextEvent(), end) - Now()));
            Poll();
        }
    }

    // Bodies the sequencer sent to PortNum (0: to a closed port), in order.
    std::vector<std::string> SentTo(int PortNum) const {
        auto it = FSent.find(PortNum);
        return it == FSent.end() ? std::vector<std::string>{} : it->second;
    }
    // "<ms> <what>" for every event, in order.
    std::vector<std::string> Log;
    std::vector<TOutcome> Outcomes;
    std::vector<std::pair<std::int64_t, std::string>> Sends; // time and body, every port
    std::int64_t RepliedAt = -1; // when the last awaited reply was taken over
    int ConnectedPort = 0;
    std::int64_t ConnectedAt = -1;
    bool ReadDone = false;

    TManualClock Clock;
    TOwnShip Own;
    TSequencer Seq;

    // ISequencerEvents
    void PortSelected(int Index) override { Note("selected " + std::to_string(Index)); }
    void Connected(int PortNum) override {
        ConnectedPort = PortNum;
        ConnectedAt = Now();
        Note("connected COM" + std::to_string(PortNum));
    }
    void ConnectionAborted() override { Note("aborted"); }
    void ReadComplete() override { ReadDone = true; }
    void Outcome(TOutcome O) override {
        Outcomes.push_back(O);
        Note(std::string("outcome ") + OutcomeText(O).Text);
    }

private:
    void Note(const std::string& What) { Log.push_back(std::to_string(Now()) + " " + What); }

    class TLink final : public IUnitLink {
    public:
        explicit TLink(TSequencerBench& B) : B(B) {}
        bool Open(int PortNum) override {
            if (Port != 0 || !B.FPorts.contains(PortNum)) return false;
            Port = PortNum;
            B.FLine.clear();
            return true;
        }
        void Close() override {
            if (Port == 0) return;
            Port = 0;
            B.FLine.clear(); // what was not yet handed over is lost with the port
            B.Block(300);    // closing an open port takes its time
        }
        bool Active() const override { return Port != 0; }
        void Send(const std::string& Body) override {
            B.FSent[Port].push_back(Body);
            B.Sends.emplace_back(B.Now(), Body);
            if (Port != 0 && B.FPorts[Port]) B.FPorts[Port]->Receive(FrameNMEA(Utf8ToLatin1(Body)));
        }
        int Port = 0;

    private:
        TSequencerBench& B;
    };

    class TTimer final : public IScanTimer {
    public:
        explicit TTimer(TSequencerBench& B) : B(B) {}
        void Start(int Ms) override {
            FInterval = Ms;
            Deadline = B.Now() + Ms;
            Running = true;
        }
        void Stop() override { Running = false; }
        bool Active() const override { return Running; }
        int Interval() const override { return FInterval; }
        bool Due(std::int64_t Now) const { return Running && Deadline <= Now; }
        bool Running = false;
        std::int64_t Deadline = 0;

    private:
        TSequencerBench& B;
        int FInterval = 0;
    };

    // The caller is blocked: time passes, the line keeps what arrives for later.
    void Block(int Ms) {
        const std::int64_t end = Now() + Ms;
        while (Now() < end) {
            Clock.Advance(std::max<std::int64_t>(1, std::min(NextEvent(), end) - Now()));
            Poll();
        }
    }

    std::int64_t NextEvent() const {
        std::int64_t t = FTimer.Running ? FTimer.Deadline : INT64_MAX;
        for (const auto& [n, sim] : FPorts)
            if (sim) t = std::min(t, std::max(sim->NextWakeMs(), Now() + 1));
        return t;
    }

    void Poll() {
        for (auto& [n, sim] : FPorts) {
            if (!sim) continue;
            sim->Poll();
            std::string out = sim->TakeOutput();
            if (n == FLink.Port) FLine += out; // what a closed port carries is lost
        }
    }

    // Hands every whole sentence on the line to the sequencer, as the window's dispatch does.
    void Deliver() {
        for (std::size_t e; (e = FLine.find("\r\n")) != std::string::npos;) {
            const std::string s = FLine.substr(0, e + 1); // ends in CR, as the capture delivers
            FLine.erase(0, e + 2);
            if (RouteSentence(s, AwaitOf(Seq.ReplyState)) != TRoute::ParseReply) continue;
            const TReplyState before = Seq.ReplyState;
            Seq.ParseReply(s);
            if (Seq.ReplyState == rsReplied && before != rsReplied) RepliedAt = Now();
        }
    }

    TLink FLink{*this};
    TTimer FTimer{*this};
    std::map<int, std::unique_ptr<TSimulator>> FPorts;
    std::map<int, std::vector<std::string>> FSent;
    std::string FLine;
};
