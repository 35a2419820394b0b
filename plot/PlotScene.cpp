#include "plot/PlotScene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kRows = 1800;             // a tenth of a degree of latitude each
constexpr int kColumnsAtEquator = 3600; // a tenth of a degree of longitude each

} // namespace

// ---- TPlotIndex -----------------------------------------------------------------------------

int TPlotIndex::Row(double Lat) {
    return std::clamp(static_cast<int>(std::floor((Lat + 90) * 10)), 0, kRows - 1);
}

int TPlotIndex::Columns(int Row) {
    const double middle = -90 + (Row + 0.5) / 10;
    const double n = std::ceil(kColumnsAtEquator * std::cos(middle * std::numbers::pi / 180));
    return std::clamp(static_cast<int>(n), 1, kColumnsAtEquator);
}

int TPlotIndex::Column(int Row, double Lon) {
    const int n = Columns(Row);
    double l = std::fmod(Lon + 180, 360);
    if (l < 0) l += 360;
    return std::clamp(static_cast<int>(std::floor(l / 360 * n)), 0, n - 1);
}

std::array<TPlotIndex::TSpan, 2> TPlotIndex::Spans(const TGeoBox& Box, int Row) {
    const int n = Columns(Row);
    constexpr TSpan none{1, 0};
    if (Box.AllLongitudes) return {TSpan{0, n - 1}, none};
    const int c0 = Column(Row, Box.West), c1 = Column(Row, Box.East);
    if (Box.West <= Box.East) return {TSpan{c0, c1}, none};
    return {TSpan{c0, n - 1}, TSpan{0, std::min(c1, c0 - 1)}}; // across 180 degrees
}

void TPlotIndex::Set(int Entry, double Lat, double Lon) {
    if (Entry == kNoEntry) return;
    if (!LatKnown(Lat) || !LonKnown(Lon)) return Remove(Entry);
    const int row = Row(Lat);
    const int key = Key(row, Column(row, Lon));
    const std::size_t slot = EntrySlot(Entry);
    if (slot >= FPlaces.size()) FPlaces.resize(slot + 1);
    if (FPlaces[slot].Cell == key) return;
    Remove(Entry);
    std::vector<int>& cell = FCells[key];
    FPlaces[slot] = {key, static_cast<int>(cell.size())};
    cell.push_back(Entry);
    ++FSize;
}

void TPlotIndex::Remove(int Entry) {
    if (Entry == kNoEntry || EntrySlot(Entry) >= FPlaces.size()) return;
    TPlace& place = FPlaces[EntrySlot(Entry)];
    if (place.Cell < 0) return;
    const auto it = FCells.find(place.Cell);
    std::vector<int>& cell = it->second;
    // the last of the cell takes the leaving entry's slot
    const int last = cell.back();
    cell[static_cast<std::size_t>(place.Slot)] = last;
    FPlaces[EntrySlot(last)].Slot = place.Slot;
    cell.pop_back();
    if (cell.empty()) FCells.erase(it);
    place = {};
    --FSize;
}

void TPlotIndex::Query(const TGeoBox& Box, std::vector<int>& Out) const {
    if (FSize == 0) return;
    const int r0 = Row(Box.LatMin), r1 = Row(Box.LatMax);
    std::size_t cells = 0;
    for (int r = r0; r <= r1; ++r)
        for (const TSpan& s : Spans(Box, r))
            if (s.From <= s.To) cells += static_cast<std::size_t>(s.To - s.From + 1);
    auto take = [&Out](const std::vector<int>& Entries) {
        Out.insert(Out.end(), Entries.begin(), Entries.end());
    };
    if (cells <= FCells.size()) {
        for (int r = r0; r <= r1; ++r)
            for (const TSpan& s : Spans(Box, r))
                for (int c = s.From; c <= s.To; ++c)
                    if (const auto it = FCells.find(Key(r, c)); it != FCells.end())
                        take(it->second);
        return;
    }
    // A box of more cells than there are occupied ones (a wide view near a pole, or few
    // targets): the occupied cells are the fewer to look at.
    for (const auto& [key, entries] : FCells) {
        const int row = key / 4096, col = key % 4096;
        if (row < r0 || row > r1) continue;
        for (const TSpan& s : Spans(Box, row))
            if (col >= s.From && col <= s.To) take(entries);
    }
}

// ---- TPlotScene -----------------------------------------------------------------------------

void TPlotScene::Store(const TPlotTarget& T) {
    if (T.Entry == kNoEntry) return;
    const std::size_t i = EntrySlot(T.Entry);
    if (i >= FTargets.size()) {
        FTargets.resize(i + 1);
        FStored.resize(i + 1);
    }
    if (!FStored[i]) ++FCount;
    FStored[i] = 1;
    FTargets[i] = T;
    FIndex.Set(T.Entry, T.Motion.Lat, T.Motion.Lon);
}

void TPlotScene::SetMarks(int Entry, bool Lost, bool Dangerous) {
    if (Entry == kNoEntry || EntrySlot(Entry) >= FTargets.size()) return;
    FTargets[EntrySlot(Entry)].Lost = Lost;
    FTargets[EntrySlot(Entry)].Dangerous = Dangerous;
}

const TPlotTarget* TPlotScene::Find(int Entry) const {
    if (Entry == kNoEntry || EntrySlot(Entry) >= FTargets.size()) return nullptr;
    return FStored[EntrySlot(Entry)] ? &FTargets[EntrySlot(Entry)] : nullptr;
}

std::vector<int> TPlotScene::InView(const TPlotProjection& P, double MarginPx,
                                    std::size_t* Examined) const {
    std::vector<int> candidates;
    FIndex.Query(P.Box(MarginPx), candidates);
    if (Examined != nullptr) *Examined = candidates.size();
    std::vector<int> in;
    for (int e : candidates) {
        const TMotion& m = FTargets[EntrySlot(e)].Motion;
        if (P.Inside(P.ToScreen(m.Lat, m.Lon), MarginPx)) in.push_back(e);
    }
    std::sort(in.begin(), in.end());
    return in;
}

std::optional<int> TPlotScene::HitTest(const TPlotProjection& P, TPlotPoint At,
                                       double RadiusPx) const {
    std::vector<int> candidates;
    FIndex.Query(P.BoxAround(At, RadiusPx), candidates);
    std::sort(candidates.begin(), candidates.end()); // the first entry wins a tie
    std::optional<int> nearest;
    double best = RadiusPx;
    for (int e : candidates) {
        const TMotion& m = FTargets[EntrySlot(e)].Motion;
        const TPlotPoint p = P.ToScreen(m.Lat, m.Lon);
        const double d = std::hypot(p.X - At.X, p.Y - At.Y);
        if (d < best || (d == best && !nearest)) {
            best = d;
            nearest = e;
        }
    }
    return nearest;
}
