#include "plot/PlotView.h"

#include "install/InstallReport.h"
#include "plot/PlotText.h"

#include <QElapsedTimer>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStaticText>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr double kCullMarginPx = 14; // a symbol whose point lies just outside still shows
constexpr double kHitRadiusPx = 10;
constexpr int kPaintIntervalMs = 500; // at most two repaints a second
constexpr double kPaintShare = 50;    // and the interval at least fifty times a paint's time
constexpr int kWheelStep = 120;       // one notch of a mouse wheel
constexpr int kSpritePx = 24;         // room for the largest symbol turned any way

const QColor kVessel(0, 92, 175);
const QColor kStation(120, 60, 150); // base stations and aids to navigation
const QColor kAircraft(200, 110, 0);
const QColor kLost(150, 150, 150);
const QColor kDangerous(215, 25, 25);
const QColor kOwn(240, 150, 0);
const QColor kCoverage(40, 150, 90);

QPointF Point(TPlotPoint P) {
    return {P.X, P.Y};
}

bool SameMotion(const TMotion& A, const TMotion& B) {
    return A.Lat == B.Lat && A.Lon == B.Lon && A.Sog == B.Sog && A.Cog == B.Cog;
}

// A symbol's outline around (0, 0), pointing north (y negative) before it is turned.
QPainterPath SymbolPath(TPlotSymbol S) {
    QPainterPath p;
    switch (S) {
    case TPlotSymbol::ClassA: // a pointed hull
        p.moveTo(0, -10);
        p.lineTo(6, 7);
        p.lineTo(-6, 7);
        break;
    case TPlotSymbol::ClassB: // a smaller, blunter one
        p.moveTo(0, -7);
        p.lineTo(5, 5);
        p.lineTo(-5, 5);
        break;
    case TPlotSymbol::Square:
        p.addRect(-5, -5, 10, 10);
        return p;
    case TPlotSymbol::Diamond:
        p.moveTo(0, -7);
        p.lineTo(7, 0);
        p.lineTo(0, 7);
        p.lineTo(-7, 0);
        break;
    case TPlotSymbol::Aircraft: // fuselage, wings and tail as one outline
        p.moveTo(0, -9);
        p.lineTo(1.5, -3);
        p.lineTo(9, 0);
        p.lineTo(9, 2);
        p.lineTo(1.5, 1);
        p.lineTo(1.5, 6);
        p.lineTo(4, 8);
        p.lineTo(-4, 8);
        p.lineTo(-1.5, 6);
        p.lineTo(-1.5, 1);
        p.lineTo(-9, 2);
        p.lineTo(-9, 0);
        p.lineTo(-1.5, -3);
        break;
    case TPlotSymbol::Circle:
        p.addEllipse(QPointF(0, 0), 4.5, 4.5);
        return p;
    case TPlotSymbol::Distress: // a ring with a cross, as charts mark a person in the water
        p.addEllipse(QPointF(0, 0), 8, 8);
        p.moveTo(-5.5, -5.5);
        p.lineTo(5.5, 5.5);
        p.moveTo(5.5, -5.5);
        p.lineTo(-5.5, 5.5);
        return p;
    }
    p.closeSubpath();
    return p;
}

// Each symbol's outline, made once: a busy plot draws hundreds a paint.
const QPainterPath& CachedSymbolPath(TPlotSymbol S) {
    static const std::array<QPainterPath, 7> paths = [] {
        std::array<QPainterPath, 7> a;
        for (TPlotSymbol s :
             {TPlotSymbol::ClassA, TPlotSymbol::ClassB, TPlotSymbol::Square, TPlotSymbol::Diamond,
              TPlotSymbol::Aircraft, TPlotSymbol::Circle, TPlotSymbol::Distress})
            a[static_cast<std::size_t>(s)] = SymbolPath(s);
        return a;
    }();
    return paths[static_cast<std::size_t>(S)];
}

} // namespace

