#include "tools/sim/Simulator.h"

#include "nmea/Framing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

TTrafficOptions TrafficOptions(const TSimOptions& O, const ISimClock& Clock, bool Replay) {
    TTrafficOptions t;
    t.Targets = O.Targets;
    t.Seed = O.Seed;
    t.Lat = O.Lat;
    t.Lon = O.Lon;
    t.UtcStartMs = Clock.UtcMs();
    t.StatusOnly = Replay;
    t.Faults = O.Faults;
    t.NoAlarms = O.NoAlarms;
    t.Mob = O.Mob;
    return t;
}

// A unit that has lost its MMSI starts as one fresh from the factory.
TSimConfig StartConfig(const TSimOptions& O, TSimConfig C) {
    if (O.Faults.Has(TSimFault::NoMmsi)) C.MMSI = 0;
    return C;
}

TDeviceFaults Faults(const TSimOptions& O) {
    TDeviceFaults f;
    f.Silent = O.Silent;
    f.MmsiLocked = O.MmsiLocked;
    return f;
}

// A replayed GNSS sentence goes out only when the NMEA output setting asks for its kind.
bool GpsWanted(const std::string& L, std::uint16_t Mask) {
    static const char* const kTalkers[] = {"GP", "GN", "GL", "GA", "BD", "GB"};
    if (L.size() < 7 || L[0] != '$') return true;
    bool gnss = false;
    for (const char* t : kTalkers) gnss = gnss || L.compare(1, 2, t) == 0;
    if (!gnss) return true;
    const std::string type = L.substr(3, 4);
    if (type == "RMC,") return (Mask & kGpsRMC) != 0;
    if (type == "GGA,") return (Mask & kGpsGGA) != 0;
    if (type == "GSV,") return (Mask & kGpsGSV) != 0;
    return (Mask & kGpsVTG) != 0;
}

// What the faults take out of a replay: own transmissions of a unit that sends none, and
// what a dead receiver would have heard on channel B ("B" or "2" in the channel field).
bool FaultKeeps(const std::string& L, const TSimFaultSet& F, const TSimConfig& C) {
    if (L.size() < 7 || L[0] != '!') return true;
    if (L.compare(3, 4, "VDO,") == 0)
        return !F.Has(TSimFault::RxOnly) && !F.Has(TSimFault::NoOwnReports) &&
               !(F.Has(TSimFault::NoMmsi) && C.MMSI == 0);
    if (L.compare(3, 4, "VDM,") != 0 || !F.Has(TSimFault::DeadChannel)) return true;
    std::size_t p = 0;
    for (int i = 0; i < 4 && p != std::string::npos; ++i) p = L.find(',', p + 1);
    if (p == std::string::npos) return true;
    const std::string_view channel = std::string_view(L).substr(p + 1, L.find(',', p + 1) - p - 1);
    return channel != "B" && channel != "2";
}

} // namespace

TSimulator::TSimulator(const TSimOptions& O, const ISimClock& Clock, const TSimConfig& Initial,
                       std::vector<std::string> Replay, TLog Log)
    : FOpt(O), FClock(Clock), FLog(std::move(Log)), FDevice(StartConfig(O, Initial), Faults(O)),
      FTraffic(TrafficOptions(O, Clock, !Replay.empty())),
      FLine(O.Flood ? 0.0 : TLineOutput::kLineBytesPerSecond, kTrafficQueue),
      FStartMono(Clock.MonotonicMs()), FFileMmsi(Initial.MMSI),
      FKeepFileMmsi(O.Faults.Has(TSimFault::NoMmsi)) {
    if (!Replay.empty()) FReplay = std::make_unique<TReplaySource>(std::move(Replay), O.ReplayRate);
}

std::int64_t TSimulator::SimMs() const {
    return static_cast<std::int64_t>(
        std::floor(static_cast<double>(FClock.MonotonicMs() - FStartMono) * FOpt.Speed));
}

bool TSimulator::UnplugDue() const {
    return FOpt.UnplugAfter >= 0 &&
           FClock.MonotonicMs() - FStartMono >= std::llround(FOpt.UnplugAfter * 1000.0);
}

void TSimulator::Transcribe(std::string_view What) {
    if (FTranscript == nullptr) return;
    *FTranscript << FClock.UtcMs() << ' ' << What << '\n';
    FTranscript->flush();
}

void TSimulator::Receive(std::string_view Bytes) {
    for (char c : Bytes) {
        if (c == '\r' || c == '\n') {
            if (!FDiscarding && !FInput.empty()) Line(FInput);
            FInput.clear();
            FDiscarding = false;
        } else if (!FDiscarding) {
            FInput += c;
            if (FInput.size() > kMaxLine) {
                Log("discarding an overlong line");
                FInput.clear();
                FDiscarding = true;
            }
        }
    }
}

