#pragma once
// Field splitter shared by every handler that counts fields: empty fields are dropped,
// so the fields after one move up a place.

#include <array>
#include <string>
#include <string_view>
#include <vector>

class TFieldSplitter {
public:
    // CR and LF are always blanks; CR, LF and both quote characters always end a field.
    TFieldSplitter(std::string_view Separators, std::string_view Blanks);

    // Calls OnField(std::string_view) for every non-empty field; returns the count.
    template <class F> int ForEach(std::string_view Text, F&& OnField) const;

private:
    enum : unsigned char { kBlank = 1, kEnd = 2, kQuote = 4 };
    std::array<unsigned char, 256> FClass{};
};

// Appends the fields of Text to List (which is not cleared) and returns how many.
int SplitFields(std::string_view Separators, std::string_view Blanks, std::string_view Text,
                std::vector<std::string>& List);

template <class F> int TFieldSplitter::ForEach(std::string_view Text, F&& OnField) const {
    const std::size_t n = Text.size();
    std::size_t i = 0;
    int count = 0;
    unsigned char quote = 0; // an open quoted stretch carries over to later fields
    for (;;) {
        while (i < n && (FClass[static_cast<unsigned char>(Text[i])] & kBlank)) ++i;
        const std::size_t start = i;
        while (i < n) {
            const auto c = static_cast<unsigned char>(Text[i]);
            if (quote != 0) {
                if (c == quote) quote = 0;
                ++i;
                continue;
            }
            const unsigned char cls = FClass[c];
            if (cls & kQuote) {
                quote = c;
                ++i;
                continue;
            }
            if (cls & kEnd) break;
            ++i;
        }
        if (i > start) {
            OnField(Text.substr(start, i - start));
            ++count;
        }
        if (i >= n) return count;
        ++i; // step over the character that ended the field
    }
}
