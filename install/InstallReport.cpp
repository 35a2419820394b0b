#include "install/InstallReport.h"

#include "nmea/Decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace {

// Radio and unit texts may hold anything; a bad value must not draw a wild picture.
double Heard(double Nm) {
    return std::isfinite(Nm) && Nm > 0 ? Nm : 0;
}

std::string Shortest(double V) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, V);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

// A step of the 1-2-5 series: Mantissa × 10^Exponent, exact in decimal for the labels.
struct TStep {
    int Mantissa = 1;
    int Exponent = 0;
    double Value() const {
        return Exponent >= 0 ? Mantissa * std::pow(10.0, Exponent)
                             : Mantissa / std::pow(10.0, -Exponent);
    }
    TStep Down() const {
        if (Mantissa == 5) return {2, Exponent};
        if (Mantissa == 2) return {1, Exponent};
        return {5, Exponent - 1};
    }
    TStep Up() const {
        if (Mantissa == 1) return {2, Exponent};
        if (Mantissa == 2) return {5, Exponent};
        return {1, Exponent + 1};
    }
};

// Half a mile at least: a few boats in the marina still get readable rings. Beyond 100000 NM
// a range is nonsense (the far side of the earth is 10800 NM away); it is drawn on the rim.
constexpr double kSmallestOuterNm = 0.5;
constexpr double kLargestOuterNm = 100000;

TStep OuterStep(double FarthestNm) {
    const double want = std::clamp(FarthestNm, kSmallestOuterNm, kLargestOuterNm);
    TStep s{1, static_cast<int>(std::floor(std::log10(want))) - 1};
    // A hair of tolerance: 5 NM exactly sits on the 5 NM ring rather than inside a 10 NM one.
    while (s.Value() < want * (1 - 1e-9)) s = s.Up();
    return s;
}

constexpr double kPi = std::numbers::pi;

std::pair<double, double> Polar(double Radius, double BearingDeg) {
    const double a = BearingDeg * kPi / 180;
    return {Radius * std::sin(a), -Radius * std::cos(a)};
}

void AppendCodePoint(std::string& Out, char32_t C) {
    if (C < 0x80) {
        Out += static_cast<char>(C);
    } else if (C < 0x800) {
        Out += static_cast<char>(0xC0 | (C >> 6));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    } else if (C < 0x10000) {
        Out += static_cast<char>(0xE0 | (C >> 12));
        Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (C >> 18));
        Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    }
}

// Escapes for text and attribute values alike. Bytes that are not UTF-8 (a Latin-1 name from
// an old unit) and control characters become U+FFFD, so the page is always valid UTF-8.
std::string Escape(std::string_view S) {
    constexpr char32_t kReplacement = 0xFFFD;
    std::string out;
    out.reserve(S.size() + S.size() / 8);
    std::size_t i = 0;
    while (i < S.size()) {
        const auto b = static_cast<unsigned char>(S[i]);
        if (b < 0x80) {
            switch (b) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                if ((b < 0x20 && b != '\t' && b != '\n') || b == 0x7F)
                    AppendCodePoint(out, kReplacement);
                else
                    out += static_cast<char>(b);
            }
            ++i;
            continue;
        }
        const int len = b >= 0xF8 ? 0 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        char32_t c = len == 4 ? b & 0x07 : len == 3 ? b & 0x0F : b & 0x1F;
        bool ok = len > 0 && i + len <= S.size();
        for (int k = 1; ok && k < len; ++k) {
            const auto n = static_cast<unsigned char>(S[i + k]);
            ok = (n & 0xC0) == 0x80;
            c = (c << 6) | (n & 0x3F);
        }
        // No overlong forms, no surrogates, nothing past U+10FFFF.
        if (ok) {
            const char32_t least = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
            ok = c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        }
        if (ok) {
            if (c >= 0x80 && c < 0xA0) // C1 controls
                AppendCodePoint(out, kReplacement);
            else
                out.append(S.substr(i, len));
            i += len;
        } else {
            AppendCodePoint(out, kReplacement);
            ++i;
        }
    }
    return out;
}

