#include "nmea/SplitFields.h"

TFieldSplitter::TFieldSplitter(std::string_view Separators, std::string_view Blanks) {
    for (char c : Separators) FClass[static_cast<unsigned char>(c)] |= kEnd;
    for (char c : Blanks) FClass[static_cast<unsigned char>(c)] |= kBlank;
    FClass['\r'] |= kBlank | kEnd;
    FClass['\n'] |= kBlank | kEnd;
    // Quotes open or close a stretch; they never act as separators or blanks.
    FClass['\''] = kQuote;
    FClass['"'] = kQuote;
}

int SplitFields(std::string_view Separators, std::string_view Blanks, std::string_view Text,
                std::vector<std::string>& List) {
    const TFieldSplitter splitter(Separators, Blanks);
    return splitter.ForEach(Text, [&List](std::string_view f) { List.emplace_back(f); });
}