// Which parts of the plot hold a name already, in cells of a few pixels: a name that would
// cover another is left out, so a crowded plot stays readable and costs no more to draw than
// the names that fit.
class TLabelSpace {
public:
    TLabelSpace(int Width, int Height)
        : FColumns(Width / kCell + 1), FRows(Height / kCell + 1),
          FTaken(static_cast<std::size_t>(FColumns * FRows)) {}
    // Claims Box when none of it is taken; false when some is, or it is off the plot.
    bool Claim(const QRectF& Box) {
        const int c0 = static_cast<int>(std::floor(Box.left() / kCell));
        const int c1 = static_cast<int>(std::floor(Box.right() / kCell));
        const int r0 = static_cast<int>(std::floor(Box.top() / kCell));
        const int r1 = static_cast<int>(std::floor(Box.bottom() / kCell));
        if (c0 < 0 || r0 < 0 || c1 >= FColumns || r1 >= FRows) return false;
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                if (FTaken[Index(r, c)]) return false;
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) FTaken[Index(r, c)] = 1;
        return true;
    }

private:
    static constexpr int kCell = 4;
    std::size_t Index(int Row, int Column) const {
        return static_cast<std::size_t>(Row * FColumns + Column);
    }
    int FColumns, FRows;
    std::vector<char> FTaken;
};

namespace {

QColor KindColour(TPlotKind K) {
    switch (K) {
    case TPlotKind::BaseStation:
    case TPlotKind::AtoN:
        return kStation;
    case TPlotKind::SarAircraft:
        return kAircraft;
    case TPlotKind::Distress:
        return kDangerous;
    default:
        return kVessel;
    }
}

} // namespace

const QString TPlotView::kNoOwnPosition =
    "No own position: the plot needs a GPS fix or an own position report.";

TPlotView::TPlotView(TSources Sources, QWidget* Parent)
    : QWidget(Parent), FSources(std::move(Sources)) {
    setObjectName("View_Plot");
    setAccessibleName("Plot of the targets around the own ship");
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 150);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted
    PaintTimer.setObjectName("Timer_PlotPaint");
    PaintTimer.setSingleShot(true);
    PaintTimer.setInterval(kPaintIntervalMs);
    connect(&PaintTimer, &QTimer::timeout, this, [this] { PaintTimerTimer(); });
}

// ---- Changes ---------------------------------------------------------------------------------

void TPlotView::Changed() {
    if (!isVisible()) return; // painted whole when it shows
    if (PaintTimer.isActive()) {
        FPaintPending = true;
        return;
    }
    RequestPaint();
}

void TPlotView::PaintTimerTimer() {
    if (!FPaintPending) return;
    FPaintPending = false;
    RequestPaint();
}

// The next paint waits at least the interval, and longer when painting is dear (hundreds of
// targets in view on a slow machine): painting takes at most a fiftieth of the time.
void TPlotView::RequestPaint() {
    ++FPaintRequests;
    update();
    PaintTimer.start(std::max(kPaintIntervalMs, static_cast<int>(FLastPaintMs * kPaintShare)));
}

bool TPlotView::WasInView(const TPlotTarget& T) const {
    if (!FPainted.Projection || !PositionKnown(T.Motion)) return false;
    const TPlotProjection& p = *FPainted.Projection;
    return p.Inside(p.ToScreen(T.Motion.Lat, T.Motion.Lon), kCullMarginPx);
}

void TPlotView::Store(const TPlotTarget& T) {
    const TPlotTarget* before = FScene.Find(T.Entry);
    const bool was = before != nullptr && WasInView(*before);
    FScene.Store(T);
    if (was || WasInView(T)) Changed();
    if (T.Entry == FSelected && OnChange) OnChange();
}

void TPlotView::Tick() {
    if (!isVisible() || !FPainted.Valid) return;
    const bool changed = [this] {
        if (!SameMotion(Own(), FPainted.Own)) return true;
        const TCoverage* c = FSources.Coverage ? FSources.Coverage() : nullptr;
        if (c != nullptr && !(*c == FPainted.Coverage)) return true;
        for (const TPainted::TMarks& m : FPainted.Marks) {
            const TPlotLive l = Live(m.Entry);
            if (l.Lost != m.Lost || l.Dangerous != m.Dangerous) return true;
        }
        return false;
    }();
    if (changed) Changed();
    if (FSelected != kNoEntry && OnChange) OnChange(); // range and CPA move on
}

void TPlotView::SetZoomStep(int Step) {
    Step = ClampZoom(Step);
    if (Step == FZoom) return;
    FZoom = Step;
    Changed();
    if (OnChange) OnChange();
}

void TPlotView::SetShowNames(bool On) {
    if (On == FNames) return;
    FNames = On;
    Changed();
}

