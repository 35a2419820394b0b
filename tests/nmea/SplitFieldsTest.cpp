#include "nmea/SplitFields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SplitCase {
    const char* name;
    std::string separators;
    std::string text;
    std::vector<std::string> fields;
};

// Test names, not bytes, in failure reports.
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitFieldsCases : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitFieldsCases, GivesTheFields) {
    const SplitCase& c = GetParam();
    std::vector<std::string> list;
    EXPECT_EQ(SplitFields(c.separators, " ", c.text, list), static_cast<int>(c.fields.size()));
    EXPECT_EQ(list, c.fields);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitFieldsCases,
    ::testing::Values(
        SplitCase{"EmptyFieldsAreDropped", ",*", "$GPGGA,1,,3*4F", {"$GPGGA", "1", "3", "4F"}},
        SplitCase{"EmptyText", ",", "", {}},
        SplitCase{"OnlySeparatorsAndBlanks", ",*", " ,, *\r\n", {}},
        SplitCase{"LeadingBlanksSkippedInnerAndTrailingKept", ",", "  a b ,  c  ", {"a b ", "c  "}},
        SplitCase{"TrailingCrGivesNoExtraField", ",*", "!AIVDM,1,1,,A,x,0*5C\r",
                  {"!AIVDM", "1", "1", "A", "x", "0", "5C"}},
        SplitCase{"CrAndLfEndFieldsWithoutBeingSeparators", ",", "a\rb\nc", {"a", "b", "c"}},
        SplitCase{"CommaBetweenDoubleQuotesBelongsToTheField", ",", "a\"b,c\"d,e",
                  {"a\"b,c\"d", "e"}},
        SplitCase{"SingleQuotesToo", ",", "x'1,2',y", {"x'1,2'", "y"}},
        SplitCase{"OtherQuoteInsideAStretchIsText", ",", "'a\",b',c", {"'a\",b'", "c"}},
        SplitCase{"UnclosedQuoteTakesTheRest", ",", "a,\"b,c,d\r\n", {"a", "\"b,c,d\r\n"}},
        SplitCase{"QuotesStayInTheField", ",", "\"\",x", {"\"\"", "x"}},
        SplitCase{"HighBytesAreOrdinaryCharacters", ",", "\xB0\xFF,\x80", {"\xB0\xFF", "\x80"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitFields, AppendsWithoutClearing) {
    std::vector<std::string> list{"kept"};
    EXPECT_EQ(SplitFields(",", " ", "a,b", list), 2);
    EXPECT_EQ(list, (std::vector<std::string>{"kept", "a", "b"}));
}

TEST(SplitFields, ArbitraryBytesNeverReadPastTheText) {
    // Every byte value, in every position of a short text, through the splitter; the
    // sanitizer build turns any stray read into a failure.
    std::vector<std::string> list;
    for (int a = 0; a < 256; ++a) {
        for (int b : std::initializer_list<int>{0, ',', '"', '\r', ' ', 'x', 0xFF}) {
            const char text[] = {static_cast<char>(a), static_cast<char>(b), ','};
            for (std::size_t len = 0; len <= sizeof text; ++len) {
                list.clear();
                const int n = SplitFields(",*", " ", std::string_view(text, len), list);
                EXPECT_EQ(n, static_cast<int>(list.size()));
                for (const auto& f : list) EXPECT_FALSE(f.empty());
            }
        }
    }
}

} // namespace
