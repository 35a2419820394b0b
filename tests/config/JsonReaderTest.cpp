// The profile's JSON reader: what it accepts, and for what it refuses the line and the reason.

#include "tools/config/JsonReader.h"

#include <gtest/gtest.h>

namespace {

using TKind = TJsonValue::TKind;

std::vector<TJsonMember> Read(const std::string& Text) {
    std::vector<TJsonMember> m;
    TJsonError e;
    EXPECT_TRUE(ReadJsonObject(Text, m, e)) << Text << ": " << e.Line << ": " << e.Message;
    return m;
}

TEST(JsonReader, MembersKeepTheirOrderKindAndLine) {
    const auto m = Read("{\n  \"b\": \"x\",\n  \"a\": -12.5e3,\n\n  \"t\": true, \"f\": false,\n"
                        "  \"n\": null,\n  \"arr\": [1, [2], {\"k\": 3}],\n  \"obj\": {}\n}\n");
    ASSERT_EQ(m.size(), 7u);
    const struct {
        const char* Key;
        TKind Kind;
        const char* Text;
        int Line;
    } want[] = {{"b", TKind::String, "x", 2}, {"a", TKind::Number, "-12.5e3", 3},
                {"t", TKind::True, "", 5},    {"f", TKind::False, "", 5},
                {"n", TKind::Null, "", 6},    {"arr", TKind::Array, "", 7},
                {"obj", TKind::Object, "", 8}};
    for (std::size_t i = 0; i < m.size(); ++i) {
        EXPECT_EQ(m[i].Key, want[i].Key);
        EXPECT_EQ(m[i].Value.Kind, want[i].Kind) << m[i].Key;
        EXPECT_EQ(m[i].Value.Text, want[i].Text) << m[i].Key;
        EXPECT_EQ(m[i].Line, want[i].Line) << m[i].Key;
        EXPECT_EQ(m[i].Value.Line, want[i].Line) << m[i].Key;
    }
}

TEST(JsonReader, StringsDecodeEveryEscapeAndKeepUtf8) {
    const auto m = Read(R"({"s": "a\"b\\c\/d\b\f\n\r\t\u00e9\u20AC\ud83d\ude00 ü"})");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].Value.Text, "a\"b\\c/d\b\f\n\r\t\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 \xC3\xBC");
}

TEST(JsonReader, EmptyObjectAndByteOrderMarkAreFine) {
    EXPECT_TRUE(Read("{}").empty());
    EXPECT_EQ(Read("\xEF\xBB\xBF{\"a\": 1}").size(), 1u);
    EXPECT_EQ(Read(" \t\r\n{\"a\":1}\r\n").size(), 1u);
}