void TPlotView::SetSelected(int Entry) {
    // a station outside the target list only while the plot has it
    if (Entry < 0 && FScene.Find(Entry) == nullptr) Entry = kNoEntry;
    if (Entry == FSelected) return;
    FSelected = Entry;
    Changed();
    if (OnChange) OnChange();
}

// ---- Queries ---------------------------------------------------------------------------------

TMotion TPlotView::Own() const {
    return FSources.Own ? FSources.Own() : TMotion{};
}

TPlotLive TPlotView::Live(int Entry) const {
    if (FSources.Live) return FSources.Live(Entry);
    const TPlotTarget* t = FScene.Find(Entry);
    return t != nullptr ? TPlotLive{t->Lost, t->Dangerous, {}} : TPlotLive{};
}

bool TPlotView::HasOwnPosition() const {
    return PositionKnown(Own());
}

QString TPlotView::Message() const {
    return HasOwnPosition() ? QString() : kNoOwnPosition;
}

std::optional<TPlotProjection> TPlotView::Projection() const {
    const TMotion own = Own();
    if (!PositionKnown(own)) return std::nullopt;
    return TPlotProjection(own.Lat, own.Lon, RangeNm(), width(), height());
}

TPlotView::TDrawing TPlotView::DrawingOf(const TPlotTarget& T, const TPlotProjection& P,
                                         const TPlotLive& L) const {
    TDrawing d;
    if (!PositionKnown(T.Motion)) return d;
    const TPlotPoint at = P.ToScreen(T.Motion.Lat, T.Motion.Lon);
    if (!P.Inside(at, kCullMarginPx)) return d;
    d.Shown = true;
    d.At = Point(at);
    d.Shape = ShapeOf(T);
    d.Tone = ToneOf(L.Lost, L.Dangerous);
    d.Lost = L.Lost;
    d.Colour = d.Tone == TPlotTone::Dangerous ? kDangerous
               : d.Tone == TPlotTone::Lost    ? kLost
                                              : KindColour(T.Kind);
    d.Selected = T.Entry == FSelected;
    d.NameShown = FNames && !T.Name.empty();
    if (const auto v = CourseVector(T.Motion)) {
        const double ppn = P.PixelsPerNm();
        d.VectorEnd = d.At + QPointF(v->East * ppn, -v->North * ppn);
    }
    return d;
}

TPlotView::TDrawing TPlotView::Drawing(int Entry) const {
    const TPlotTarget* t = FScene.Find(Entry);
    const auto p = Projection();
    if (t == nullptr || !p) return {};
    return DrawingOf(*t, *p, Live(Entry));
}

std::optional<int> TPlotView::TargetAt(QPoint At) const {
    const auto p = Projection();
    if (!p) return std::nullopt;
    return FScene.HitTest(*p, {At.x() + 0.5, At.y() + 0.5}, kHitRadiusPx);
}

QString TPlotView::Details(int Entry) const {
    const TPlotTarget* t = FScene.Find(Entry);
    if (t == nullptr) return {};
    QStringList lines;
    for (const std::string& l : TargetDetails(*t, Own(), Live(Entry)))
        lines << QString::fromStdString(l);
    return lines.join('\n');
}

QStringList TPlotView::CoverageLines() const {
    const TCoverage* c = FSources.Coverage ? FSources.Coverage() : nullptr;
    if (c == nullptr) return {};
    return {"Farthest heard since connecting",
            "Channel A: " + QString::fromStdString(DistanceText(c->FarthestA)),
            "Channel B: " + QString::fromStdString(DistanceText(c->FarthestB))};
}

// ---- Painting --------------------------------------------------------------------------------

void TPlotView::paintEvent(QPaintEvent*) {
    ++FPaints;
    QElapsedTimer clock;
    clock.start();
    Paint();
    FLastPaintMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    FPaintMs += FLastPaintMs;
}

