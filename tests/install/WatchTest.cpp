// The watch fed real captures and encoded reports: channels counted, stations placed, the
// coverage per sector, and nothing unbounded or read past a payload.

#include "InstallFixture.h"
#include "tools/sim/AisEncode.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace {

const TGeoCoor kOwn{"54.40000", "10.20000"};

std::string Sentence(bool Own, char Channel, const TAisPayload& P) {
    TVdSentenceBuilder b;
    return b.Build(Own, Channel, P)[0];
}

TEST(Watch, PlacesEveryKindOfStationThatCarriesAPosition) {
    TAisPosA a;
    a.MMSI = 211000001;
    a.Lat = LonLatUnits(54.5); // 6 NM north
    a.Lon = LonLatUnits(10.2);
    TAisPosB b;
    b.MMSI = 211000002;
    b.Lat = LonLatUnits(54.4); // east
    b.Lon = LonLatUnits(10.3);
    TAisBaseStation base;
    base.MMSI = 2111000;
    base.Lat = LonLatUnits(54.3); // 6 NM south
    base.Lon = LonLatUnits(10.2);
    TAisAtoN aton;
    aton.MMSI = 992111001;
    aton.Name = "KIEL LIGHT";
    aton.Lat = LonLatUnits(54.4);
    aton.Lon = LonLatUnits(10.1); // west
    TAisPosA unknown;
    unknown.MMSI = 211000005; // no position: heard, not placed

    TInstallWatch w;
    w.Start(kDay0);
    const std::pair<std::string, std::uint32_t> feed[] = {
        {Sentence(false, 'A', EncodeMsg123(a)), a.MMSI},
        {Sentence(false, 'B', EncodeMsg18(b)), b.MMSI},
        {Sentence(false, 'A', EncodeMsg4(base)), base.MMSI},
        {Sentence(false, 'B', EncodeMsg21(aton)), aton.MMSI},
        {Sentence(false, 'A', EncodeMsg123(unknown)), unknown.MMSI},
    };
    for (const auto& [s, mmsi] : feed) w.Feed(TRoute::HandleVDM, s, kDay0, kOwn);

    ASSERT_EQ(w.Stations().size(), 5u);
    const struct {
        std::uint32_t Mmsi;
        double Range, Bearing;
    } expected[] = {
        {a.MMSI, 6.0, 0}, {b.MMSI, 3.49, 90}, {base.MMSI, 6.0, 180}, {aton.MMSI, 3.49, 270}};
    for (const auto& e : expected) {
        const THeardStation& s = w.Stations().at(e.Mmsi);
        ASSERT_TRUE(s.RangeNm && s.Bearing) << e.Mmsi;
        EXPECT_NEAR(*s.RangeNm, e.Range, 0.01) << e.Mmsi;
        EXPECT_NEAR(*s.Bearing, e.Bearing, 0.01) << e.Mmsi;
    }
    EXPECT_FALSE(w.Stations().at(unknown.MMSI).RangeNm);
    const TCoverage& c = w.Coverage();
    EXPECT_NEAR(c.FarthestNm[0], 6.0, 0.01);
    EXPECT_NEAR(c.FarthestNm[9], 3.49, 0.01);
    EXPECT_NEAR(c.FarthestNm[18], 6.0, 0.01);
    EXPECT_NEAR(c.FarthestNm[27], 3.49, 0.01);
    EXPECT_NEAR(c.FarthestA, 6.0, 0.01);
    EXPECT_NEAR(c.FarthestB, 3.49, 0.01);
    EXPECT_EQ(w.SentencesWithin('A', kDay0, 60), 3);
    EXPECT_EQ(w.SentencesWithin('B', kDay0, 60), 2);
}

TEST(Watch, WithoutAnOwnPositionHearsButPlacesNothing) {
    TInstallWatch w;
    w.Start(kDay0);
    TAisPosA a;
    a.MMSI = 211000001;
    a.Lat = LonLatUnits(54.5);
    a.Lon = LonLatUnits(10.2);
    w.Feed(TRoute::HandleVDM, Sentence(false, 'A', EncodeMsg123(a)), kDay0, TGeoCoor{"91", "181"});
    ASSERT_EQ(w.Stations().size(), 1u);
    EXPECT_FALSE(w.Stations().begin()->second.RangeNm);
    EXPECT_EQ(w.Coverage(), TCoverage{});
}