// The style class: the verdict's word, "OK" in lower case as the others are.
std::string VerdictClass(TVerdict V) {
    return V == TVerdict::OK ? "ok" : std::string(VerdictText(V));
}

} // namespace

TCoverageGeometry CoverageGeometry(const TCoverage& C) {
    TCoverageGeometry g;
    double farthest = 0;
    for (double nm : C.FarthestNm) farthest = std::max(farthest, Heard(nm));
    if (farthest == 0) return g;

    g.Empty = false;
    const TStep outer = OuterStep(farthest);
    g.RingsNm = {outer.Down().Down().Value(), outer.Down().Value(), outer.Value()};
    g.OuterNm = outer.Value();
    g.Outline.reserve(C.FarthestNm.size() + 1);
    for (std::size_t i = 0; i < C.FarthestNm.size(); ++i) {
        const double r = std::min(Heard(C.FarthestNm[i]) / g.OuterNm, 1.0);
        g.Outline.push_back(Polar(r, 10.0 * static_cast<double>(i) + 5));
    }
    g.Outline.push_back(g.Outline.front());
    return g;
}

std::string RingText(double Nm) {
    return Shortest(Nm) + " NM";
}

std::string DistanceText(double Nm) {
    Nm = Heard(Nm);
    return Nm == 0 ? "nothing heard" : FixedDecimals(Nm, 1) + " NM";
}

std::string ListenedText(double Seconds) {
    if (!std::isfinite(Seconds) || Seconds < 0) return "unknown";
    const long long s = std::llround(std::min(Seconds, 1e12));
    auto two = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    if (s < 60) return std::to_string(s) + " s";
    if (s < 3600) return std::to_string(s / 60) + " min " + two(s % 60) + " s";
    return std::to_string(s / 3600) + " h " + two(s / 60 % 60) + " min";
}

std::string SummaryText(const std::vector<TCheck>& Checks) {
    if (Checks.empty()) return "no checks";
    int count[4] = {};
    for (const TCheck& c : Checks) ++count[static_cast<int>(c.Verdict)];
    const std::pair<TVerdict, const char*> order[] = {{TVerdict::Fault, " fault"},
                                                      {TVerdict::Check, " to check"},
                                                      {TVerdict::Waiting, " waiting"},
                                                      {TVerdict::OK, " OK"}};
    std::string out;
    for (const auto& [v, words] : order) {
        const int n = count[static_cast<int>(v)];
        if (n == 0) continue;
        if (!out.empty()) out += ", ";
        out += std::to_string(n) + words + (v == TVerdict::Fault && n > 1 ? "s" : "");
    }
    return out;
}

TVerdictStyle VerdictStyle(TVerdict V) {
    switch (V) {
    case TVerdict::OK:
        return {"#2e7d32", "#ffffff"};
    case TVerdict::Check:
        return {"#f2a900", "#000000"};
    case TVerdict::Fault:
        return {"#c62828", "#ffffff"};
    case TVerdict::Waiting:
        break;
    }
    return {"#9e9e9e", "#000000"};
}