void TPlotView::Paint() {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setRenderHint(QPainter::Antialiasing);
    const TMotion own = Own();
    FPainted = {};
    FPainted.Valid = true;
    FPainted.Own = own;
    if (const TCoverage* c = FSources.Coverage ? FSources.Coverage() : nullptr)
        FPainted.Coverage = *c;
    if (!PositionKnown(own)) {
        p.setPen(palette().color(QPalette::Text));
        p.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                   Message());
        return;
    }
    const TPlotProjection proj(own.Lat, own.Lon, RangeNm(), width(), height());
    FPainted.Projection = proj;

    PaintCoverage(p, proj);
    PaintRings(p, proj);

    // Only what the index finds near the view is looked at. Drawn in layers: lost under the
    // rest, the alerts above, the selected target on top.
    struct TItem {
        const TPlotTarget* Target;
        TDrawing Drawing;
    };
    std::vector<TItem> items;
    for (int e : FScene.InView(proj, kCullMarginPx)) {
        const TPlotLive live = Live(e);
        FScene.SetMarks(e, live.Lost, live.Dangerous);
        FPainted.Marks.push_back({e, live.Lost, live.Dangerous});
        const TPlotTarget& t = *FScene.Find(e);
        items.push_back({&t, DrawingOf(t, proj, live)});
    }
    auto layer = [](const TItem& I) {
        if (I.Drawing.Selected) return 3;
        if (I.Target->Kind == TPlotKind::Distress) return 2; // above the vessels around it
        return I.Drawing.Tone == TPlotTone::Dangerous ? 2 : I.Drawing.Lost ? 0 : 1;
    };
    std::stable_sort(items.begin(), items.end(),
                     [&layer](const TItem& A, const TItem& B) { return layer(A) < layer(B); });
    // The six-minute vectors under every symbol, one stroke call per colour and style.
    struct TVectors {
        QColor Colour;
        bool Lost;
        std::vector<QLineF> Lines;
    };
    std::vector<TVectors> vectors;
    for (const TItem& i : items) {
        const TDrawing& d = i.Drawing;
        if (!d.VectorEnd ||
            std::hypot(d.VectorEnd->x() - d.At.x(), d.VectorEnd->y() - d.At.y()) < 1)
            continue;
        auto group = std::find_if(vectors.begin(), vectors.end(), [&d](const TVectors& V) {
            return V.Colour == d.Colour && V.Lost == d.Lost;
        });
        if (group == vectors.end()) group = vectors.insert(vectors.end(), {d.Colour, d.Lost, {}});
        group->Lines.emplace_back(d.At, *d.VectorEnd);
    }
    for (const TVectors& v : vectors) {
        QPen pen(v.Colour, 1.5);
        if (v.Lost) pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.drawLines(v.Lines.data(), static_cast<int>(v.Lines.size()));
    }
    for (const TItem& i : items) PaintTarget(p, i.Drawing);
    // Names above every symbol, claimed from the top layer down: the chosen target's first,
    // then the dangerous ones'.
    TLabelSpace space(width(), height());
    FNamesPainted.clear();
    for (auto i = items.rbegin(); i != items.rend(); ++i)
        if (i->Drawing.NameShown) PaintName(p, space, *i->Target, i->Drawing);

    PaintOwnShip(p, proj, own);
    PaintCorners(p);
}

void TPlotView::PaintCoverage(QPainter& P, const TPlotProjection& Proj) const {
    const TCoverage* c = FSources.Coverage ? FSources.Coverage() : nullptr;
    if (c == nullptr) return;
    const std::vector<TNmOffset> outline = CoverageOutline(c->FarthestNm);
    if (outline.empty()) return;
    QPolygonF poly;
    for (const TNmOffset& o : outline) poly << Point(Proj.FromNm(o));
    QColor fill = kCoverage;
    fill.setAlpha(40);
    QColor line = kCoverage;
    line.setAlpha(150);
    P.setPen(QPen(line, 1));
    P.setBrush(fill);
    P.drawPolygon(poly);
}

void TPlotView::PaintRings(QPainter& P, const TPlotProjection& Proj) const {
    QColor ring = palette().color(QPalette::Text);
    ring.setAlpha(70);
    QColor label = palette().color(QPalette::Text);
    label.setAlpha(170);
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.85);
    P.setFont(small);
    const QPointF c = Point(Proj.Centre());
    const double diagonal = std::hypot(width(), height()) / 2;
    for (double nm : RingsNm(FZoom)) {
        const double r = nm * Proj.PixelsPerNm();
        if (r > diagonal) break;
        P.setPen(QPen(ring, 1));
        P.setBrush(Qt::NoBrush);
        P.drawEllipse(c, r, r);
        // on the ring, a little south of east, clear of the north line and the own ship's
        const double a = 100 * std::numbers::pi / 180;
        const QPointF at = c + QPointF(r * std::sin(a) + 3, -r * std::cos(a) + 3);
        P.setPen(label);
        P.drawText(QRectF(at, QSizeF(80, 20)), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromStdString(RingText(nm)));
    }
}

