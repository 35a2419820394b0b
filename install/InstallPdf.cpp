#include "install/InstallPdf.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr double kDpi = 300;
constexpr double kMarginMm = 15;

double Mm(double V) {
    return V * kDpi / 25.4;
}

QString Q(std::string_view S) {
    return QString::fromUtf8(S.data(), static_cast<qsizetype>(S.size()));
}

// Line breaks become the layout's own; other control characters would draw as nothing.
QString Printable(QString S) {
    for (QChar& c : S) {
        if (c == u'\n')
            c = QChar::LineSeparator;
        else if (c == u'\t')
            c = u' ';
        else if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return S;
}

struct TCell {
    QString Text;
    bool Bold = false;
    QColor Background = Qt::transparent;
    QColor Ink = Qt::black;
    int Span = 1; // columns it takes
};

// Lays out the whole report; run once to count the pages and once to draw them.
class TPdfLayout {
public:
    TPdfLayout(QPdfWriter& W, QPainter& P, bool Draw, int Pages, const TInstallReport& R)
        : FWriter(W), FPainter(P), FDraw(Draw), FPages(Pages), FReport(R) {
        FBody = QFont("DejaVu Sans");
        FBody.setPointSizeF(9.5);
        // No ligatures: "fi" stays two letters for whoever searches or copies the text.
        FBody.setStyleStrategy(QFont::PreferNoShaping);
        FBold = FBody;
        FBold.setBold(true);
        FSmall = FBody;
        FSmall.setPointSizeF(7.5);
        FHeading = FBold;
        FHeading.setPointSizeF(12.5);
        FTitle = FBold;
        FTitle.setPointSizeF(18);
        FWidth = W.width();
        FBottom = W.height() - Mm(8); // the footer lives below
        FLine = std::max(QFontMetricsF(FBody, &W).lineSpacing(),
                         QFontMetricsF(FBold, &W).lineSpacing());
        FPad = Mm(1.2);
    }

    int Run() {
        const TInstallReport& r = FReport;
        Text(FTitle, "Corvane installation report");
        FY += Mm(3);

        // The label column as wide as the longest label, up to half the page.
        const QFontMetricsF metrics(FBody, &FWriter);
        double widest = metrics.horizontalAdvance("Date and time (UTC)");
        for (const auto& [l, v] : r.Config)
            widest = std::max(widest, metrics.horizontalAdvance(Q(l)));
        const double label = std::clamp(widest + 2 * FPad + Mm(3), Mm(35), FWidth / 2) / FWidth;
        std::vector<std::vector<TCell>> facts = {
            {{"Date and time (UTC)"}, {Q(r.UtcTime)}},
            {{"Local time"}, {Q(r.LocalTime)}},
            {{"Tool"}, {Q(r.Tool)}},
            {{"Port"}, {Q(r.Port)}},
            {{"Time listened"}, {Q(ListenedText(r.ListenedSeconds))}},
            {{"Result"}, {Q(SummaryText(r.Checks))}},
        };
        Table({}, {label, 1 - label}, {}, facts);

        if (r.Config.empty()) {
            Heading("Configuration");
            Text(FBody, "Not read.");
        } else {
            std::vector<std::vector<TCell>> rows;
            for (const auto& [l, v] : r.Config) rows.push_back({{Q(l)}, {Q(v)}});
            Table("Configuration", {label, 1 - label}, {}, rows);
        }

        std::vector<std::vector<TCell>> checks;
        for (const TCheck& c : r.Checks) {
            const TVerdictStyle style = VerdictStyle(c.Verdict);
            std::vector<TCell> row = {
                {Q(c.Title)},
                {Q(VerdictText(c.Verdict)), true, QColor(style.Background), QColor(style.Text)},
                {Q(c.Figures)}};
            // Without advice the figures take its room too.
            if (c.Advice.empty())
                row.back().Span = 2;
            else
                row.push_back({Q(c.Advice)});
            checks.push_back(std::move(row));
        }
        Table("Checks", {0.24, 0.10, 0.33, 0.33}, {"Check", "Verdict", "Figures", "Advice"},
              checks);

        Coverage();
        SignOff();
        Footer();
        return FPage;
    }

private:
    void NewPage() {
        Footer();
        if (FDraw) FWriter.newPage();
        ++FPage;
        FY = 0;
    }

    // Starts a new page unless Height still fits on this one (or the page is still empty).
    void Keep(double Height) {
        if (FY > 0 && FY + Height > FBottom) NewPage();
    }

    void Footer() {
        if (!FDraw) return;
        FPainter.setFont(FSmall);
        FPainter.setPen(QColor(0x55, 0x55, 0x55));
        const QRectF band(0, FBottom + Mm(3), FWidth, Mm(5));
        FPainter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter,
                          "Corvane installation report, " + Q(FReport.UtcTime));
        FPainter.drawText(band, Qt::AlignRight | Qt::AlignVCenter,
                          QString("Page %1 of %2").arg(FPage).arg(std::max(FPages, FPage)));
    }

    std::unique_ptr<QTextLayout> LayOut(const QString& S, const QFont& F, double Width) {
        auto l = std::make_unique<QTextLayout>(Printable(S), F, &FWriter);
        QTextOption o;
        o.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        l->setTextOption(o);
        l->beginLayout();
        for (int n = 0;; ++n) {
            QTextLine line = l->createLine();
            if (!line.isValid()) break;
            line.setLineWidth(Width);
            line.setPosition(QPointF(0, n * FLine)); // one grid for all cells of a row
        }
        l->endLayout();
        return l;
    }

    // A paragraph across the full width, broken over pages line by line.
    void Text(const QFont& F, const QString& S) {
        const auto l = LayOut(S, F, FWidth);
        const double h = QFontMetricsF(F, &FWriter).lineSpacing();
        for (int i = 0; i < l->lineCount(); ++i) {
            Keep(h);
            if (FDraw) {
                FPainter.setPen(Qt::black);
                const QTextLine line = l->lineAt(i);
                line.draw(&FPainter, QPointF(0, FY - line.y()));
            }
            FY += h;
        }
    }

    // Never alone at the foot of a page: with the first rows of what follows, or all of it
    // when that is a block that stays whole (KeepWith).
    void Heading(const QString& S, double KeepWith = 0) {
        const double h = QFontMetricsF(FHeading, &FWriter).lineSpacing();
        Keep(Mm(6) + h + Mm(1.5) + std::max(KeepWith, 2 * (FLine + 2 * FPad)));
        FY += FY > 0 ? Mm(6) : 0;
        if (FDraw) {
            FPainter.setFont(FHeading);
            FPainter.setPen(Qt::black);
            FPainter.drawText(QRectF(0, FY, FWidth, h), Qt::AlignLeft | Qt::AlignVCenter, S);
        }
        FY += h + Mm(1.5);
    }

    // Rows as tall as their longest cell; a row that does not fit starts the next page, and one
    // taller than a page is cut between lines. The header is repeated on every page.
    struct TRowLayout {
        std::vector<std::unique_ptr<QTextLayout>> Cells;
        std::vector<double> X, W; // each cell's place, spans included
        int Lines = 1;
    };

    TRowLayout LayOutRow(const std::vector<TCell>& Row, const std::vector<double>& X) {
        TRowLayout r;
        for (std::size_t c = 0, col = 0; c < Row.size() && col + 1 < X.size(); ++c) {
            const std::size_t end = std::min(col + std::max(1, Row[c].Span), X.size() - 1);
            r.X.push_back(X[col]);
            r.W.push_back(X[end] - X[col]);
            col = end;
            r.Cells.push_back(
                LayOut(Row[c].Text, Row[c].Bold ? FBold : FBody, r.W.back() - 2 * FPad));
            r.Lines = std::max(r.Lines, r.Cells.back()->lineCount());
        }
        return r;
    }

    // Under a heading (Title, unless empty) that stays with the header and the first row.
    void Table(const QString& Title, const std::vector<double>& Fractions,
               const std::vector<QString>& Header, const std::vector<std::vector<TCell>>& Rows) {
        std::vector<double> x{0}, w;
        for (double f : Fractions) {
            w.push_back(f * FWidth);
            x.push_back(x.back() + w.back());
        }
        const double headerHeight = Header.empty() ? 0 : FLine + 2 * FPad;
        auto drawHeader = [&] {
            if (Header.empty()) return;
            if (FDraw) {
                FPainter.setFont(FBold);
                FPainter.setPen(Qt::black);
                for (std::size_t c = 0; c < Header.size(); ++c)
                    FPainter.drawText(QRectF(x[c] + FPad, FY + FPad, w[c] - 2 * FPad, FLine),
                                      Qt::AlignLeft | Qt::AlignVCenter, Header[c]);
                FPainter.setPen(QPen(Qt::black, Mm(0.4)));
                FPainter.drawLine(QPointF(0, FY + headerHeight),
                                  QPointF(FWidth, FY + headerHeight));
            }
            FY += headerHeight;
        };
        auto newPage = [&] {
            NewPage();
            drawHeader();
        };

        const int perPage =
            std::max(1, static_cast<int>((FBottom - headerHeight - 2 * FPad) / FLine));
        const int firstLines = Rows.empty() ? 1 : LayOutRow(Rows.front(), x).Lines;
        const double keep =
            headerHeight + (firstLines <= perPage ? firstLines : 1) * FLine + 2 * FPad;
        if (Title.isEmpty())
            Keep(keep);
        else
            Heading(Title, keep);
        drawHeader();
        for (const std::vector<TCell>& row : Rows) {
            const TRowLayout laid = LayOutRow(row, x);
            const int lines = laid.Lines;
            for (int first = 0; first < lines;) {
                const int room = static_cast<int>((FBottom - FY - 2 * FPad) / FLine);
                // A whole row that fits on a fresh page goes there rather than being cut.
                const bool fresh = FY <= headerHeight;
                if (!fresh && (room < 1 || (first == 0 && lines > room && lines <= perPage))) {
                    newPage();
                    continue;
                }
                const int count = std::clamp(room, 1, lines - first);
                const double height = count * FLine + 2 * FPad;
                if (FDraw) DrawRowPart(row, laid, first, count, height);
                FY += height;
                first += count;
                if (first < lines) newPage();
            }
        }
    }

    void DrawRowPart(const std::vector<TCell>& Row, const TRowLayout& Laid, int First, int Count,
                     double Height) {
        for (std::size_t c = 0; c < Laid.Cells.size(); ++c) {
            const double x = Laid.X[c], w = Laid.W[c];
            if (Row[c].Background.alpha() > 0)
                FPainter.fillRect(QRectF(x, FY, w, Height), Row[c].Background);
            FPainter.setPen(Row[c].Ink);
            const QTextLayout& l = *Laid.Cells[c];
            for (int i = First; i < First + Count && i < l.lineCount(); ++i) {
                const QTextLine line = l.lineAt(i);
                // Short texts in a coloured cell (the verdict) are centred.
                const double indent = Row[c].Background.alpha() > 0
                                          ? (w - 2 * FPad - line.naturalTextWidth()) / 2
                                          : 0;
                line.draw(&FPainter,
                          QPointF(x + FPad + std::max(0.0, indent), FY + FPad - First * FLine));
            }
        }
        FPainter.setPen(QPen(QColor(0xcc, 0xcc, 0xcc), Mm(0.25)));
        FPainter.drawLine(QPointF(0, FY + Height), QPointF(FWidth, FY + Height));
    }

    void Coverage() {
        const double side = std::min(Mm(100), FWidth * 0.6);
        Heading("Coverage", side);
        if (FDraw) DrawCoverage(QRectF(0, FY, side, side));
        if (FDraw) {
            const TCoverage& c = FReport.Coverage;
            const QStringList lines = {"Farthest heard",
                                       "Channel A: " + Q(DistanceText(c.FarthestA)),
                                       "Channel B: " + Q(DistanceText(c.FarthestB))};
            const QFontMetricsF m(FBody, &FWriter);
            double textWidth = 0;
            for (const QString& s : lines) textWidth = std::max(textWidth, m.horizontalAdvance(s));
            const QRectF box(FWidth - textWidth - 2 * Mm(3), FY, textWidth + 2 * Mm(3),
                             lines.size() * FLine + 2 * Mm(2));
            FPainter.setPen(QPen(QColor(0x99, 0x99, 0x99), Mm(0.3)));
            FPainter.setBrush(Qt::NoBrush);
            FPainter.drawRect(box);
            FPainter.setPen(Qt::black);
            for (int i = 0; i < lines.size(); ++i) {
                FPainter.setFont(i == 0 ? FBold : FBody);
                FPainter.drawText(
                    QRectF(box.left() + Mm(3), box.top() + Mm(2) + i * FLine, textWidth, FLine),
                    Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
            }
        }
        FY += side;
    }

    // The same picture as the page's SVG, drawn as vectors from the same geometry.
    void DrawCoverage(const QRectF& Box) {
        const TCoverageGeometry g = CoverageGeometry(FReport.Coverage);
        const QPointF mid = Box.center();
        const double radius = Box.width() * 0.40;
        auto at = [&](double X, double Y) { return mid + QPointF(X * radius, Y * radius); };
        auto polar = [&](double R, double Bearing) {
            const double a = Bearing * M_PI / 180;
            return at(R * std::sin(a), -R * std::cos(a));
        };
        QPainter& p = FPainter;
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0xc8, 0xc8, 0xc8), Mm(0.2)));
        p.drawLine(at(0, -1), at(0, 1));
        p.drawLine(at(-1, 0), at(1, 0));

        QFont letters = FBold;
        letters.setPointSizeF(11);
        const char* names[] = {"N", "E", "S", "W"};
        for (int k = 0; k < 4; ++k) {
            p.setPen(QPen(QColor(0x33, 0x33, 0x33), Mm(0.4)));
            p.drawLine(polar(1.0, 90.0 * k), polar(1.06, 90.0 * k));
            const QPointF t = polar(1.15, 90.0 * k);
            p.setFont(letters);
            p.drawText(QRectF(t.x() - Mm(5), t.y() - Mm(5), Mm(10), Mm(10)), Qt::AlignCenter,
                       names[k]);
        }

        const QPen ring(QColor(0x8a, 0x8a, 0x8a), Mm(0.3));
        if (g.Empty) {
            p.setPen(ring);
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(mid, radius, radius);
            p.setFont(FBody);
            p.setPen(QColor(0x55, 0x55, 0x55));
            p.drawText(QRectF(Box.left(), at(0, -0.3).y() - FLine, Box.width(), FLine),
                       Qt::AlignCenter, "Nothing heard yet");
        } else {
            QPolygonF outline;
            for (const auto& [x, y] : g.Outline) outline << at(x, y);
            const QColor blue(0x15, 0x65, 0xc0);
            QColor fill = blue;
            fill.setAlphaF(0.25);
            p.setPen(QPen(blue, Mm(0.5), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(fill);
            p.drawPolygon(outline);
            p.setBrush(Qt::NoBrush);
            QFont labels = FBody;
            labels.setPointSizeF(8);
            p.setFont(labels);
            for (double nm : g.RingsNm) {
                const double r = nm / g.OuterNm;
                p.setPen(ring);
                p.drawEllipse(mid, r * radius, r * radius);
                const QPointF t = polar(r, 135);
                p.setPen(QColor(0x55, 0x55, 0x55));
                p.drawText(QRectF(t.x() + Mm(0.8), t.y(), Mm(30), Mm(5)),
                           Qt::AlignLeft | Qt::AlignVCenter, Q(RingText(nm)));
            }
        }
        p.setPen(QPen(Qt::white, Mm(0.3)));
        p.setBrush(QColor(0x0d, 0x2a, 0x4a));
        p.drawEllipse(mid, Box.width() * 0.015, Box.width() * 0.015);
        p.restore();
    }

    void SignOff() {
        const double row = Mm(13);
        const char* labels[] = {"Installer", "Company", "Date", "Signature"};
        const double height = std::size(labels) * row;
        Heading("Sign-off", height);
        for (const char* label : labels) {
            if (FDraw) {
                FPainter.setFont(FBody);
                FPainter.setPen(Qt::black);
                FPainter.drawText(QRectF(0, FY, Mm(30), row - Mm(1)),
                                  Qt::AlignLeft | Qt::AlignBottom, label);
                FPainter.setPen(QPen(Qt::black, Mm(0.3)));
                FPainter.drawLine(QPointF(Mm(32), FY + row), QPointF(FWidth, FY + row));
            }
            FY += row;
        }
    }

    QPdfWriter& FWriter;
    QPainter& FPainter;
    const bool FDraw;
    const int FPages;
    const TInstallReport& FReport;
    QFont FBody, FBold, FSmall, FHeading, FTitle;
    double FWidth = 0, FBottom = 0, FLine = 0, FPad = 0;
    double FY = 0;
    int FPage = 1;
};

