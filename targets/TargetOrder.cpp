#include "targets/TargetOrder.h"

#include "nmea/Decimal.h"
#include "targets/Cpa.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Upper(std::string_view S) {
    std::string u(S);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

bool Contains(std::string_view Haystack, const std::string& UpperNeedle) {
    return Upper(Haystack).find(UpperNeedle) != std::string::npos;
}

} // namespace

TSortKey NumberKey(std::optional<double> V) {
    return V ? TSortKey{true, *V, {}} : TSortKey{};
}

TSortKey TextKey(std::string_view Text) {
    const auto first = Text.find_first_not_of(' ');
    if (first == std::string_view::npos || Text.substr(first).rfind("n.a.", 0) == 0) return {};
    return {true, 0, Upper(Text.substr(first))};
}

TSortKey LeadingNumberKey(std::string_view Text) {
    std::size_t end = 0;
    if (end < Text.size() && (Text[end] == '-' || Text[end] == '+')) ++end;
    while (end < Text.size() &&
           (std::isdigit(static_cast<unsigned char>(Text[end])) || Text[end] == '.'))
        ++end;
    double v = 0;
    return ReadDecimal(Text.substr(0, end), v) ? TSortKey{true, v, {}} : TSortKey{};
}

std::vector<int> SortOrder(const std::vector<TSortKey>& Keys, bool ByNumber, bool Ascending) {
    std::vector<int> order(Keys.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const TSortKey& x = Keys[static_cast<std::size_t>(a)];
        const TSortKey& y = Keys[static_cast<std::size_t>(b)];
        if (x.Known != y.Known) return x.Known; // not available last, whichever direction
        if (!x.Known) return false;
        if (ByNumber) return Ascending ? x.Number < y.Number : y.Number < x.Number;
        return Ascending ? x.Text < y.Text : y.Text < x.Text;
    });
    return order;
}

bool Matches(const TTargetFilter& F, const TTargetFacts& T) {
    if (!F.Search.empty()) {
        const std::string needle = Upper(F.Search);
        if (!Contains(T.MMSI, needle) && !Contains(T.Name, needle) && !Contains(T.CallSign, needle))
            return false;
    }
    if (F.Class && T.Class != F.Class) return false;
    // A target whose speed is not known is neither moving nor known to lie still.
    const bool known = SogKnown(T.Sog);
    const bool moving = known && T.Sog >= kMovingKnots;
    if (F.Motion == TTargetFilter::TMotionFilter::Moving && !moving) return false;
    if (F.Motion == TTargetFilter::TMotionFilter::NotMoving && (!known || moving)) return false;
    if (F.WithinNm && (!T.RangeNm || *T.RangeNm > *F.WithinNm)) return false;
    return true;
}
