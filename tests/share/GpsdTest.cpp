// Debian's gpsd as a real client of a share: it reads the transponder's AIS sentences from a
// tcp share, and from datagrams of a udp share, and reports the vessels in its own JSON.

#include "Peers.h"
#include "ShareTestSupport.h"
#include "share/ShareHub.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>

using namespace sharetest;

namespace {

std::vector<std::string> Fields(const std::string& Line) {
    std::vector<std::string> f;
    std::size_t p = 0;
    for (std::size_t c; (c = Line.find(',', p)) != std::string::npos; p = c + 1)
        f.push_back(Line.substr(p, c - p));
    f.push_back(Line.substr(p));
    return f;
}

// Real sentences from the captured corpus: a class A position report, a class B one and a
// two-sentence static report (type 5), with the MMSIs they carry.
struct TSample {
    std::string Lines; // CR LF ended, as the transponder sends them
    std::set<long> Mmsis;
    long StaticMmsi = 0;
};

TSample LoadSample() {
    std::ifstream in(std::string(CORVANE_CORPUS_DIR) + "/ais/gpsd-ais-nmea.nmea");
    TSample s;
    bool haveA = false, haveB = false;
    std::string line, held;
    while (std::getline(in, line) && !(haveA && haveB && s.StaticMmsi != 0)) {
        const std::vector<std::string> f = Fields(line);
        if (f.size() < 7 || f[0] != "!AIVDM" || f[5].size() < 7) continue;
        const char type = f[5][0];
        if (f[1] == "1" && ((type == '1' && !haveA) || (type == 'B' && !haveB))) {
            (type == '1' ? haveA : haveB) = true;
            s.Lines += line + "\r\n";
            s.Mmsis.insert(PayloadMmsi(f[5]));
        } else if (f[1] == "2" && f[2] == "1" && type == '5' && s.StaticMmsi == 0) {
            held = line;
        } else if (f[1] == "2" && f[2] == "2" && !held.empty()) {
            if (Fields(held)[3] == f[3]) {
                s.Lines += held + "\r\n" + line + "\r\n";
                s.StaticMmsi = PayloadMmsi(Fields(held)[5]);
                s.Mmsis.insert(s.StaticMmsi);
            }
            held.clear();
        }
    }
    return s;
}

// Feeds the sample round after round until gpsd has reported every vessel in it, the static
// report among them.
void FeedUntilReported(TShareHub& Hub, TGpsd& Gpsd, const TSample& S) {
    const auto all = [&](const TGpsd::TAis& A) {
        return A.Mmsis == S.Mmsis && A.StaticMmsis.count(S.StaticMmsi) != 0;
    };
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangGuardMs);
    for (TGpsd::TAis seen; !all(seen); seen = Gpsd.WaitAis(all, 100)) {
        ASSERT_LT(std::chrono::steady_clock::now(), end)
            << "gpsd reported only " << seen.Mmsis.size() << " of " << S.Mmsis.size()
            << " vessels; its log:\n"
            << Gpsd.Log();
        FeedText(Hub, S.Lines);
    }
}

TEST(ShareGpsd, ReadsATcpShare) {
    const TSample sample = LoadSample();
    ASSERT_EQ(sample.Mmsis.size(), 3u) << "the corpus sample is incomplete";

    TShareHub hub;
    TShareSpec spec;
    spec.Kind = TShareSpec::TKind::Tcp;
    const int i = hub.Add(spec);
    std::string err;
    ASSERT_TRUE(hub.Start(i, err)) << err;
    const int sharePort = PortOf(hub.Status()[0].Where);

    // Started, gpsd has its watcher: gpspipe -w, as a user would watch it.
    TGpsd gpsd("tcp://127.0.0.1:" + std::to_string(sharePort));
    ASSERT_TRUE(WaitFor([&] { return hub.Status()[0].Clients == 1; })) << gpsd.Log();

    FeedUntilReported(hub, gpsd, sample);
    EXPECT_EQ(hub.Status()[0].Dropped, 0u);
}

TEST(ShareGpsd, ReadsAUdpShare) {
    const TSample sample = LoadSample();
    ASSERT_EQ(sample.Mmsis.size(), 3u) << "the corpus sample is incomplete";

    const int udpPort = FreeUdpPort();
    TGpsd gpsd("udp://127.0.0.1:" + std::to_string(udpPort));

    TShareHub hub;
    TShareSpec spec;
    spec.Kind = TShareSpec::TKind::Udp;
    spec.Address = "127.0.0.1";
    spec.Port = udpPort;
    const int i = hub.Add(spec);
    std::string err;
    ASSERT_TRUE(hub.Start(i, err)) << err;

    // Until gpsd has bound its port the datagrams are refused; the share goes on regardless.
    FeedUntilReported(hub, gpsd, sample);
    EXPECT_TRUE(hub.Status()[0].Running);
}

} // namespace