void TPlotView::PaintTarget(QPainter& P, const TDrawing& D) const {
    const QPixmap& sprite = Sprite(D, P.device()->devicePixelRatioF());
    const double half = kSpritePx / 2.0;
    P.drawPixmap(D.At - QPointF(half, half), sprite);
    if (D.Selected) {
        P.setPen(QPen(palette().color(QPalette::Highlight), 2.5));
        P.setBrush(Qt::NoBrush);
        P.drawRect(QRectF(D.At - QPointF(12, 12), QSizeF(24, 24)));
    }
}

// A symbol drawn with antialiasing costs many times what copying its picture does, and a busy
// plot draws hundreds at every paint: each symbol, colour and outline is drawn once for every
// 5 degrees of turn and then copied.
const QPixmap& TPlotView::Sprite(const TDrawing& D, double PixelRatio) const {
    const int turn = D.Shape.Rotation
                         ? (static_cast<int>(std::lround(*D.Shape.Rotation / 5)) % 72 + 72) % 72
                         : 0;
    const int ratio = static_cast<int>(std::lround(PixelRatio * 4));
    const std::uint64_t key = static_cast<std::uint64_t>(D.Colour.rgba()) << 32 |
                              static_cast<std::uint64_t>(ratio) << 12 |
                              static_cast<std::uint64_t>(turn) << 4 |
                              static_cast<std::uint64_t>(D.Shape.Symbol) << 1 | (D.Lost ? 1 : 0);
    QPixmap& sprite = FSprites[key];
    if (!sprite.isNull()) return sprite;
    const int px = static_cast<int>(std::ceil(kSpritePx * PixelRatio));
    sprite = QPixmap(px, px);
    sprite.setDevicePixelRatio(PixelRatio);
    sprite.fill(Qt::transparent);
    QPainter p(&sprite);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(kSpritePx / 2.0, kSpritePx / 2.0);
    p.rotate(turn * 5.0);
    QColor fill = D.Colour;
    fill.setAlpha(D.Lost ? 0 : 200); // a lost target is only an outline
    p.setPen(QPen(D.Colour.darker(130), 1.2));
    p.setBrush(fill);
    p.drawPath(CachedSymbolPath(D.Shape.Symbol));
    return sprite;
}

void TPlotView::PaintName(QPainter& P, TLabelSpace& Space, const TPlotTarget& T,
                          const TDrawing& D) {
    // Laid out once per name and weight, not at every paint.
    TLabel& label = FLabels[T.Entry];
    if (label.Name != T.Name || label.Bold != D.Selected || label.Text.text().isEmpty()) {
        QFont f = font();
        f.setPointSizeF(font().pointSizeF() * 0.85);
        f.setBold(D.Selected);
        label.Name = T.Name;
        label.Bold = D.Selected;
        label.Font = f;
        label.Text = QStaticText(QString::fromStdString(T.Name));
        label.Text.setTextFormat(Qt::PlainText);
        label.Text.prepare(QTransform(), f);
        label.Ascent = QFontMetricsF(f).ascent();
    }
    // the baseline 4 pixels below the target's point, 11 to its right
    const QPointF topLeft = D.At + QPointF(11, 4 - label.Ascent);
    if (!Space.Claim(QRectF(topLeft, label.Text.size()))) return;
    FNamesPainted.push_back(T.Entry);
    P.setFont(label.Font);
    P.setPen(D.Tone == TPlotTone::Normal ? palette().color(QPalette::Text) : D.Colour);
    P.drawStaticText(topLeft, label.Text);
}

