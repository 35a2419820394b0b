#pragma once
// The plot: the targets around the own ship, north up, drawn with QPainter. The view keeps its
// own copy of the targets (stored as their reports come in) and reads what moves with the
// clock and the own ship through its sources when it paints. It repaints only when something
// it shows changed, at most twice a second, never once per received sentence.

#include "install/InstallWatch.h"
#include "plot/PlotScene.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPointF>
#include <QStaticText>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class TLabelSpace;

class TPlotView : public QWidget {
public:
    struct TSources {
        std::function<TMotion()> Own;               // position, speed and course now
        std::function<TPlotLive(int Entry)> Live;   // lost, dangerous, CPA and TCPA now
        std::function<const TCoverage*()> Coverage; // none: no trace
    };
    explicit TPlotView(TSources Sources, QWidget* Parent = nullptr);

    // A target as the target list now has it; repaints only when it is, or was, in view.
    void Store(const TPlotTarget& T);
    // The once-a-second look at the own ship, the marks of the targets in view and the
    // coverage: a repaint when any of them changed.
    void Tick();

    int ZoomStep() const { return FZoom; }
    double RangeNm() const { return ZoomRangeNm(FZoom); }
    void SetZoomStep(int Step);
    void ZoomIn() { SetZoomStep(FZoom - 1); }
    void ZoomOut() { SetZoomStep(FZoom + 1); }
    bool ShowNames() const { return FNames; }
    void SetShowNames(bool On);
    int Selected() const { return FSelected; }
    void SetSelected(int Entry); // -1: none

    // A click on a target: it is selected here, and then this is told.
    std::function<void(int Entry)> OnSelect;
    // The zoom step or the selection changed.
    std::function<void()> OnChange;

    // ---- What the plot shows, as a user would read it ----
    bool HasOwnPosition() const;
    QString Message() const; // what the plot says instead of a picture; empty when it has one
    std::optional<TPlotProjection> Projection() const; // none without an own position
    struct TDrawing {
        bool Shown = false; // a known position inside the view
        QPointF At;
        TPlotShape Shape;
        TPlotTone Tone = TPlotTone::Normal;
        bool Lost = false;
        QColor Colour;
        bool Selected = false;
        bool NameShown = false; // asked for; painting leaves out one that would cover another
        std::optional<QPointF> VectorEnd; // the six-minute point
    };
    // What the plot draws for the entry as things stand now.
    TDrawing Drawing(int Entry) const;
    std::optional<int> TargetAt(QPoint At) const;
    QString Details(int Entry) const; // the key data, a line each; empty for no such target
    // The corner's lines on the coverage trace; empty without one.
    QStringList CoverageLines() const;
    static const QString kNoOwnPosition;

    // Repaints asked for: a change while the timer runs is painted when it runs out.
    QTimer PaintTimer;
    void PaintTimerTimer();
    int PaintRequests() const { return FPaintRequests; }
    int Paints() const { return FPaints; }
    double PaintMs() const { return FPaintMs; } // every paint so far, milliseconds in all
    // The entries whose names the last paint wrote, in the order it wrote them.
    const std::vector<int>& NamesPainted() const { return FNamesPainted; }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    bool event(QEvent* Event) override;

private:
    void Changed();
    void RequestPaint();
    void Paint();
    TMotion Own() const;
    TPlotLive Live(int Entry) const;
    bool WasInView(const TPlotTarget& T) const;
    TDrawing DrawingOf(const TPlotTarget& T, const TPlotProjection& P, const TPlotLive& L) const;
    void PaintTarget(QPainter& P, const TDrawing& D) const;
    void PaintName(QPainter& P, TLabelSpace& Space, const TPlotTarget& T, const TDrawing& D);
    const QPixmap& Sprite(const TDrawing& D, double PixelRatio) const;
    void PaintCoverage(QPainter& P, const TPlotProjection& Proj) const;
    void PaintRings(QPainter& P, const TPlotProjection& Proj) const;
    void PaintOwnShip(QPainter& P, const TPlotProjection& Proj, const TMotion& Own) const;
    void PaintCorners(QPainter& P) const;

    TSources FSources;
    TPlotScene FScene;
    int FZoom = kPlotDefaultZoom;
    bool FNames = true;
    int FSelected = -1;
    int FWheel = 0; // wheel angle not yet turned into a zoom step
    bool FPaintPending = false;
    int FPaintRequests = 0;
    int FPaints = 0;
    double FLastPaintMs = 0; // how long the last paint took
    double FPaintMs = 0;
    std::vector<int> FNamesPainted;
    // What the last paint showed, to tell whether a tick changes anything.
    struct TPainted {
        std::optional<TPlotProjection> Projection;
        TMotion Own;
        struct TMarks {
            int Entry;
            bool Lost, Dangerous;
        };
        std::vector<TMarks> Marks; // of the targets in view
        TCoverage Coverage;
        bool Valid = false;
    };
    TPainted FPainted;
    // The targets' names as last laid out, by entry.
    struct TLabel {
        std::string Name;
        bool Bold = false;
        QFont Font;
        QStaticText Text;
        double Ascent = 0;
    };
    mutable std::unordered_map<int, TLabel> FLabels;
    mutable std::unordered_map<std::uint64_t, QPixmap> FSprites; // drawn symbols, by look
};
