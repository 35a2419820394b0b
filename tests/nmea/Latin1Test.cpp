// Texts between the program (UTF-8) and the line (one byte per character, ISO 8859-1).

#include "nmea/Latin1.h"

#include <gtest/gtest.h>

namespace {

TEST(Latin1, EveryByteRoundTripsThroughUtf8) {
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
    EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(bytes)), bytes);
    EXPECT_EQ(Latin1ToUtf8("\xC9"), "\xC3\x89"); // É
}

TEST(Latin1, WhatTheLineCannotCarryBecomesAQuestionMark) {
    const struct {
        const char* Text;
        const char* Line;
    } cases[] = {
        {"SEE\xE2\x82\xAC", "SEE?"}, // €
        {"\xF0\x9F\x98\x80!", "?!"}, // a character beyond 16 bits is one "?"
        {"A\xC3", "A?"},             // cut off
        {"\xC0\xAF", "??"},          // overlong
        {"\x80Z", "?Z"},             // a continuation byte alone
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToLatin1(c.Text), c.Line) << c.Text;
}

TEST(Latin1, CodePointsCountCharactersNotBytes) {
    EXPECT_EQ(CodePoints("A\xC3\x89\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (std::vector<std::uint32_t>{'A', 0xC9, 0x20AC, 0x1F600}));
    EXPECT_EQ(CodePoints("A\xC3"), (std::vector<std::uint32_t>{'A', 0xFFFD}));
    EXPECT_TRUE(CodePoints("").empty());
}

} // namespace