void TPlotView::PaintOwnShip(QPainter& P, const TPlotProjection& Proj, const TMotion& Own) const {
    const QPointF c = Point(Proj.Centre());
    const QColor outline = palette().color(QPalette::Text);
    if (const auto v = CourseVector(Own)) {
        const double ppn = Proj.PixelsPerNm();
        QPen pen(outline, 1.5, Qt::DashLine);
        P.setPen(pen);
        P.drawLine(c, c + QPointF(v->East * ppn, -v->North * ppn));
    }
    P.save();
    P.translate(c);
    P.setPen(QPen(outline, 1.5));
    P.setBrush(kOwn);
    if (CogKnown(Own.Cog)) {
        P.rotate(Own.Cog);
        QPainterPath hull; // bow, shoulders, a square stern
        hull.moveTo(0, -12);
        hull.cubicTo(5, -6, 6, 0, 5, 9);
        hull.lineTo(-5, 9);
        hull.cubicTo(-6, 0, -5, -6, 0, -12);
        P.drawPath(hull);
    } else {
        P.drawEllipse(QPointF(0, 0), 6, 6);
        P.setBrush(outline);
        P.drawEllipse(QPointF(0, 0), 1.5, 1.5);
    }
    P.restore();
}

void TPlotView::PaintCorners(QPainter& P) const {
    const QColor text = palette().color(QPalette::Text);
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.9);
    P.setFont(small);
    const QFontMetrics fm(small);
    const int pad = 6;

    // North, top left: an arrow with its letter.
    const QPointF tip(pad + 8, pad + fm.height() + 2);
    P.setPen(QPen(text, 1.5));
    P.setBrush(text);
    P.drawPolygon(QPolygonF{tip, tip + QPointF(5, 12), tip + QPointF(0, 9), tip + QPointF(-5, 12)});
    P.drawLine(tip + QPointF(0, 9), tip + QPointF(0, 22));
    P.drawText(QRectF(pad, pad, 16, fm.height()), Qt::AlignCenter, "N");

    // The range, bottom left.
    const QString range = "Range " + QString::fromStdString(RingText(RangeNm())) + ", rings " +
                          QString::fromStdString(RingText(RingSpacingNm(FZoom)));
    P.setPen(text);
    P.drawText(QRect(pad, height() - pad - fm.height(), width() / 2, fm.height()),
               Qt::AlignLeft | Qt::AlignVCenter, range);

    // The coverage, top right.
    const QStringList lines = CoverageLines();
    if (lines.isEmpty()) return;
    int w = 0;
    for (const QString& l : lines) w = std::max(w, fm.horizontalAdvance(l));
    const QRect box(width() - pad - w - 8, pad, w + 8, fm.height() * lines.size() + 6);
    QColor back = palette().color(QPalette::Base);
    back.setAlpha(210);
    P.setPen(Qt::NoPen);
    P.setBrush(back);
    P.drawRect(box);
    P.setPen(kCoverage.darker(140));
    for (int i = 0; i < lines.size(); ++i)
        P.drawText(QRect(box.left() + 4, box.top() + 3 + i * fm.height(), w, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
}

// ---- Input -----------------------------------------------------------------------------------

void TPlotView::wheelEvent(QWheelEvent* Event) {
    // A touchpad sends small steps: they add up to a notch, until it turns the other way.
    const int delta = Event->angleDelta().y();
    if ((delta > 0 && FWheel < 0) || (delta < 0 && FWheel > 0)) FWheel = 0;
    FWheel += delta;
    while (FWheel >= kWheelStep) {
        FWheel -= kWheelStep;
        ZoomIn();
    }
    while (FWheel <= -kWheelStep) {
        FWheel += kWheelStep;
        ZoomOut();
    }
    Event->accept();
}

void TPlotView::keyPressEvent(QKeyEvent* Event) {
    const int key = Event->key();
    if (key == Qt::Key_Plus || key == Qt::Key_Equal) {
        ZoomIn();
    } else if (key == Qt::Key_Minus || key == 0x2212 || key == Qt::Key_Underscore) {
        ZoomOut();
    } else {
        QWidget::keyPressEvent(Event);
        return;
    }
    Event->accept();
}

void TPlotView::mousePressEvent(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton) return QWidget::mousePressEvent(Event);
    setFocus(Qt::MouseFocusReason);
    const auto hit = TargetAt(Event->position().toPoint());
    if (!hit) return;
    SetSelected(*hit);
    if (OnSelect) OnSelect(*hit);
}

bool TPlotView::event(QEvent* Event) {
    if (Event->type() == QEvent::FontChange) FLabels.clear(); // laid out in the old font
    if (Event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(Event);
        if (const auto hit = TargetAt(help->pos()))
            QToolTip::showText(help->globalPos(), Details(*hit), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(Event);
}
