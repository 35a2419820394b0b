#include "install/InstallWatch.h"

#include "ais/AIS_Codec.h"
#include "diag/DiagRules.h"
#include "nmea/Latin1.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSecondsPerDay = 86400;

// The fields of a sentence between commas, empty ones kept, up to the checksum.
std::vector<std::string_view> CommaFields(std::string_view S) {
    S = S.substr(0, S.find_first_of("*\r\n"));
    std::vector<std::string_view> f;
    for (std::size_t start = 0;;) {
        const std::size_t comma = S.find(',', start);
        if (comma == std::string_view::npos) {
            f.push_back(S.substr(start));
            return f;
        }
        f.push_back(S.substr(start, comma - start));
        start = comma + 1;
    }
}

// Where each kind of station report carries its position: longitude's first bit, then the
// latitude's; the payload must hold the latitude's last bit.
struct TPositionField {
    unsigned Type, LonBit, LatBit;
};
constexpr TPositionField kPositions[] = {{1, 61, 89},  {2, 61, 89},  {3, 61, 89},
                                         {4, 79, 107}, {9, 61, 89},  {11, 79, 107},
                                         {18, 57, 85}, {19, 57, 85}, {21, 164, 192}};

bool StationPosition(std::string_view Payload, unsigned Type, double& Lat, double& Lon) {
    for (const TPositionField& p : kPositions) {
        if (p.Type != Type) continue;
        if (Payload.size() * 6 < p.LatBit + 27) return false;
        const TPosition pos =
            PositionOf(PayloadBits(Payload, p.LonBit, 28), PayloadBits(Payload, p.LatBit, 27));
        Lat = pos.Lat;
        Lon = pos.Lon;
        return pos.Valid;
    }
    return false;
}

long long WholeSecond(double At) {
    return std::llround(At * kSecondsPerDay);
}

} // namespace

void TInstallWatch::Start(double At) {
    *this = TInstallWatch();
    FStartedAt = At;
}

void TInstallWatch::Feed(TRoute Route, std::string_view Sentence, double At,
                         const TGeoCoor& OwnPos) {
    switch (Route) {
    case TRoute::HandleVDO:
        OwnSentence(Sentence, At);
        break;
    case TRoute::HandleVDM:
        Received(Sentence, At, OwnPos);
        break;
    case TRoute::HandleRES:
        if (HasAt(Sentence, 11, "LED,"))
            if (const auto mask = LedMask(Sentence); mask && (*mask >> 6) & 1) FTxLamp = At;
        break;
    case TRoute::HandleALR:
        Message(true, Sentence, At);
        break;
    case TRoute::HandleTXT:
        Message(false, Sentence, At);
        break;
    default:
        break;
    }
}

void TInstallWatch::OwnSentence(std::string_view Sentence, double At) {
    const auto f = CommaFields(Sentence);
    if (f.size() < 6 || f[5].empty()) return;
    const std::string_view payload = f[5];
    const unsigned type = PayloadBits(payload, 0, 6);
    if (type == 18 && payload.size() >= kMsg18Chars) {
        TOwnReport r;
        r.At = At;
        if (const std::uint32_t sog = PayloadBits(payload, 46, 10); sog < 1023)
            r.SogKnots = sog / 10.0;
        if (FOwn18.size() == kMaxOwnReports) FOwn18.erase(FOwn18.begin());
        FOwn18.push_back(r);
    } else if (type == 24 && payload.size() >= 7) {
        (PayloadBits(payload, 38, 2) == 0 ? FOwn24A : FOwn24B) = At;
    }
}

void TInstallWatch::Received(std::string_view Sentence, double At, const TGeoCoor& OwnPos) {
    const auto f = CommaFields(Sentence);
    if (f.size() < 6) return;
    char channel;
    if (f[4] == "A" || f[4] == "1")
        channel = 'A';
    else if (f[4] == "B" || f[4] == "2")
        channel = 'B';
    else
        return; // no channel: it cannot tell a receiver apart
    TChannelCounts& c = FChannels[channel == 'A' ? 0 : 1];
    const long long second = WholeSecond(At);
    const std::size_t slot = static_cast<std::size_t>(((second % 600) + 600) % 600);
    if (c.Second[slot] != second) {
        c.Second[slot] = second;
        c.Count[slot] = 0;
    }
    ++c.Count[slot];

    // The station: only a first fragment carries the message's head.
    const std::string_view payload = f[5];
    if (f[2] != "1" || payload.size() < 7) return;
    const std::uint32_t mmsi = PayloadBits(payload, 8, 30);
    if (mmsi == 0) return;
    auto it = FStations.find(mmsi);
    if (it == FStations.end()) {
        if (FStations.size() >= kMaxStations) return;
        it = FStations.emplace(mmsi, THeardStation{}).first;
    }
    THeardStation& s = it->second;
    s.LastAt = At;
    s.Channel = channel;
    double lat, lon, range, bearing;
    if (!StationPosition(payload, PayloadBits(payload, 0, 6), lat, lon)) return;
    if (!RangeAndBearing(OwnPos, lat, lon, range, bearing)) return;
    s.RangeNm = range;
    s.Bearing = bearing;
    // Past a few hundred miles it is a bad position, not reception.
    if (range > 500) return;
    double& sector = FCoverage.FarthestNm[static_cast<std::size_t>(bearing / 10) % 36];
    sector = std::max(sector, range);
    double& farthest = channel == 'A' ? FCoverage.FarthestA : FCoverage.FarthestB;
    farthest = std::max(farthest, range);
}

void TInstallWatch::Message(bool Alarm, std::string_view Sentence, double At) {
    const auto m = Alarm ? ReadAlarm(Sentence) : ReadText(Sentence);
    if (!m) return;
    std::string id = m->Id;
    for (char& c : id) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto key = std::make_pair(!Alarm, id);
    if (Alarm && !m->Active) {
        FMessages.erase(key); // cleared by the unit
        return;
    }
    TUnitMessage& e = FMessages[key];
    e.Alarm = Alarm;
    e.Id = Latin1ToUtf8(m->Id);
    e.Text = Latin1ToUtf8(m->Text); // the line's bytes; every text the checks give is UTF-8
    e.LastAt = At;
}

long long TInstallWatch::SentencesWithin(char Channel, double Now, int Seconds) const {
    const TChannelCounts& c = FChannels[Channel == 'A' ? 0 : 1];
    const long long now = WholeSecond(Now);
    Seconds = std::clamp(Seconds, 1, 600);
    long long n = 0;
    for (std::size_t i = 0; i < c.Count.size(); ++i)
        if (c.Count[i] != 0 && c.Second[i] > now - Seconds && c.Second[i] <= now) n += c.Count[i];
    return n;
}

std::vector<TUnitMessage> TInstallWatch::ActiveMessages(double Now) const {
    std::vector<TUnitMessage> v;
    for (const auto& [key, m] : FMessages)
        if ((Now - m.LastAt) * kSecondsPerDay <= 61) v.push_back(m);
    return v;
}
