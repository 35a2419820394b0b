// VDM/VDO sentence parsing, the joining of type 5 halves, and the six-bit primitives.

#include "ais/AIS_Codec.h"
#include "PayloadBuilder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

const std::string kType1 = "13aDp<PP000IwSlN?Wm@0?wN2<1T"; // 28 characters, real report

std::string WithPayload(std::string_view Prefix, std::string_view Payload) {
    return std::string(Prefix) + std::string(Payload) + ",0*00\r";
}

struct TSingleCase {
    const char* Name;
    std::string Sentence;
    bool Ok;
    T_AI_VD Source = T_AI_VD::VDM;
    T_AI_Chan Channel = T_AI_Chan::A;
    std::int32_t MsgID = 0;
};

class SingleSentence : public testing::TestWithParam<TSingleCase> {};

TEST_P(SingleSentence, Parses) {
    const auto& c = GetParam();
    TMsg5_setup setup;
    T_NMEA_VD vd;
    ASSERT_EQ(ParseNmeaVD(c.Sentence, vd, setup), c.Ok);
    EXPECT_EQ(setup.Step, "0"); // single sentences never touch the joining state
    if (!c.Ok) return;
    EXPECT_EQ(vd.Source, c.Source);
    EXPECT_EQ(vd.Channel, c.Channel);
    EXPECT_EQ(vd.MsgID, c.MsgID);
}

std::string Padded(char First, std::size_t Length, char Seventh = '0') {
    std::string p(Length, '0');
    if (Length > 0) p[0] = First;
    if (Length > 6) p[6] = Seventh;
    return p;
}

std::vector<TSingleCase> SingleCases() {
    using V = T_AI_VD;
    using C = T_AI_Chan;
    std::vector<TSingleCase> v = {
        {"VdmA", WithPayload("!AIVDM,1,1,,A,", kType1), true, V::VDM, C::A, 1},
        {"ChannelB", WithPayload("!AIVDM,1,1,,B,", kType1), true, V::VDM, C::B, 1},
        {"Vdo", WithPayload("!AIVDO,1,1,,A,", kType1), true, V::VDO, C::A, 1},
        {"ChannelDigit", WithPayload("!AIVDM,1,1,,1,", kType1), false},
        {"NoChannelField", WithPayload("!AIVDM,1,1,,,", kType1), false},
        {"OtherTalker", WithPayload("!BSVDM,1,1,,A,", kType1), false},
        {"NoBang", WithPayload("AIVDM,1,1,,A,", kType1), false},
        {"JunkBeforeBang", WithPayload("xx\x01!AIVDM,1,1,,A,", kType1), true, V::VDM, C::A, 1},
        {"NoCarriageReturn", "!AIVDM,1,1,,A," + kType1 + ",0*00", true, V::VDM, C::A, 1},
        {"TextAfterCarriageReturn", WithPayload("!AIVDM,1,1,,A,", kType1) + "\n,x,y,z", true,
         V::VDM, C::A, 1},
        {"BlankBeforeChannel", WithPayload("!AIVDM,1,1,, B,", kType1), true, V::VDM, C::B, 1},
        {"EightFields", WithPayload("!AIVDM,1,1,,A,", kType1 + ",x"), false},
        {"Type2", WithPayload("!AIVDM,1,1,,A,", Padded('2', 23)), true, V::VDM, C::A, 2},
        {"Type3", WithPayload("!AIVDM,1,1,,A,", Padded('3', 23)), true, V::VDM, C::A, 3},
        {"Type1TooShort", WithPayload("!AIVDM,1,1,,A,", Padded('1', 22)), false},
        {"Type18", WithPayload("!AIVDO,1,1,,B,", Padded('B', 28)), true, V::VDO, C::B, 18},
        {"Type18TooShort", WithPayload("!AIVDM,1,1,,A,", Padded('B', 27)), false},
        {"Type24PartA", WithPayload("!AIVDM,1,1,,A,", Padded('H', 27, '0')), true, V::VDM, C::A,
         240},
        {"Type24PartATooShort", WithPayload("!AIVDM,1,1,,A,", Padded('H', 26, '0')), false},
        {"Type24PartB", WithPayload("!AIVDM,1,1,,A,", Padded('H', 28, '4')), true, V::VDM, C::A,
         241},
        {"Type24PartBTooShort", WithPayload("!AIVDM,1,1,,A,", Padded('H', 27, '4')), false},
        {"Type24NoSeventhChar", WithPayload("!AIVDM,1,1,,A,", "H00000"), false},
        // Bit 39 is the third-lowest bit of the seventh character; a high byte still has one.
        {"Type24HighByteSeventh", WithPayload("!AIVDM,1,1,,A,", Padded('H', 28, '\x84')), true,
         V::VDM, C::A, 241},
        // Kinds without a decoder are accepted at any length.
        {"Type4", WithPayload("!AIVDM,1,1,,A,", "4"), true, V::VDM, C::A, 4},
        {"Type14", WithPayload("!AIVDM,1,1,,A,", ">5?"), true, V::VDM, C::A, 14},
        {"Type15", WithPayload("!AIVDM,1,1,,A,", "?"), true, V::VDM, C::A, 15},
        {"Type19", WithPayload("!AIVDM,1,1,,A,", "C"), true, V::VDM, C::A, 19},
        {"Type20", WithPayload("!AIVDM,1,1,,A,", "D"), true, V::VDM, C::A, 20},
        {"Type22", WithPayload("!AIVDM,1,1,,A,", "F"), true, V::VDM, C::A, 22},
        {"Type23", WithPayload("!AIVDM,1,1,,A,", "G"), true, V::VDM, C::A, 23},
        {"EmptyPayload", "!AIVDM,1,1,,B,,0*25\r", false},
    };
    // Kinds the tool does not show, a lone type 5 half among them, and bytes above 127.
    for (char first : std::string("56:@AEIK8\xB1")) {
        v.push_back({"Rejected", WithPayload("!AIVDM,1,1,,A,", Padded(first, 71)), false});
    }
    return v;
}

