#pragma once
// The targets the plot knows, indexed by position so that what a view shows is found without
// looking at what lies outside it: the cost of drawing and of a hit test follows the targets
// near the view, not the thousands a busy channel may have brought in. No Qt.

#include "plot/PlotGeometry.h"

#include <array>
#include <cstddef>
#include <optional>
#include <unordered_map>
#include <vector>

// Entries from 0 are the target list's: table row Entry + 1. The stations the list does not
// hold (base stations, aids and aircraft while the table leaves them out) are -2 and below;
// -1 is none. Both kinds share one array, alternating, so either is found in one step.
inline constexpr int kNoEntry = -1;
inline std::size_t EntrySlot(int Entry) {
    return Entry >= 0 ? 2 * static_cast<std::size_t>(Entry)
                      : 2 * static_cast<std::size_t>(-(Entry + 2)) + 1;
}

// A coarse grid over the earth: rows of a tenth of a degree of latitude, each cut into cells
// about as wide as they are high (six miles), so a view's box covers the same few cells at any
// latitude. Entries move between cells as their stations move.
class TPlotIndex {
public:
    // The entry at a position, moved there from wherever it was; a position that is not
    // known takes it out.
    void Set(int Entry, double Lat, double Lon);
    void Remove(int Entry);
    // Appends to Out every entry in a cell the box touches: all those inside and some near it.
    void Query(const TGeoBox& Box, std::vector<int>& Out) const;
    std::size_t Size() const { return FSize; }

private:
    struct TPlace {
        int Cell = -1; // -1: not in the index
        int Slot = 0;  // place in the cell's list
    };
    static int Row(double Lat);
    static int Columns(int Row);
    static int Column(int Row, double Lon);
    static int Key(int Row, int Column) { return Row * 4096 + Column; }
    // The columns of the row the box touches: one range, or two when it crosses 180 degrees.
    struct TSpan {
        int From, To; // inclusive; empty when From > To
    };
    static std::array<TSpan, 2> Spans(const TGeoBox& Box, int Row);

    std::unordered_map<int, std::vector<int>> FCells; // cell key -> entries
    std::vector<TPlace> FPlaces;                      // by EntrySlot
    std::size_t FSize = 0;
};

class TPlotScene {
public:
    // The target as its entry now stands: new, moved or renamed. kNoEntry is ignored.
    void Store(const TPlotTarget& T);
    void SetMarks(int Entry, bool Lost, bool Dangerous);
    const TPlotTarget* Find(int Entry) const;
    std::size_t Count() const { return FCount; }

    // The entries whose points lie within the view widened by MarginPx, in entry order.
    // Examined, when given, receives how many candidates the index offered.
    std::vector<int> InView(const TPlotProjection& P, double MarginPx,
                            std::size_t* Examined = nullptr) const;
    // The target whose point is nearest to At, if one lies within RadiusPx.
    std::optional<int> HitTest(const TPlotProjection& P, TPlotPoint At, double RadiusPx) const;

private:
    std::vector<TPlotTarget> FTargets; // by EntrySlot
    std::vector<char> FStored;
    std::size_t FCount = 0;
    TPlotIndex FIndex;
};
