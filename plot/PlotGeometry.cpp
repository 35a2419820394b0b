#include "plot/PlotGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kRad = std::numbers::pi / 180;

// Ring spacing for each zoom step, nautical miles.
constexpr std::array<double, kPlotRangesNm.size()> kRingSpacingNm = {0.25, 0.25, 0.5, 1,
                                                                     2,    4,    6,   12};

// Longitude in [-180, 180).
double WrapLon(double Lon) {
    double l = std::fmod(Lon + 180, 360);
    if (l < 0) l += 360;
    return l - 180;
}

} // namespace

int ClampZoom(int Step) {
    return std::clamp(Step, 0, static_cast<int>(kPlotRangesNm.size()) - 1);
}

double ZoomRangeNm(int Step) {
    return kPlotRangesNm[static_cast<std::size_t>(ClampZoom(Step))];
}

double RingSpacingNm(int Step) {
    return kRingSpacingNm[static_cast<std::size_t>(ClampZoom(Step))];
}

std::vector<double> RingsNm(int Step) {
    const double range = ZoomRangeNm(Step);
    const double spacing = RingSpacingNm(Step);
    std::vector<double> rings;
    // counted, not summed, so 0.25 steps land on the range exactly
    for (int i = 1; i * spacing <= range + 1e-9; ++i) rings.push_back(i * spacing);
    return rings;
}

TNmOffset OffsetNm(double OwnLat, double OwnLon, double Lat, double Lon) {
    double dLon = Lon - OwnLon;
    if (dLon > 180) dLon -= 360; // the short way round
    if (dLon < -180) dLon += 360;
    return {dLon * 60 * std::cos(OwnLat * kRad), (Lat - OwnLat) * 60};
}

TPlotProjection::TPlotProjection(double OwnLat, double OwnLon, double RangeNm, double Width,
                                 double Height)
    : FLat(OwnLat), FLon(OwnLon), FWidth(std::max(Width, 1.0)), FHeight(std::max(Height, 1.0)) {
    FPpn = std::min(FWidth, FHeight) / 2 / std::max(RangeNm, 1e-6);
}

TPlotPoint TPlotProjection::FromNm(TNmOffset O) const {
    return {FWidth / 2 + O.East * FPpn, FHeight / 2 - O.North * FPpn};
}

TNmOffset TPlotProjection::ToNm(TPlotPoint P) const {
    return {(P.X - FWidth / 2) / FPpn, (FHeight / 2 - P.Y) / FPpn};
}

TPlotPoint TPlotProjection::ToScreen(double Lat, double Lon) const {
    return FromNm(OffsetNm(FLat, FLon, Lat, Lon));
}

bool TPlotProjection::Inside(TPlotPoint P, double MarginPx) const {
    return P.X >= -MarginPx && P.X <= FWidth + MarginPx && P.Y >= -MarginPx &&
           P.Y <= FHeight + MarginPx;
}

TGeoBox TPlotProjection::Box(double MarginPx) const {
    const TNmOffset nw = ToNm({-MarginPx, -MarginPx});
    const TNmOffset se = ToNm({FWidth + MarginPx, FHeight + MarginPx});
    return BoxOfNm(nw.East, se.East, se.North, nw.North);
}

TGeoBox TPlotProjection::BoxAround(TPlotPoint P, double RadiusPx) const {
    const TNmOffset nw = ToNm({P.X - RadiusPx, P.Y - RadiusPx});
    const TNmOffset se = ToNm({P.X + RadiusPx, P.Y + RadiusPx});
    return BoxOfNm(nw.East, se.East, se.North, nw.North);
}

TGeoBox TPlotProjection::BoxOfNm(double West, double East, double South, double North) const {
    TGeoBox b;
    b.LatMin = std::max(-90.0, FLat + South / 60);
    b.LatMax = std::min(90.0, FLat + North / 60);
    const double k = std::cos(FLat * kRad) * 60; // miles per degree of longitude
    // Near a pole a few miles span every longitude.
    if (!(k > 1e-9) || (East - West) / k >= 360) {
        b.AllLongitudes = true;
        return b;
    }
    b.West = WrapLon(FLon + West / k);
    b.East = WrapLon(FLon + East / k);
    return b;
}

std::optional<TNmOffset> CourseVector(const TMotion& M) {
    if (!SogKnown(M.Sog) || !CogKnown(M.Cog)) return std::nullopt;
    const double nm = M.Sog * kVectorMinutes / 60;
    return TNmOffset{nm * std::sin(M.Cog * kRad), nm * std::cos(M.Cog * kRad)};
}

TPlotShape ShapeOf(const TPlotTarget& T) {
    std::optional<double> direction;
    if (T.Heading && *T.Heading >= 0 && *T.Heading < 360)
        direction = *T.Heading;
    else if (CogKnown(T.Motion.Cog))
        direction = T.Motion.Cog;
    switch (T.Kind) {
    case TPlotKind::ClassA:
        return direction ? TPlotShape{TPlotSymbol::ClassA, direction} : TPlotShape{};
    case TPlotKind::ClassB:
        return direction ? TPlotShape{TPlotSymbol::ClassB, direction} : TPlotShape{};
    case TPlotKind::BaseStation:
        return {TPlotSymbol::Square, std::nullopt};
    case TPlotKind::AtoN:
        return {TPlotSymbol::Diamond, std::nullopt};
    case TPlotKind::SarAircraft:
        return {TPlotSymbol::Aircraft, direction.value_or(0)};
    case TPlotKind::Distress:
        return {TPlotSymbol::Distress, std::nullopt};
    case TPlotKind::Unknown:
        break;
    }
    return {};
}

TPlotTone ToneOf(bool Lost, bool Dangerous) {
    if (Dangerous) return TPlotTone::Dangerous;
    return Lost ? TPlotTone::Lost : TPlotTone::Normal;
}

std::vector<TNmOffset> CoverageOutline(const std::array<double, 36>& FarthestNm) {
    // an infinite distance would have the painter fill the plane
    auto heard = [](double D) { return std::isfinite(D) && D > 0; };
    if (std::none_of(FarthestNm.begin(), FarthestNm.end(), heard)) return {};
    std::vector<TNmOffset> outline;
    outline.reserve(FarthestNm.size() + 1);
    for (std::size_t i = 0; i < FarthestNm.size(); ++i) {
        const double d = heard(FarthestNm[i]) ? FarthestNm[i] : 0;
        const double bearing = (10.0 * static_cast<double>(i) + 5) * kRad;
        outline.push_back({d * std::sin(bearing), d * std::cos(bearing)});
    }
    outline.push_back(outline.front());
    return outline;
}