INSTANTIATE_TEST_SUITE_P(Cases, SingleSentence, testing::ValuesIn(SingleCases()),
                         [](const auto& info) {
                             return std::string(info.param.Name) + std::to_string(info.index);
                         });

TEST(SingleSentence, PayloadIsTheFifthField) {
    TMsg5_setup setup;
    T_NMEA_VD vd;
    ASSERT_TRUE(ParseNmeaVD(WithPayload("!AIVDM,1,1,,A,", kType1), vd, setup));
    EXPECT_EQ(vd.MsgStr, kType1);
}

// ---- Joining of two-sentence messages ----------------------------------------------------

const std::string kHalf1 = Padded('5', 60);
const std::string kHalf2 = "1" + std::string(10, 'w') + "1";

std::string Frag(int Number, std::string_view Id, std::string_view Payload,
                 std::string_view Channel = "A", std::string_view Address = "!AIVDM",
                 std::string_view Count = "2") {
    return std::string(Address) + "," + std::string(Count) + "," + std::to_string(Number) + "," +
           std::string(Id) + "," + std::string(Channel) + "," + std::string(Payload) + ",2*00\r";
}

struct TStep {
    std::string Sentence;
    bool Result;
    const char* StepAfter;
};

// Feeds the steps through one joining state and checks each result and the state after it.
void Feed(const std::vector<TStep>& Steps, TMsg5_setup& Setup, T_NMEA_VD& VD) {
    for (std::size_t i = 0; i < Steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1) + ": " + Steps[i].Sentence);
        EXPECT_EQ(ParseNmeaVD(Steps[i].Sentence, VD, Setup), Steps[i].Result);
        EXPECT_EQ(Setup.Step, Steps[i].StepAfter);
    }
}

