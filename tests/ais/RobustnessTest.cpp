// Any bytes through the parser and the decoders give a defined result. Run under the sanitizer
// build, an out-of-range read or undefined behaviour here fails the test.

#include "ais/AIS_Codec.h"
#include "NeededChars.h"
#include "Records.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>

namespace {

const std::set<std::int32_t> kKinds = {1, 2, 3, 4, 5, 14, 15, 18, 19, 20, 22, 23, 240, 241};

// Parses one text with the shared state and decodes what is accepted, checking what every
// accepted message must satisfy.
void Feed(const std::string& Text, TMsg5_setup& Setup, T_NMEA_VD& VD, int& Accepted) {
    if (!ParseNmeaVD(Text, VD, Setup)) return;
    ++Accepted;
    ASSERT_TRUE(kKinds.count(VD.MsgID)) << VD.MsgID;
    ASSERT_GE(VD.MsgStr.size(), NeededChars(VD.MsgID));
    for (const auto& [name, value] : DecodeFields(VD)) ASSERT_FALSE(value.empty()) << name;
    ASSERT_TRUE(Setup.Step == "0" || Setup.Step == "1");
}

std::vector<std::string> Seeds() {
    std::vector<std::string> lines = {
        "!AIVDM,1,1,,A,13aDp<PP000IwSlN?Wm@0?wN2<1T,0*29",
        "!AIVDM,2,1,9,B,55R3Vn82=ILTQ3KKS>1<D60Dq@E918U<F222221J1`?164vc03S1CCAD,0*2A",
        "!AIVDM,2,2,9,B,`88888888888880,2*76",
        "!AIVDM,1,1,,A,B3`eLE00006R0J7Si`WQ3wP1jDkr,0*3C",
        "!AIVDM,1,1,,B,H39sGlTU7B=40054;omlo0103314,0*4D",
    };
    const auto dir = std::filesystem::path(CORVANE_CORPUS_DIR) / "ais";
    if (std::filesystem::is_directory(dir))
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            std::ifstream in(e.path(), std::ios::binary);
            for (std::string l; std::getline(in, l);) lines.push_back(l);
        }
    return lines;
}

// Bytes that steer the parser: separators, quotes, line ends, type characters, high bytes.
const std::string kInteresting = std::string(",,,!\r\n\"' *12345BH0w@&") + '\0' + "\x80\xFF";

char RandomByte(std::mt19937& Rng) {
    if (Rng() % 2) return kInteresting[Rng() % kInteresting.size()];
    return static_cast<char>(Rng() % 256);
}

TEST(Robustness, RandomBytes) {
    std::mt19937 rng(20240611);
    TMsg5_setup setup;
    T_NMEA_VD vd;
    int accepted = 0;
    const char* prefixes[] = {"", "!AIVDM,", "!AIVDM,1,1,,A,", "!AIVDO,2,1,3,B,5",
                              "!AIVDM,2,2,3,B,"};
    for (int i = 0; i < 20000; ++i) {
        std::string s = prefixes[rng() % 5];
        const std::size_t n = rng() % 120;
        for (std::size_t k = 0; k < n; ++k) s += RandomByte(rng);
        Feed(s, setup, vd, accepted);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(accepted, 10); // a few random tails after a valid start do parse
}

TEST(Robustness, MutatedRealSentences) {
    const auto lines = Seeds();
    std::mt19937 rng(4711);
    TMsg5_setup setup;
    T_NMEA_VD vd;
    int accepted = 0;
    for (int i = 0; i < 30000; ++i) {
        std::string s = lines[rng() % lines.size()];
        for (unsigned m = 1 + rng() % 3; m > 0 && !s.empty(); --m) {
            const std::size_t at = rng() % s.size();
            switch (rng() % 5) {
            case 0:
                s[at] = RandomByte(rng);
                break;
            case 1:
                s.insert(s.begin() + static_cast<std::ptrdiff_t>(at), RandomByte(rng));
                break;
            case 2:
                s.erase(at, 1);
                break;
            case 3:
                s.resize(at);
                break;
            default:
                s += lines[rng() % lines.size()].substr(0, rng() % 40);
                break;
            }
        }
        s += '\r';
        Feed(s, setup, vd, accepted);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(accepted, 5000); // most mutations leave a sentence that still parses
}

// The decoders never read past a payload: one shorter than they need decodes as if it were
// padded with zero bits.
TEST(Robustness, ShortPayloadsReadAsZeroBits) {
    std::mt19937 rng(99);
    for (int i = 0; i < 3000; ++i) {
        std::string p(rng() % 72, '0');
        for (char& c : p) c = RandomByte(rng);
        std::string padded = p;
        padded.resize(80, '0'); // "0" is six zero bits
        for (std::int32_t kind : {1, 5, 18, 240, 241}) {
            T_NMEA_VD a, b;
            a.MsgID = b.MsgID = kind;
            a.MsgStr = p;
            b.MsgStr = padded;
            ASSERT_EQ(DecodeFields(a), DecodeFields(b)) << kind << " [" << p << "]";
        }
    }
}

} // namespace