void TSimulator::Line(std::string_view L) {
    std::string_view body;
    switch (CheckSentence(L, body)) {
    case TSentenceCheck::Ok:
        break;
    case TSentenceCheck::NoStart:
        Log("ignored (not a sentence): " + std::string(L));
        Transcribe("#not-a-sentence " + std::string(L));
        return;
    case TSentenceCheck::NoChecksum:
        Log("ignored (no checksum): " + std::string(L));
        Transcribe("#no-checksum " + std::string(L));
        return;
    case TSentenceCheck::BadChecksum:
        Log("ignored (wrong checksum): " + std::string(L));
        Transcribe("#bad-checksum " + std::string(L));
        return;
    }
    Transcribe(body);
    const std::int64_t now = FClock.MonotonicMs();
    TSimDevice::TOutcome r = FDevice.Handle(body, now);
    Log("<- " + std::string(body) + "  [" + r.Note + "]");
    for (const std::string& reply : r.Replies) {
        std::string framed = FrameNMEA(reply);
        if (FOpt.Late && FLate.size() < kMaxLate)
            FLate.push_back({now + FOpt.LateMs, std::move(framed)});
        else if (FOpt.Late)
            Log("too many late replies waiting; this one is dropped");
        else
            FLine.PushReply(std::move(framed));
    }
    if (r.StaticChanged) FTraffic.StaticChanged(SimMs());
    if (r.MmsiWritten) FKeepFileMmsi = false;
    if (r.ConfigChanged && !FOpt.ConfigFile.empty()) {
        TSimConfig stored = FDevice.Config();
        if (FKeepFileMmsi) stored.MMSI = FFileMmsi;
        std::string err;
        if (!SaveConfigFile(FOpt.ConfigFile, stored, err)) Log("config not saved: " + err);
    }
}

void TSimulator::Poll() {
    const std::int64_t now = FClock.MonotonicMs();
    // Late replies keep the order in which their queries came.
    while (!FLate.empty() && FLate.front().At <= now) {
        FLine.PushReply(std::move(FLate.front().Framed));
        FLate.pop_front();
    }

    const std::int64_t sim = SimMs();
    std::vector<std::string> out;
    if (!FOpt.NoTraffic) {
        FTraffic.Advance(sim, FDevice.Config(), out);
        if (FReplay && !FOpt.Flood) FReplay->Advance(sim, out);
    }
    const auto keep = [&](const std::string& s) {
        return !FReplay || (GpsWanted(s, FDevice.Config().NmeaOutput) &&
                            FaultKeeps(s, FOpt.Faults, FDevice.Config()));
    };
    const std::uint64_t droppedBefore = FLine.Dropped();
    for (auto& s : out)
        if (keep(s)) FLine.PushTraffic(std::move(s));
    if (FOpt.Flood && !FOpt.NoTraffic) {
        // Keep the queue full; the line's reader sets the pace.
        // Bounded, since a replay filtered down to nothing would never fill it.
        for (int i = 0; i < 1000 && FLine.QueuedTrafficBytes() + 200 < kTrafficQueue; ++i) {
            std::vector<std::string> more;
            if (FReplay)
                FReplay->Flood(more);
            else
                FTraffic.Flood(sim, more);
            if (more.empty()) break;
            for (auto& s : more)
                if (keep(s)) FLine.PushTraffic(std::move(s));
        }
    } else if (FLine.Dropped() != droppedBefore && FLine.Dropped() % 100 == 1) {
        Log("line busy: traffic dropped (" + std::to_string(FLine.Dropped()) + " so far)");
    }
}

std::string TSimulator::TakeOutput() {
    return FLine.Take(FClock.MonotonicMs());
}

std::int64_t TSimulator::NextWakeMs() const {
    std::int64_t t = FLine.NextReadyMs();
    for (const auto& l : FLate) t = std::min(t, l.At);
    if (!FOpt.NoTraffic) {
        std::int64_t due = FTraffic.NextDueMs();
        if (FReplay && !FOpt.Flood) due = std::min(due, FReplay->NextDueMs());
        if (due != std::numeric_limits<std::int64_t>::max()) {
            const double ms = std::ceil(static_cast<double>(due) / FOpt.Speed);
            t = std::min(t, FStartMono + static_cast<std::int64_t>(ms));
        }
    }
    if (FOpt.UnplugAfter >= 0)
        t = std::min<std::int64_t>(t, FStartMono + std::llround(FOpt.UnplugAfter * 1000.0));
    return t;
}