TEST(Joining, FirstHalfIsHeldAndSecondCompletes) {
    TMsg5_setup setup;
    T_NMEA_VD vd;
    Feed({{Frag(1, "3", kHalf1), false, "1"}}, setup, vd);
    EXPECT_EQ(setup.Nummer, "3");
    EXPECT_EQ(setup.Inhalt, kHalf1);
    Feed({{Frag(2, "3", kHalf2), true, "0"}}, setup, vd);
    EXPECT_EQ(vd.MsgID, 5);
    EXPECT_EQ(vd.MsgStr, kHalf1 + kHalf2);
}

struct TJoinCase {
    const char* Name;
    std::vector<TStep> Steps;
};

class JoiningSequence : public testing::TestWithParam<TJoinCase> {};

TEST_P(JoiningSequence, Runs) {
    TMsg5_setup setup;
    T_NMEA_VD vd;
    Feed(GetParam().Steps, setup, vd);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoiningSequence,
    testing::Values(
        TJoinCase{"OtherIdentifierDiscards",
                  {{Frag(1, "3", kHalf1), false, "1"}, {Frag(2, "4", kHalf2), false, "0"}}},
        // The second first half does not replace the held one: it is dropped with it.
        TJoinCase{"TwoFirstHalves",
                  {{Frag(1, "3", kHalf1), false, "1"},
                   {Frag(1, "4", kHalf1), false, "0"},
                   {Frag(2, "4", kHalf2), false, "0"}}},
        TJoinCase{"OtherTypeNotJoined",
                  {{Frag(1, "3", "8" + kHalf1), false, "0"}, {Frag(2, "3", kHalf2), false, "0"}}},
        TJoinCase{"SecondHalfWhileIdle", {{Frag(2, "3", kHalf2), false, "0"}}},
        TJoinCase{"CountThreeKeepsHeld",
                  {{Frag(1, "3", kHalf1), false, "1"},
                   {Frag(1, "5", kHalf1, "A", "!AIVDM", "3"), false, "1"},
                   {Frag(2, "3", kHalf2), true, "0"}}},
        TJoinCase{"SingleSentenceKeepsHeld",
                  {{Frag(1, "3", kHalf1), false, "1"},
                   {WithPayload("!AIVDM,1,1,,A,", kType1), true, "1"},
                   {Frag(2, "3", kHalf2), true, "0"}}},
        // A single-sentence type 5 with an identifier has seven fields and count 1.
        TJoinCase{"CountOneWithIdentifier",
                  {{Frag(1, "3", kHalf1), false, "1"},
                   {Frag(1, "1", Padded('5', 71), "B", "!AIVDM", "1"), false, "1"}}},
        TJoinCase{"FragmentNumberMustBeExact",
                  {{Frag(1, "3", kHalf1), false, "1"},
                   {"!AIVDM,2,02,3,A," + kHalf2 + ",2*00\r", false, "0"}}},
        TJoinCase{"FirstHalfWhileWaitingDropsBoth",
                  {{Frag(1, "3", kHalf1), false, "1"},
                   {Frag(1, "3", kHalf1), false, "0"},
                   {Frag(1, "3", kHalf1), false, "1"}}},
        // The joined payload must hold all 71 characters the decoder reads.
        TJoinCase{
            "JoinedTooShort",
            {{Frag(1, "3", Padded('5', 60)), false, "1"}, {Frag(2, "3", "12345678"), false, "0"}}},
        TJoinCase{"JoinedJustLongEnough",
                  {{Frag(1, "3", Padded('5', 60)), false, "1"},
                   {Frag(2, "3", "12345678901"), true, "0"}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Joining, SecondHalfSetsSourceAndChannelButOnlyWhenValid) {
    TMsg5_setup setup;
    T_NMEA_VD vd;
    Feed({{Frag(1, "7", kHalf1, "A", "!AIVDM"), false, "1"},
          {Frag(2, "7", kHalf2, "B", "!AIVDO"), true, "0"}},
         setup, vd);
    EXPECT_EQ(vd.Source, T_AI_VD::VDO); // address and channel of the second half are not compared
    EXPECT_EQ(vd.Channel, T_AI_Chan::B);
    Feed({{Frag(1, "8", kHalf1, "X", "!ABVDM"), false, "1"},
          {Frag(2, "8", kHalf2, "C", "!BSVDM"), true, "0"}},
         setup, vd);
    EXPECT_EQ(vd.Source, T_AI_VD::VDO); // neither value is known: both stay
    EXPECT_EQ(vd.Channel, T_AI_Chan::B);
}

TEST(Joining, WithoutIdentifierEachHalfIsASingleSentence) {
    TMsg5_setup setup;
    T_NMEA_VD vd;
    Feed({{"!AIVDM,2,1,,A," + kHalf1 + ",0*00\r", false, "0"},
          {"!AIVDM,2,2,,A," + kType1 + ",2*00\r", true, "0"}},
         setup, vd);
    EXPECT_EQ(vd.MsgID, 1);
}

// ---- Six-bit primitives --------------------------------------------------------------------

TEST(SixBit, Values) {
    const std::pair<char, std::uint32_t> cases[] = {
        {'0', 0}, {'W', 39},  {'`', 40},   {'w', 63},   {'X', 40},   {'_', 47},
        {'x', 0}, {'\0', 16}, {'\x7F', 7}, {'\x80', 8}, {'\xFF', 7},
    };
    for (auto [c, v] : cases) EXPECT_EQ(SixBitValue(c), v) << static_cast<int>(c);
}

TEST(SixBit, Chars) {
    const std::pair<std::uint32_t, char> cases[] = {
        {0, '@'},  {1, 'A'},  {26, 'Z'}, {28, '\\'}, {31, '_'},
        {32, ' '}, {38, '&'}, {58, ':'}, {63, '?'},
    };
    for (auto [v, c] : cases) EXPECT_EQ(SixBitChar(v), c) << v;
}

TEST(SixBit, PayloadBitsReadsWhatWasWritten) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        TPayload p;
        std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>> fields;
        while (p.BitCount() < 400) {
            const std::uint32_t width = 1 + rng() % 30;
            const std::uint32_t value = rng() & ((1u << width) - 1);
            fields.emplace_back(static_cast<std::uint32_t>(p.BitCount()), width, value);
            p.Put(value, static_cast<int>(width));
        }
        const std::string s = p.Armoured();
        for (auto [first, width, value] : fields) ASSERT_EQ(PayloadBits(s, first, width), value);
    }
}

TEST(SixBit, PayloadBitsPastTheEndReadZero) {
    EXPECT_EQ(PayloadBits("w", 0, 6), 63u);
    EXPECT_EQ(PayloadBits("w", 3, 6), 0b111000u);
    EXPECT_EQ(PayloadBits("w", 6, 30), 0u);
    EXPECT_EQ(PayloadBits("", 0, 30), 0u);
    EXPECT_EQ(PayloadBits("ww", 0, 0), 0u);
    EXPECT_EQ(PayloadBits("www", 0xFFFFFFF0u, 30), 0u);
    EXPECT_EQ(PayloadBits("wwwwwwwwww", 1, 32), 0xFFFFFFFFu);
}

TEST(SixBit, TextFillerRules) {
    struct {
        std::string Field; // six-bit ASCII, seven characters
        bool Replace;
        std::string Expected;
    } cases[] = {
        {"@@@@@@@", false, "n.a."},
        {"@AB@@@@", false, "@AB    "},
        {"ABC@@@@", false, "ABC    "},
        {"A&B&   ", true, "A_B_   "},
        {"&A&    ", true, "&A_    "},
        {"A&B&   ", false, "A&B&   "},
        {"       ", false, "       "},
        // A field that reads "@" and blanks is compared as text: blanks sent as blanks count too.
        {"@   @  ", false, "n.a."},
    };
    for (const auto& c : cases) {
        // Two leading bits put the field off the character boundaries.
        const std::string payload = TPayload().Put(3, 2).Text(c.Field, 7).Armoured();
        EXPECT_EQ(SixBitText(payload, 2, 7, c.Replace), c.Expected) << c.Field;
    }
}

} // namespace
