#pragma once
// The order and the selection of the target list: sort keys (numbers as numbers, texts without
// regard to case, anything not available last in either direction, ties in first-heard order)
// and the filter of search text, class, motion and range.

#include "targets/LostTarget.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TSortKey {
    bool Known = false;
    double Number = 0;
    std::string Text; // upper-cased; used when the column sorts by text
};

TSortKey NumberKey(std::optional<double> V);
// A text cell: empty and "n.a." are not known.
TSortKey TextKey(std::string_view Text);
// A cell read by its leading number ("12.3 kn", "80m / 16m", "123°"); not known otherwise.
TSortKey LeadingNumberKey(std::string_view Text);

// Positions 0 .. Keys.size() - 1 in sorted order; stable, so equal keys keep first-heard order.
std::vector<int> SortOrder(const std::vector<TSortKey>& Keys, bool ByNumber, bool Ascending);

// What the filter reads of a target.
struct TTargetFacts {
    std::string_view MMSI, Name, CallSign;
    std::optional<TStationClass> Class;
    double Sog = 102.3;            // knots; 102.3 or more when not known
    std::optional<double> RangeNm; // from the own position now
};

struct TTargetFilter {
    enum class TMotionFilter { Any, Moving, NotMoving };
    std::string Search;                 // part of MMSI, name or call sign, any case
    std::optional<TStationClass> Class; // none: both classes
    TMotionFilter Motion = TMotionFilter::Any;
    std::optional<double> WithinNm; // none: any range

    bool Active() const {
        return !Search.empty() || Class || Motion != TMotionFilter::Any || WithinNm;
    }
};

// Moving from half a knot: a moored vessel's GPS wanders a few tenths.
inline constexpr double kMovingKnots = 0.5;

bool Matches(const TTargetFilter& F, const TTargetFacts& T);
