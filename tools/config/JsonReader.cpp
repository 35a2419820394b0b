#include "tools/config/JsonReader.h"

#include <cstdint>

namespace {

class TReader {
public:
    explicit TReader(std::string_view Text) : S(Text) {}

    bool Object(std::vector<TJsonMember>& Members, TJsonError& Error) {
        if (S.substr(0, 3) == "\xEF\xBB\xBF") P = 3; // editors on some systems write one
        Space();
        if (P >= S.size())
            Fail("the profile is empty; it must be one JSON object");
        else if (S[P] != '{')
            Fail("the profile must be one JSON object ({ ... })");
        if (!FError.Message.empty()) return Report(Error);
        if (!ReadObject(&Members, 1)) return Report(Error);
        Space();
        if (P < S.size()) {
            Fail("text after the end of the object");
            return Report(Error);
        }
        return true;
    }

    bool Report(TJsonError& Error) {
        Error = FError;
        return false;
    }

private:
    bool Fail(std::string Message) {
        if (FError.Message.empty()) FError = {Line, std::move(Message)};
        return false;
    }

    void Space() {
        while (P < S.size()) {
            const char c = S[P];
            if (c == '\n')
                ++Line;
            else if (c != ' ' && c != '\t' && c != '\r')
                return;
            ++P;
        }
    }

    // What stands at the current place, for complaints.
    std::string Found() const {
        if (P >= S.size()) return "the end of the text";
        const auto c = static_cast<unsigned char>(S[P]);
        if (c >= 0x21 && c < 0x7F) return std::string("'") + S[P] + "'";
        return "a control or non-ASCII character";
    }

    bool ReadObject(std::vector<TJsonMember>* Members, int Depth) {
        if (Depth > kJsonMaxDepth) return Fail("objects and arrays nested too deeply");
        ++P; // '{'
        Space();
        if (P < S.size() && S[P] == '}') {
            ++P;
            return true;
        }
        for (;;) {
            Space();
            if (P >= S.size() || S[P] != '"') {
                if (P < S.size() && S[P] == '}')
                    return Fail("a comma before '}' (none may stand there)");
                return Fail("expected a key in double quotes, found " + Found());
            }
            TJsonMember m;
            m.Line = Line;
            if (!ReadString(m.Key)) return false;
            Space();
            if (P >= S.size() || S[P] != ':')
                return Fail("expected ':' after the key " + JsonQuote(m.Key) + ", found " +
                            Found());
            ++P;
            Space();
            if (!ReadValue(m.Value, Depth)) return false;
            if (Members != nullptr) Members->push_back(std::move(m));
            Space();
            if (P < S.size() && S[P] == ',') {
                ++P;
                continue;
            }
            if (P < S.size() && S[P] == '}') {
                ++P;
                return true;
            }
            return Fail("expected ',' or '}' after a value, found " + Found());
        }
    }

    bool ReadArray(int Depth) {
        if (Depth > kJsonMaxDepth) return Fail("objects and arrays nested too deeply");
        ++P; // '['
        Space();
        if (P < S.size() && S[P] == ']') {
            ++P;
            return true;
        }
        for (;;) {
            Space();
            if (P < S.size() && S[P] == ']')
                return Fail("a comma before ']' (none may stand there)");
            TJsonValue v;
            if (!ReadValue(v, Depth)) return false;
            Space();
            if (P < S.size() && S[P] == ',') {
                ++P;
                continue;
            }
            if (P < S.size() && S[P] == ']') {
                ++P;
                return true;
            }
            return Fail("expected ',' or ']' in an array, found " + Found());
        }
    }

    bool ReadValue(TJsonValue& V, int Depth) {
        V.Line = Line;
        if (P >= S.size()) return Fail("expected a value, found the end of the text");
        const char c = S[P];
        using K = TJsonValue::TKind;
        if (c == '"') {
            V.Kind = K::String;
            return ReadString(V.Text);
        }
        if (c == '{') {
            V.Kind = K::Object;
            return ReadObject(nullptr, Depth + 1);
        }
        if (c == '[') {
            V.Kind = K::Array;
            return ReadArray(Depth + 1);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            V.Kind = K::Number;
            return ReadNumber(V.Text);
        }
        for (const auto& [word, kind] : {std::pair{std::string_view("true"), K::True},
                                         std::pair{std::string_view("false"), K::False},
                                         std::pair{std::string_view("null"), K::Null}}) {
            if (S.substr(P, word.size()) == word && !WordGoesOn(P + word.size())) {
                V.Kind = kind;
                P += word.size();
                return true;
            }
        }
        if (c == '\'') return Fail("strings must be in double quotes");
        return Fail("expected a value, found " + Found());
    }

