#pragma once
// A strict reader for one JSON object (RFC 8259) as a profile holds it: its members in the order
// they stand, each with the line it is on, so every complaint about a profile can name its line.
// Nested arrays and objects are read through, to be refused by type later, but not kept.

#include <string>
#include <string_view>
#include <vector>

struct TJsonValue {
    enum class TKind { String, Number, True, False, Null, Array, Object };
    TKind Kind = TKind::Null;
    std::string Text; // String: the decoded text (UTF-8); Number: the literal as written
    int Line = 0;     // where the value starts, from 1
};

struct TJsonMember {
    std::string Key;
    int Line = 0; // of the key
    TJsonValue Value;
};

struct TJsonError {
    int Line = 0;
    std::string Message;
};

// Nesting deeper than this is refused: a profile has none, and a hostile file must not be able
// to exhaust the stack.
inline constexpr int kJsonMaxDepth = 32;

// Reads Text, which must hold exactly one object (a UTF-8 byte order mark before it is allowed),
// into Members. False with Error for anything else: malformed JSON, invalid UTF-8, control
// characters inside strings, unpaired surrogates, text after the object.
bool ReadJsonObject(std::string_view Text, std::vector<TJsonMember>& Members, TJsonError& Error);

// The kind as a complaint names it: "a string", "a number", "true", ...
const char* JsonKindName(TJsonValue::TKind Kind);

// Text as a JSON string literal, quotes included: UTF-8 kept, '"', '\' and control characters
// escaped. Text must be valid UTF-8.
std::string JsonQuote(std::string_view Text);
