#include "nmea/Framing.h"

#include <gtest/gtest.h>

namespace {

struct FrameCase {
    const char* body;
    const char* framed;
};

class FrameNMEACases : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameNMEACases, FramesWithTwoUpperCaseHexDigits) {
    EXPECT_EQ(FrameNMEA(GetParam().body), GetParam().framed);
}

INSTANTIATE_TEST_SUITE_P(
    TransponderSentences, FrameNMEACases,
    ::testing::Values(FrameCase{"DUAIQ,SSD", "$DUAIQ,SSD*20\r\n"},
                      FrameCase{"DUAIQ,010", "$DUAIQ,010*55\r\n"},
                      FrameCase{"PSRT,RDP", "$PSRT,RDP*6F\r\n"},
                      // a checksum below 16 keeps its leading zero
                      FrameCase{"PSRT,NMEA,03,0008,00", "$PSRT,NMEA,03,0008,00*09\r\n"},
                      FrameCase{"", "$*00\r\n"}));

TEST(NmeaChecksum, UsesTheLowEightBitsOfEveryCharacter) {
    EXPECT_EQ(NmeaChecksum("\xB0"), 0xB0);
    EXPECT_EQ(NmeaChecksum("\xFF\x0F"), 0xF0);
    EXPECT_EQ(ChecksumHex(0x0A), "0A");
    EXPECT_EQ(ChecksumHex(0xFF), "FF");
}

} // namespace