    bool WordGoesOn(std::size_t At) const {
        if (At >= S.size()) return false;
        const char c = S[At];
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    }

    static bool Digit(char c) { return c >= '0' && c <= '9'; }

    bool ReadNumber(std::string& Out) {
        const std::size_t start = P;
        if (S[P] == '-') ++P;
        if (P >= S.size() || !Digit(S[P])) return Fail("a '-' must be followed by digits");
        if (S[P] == '0' && P + 1 < S.size() && Digit(S[P + 1]))
            return Fail("numbers must not start with 0 (write 10, not 010)");
        while (P < S.size() && Digit(S[P])) ++P;
        if (P < S.size() && S[P] == '.') {
            ++P;
            if (P >= S.size() || !Digit(S[P]))
                return Fail("a '.' in a number must be followed by digits");
            while (P < S.size() && Digit(S[P])) ++P;
        }
        if (P < S.size() && (S[P] == 'e' || S[P] == 'E')) {
            ++P;
            if (P < S.size() && (S[P] == '+' || S[P] == '-')) ++P;
            if (P >= S.size() || !Digit(S[P])) return Fail("an exponent must have digits");
            while (P < S.size() && Digit(S[P])) ++P;
        }
        if (WordGoesOn(P)) return Fail("a number runs into other characters");
        Out.assign(S.substr(start, P - start));
        return true;
    }

    static int Hex(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    bool Hex4(unsigned& Out) {
        if (P + 4 > S.size()) return Fail("\\u needs four hexadecimal digits");
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const int h = Hex(S[P + static_cast<std::size_t>(i)]);
            if (h < 0) return Fail("\\u needs four hexadecimal digits");
            v = v * 16 + static_cast<unsigned>(h);
        }
        P += 4;
        Out = v;
        return true;
    }

    static void Append(std::string& Out, std::uint32_t Cp) {
        if (Cp < 0x80) {
            Out += static_cast<char>(Cp);
        } else if (Cp < 0x800) {
            Out += static_cast<char>(0xC0 | (Cp >> 6));
            Out += static_cast<char>(0x80 | (Cp & 0x3F));
        } else if (Cp < 0x10000) {
            Out += static_cast<char>(0xE0 | (Cp >> 12));
            Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
            Out += static_cast<char>(0x80 | (Cp & 0x3F));
        } else {
            Out += static_cast<char>(0xF0 | (Cp >> 18));
            Out += static_cast<char>(0x80 | ((Cp >> 12) & 0x3F));
            Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
            Out += static_cast<char>(0x80 | (Cp & 0x3F));
        }
    }

    // One UTF-8 sequence copied as it is; overlong forms, surrogates and values past U+10FFFF
    // are not UTF-8.
    bool CopyUtf8(std::string& Out) {
        const auto b = static_cast<unsigned char>(S[P]);
        int extra = 0;
        std::uint32_t cp = 0, min = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1, cp = b & 0x1Fu, min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2, cp = b & 0x0Fu, min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3, cp = b & 0x07u, min = 0x10000;
        } else {
            return Fail("the text is not valid UTF-8");
        }
        if (P + static_cast<std::size_t>(extra) >= S.size())
            return Fail("the text is not valid UTF-8");
        for (int i = 1; i <= extra; ++i) {
            const auto c = static_cast<unsigned char>(S[P + static_cast<std::size_t>(i)]);
            if ((c & 0xC0) != 0x80) return Fail("the text is not valid UTF-8");
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return Fail("the text is not valid UTF-8");
        Out.append(S.substr(P, static_cast<std::size_t>(extra) + 1));
        P += static_cast<std::size_t>(extra) + 1;
        return true;
    }