namespace {

// Inline in the page the namespace is implied, and the page names no address at all.
std::string Svg(const TCoverage& C, int Size, bool Standalone) {
    const double size = std::max(Size, 100);
    const double mid = size / 2;
    const double radius = size * 0.40;
    const TCoverageGeometry g = CoverageGeometry(C);
    auto px = [&](double Unit) { return FixedDecimals(mid + Unit * radius, 1); };

    std::string s;
    const std::string sz = FixedDecimals(size, 0);
    s += std::string("<svg") + (Standalone ? " xmlns=\"http://www.w3.org/2000/svg\"" : "") +
         " width=\"" + sz + "\" height=\"" + sz + "\" viewBox=\"0 0 " + sz + ' ' + sz +
         "\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\" role=\"img\">\n";
    s += "<title>Farthest station heard in each direction</title>\n";
    s += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";

    // The cross and the compass points.
    const std::string light =
        "stroke=\"#c8c8c8\" stroke-width=\"" + FixedDecimals(size / 400, 2) + "\"";
    s += "<line x1=\"" + px(0) + "\" y1=\"" + px(-1) + "\" x2=\"" + px(0) + "\" y2=\"" + px(1) +
         "\" " + light + "/>\n";
    s += "<line x1=\"" + px(-1) + "\" y1=\"" + px(0) + "\" x2=\"" + px(1) + "\" y2=\"" + px(0) +
         "\" " + light + "/>\n";
    const std::string letters =
        "font-size=\"" + FixedDecimals(size * 0.05, 1) + "\" font-weight=\"bold\"";
    const char* names[] = {"N", "E", "S", "W"};
    for (int k = 0; k < 4; ++k) {
        const auto [x1, y1] = Polar(1.0, 90.0 * k);
        const auto [x2, y2] = Polar(1.06, 90.0 * k);
        const auto [xt, yt] = Polar(1.15, 90.0 * k);
        s += "<line x1=\"" + px(x1) + "\" y1=\"" + px(y1) + "\" x2=\"" + px(x2) + "\" y2=\"" +
             px(y2) + "\" stroke=\"#333333\" stroke-width=\"" + FixedDecimals(size / 200, 2) +
             "\"/>\n";
        s += "<text x=\"" + px(xt) + "\" y=\"" + px(yt) + "\" " + letters +
             " text-anchor=\"middle\" dominant-baseline=\"central\" fill=\"#333333\">" + names[k] +
             "</text>\n";
    }

    const std::string ringStroke =
        "fill=\"none\" stroke=\"#8a8a8a\" stroke-width=\"" + FixedDecimals(size / 300, 2) + "\"";
    if (g.Empty) {
        s += "<circle cx=\"" + px(0) + "\" cy=\"" + px(0) + "\" r=\"" + FixedDecimals(radius, 1) +
             "\" " + ringStroke + "/>\n";
        s += "<text x=\"" + px(0) + "\" y=\"" + px(-0.3) + "\" font-size=\"" +
             FixedDecimals(size * 0.05, 1) +
             "\" text-anchor=\"middle\" fill=\"#555555\">Nothing heard yet</text>\n";
    } else {
        std::string points;
        for (const auto& [x, y] : g.Outline) {
            if (!points.empty()) points += ' ';
            points += px(x) + ',' + px(y);
        }
        s += "<polygon points=\"" + points +
             "\" fill=\"#1565c0\" fill-opacity=\"0.25\" stroke=\"#1565c0\" stroke-width=\"" +
             FixedDecimals(size / 200, 2) + "\" stroke-linejoin=\"round\"/>\n";
        const std::string labels = "font-size=\"" + FixedDecimals(size * 0.035, 1) + "\"";
        for (double nm : g.RingsNm) {
            const double r = nm / g.OuterNm;
            s += "<circle cx=\"" + px(0) + "\" cy=\"" + px(0) + "\" r=\"" +
                 FixedDecimals(r * radius, 1) + "\" " + ringStroke + "/>\n";
            // Along the south-east diagonal, clear of the compass cross.
            const auto [x, y] = Polar(r, 135);
            s += "<text x=\"" + FixedDecimals(mid + x * radius + size * 0.008, 1) + "\" y=\"" +
                 FixedDecimals(mid + y * radius + size * 0.035, 1) + "\" " + labels +
                 " fill=\"#555555\">" + RingText(nm) + "</text>\n";
        }
    }
    // The own ship.
    s += "<circle cx=\"" + px(0) + "\" cy=\"" + px(0) + "\" r=\"" + FixedDecimals(size * 0.015, 1) +
         "\" fill=\"#0d2a4a\" stroke=\"#ffffff\" stroke-width=\"" + FixedDecimals(size / 300, 2) +
         "\"/>\n";
    s += "</svg>\n";
    return s;
}

} // namespace

std::string CoverageSvg(const TCoverage& C, int Size) {
    return Svg(C, Size, true);
}