TEST(JsonReader, RefusesWithLineAndReason) {
    const struct {
        std::string Text;
        int Line;
        const char* Says;
    } cases[] = {
        {"", 1, "the profile is empty"},
        {"  \n ", 2, "the profile is empty"},
        {"[1]", 1, "must be one JSON object"},
        {"\"a\"", 1, "must be one JSON object"},
        {"{\"a\": 1,}", 1, "a comma before '}'"},
        {"{\"a\": [1,]}", 1, "a comma before ']'"},
        {"{\"a\" 1}", 1, "expected ':' after the key \"a\", found '1'"},
        {"{1: 2}", 1, "expected a key in double quotes, found '1'"},
        {"{'a': 2}", 1, "expected a key in double quotes"},
        {"{\"a\": 'x'}", 1, "strings must be in double quotes"},
        {"{\"a\": 010}", 1, "numbers must not start with 0"},
        {"{\"a\": 1.}", 1, "a '.' in a number must be followed by digits"},
        {"{\"a\": -}", 1, "a '-' must be followed by digits"},
        {"{\"a\": 1e}", 1, "an exponent must have digits"},
        {"{\"a\": 12abc}", 1, "a number runs into other characters"},
        {"{\"a\": +1}", 1, "expected a value, found '+'"},
        {"{\"a\": tru}", 1, "expected a value"},
        {"{\"a\": truex}", 1, "expected a value"},
        {"{\"a\": NaN}", 1, "expected a value"},
        {"{\n\n\"a\": }", 3, "expected a value, found '}'"},
        {"{\"a\": 1", 1, "expected ',' or '}' after a value, found the end of the text"},
        {"{\"a\": 1 \"b\": 2}", 1, "expected ',' or '}' after a value, found '\"'"},
        {"{\"a\": [1 2]}", 1, "expected ',' or ']' in an array"},
        {"{\"a\": 1} x", 1, "text after the end of the object"},
        {"{\"a\": 1}\n{}", 2, "text after the end of the object"},
        {"{\"a\": \"x}", 1, "a string is not closed"},
        {"{\n\"a\": \"x\n\"}", 2, "a string is not closed with '\"' on its line"},
        {"{\"a\": \"\t\"}", 1, "a control character inside a string"},
        {"{\"a\": \"\\q\"}", 1, "an unknown escape \\q"},
        {"{\"a\": \"\\u12\"}", 1, "\\u needs four hexadecimal digits"},
        {"{\"a\": \"\\ud800\"}", 1, "an unpaired surrogate"},
        {"{\"a\": \"\\ud800\\u0041\"}", 1, "an unpaired surrogate"},
        {"{\"a\": \"\\udc00\"}", 1, "an unpaired surrogate"},
        {"{\"a\": \"\xC3\"}", 1, "not valid UTF-8"},             // cut short
        {"{\"a\": \"\xC0\xAF\"}", 1, "not valid UTF-8"},         // overlong "/"
        {"{\"a\": \"\xED\xA0\x80\"}", 1, "not valid UTF-8"},     // a surrogate
        {"{\"a\": \"\xF4\x90\x80\x80\"}", 1, "not valid UTF-8"}, // past U+10FFFF
        {"{\"a\": \"\xFF\"}", 1, "not valid UTF-8"},
        {"{\"a\": " + std::string(40, '[') + std::string(40, ']') + "}", 1, "nested too deeply"},
    };
    for (const auto& c : cases) {
        std::vector<TJsonMember> m;
        TJsonError e;
        EXPECT_FALSE(ReadJsonObject(c.Text, m, e)) << c.Text;
        EXPECT_EQ(e.Line, c.Line) << c.Text;
        EXPECT_NE(e.Message.find(c.Says), std::string::npos) << c.Text << " -> " << e.Message;
        EXPECT_TRUE(m.empty());
    }
}

TEST(JsonReader, NestingUpToTheLimitIsRead) {
    const int inner = kJsonMaxDepth - 1; // the object itself is the first level
    const auto m = Read("{\"a\": " + std::string(static_cast<std::size_t>(inner), '[') +
                        std::string(static_cast<std::size_t>(inner), ']') + "}");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].Value.Kind, TKind::Array);
}

TEST(JsonQuote, EscapesWhatATerminalOrReaderWouldTakeForSomethingElse) {
    const struct {
        std::string In, Out;
    } cases[] = {
        {"CORVANE TEST", "\"CORVANE TEST\""},
        {"a\"b\\c", R"("a\"b\\c")"},
        {"\n\r\t", R"("\n\r\t")"},
        {std::string("\x01\x1B\x7F", 3), R"("\u0001\u001b\u007f")"},
        {"\xC2\x85", R"("\u0085")"},                  // C1 control
        {"\xC3\xA9\xC2\xA0", "\"\xC3\xA9\xC2\xA0\""}, // é and no-break space stay
        {std::string(1, '\0'), R"("\u0000")"},
    };
    for (const auto& c : cases) EXPECT_EQ(JsonQuote(c.In), c.Out);
}

TEST(JsonQuote, ReadsBackAsTheSameText) {
    for (const std::string s : {"plain", "\"quoted\" \\ /", "tab\there", "\xC2\x9F\xC3\xBF",
                                "\x1B[31mred", "\xF0\x9F\x98\x80"}) {
        const auto m = Read("{\"k\": " + JsonQuote(s) + "}");
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].Value.Text, s);
    }
}

} // namespace