    bool ReadString(std::string& Out) {
        const int startLine = Line;
        ++P; // '"'
        Out.clear();
        for (;;) {
            if (P >= S.size()) {
                Line = startLine;
                return Fail("a string is not closed with '\"'");
            }
            const auto c = static_cast<unsigned char>(S[P]);
            if (c == '"') {
                ++P;
                return true;
            }
            if (c < 0x20) {
                if (c == '\n') return Fail("a string is not closed with '\"' on its line");
                return Fail(
                    "a control character inside a string (write it as \\t, \\n or \\u00XX)");
            }
            if (c >= 0x80) {
                if (!CopyUtf8(Out)) return false;
                continue;
            }
            if (c != '\\') {
                Out += static_cast<char>(c);
                ++P;
                continue;
            }
            ++P;
            if (P >= S.size()) return Fail("a string is not closed with '\"'");
            const char e = S[P++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                Out += e;
                break;
            case 'b':
                Out += '\b';
                break;
            case 'f':
                Out += '\f';
                break;
            case 'n':
                Out += '\n';
                break;
            case 'r':
                Out += '\r';
                break;
            case 't':
                Out += '\t';
                break;
            case 'u': {
                unsigned u = 0;
                if (!Hex4(u)) return false;
                std::uint32_t cp = u;
                if (u >= 0xDC00 && u <= 0xDFFF) return Fail("an unpaired surrogate \\u escape");
                if (u >= 0xD800 && u <= 0xDBFF) {
                    unsigned lo = 0;
                    if (S.substr(P, 2) != "\\u") return Fail("an unpaired surrogate \\u escape");
                    P += 2;
                    if (!Hex4(lo)) return false;
                    if (lo < 0xDC00 || lo > 0xDFFF) return Fail("an unpaired surrogate \\u escape");
                    cp = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
                }
                Append(Out, cp);
                break;
            }
            default:
                return Fail(
                    std::string("an unknown escape \\") +
                    (static_cast<unsigned char>(e) >= 0x21 && static_cast<unsigned char>(e) < 0x7F
                         ? std::string(1, e)
                         : std::string("?")) +
                    " in a string");
            }
        }
    }

    std::string_view S;
    std::size_t P = 0;
    int Line = 1;
    TJsonError FError;
};

} // namespace

bool ReadJsonObject(std::string_view Text, std::vector<TJsonMember>& Members, TJsonError& Error) {
    Members.clear();
    TReader r(Text);
    if (!r.Object(Members, Error)) {
        Members.clear();
        return false;
    }
    return true;
}

const char* JsonKindName(TJsonValue::TKind Kind) {
    switch (Kind) {
    case TJsonValue::TKind::String:
        return "a string";
    case TJsonValue::TKind::Number:
        return "a number";
    case TJsonValue::TKind::True:
        return "true";
    case TJsonValue::TKind::False:
        return "false";
    case TJsonValue::TKind::Null:
        return "null";
    case TJsonValue::TKind::Array:
        return "an array";
    case TJsonValue::TKind::Object:
        return "an object";
    }
    return "a value";
}

std::string JsonQuote(std::string_view Text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(Text.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const auto c = static_cast<unsigned char>(Text[i]);
        // C1 controls (U+0080 to U+009F, "\xC2\x80" to "\xC2\x9F") are escaped too, so that no
        // invisible character reaches a terminal.
        const bool c1 = c == 0xC2 && i + 1 < Text.size() &&
                        static_cast<unsigned char>(Text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(Text[i + 1]) <= 0x9F;
        unsigned escape = 0x10000; // none
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            continue;
        }
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '\r') {
            out += "\\r";
            continue;
        }
        if (c == '\t') {
            out += "\\t";
            continue;
        }
        if (c < 0x20 || c == 0x7F) escape = c;
        if (c1) {
            escape = static_cast<unsigned char>(Text[++i]);
        }
        if (escape != 0x10000) {
            out += "\\u00";
            out += kHex[escape >> 4];
            out += kHex[escape & 15];
            continue;
        }
        out += static_cast<char>(c);
    }
    out += '"';
    return out;
}