// A real capture, line by line a tenth of a second apart: every VDM with a channel is counted
// on it, and the stations are the MMSIs of first fragments.
TEST(Watch, RealCaptureCountsChannelsAndStations) {
    std::ifstream in(CORVANE_CORPUS_DIR "/streams/gpsd-ait250.nmea");
    ASSERT_TRUE(in);
    TInstallRig r;
    r.Connect();
    long long perChannel[2] = {0, 0};
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        r.At(n++ * 0.1);
        r.Raw(line + "\r");
        if (line.rfind("!AIVDM,", 0) == 0) {
            const auto c = line.find(',', line.find(',', line.find(',', 7) + 1) + 1);
            const char ch = line[c + 1];
            if (ch == 'A' || ch == '1') ++perChannel[0];
            if (ch == 'B' || ch == '2') ++perChannel[1];
        }
    }
    ASSERT_GT(perChannel[0], 10);
    ASSERT_GT(perChannel[1], 10);
    const double end = r.Now();
    const int window = static_cast<int>(n * 0.1) + 2;
    EXPECT_EQ(r.Session.Watch.SentencesWithin('A', end, window), perChannel[0]);
    EXPECT_EQ(r.Session.Watch.SentencesWithin('B', end, window), perChannel[1]);
    EXPECT_GT(r.Session.Watch.Stations().size(), 5u);
    // The capture's own position comes from its RMC: stations are placed around it.
    double farthest = 0;
    for (double d : r.Session.Watch.Coverage().FarthestNm) farthest = std::max(farthest, d);
    EXPECT_GT(farthest, 1);
    EXPECT_LT(farthest, 200);
}

TEST(Watch, OwnReportsAndTheTxLamp) {
    TInstallWatch w;
    w.Start(kDay0);
    TAisPosB m;
    m.MMSI = 211234560;
    m.Sog = 1023; // no speed
    w.Feed(TRoute::HandleVDO, Sentence(true, 'A', EncodeMsg18(m)), kDay0, kOwn);
    TAisStaticB b;
    b.MMSI = 211234560;
    w.Feed(TRoute::HandleVDO, Sentence(true, 'B', EncodeMsg24B(b)), kDay0 + 1.0 / 86400, kOwn);
    w.Feed(TRoute::HandleRES, FrameNMEA("PSRT,RES,LED,22"), kDay0, kOwn); // no TX bit
    ASSERT_EQ(w.OwnReports().size(), 1u);
    EXPECT_FALSE(w.OwnReports()[0].SogKnots);
    EXPECT_EQ(w.Own24AAt(), 0);
    EXPECT_GT(w.Own24BAt(), 0);
    EXPECT_EQ(w.TxLampAt(), 0);
    w.Feed(TRoute::HandleRES, FrameNMEA("PSRT,RES,LED,62"), kDay0, kOwn);
    EXPECT_EQ(w.TxLampAt(), kDay0);
    // The own reports of a long run keep to a bounded list, the newest last.
    for (int i = 0; i < 200; ++i)
        w.Feed(TRoute::HandleVDO, Sentence(true, 'A', EncodeMsg18(m)), kDay0 + i, kOwn);
    EXPECT_EQ(w.OwnReports().size(), TInstallWatch::kMaxOwnReports);
    EXPECT_EQ(w.OwnReports().back().At, kDay0 + 199);
    // A new connection forgets what the last one saw.
    w.Start(kDay0 + 300);
    EXPECT_TRUE(w.OwnReports().empty());
    EXPECT_EQ(w.Own24BAt(), 0);
    EXPECT_TRUE(w.Stations().empty());
}

// Every cut of real sentences, and a storm of invented stations: nothing read past a payload,
// nothing without bound.
TEST(Watch, CutSentencesAndAStormOfStations) {
    TInstallWatch w;
    w.Start(kDay0);
    TAisAtoN aton;
    aton.MMSI = 992111001;
    aton.Name = "A NAME LONGER THAN TWENTY CHARACTERS";
    const std::string full[] = {Sentence(false, 'A', EncodeMsg21(aton)),
                                "!AIVDM,1,1,,B,13aGhtw0R<OJf=6LgQ?Ad1FF05`L,0*24\r",
                                FrameNMEA("AIALR,120000.00,002,A,V,Antenna VSWR exceeds limit"),
                                FrameNMEA("AITXT,01,01,025,Internal GNSS in use")};
    const TRoute routes[] = {TRoute::HandleVDM, TRoute::HandleVDM, TRoute::HandleALR,
                             TRoute::HandleTXT};
    for (int k = 0; k < 4; ++k)
        for (std::size_t n = 0; n <= full[k].size(); ++n) {
            const std::string cut = full[k].substr(0, n); // a copy of its own, for ASan
            w.Feed(routes[k], cut, kDay0, kOwn);
            w.Feed(TRoute::HandleVDO, cut, kDay0, kOwn);
        }
    TAisPosA a;
    a.Lat = LonLatUnits(54.5);
    a.Lon = LonLatUnits(10.2);
    for (std::uint32_t i = 0; i < TInstallWatch::kMaxStations + 500; ++i) {
        a.MMSI = 200000000 + i;
        w.Feed(TRoute::HandleVDM, Sentence(false, 'A', EncodeMsg123(a)), kDay0, kOwn);
    }
    EXPECT_EQ(w.Stations().size(), TInstallWatch::kMaxStations);
    EXPECT_EQ(w.ActiveMessages(kDay0).size(), 2u);
}

} // namespace