bool WritePdf(const TInstallReport& R, QIODevice& Out) {
    QPdfWriter writer(&Out);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                          QPageLayout::Millimeter);
    writer.setResolution(static_cast<int>(kDpi));
    writer.setTitle("Corvane installation report");
    writer.setCreator(Q(R.Tool));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    const int pages = TPdfLayout(writer, painter, false, 0, R).Run();
    TPdfLayout(writer, painter, true, pages, R).Run();
    return painter.end();
}

} // namespace

bool SaveInstallReport(const TInstallReport& R, const QString& Path, QString& Error) {
    if (Path.isEmpty()) {
        Error = "Cannot write the report: no file name given";
        return false;
    }
    QSaveFile file(Path);
    auto fail = [&](const QString& Reason) {
        Error = QString("Cannot write %1: %2").arg(Path, Reason);
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    if (Path.endsWith(".html", Qt::CaseInsensitive) || Path.endsWith(".htm", Qt::CaseInsensitive)) {
        const std::string html = ReportHtml(R);
        if (file.write(html.data(), static_cast<qint64>(html.size())) !=
            static_cast<qint64>(html.size()))
            return fail(file.errorString());
    } else if (!WritePdf(R, file)) {
        return fail(file.error() != QFileDevice::NoError ? file.errorString()
                                                         : QString("the PDF writer failed"));
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}
