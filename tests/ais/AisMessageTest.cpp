// ParseAisMessage: sentences checked whole, messages of any kind joined from their sentences,
// and payloads cut at every length against the decoders of every kind beyond the tool's.

#include "NeededChars.h"
#include "OtherRecords.h"
#include "ais/AIS_Codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>

namespace {

// "!" + Fields + "*" + their checksum + CR, as a receiver sends a sentence.
std::string Nmea(std::string_view Fields) {
    unsigned sum = 0;
    for (char c : Fields) sum ^= static_cast<unsigned char>(c);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", sum);
    return "!" + std::string(Fields) + "*" + hex + "\r";
}

std::string Single(std::string_view Payload, int Fill = 0, std::string_view Channel = "A") {
    return Nmea("AIVDM,1,1,," + std::string(Channel) + "," + std::string(Payload) + "," +
                std::to_string(Fill));
}

std::string Fragment(int Count, int Number, std::string_view Id, std::string_view Payload,
                     int Fill = 0, std::string_view Channel = "A") {
    return Nmea("AIVDM," + std::to_string(Count) + "," + std::to_string(Number) + "," +
                std::string(Id) + "," + std::string(Channel) + "," + std::string(Payload) + "," +
                std::to_string(Fill));
}

// Real payloads of the captures, one of each kind.
const std::string k1 = "13aDp<PP000IwSlN?Wm@0?wN2<1T";
const std::string k4 = "403OviQuMGCqWrRO9>E6fE700@GO";
const std::string k5 =
    "55R3Vn82=ILTQ3KKS>1<D60Dq@E918U<F222221J1`?164vc03S1CCAD`88888888888880"; // fill 2
const std::string k9 = "91b55wi;hbOS@OdQAC062Ch2089h";
const std::string k11 = ";4R33:1uUK2F`q?mOt@@GoQ00000";
const std::string k12 = "<02:oP0kKcv0@<51C5PB5@?BDPD?P:?2?EB7PDB16693P381>>5<PikP";
const std::string k14 = ">5?Per18=HB1U:1@E=B0m<L"; // fill 2
const std::string k18 = "B5O6hr00<veEKmUaMFdEow`UWP06";
const std::string k19 = "C5N3SRgPEnJGEBT>NhWAwwo862PaLELTBJ:V00000000S0D:R220";
const std::string k21 = "E1mg=5J1T4W0h97aRh6ba84<h2d;W:Te=eLvH50```q:D44QDlp0C1DU00"; // fill 2
const std::string k24A = "H39sGlPhT8E9@5<000000000000";                               // fill 2
const std::string k24B = "H39sGlTU7B=40054;omlo0103314";

// Part A with another part number: bits 38 and 39 lie in the seventh character.
std::string PartNumber(char Seventh) {
    std::string p = k24A;
    p[6] = Seventh;
    return p;
}

struct TSingleCase {
    const char* Name;
    std::string Sentence;
    std::int32_t MsgID; // 0: rejected
    T_AI_Chan Channel = T_AI_Chan::A;
    T_AI_VD Source = T_AI_VD::VDM;
    std::uint32_t Fill = 0;
};

std::vector<TSingleCase> SingleCases() {
    using C = T_AI_Chan;
    const std::string good = Single(k4);
    std::string badSum = good;
    badSum[badSum.size() - 2] = badSum[badSum.size() - 2] == '0' ? '1' : '0';
    return {
        {"Type1", Single(k1), 1},
        {"Type4", good, 4},
        {"Type5InOneSentence", Single(k5, 2), 5, C::A, T_AI_VD::VDM, 2},
        {"Type9", Single(k9, 0, "B"), 9, C::B},
        {"Type11", Single(k11), 11},
        {"Type12", Single(k12), 12},
        {"Type14", Single(k14, 2), 14, C::A, T_AI_VD::VDM, 2},
        {"Type18", Single(k18), 18},
        {"Type19", Single(k19), 19},
        {"Type21", Single(k21, 2), 21, C::A, T_AI_VD::VDM, 2},
        {"Type24PartA", Single(k24A, 2), 240, C::A, T_AI_VD::VDM, 2},
        {"Type24PartB", Single(k24B), 241},
        {"Vdo", Nmea("AIVDO,1,1,,B," + k18 + ",0"), 18, C::B, T_AI_VD::VDO},
        {"ChannelOneIsA", Single(k4, 0, "1"), 4, C::A},
        {"ChannelTwoIsB", Single(k4, 0, "2"), 4, C::B},
        {"NoChannelReadsAsA", Single(k4, 0, ""), 4, C::A},
        {"IdentifierOnASingleSentence", Nmea("AIVDM,1,1,7,A," + k4 + ",0"), 4},
        {"TagBlockBefore", "\\s:rcv*00\\" + good, 4},
        {"TextAfterChecksum", good.substr(0, good.size() - 1) + ",b003669794\r", 4},
        {"NoCarriageReturn", good.substr(0, good.size() - 1), 4},
        // Rejected.
        {"WrongChecksum", badSum, 0},
        {"NoChecksum", "!AIVDM,1,1,,A," + k4 + ",0\r", 0},
        {"ChecksumCut", good.substr(0, good.size() - 2), 0},
        {"OtherTalker", Nmea("BSVDM,1,1,,A," + k4 + ",0"), 0},
        {"ChannelC", Single(k4, 0, "C"), 0},
        {"ChannelWithBlank", Single(k4, 0, " A"), 0},
        {"NotArmouring", Single(k4.substr(0, 27) + "X"), 0}, // "X" lies between "W" and "`"
        {"EmptyPayload", Single(""), 0},
        {"FillSix", Single(k4, 6), 0},
        {"FillMissing", Nmea("AIVDM,1,1,,A," + k4 + ","), 0},
        {"SixFields", Nmea("AIVDM,1,1,A," + k4 + ",0"), 0},
        {"EightFields", Nmea("AIVDM,1,1,,A," + k4 + ",0,0"), 0},
        {"NumberTwoOfOne", Nmea("AIVDM,1,2,,A," + k4 + ",0"), 0},
        {"CountZero", Nmea("AIVDM,0,1,,A," + k4 + ",0"), 0},
        {"IdentifierOfTwoDigits", Nmea("AIVDM,2,1,10,A," + k4 + ",0"), 0},
        {"KindWithoutDecoder", Single("601uEPprEH2@<P<j00", 4), 0},
        {"Type24PartNumber2", Single(PartNumber('8')), 0}, // the tool takes it as part A
        {"Type24PartNumber3", Single(PartNumber('<')), 0}, // and this as part B
        {"Type4TooShort", Single(k4.substr(0, kMsg4Chars - 1)), 0},
        {"LongerThanFiveSlots", Single("4" + std::string(kMaxPayloadChars, '0')), 0},
        {"LongestPayload", Single("4" + std::string(kMaxPayloadChars - 1, '0')), 4},
    };
}

class AisMessageSingle : public testing::TestWithParam<TSingleCase> {};

TEST_P(AisMessageSingle, Parses) {
    const TSingleCase& c = GetParam();
    TAisJoin join;
    TAisMessage m;
    const bool ok = ParseAisMessage(c.Sentence, m, join);
    ASSERT_EQ(ok, c.MsgID != 0) << c.Sentence;
    if (!ok) return;
    EXPECT_EQ(m.MsgID, c.MsgID);
    EXPECT_EQ(m.Channel, c.Channel);
    EXPECT_EQ(m.Source, c.Source);
    EXPECT_EQ(m.FillBits, c.Fill);
}

INSTANTIATE_TEST_SUITE_P(Cases, AisMessageSingle, testing::ValuesIn(SingleCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(AisMessageSingle, LowerCaseChecksumDigits) {
    std::string s = Nmea("AIVDM,1,1,,B," + k19 + ",0");
    ASSERT_NE(s.find_first_of("ABCDEF", s.find('*')), std::string::npos);
    for (std::size_t i = s.find('*'); i < s.size(); ++i)
        s[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
    TAisJoin join;
    TAisMessage m;
    ASSERT_TRUE(ParseAisMessage(s, m, join));
    EXPECT_EQ(m.MsgID, 19);
}

// ---- Joining -------------------------------------------------------------------------------

struct TStep {
    std::string Sentence;
    std::int32_t MsgID; // 0: nothing complete
    std::string Payload = {};
};

struct TJoinCase {
    const char* Name;
    std::vector<TStep> Steps;
};

class AisMessageJoin : public testing::TestWithParam<TJoinCase> {};

TEST_P(AisMessageJoin, Runs) {
    TAisJoin join;
    TAisMessage m;
    const auto& steps = GetParam().Steps;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1) + ": " + steps[i].Sentence);
        const bool ok = ParseAisMessage(steps[i].Sentence, m, join);
        ASSERT_EQ(ok, steps[i].MsgID != 0);
        if (!ok) continue;
        EXPECT_EQ(m.MsgID, steps[i].MsgID);
        if (!steps[i].Payload.empty()) {
            EXPECT_EQ(m.MsgStr, steps[i].Payload);
        }
    }
}

const std::string k12a = k12.substr(0, 30), k12b = k12.substr(30);
const std::string k21a = k21.substr(0, 44), k21b = k21.substr(44);

INSTANTIATE_TEST_SUITE_P(
    Cases, AisMessageJoin,
    testing::Values(
        TJoinCase{"TwoSentences",
                  {{Fragment(2, 1, "3", k12a), 0}, {Fragment(2, 2, "3", k12b), 12, k12}}},
        TJoinCase{"ThreeSentences",
                  {{Fragment(3, 1, "0", k21.substr(0, 20)), 0},
                   {Fragment(3, 2, "0", k21.substr(20, 20)), 0},
                   {Fragment(3, 3, "0", k21.substr(40), 2), 21, k21}}},
        // The tool joins only type 5; here it is one mechanism for every kind.
        TJoinCase{"Type5",
                  {{Fragment(2, 1, "9", k5.substr(0, 56), 0, "B"), 0},
                   {Fragment(2, 2, "9", k5.substr(56), 2, "B"), 5, k5}}},
        TJoinCase{"WithoutIdentifier",
                  {{Fragment(2, 1, "", k21a), 0}, {Fragment(2, 2, "", k21b, 2), 21, k21}}},
        // Two messages under different identifiers, their sentences interleaved.
        TJoinCase{"Interleaved",
                  {{Fragment(2, 1, "1", k12a), 0},
                   {Fragment(2, 1, "2", k21a), 0},
                   {Fragment(2, 2, "1", k12b), 12, k12},
                   {Fragment(2, 2, "2", k21b, 2), 21, k21}}},
        TJoinCase{"SingleSentencesBetween",
                  {{Fragment(2, 1, "4", k21a), 0},
                   {Single(k4), 4},
                   {Single(k1), 1},
                   {Fragment(2, 2, "4", k21b, 2), 21, k21}}},
        // A new first sentence under the same identifier: the message pending there is lost.
        TJoinCase{"NewFirstSentenceReplaces",
                  {{Fragment(2, 1, "5", k21a), 0},
                   {Fragment(2, 1, "5", k12a), 0},
                   {Fragment(2, 2, "5", k12b), 12, k12}}},
        TJoinCase{"SecondWithoutFirst", {{Fragment(2, 2, "5", k12b), 0}}},
        TJoinCase{"SecondTwice",
                  {{Fragment(2, 1, "5", k12a), 0},
                   {Fragment(2, 2, "5", k12b), 12},
                   {Fragment(2, 2, "5", k12b), 0}}},
        TJoinCase{"SkippedSentenceDropsTheMessage",
                  {{Fragment(3, 1, "6", k21.substr(0, 20)), 0},
                   {Fragment(3, 3, "6", k21.substr(40), 2), 0},
                   {Fragment(3, 2, "6", k21.substr(20, 20)), 0}}},
        TJoinCase{"OtherChannelDropsTheMessage",
                  {{Fragment(2, 1, "7", k12a, 0, "A"), 0},
                   {Fragment(2, 2, "7", k12b, 0, "B"), 0},
                   {Fragment(2, 2, "7", k12b, 0, "A"), 0}}},
        TJoinCase{"OtherCountDropsTheMessage",
                  {{Fragment(2, 1, "8", k12a), 0}, {Fragment(3, 2, "8", k12b), 0}}},
        TJoinCase{"OtherAddressDropsTheMessage",
                  {{Fragment(2, 1, "8", k12a), 0}, {Nmea("AIVDO,2,2,8,A," + k12b + ",0"), 0}}},
        // A corrupt sentence is not read at all, so the message it belongs to stays pending.
        TJoinCase{"CorruptSentenceIgnored",
                  {{Fragment(2, 1, "2", k12a), 0},
                   {"!AIVDM,2,2,2,A," + k12b + ",0*00\r", 0},
                   {Fragment(2, 2, "2", k12b), 12, k12}}},
        // Joined, the payload may not grow past five slots.
        TJoinCase{"JoinedTooLong",
                  {{Fragment(3, 1, "1", "<" + std::string(79, '0')), 0},
                   {Fragment(3, 2, "1", std::string(80, '0')), 0},
                   {Fragment(3, 3, "1", "0000000009"), 0}}},
        TJoinCase{"JoinedLongest",
                  {{Fragment(3, 1, "1", "<" + std::string(79, '0')), 0},
                   {Fragment(3, 2, "1", std::string(80, '0')), 0},
                   {Fragment(3, 3, "1", "00000009"), 12}}},
        // A joined payload too short for its decoder is rejected as a single one is.
        TJoinCase{"TooShortWhenJoined",
                  {{Fragment(2, 1, "0", "4000"), 0},
                   {Fragment(2, 2, "0", std::string(kMsg4Chars - 5, '0')), 0}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(AisMessageJoin, FillBitsOfTheLastSentence) {
    TAisJoin join;
    TAisMessage m;
    EXPECT_FALSE(ParseAisMessage(Fragment(2, 1, "3", k21a, 0), m, join));
    ASSERT_TRUE(ParseAisMessage(Fragment(2, 2, "3", k21b, 2), m, join));
    EXPECT_EQ(m.FillBits, 2u);
    EXPECT_EQ(DecodeMsg21(m.MsgStr, m.FillBits).Name, "CHINA ROSE MURPHY EXPRESS ALERT");
}

// ---- Payloads cut at every length ----------------------------------------------------------

// The decoders read no character past the payload: each cut payload is copied to a heap block of
// exactly its size, so the sanitizer build catches a read past it.
TEST(AisMessageCut, EveryLengthOfEveryKind) {
    // The characters that hold the last bit each decoder reads (bit b lies in character b / 6).
    struct {
        std::int32_t MsgID;
        std::string Payload;
        std::size_t Needed;
    } kinds[] = {
        {4, k4, 23},   // fixing device type, bits 134-137
        {11, k11, 23}, // the same layout
        {9, k9, 23},   // time stamp, bits 128-133
        {12, k12, 12}, // retransmit flag, bit 70; the text from bit 72
        {14, k14, 7},  // MMSI, bits 8-37; the text from bit 40
        {19, k19, 51}, // fixing device type, bits 301-304
        {21, k21, 45}, // virtual flag, bit 269; the name extension from bit 272
        {1, k1, 23},   // the tool's kinds, whose decoders need what ParseNmeaVD checks
        {5, k5, 71},
        {18, k18, 28},
        {240, k24A, 27},
        {241, k24B, 28},
    };
    for (const auto& k : kinds) {
        const TFields full = DecodeOtherFields(k.MsgID, k.Payload, 0);
        for (std::size_t len = 0; len <= k.Payload.size(); ++len) {
            SCOPED_TRACE(std::to_string(k.MsgID) + " cut to " + std::to_string(len));
            const std::string cut = k.Payload.substr(0, len);
            TAisJoin join;
            TAisMessage m;
            const bool ok = len > 0 && ParseAisMessage(Single(cut), m, join);
            EXPECT_EQ(ok, len >= k.Needed && len >= 7); // a part number of type 24 needs 7
            if (ok) {
                EXPECT_EQ(m.MsgID, k.MsgID);
            }

            const std::unique_ptr<char[]> block(new char[len]);
            std::copy(cut.begin(), cut.end(), block.get());
            const TFields f = DecodeOtherFields(k.MsgID, std::string_view(block.get(), len), 0);
            for (const auto& [name, value] : f) {
                const std::string& whole = full.at(name);
                if (len < k.Needed) {
                    EXPECT_EQ(value, "n.a.") << name;
                } else if (name == "Text" || (name == "Name" && k.MsgID == 21)) {
                    EXPECT_TRUE(value == "n.a." || whole.compare(0, value.size(), value) == 0)
                        << name << ": [" << value << "] of [" << whole << "]";
                } else {
                    EXPECT_EQ(value, whole) << name;
                }
            }
        }
    }
}

// ---- Any bytes -----------------------------------------------------------------------------

const std::set<std::int32_t> kDecodedKinds = {1, 2, 3, 4, 5, 9, 11, 12, 14, 18, 19, 21, 240, 241};

std::size_t Needed(std::int32_t MsgID) {
    switch (MsgID) {
    case 4:
    case 11:
        return kMsg4Chars;
    case 9:
        return kMsg9Chars;
    case 12:
        return kMsg12Chars;
    case 14:
        return kMsg14Chars;
    case 19:
        return kMsg19Chars;
    case 21:
        return kMsg21Chars;
    default:
        return NeededChars(MsgID);
    }
}

// Mutated real sentences, half of them with their checksum made right again so that the
// mutations reach the fields: whatever is accepted is a whole message its decoder can read.
TEST(AisMessageRobustness, MutatedRealSentences) {
    std::vector<std::string> lines;
    const auto dir = std::filesystem::path(CORVANE_CORPUS_DIR) / "ais";
    if (std::filesystem::is_directory(dir))
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            std::ifstream in(e.path(), std::ios::binary);
            for (std::string l; std::getline(in, l);) lines.push_back(l);
        }
    if (lines.empty()) GTEST_SKIP() << "no corpus at " << dir;
    const std::string interesting = ",,*!\r0123456789ABw@`>?<;CE\x80";
    std::mt19937 rng(1371);
    TAisJoin join;
    TAisMessage m;
    int accepted = 0;
    for (int i = 0; i < 100000; ++i) {
        std::string s = lines[rng() % lines.size()];
        for (unsigned n = 1 + rng() % 3; n > 0 && !s.empty(); --n) {
            const std::size_t at = rng() % s.size();
            const char c = rng() % 2 ? interesting[rng() % interesting.size()]
                                     : static_cast<char>(rng() % 256);
            switch (rng() % 4) {
            case 0:
                s[at] = c;
                break;
            case 1:
                s.insert(s.begin() + static_cast<std::ptrdiff_t>(at), c);
                break;
            case 2:
                s.erase(at, 1);
                break;
            default:
                s.resize(at);
                break;
            }
        }
        const std::size_t bang = s.find('!'), star = s.rfind('*');
        if (rng() % 2 && bang != std::string::npos && star != std::string::npos && star > bang)
            s = Nmea(std::string_view(s).substr(bang + 1, star - bang - 1));
        if (!ParseAisMessage(s, m, join)) continue;
        ++accepted;
        ASSERT_TRUE(kDecodedKinds.count(m.MsgID)) << s;
        ASSERT_GE(m.MsgStr.size(), Needed(m.MsgID)) << s;
        ASSERT_LE(m.MsgStr.size(), kMaxPayloadChars) << s;
        ASSERT_LE(m.FillBits, 5u) << s;
        for (char c : m.MsgStr) ASSERT_TRUE((c >= '0' && c <= 'W') || (c >= '`' && c <= 'w')) << s;
        for (const auto& [name, value] : DecodeOtherFields(m)) ASSERT_FALSE(value.empty()) << name;
    }
    EXPECT_GT(accepted, 2000); // with a right checksum, many mutations still make a message
}

} // namespace