std::string ReportHtml(const TInstallReport& R) {
    std::string h;
    h.reserve(16384);
    h += R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Corvane installation report</title>
<style>
@page { size: A4; margin: 15mm; }
* { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
body { font-family: "DejaVu Sans", Helvetica, Arial, sans-serif; font-size: 10pt; color: #000;
       max-width: 180mm; margin: 0 auto; }
h1 { font-size: 18pt; margin: 0 0 4mm 0; }
h2 { font-size: 13pt; margin: 7mm 0 2mm 0; break-after: avoid; page-break-after: avoid; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; vertical-align: top; padding: 1.2mm 2mm; border-bottom: 0.3mm solid #ccc;
         overflow-wrap: anywhere; }
th { border-bottom: 0.5mm solid #000; }
tr { break-inside: avoid; page-break-inside: avoid; }
table.facts td:first-child, table.config td:first-child { width: 45mm; color: #333; }
td.verdict { font-weight: bold; text-align: center; white-space: nowrap; }
td.v-ok { background: #2e7d32; color: #fff; }
td.v-check { background: #f2a900; color: #000; }
td.v-fault { background: #c62828; color: #fff; }
td.v-waiting { background: #9e9e9e; color: #000; }
.coverage { position: relative; break-inside: avoid; page-break-inside: avoid; }
.coverage svg { width: 100mm; height: 100mm; }
.farthest { position: absolute; top: 0; right: 0; border: 0.3mm solid #999; padding: 2mm 3mm; }
table.signoff { break-inside: avoid; page-break-inside: avoid; }
table.signoff td { border: none; padding: 0 2mm; height: 12mm; vertical-align: bottom; }
table.signoff td:first-child { width: 30mm; }
table.signoff td.line { border-bottom: 0.3mm solid #000; }
</style>
</head>
<body>
<h1>Corvane installation report</h1>
<table class="facts">
)";
    auto row2 = [&](std::string_view Label, std::string_view Value) {
        h += "<tr><td>" + Escape(Label) + "</td><td>" + Escape(Value) + "</td></tr>\n";
    };
    row2("Date and time (UTC)", R.UtcTime);
    row2("Local time", R.LocalTime);
    row2("Tool", R.Tool);
    row2("Port", R.Port);
    row2("Time listened", ListenedText(R.ListenedSeconds));
    row2("Result", SummaryText(R.Checks));
    h += "</table>\n";

    h += "<h2>Configuration</h2>\n";
    if (R.Config.empty()) {
        h += "<p>Not read.</p>\n";
    } else {
        h += "<table class=\"config\">\n";
        for (const auto& [label, value] : R.Config) row2(label, value);
        h += "</table>\n";
    }

    h += "<h2>Checks</h2>\n<table class=\"checks\">\n"
         "<thead><tr><th>Check</th><th>Verdict</th><th>Figures</th><th>Advice</th></tr></thead>\n"
         "<tbody>\n";
    for (const TCheck& c : R.Checks) {
        h += "<tr><td>" + Escape(c.Title) + "</td><td class=\"verdict v-" +
             VerdictClass(c.Verdict) + "\">" + Escape(VerdictText(c.Verdict)) + "</td><td>" +
             Escape(c.Figures) + "</td><td>" + Escape(c.Advice) + "</td></tr>\n";
    }
    h += "</tbody>\n</table>\n";

    h += "<h2>Coverage</h2>\n<div class=\"coverage\">\n";
    h += Svg(R.Coverage, 400, false);
    h += "<div class=\"farthest\">Farthest heard<br>Channel A: " +
         DistanceText(R.Coverage.FarthestA) +
         "<br>Channel B: " + DistanceText(R.Coverage.FarthestB) + "</div>\n</div>\n";

    h += "<h2>Sign-off</h2>\n<table class=\"signoff\">\n";
    for (const char* label : {"Installer", "Company", "Date", "Signature"})
        h += std::string("<tr><td>") + label + "</td><td class=\"line\"></td></tr>\n";
    h += "</table>\n</body>\n</html>\n";
    return h;
}
