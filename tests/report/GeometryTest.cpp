// The coverage picture: which rings for which range, where a sector's point lies, and the SVG.

#include "install/InstallReport.h"

#include <QXmlStreamReader>
#include <cctype>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>

namespace {

TCoverage Farthest(double Nm, std::size_t Sector = 0) {
    TCoverage c;
    c.FarthestNm[Sector] = Nm;
    return c;
}

struct TRingCase {
    double FarthestNm;
    std::vector<double> Rings;
};

void PrintTo(const TRingCase& C, std::ostream* Os) {
    *Os << C.FarthestNm << " NM";
}

class ReportCoverageRings : public ::testing::TestWithParam<TRingCase> {};

TEST_P(ReportCoverageRings, OuterRingHoldsTheFarthestSector) {
    const TCoverageGeometry g = CoverageGeometry(Farthest(GetParam().FarthestNm, 7));
    EXPECT_FALSE(g.Empty);
    ASSERT_EQ(g.RingsNm.size(), GetParam().Rings.size());
    for (std::size_t i = 0; i < g.RingsNm.size(); ++i)
        EXPECT_NEAR(g.RingsNm[i], GetParam().Rings[i], 1e-9 * GetParam().Rings[i]);
    EXPECT_EQ(g.OuterNm, g.RingsNm.back());
    const auto [x, y] = g.Outline[7];
    EXPECT_LE(std::hypot(x, y), 1.0 + 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, ReportCoverageRings,
    ::testing::Values(TRingCase{4.2, {1, 2, 5}}, TRingCase{8, {2, 5, 10}},
                      TRingCase{10, {2, 5, 10}}, // on the ring, not a ring further out
                      TRingCase{10.01, {5, 10, 20}}, TRingCase{38, {10, 20, 50}},
                      TRingCase{0.3, {0.1, 0.2, 0.5}},
                      TRingCase{0.01, {0.1, 0.2, 0.5}}, // the marina: rings of half a mile
                      TRingCase{150, {50, 100, 200}},
                      TRingCase{1e9, {20000, 50000, 100000}}), // a garbled position
    [](const ::testing::TestParamInfo<TRingCase>& Info) {
        std::ostringstream text;
        text << Info.param.FarthestNm;
        std::string name = "Farthest" + text.str();
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name + "Nm";
    });

TEST(ReportCoverage, SectorPointLiesAtTheMiddleOfItsBearings) {
    // Sector i covers [10i, 10i + 10): its point is at 10i + 5, north up, clockwise.
    const struct {
        std::size_t Sector;
        double X, Y;
    } cases[] = {{0, 0.08716, -0.99619},   // 5°: just east of north
                 {8, 0.99619, -0.08716},   // 85°
                 {9, 0.99619, 0.08716},    // 95°: just south of east
                 {18, -0.08716, 0.99619},  // 185°
                 {27, -0.99619, -0.08716}, // 275°
                 {35, -0.08716, -0.99619}};
    for (const auto& c : cases) {
        const TCoverageGeometry g = CoverageGeometry(Farthest(5, c.Sector));
        ASSERT_EQ(g.Outline.size(), 37u) << "36 sectors and the first again to close it";
        EXPECT_EQ(g.Outline.front(), g.Outline.back());
        EXPECT_NEAR(g.Outline[c.Sector].first, c.X, 1e-4) << "sector " << c.Sector;
        EXPECT_NEAR(g.Outline[c.Sector].second, c.Y, 1e-4) << "sector " << c.Sector;
        for (std::size_t i = 0; i < 36; ++i) {
            if (i != c.Sector) {
                EXPECT_EQ(g.Outline[i], (std::pair<double, double>{0, 0}))
                    << "a sector with nothing heard sits at the centre";
            }
        }
    }
}

TEST(ReportCoverage, HalfTheOuterRangeIsHalfWayOut) {
    TCoverage c = Farthest(10, 0);
    c.FarthestNm[18] = 5;
    const TCoverageGeometry g = CoverageGeometry(c);
    EXPECT_NEAR(std::hypot(g.Outline[18].first, g.Outline[18].second), 0.5, 1e-12);
}

TEST(ReportCoverage, NothingHeardIsEmpty) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {0.0, -3.0, nan, inf, -inf}) {
        TCoverage c = Farthest(bad, 4);
        c.FarthestA = 7; // a channel figure alone draws nothing
        const TCoverageGeometry g = CoverageGeometry(c);
        EXPECT_TRUE(g.Empty) << bad;
        EXPECT_TRUE(g.RingsNm.empty()) << bad;
        EXPECT_TRUE(g.Outline.empty()) << bad;
    }
    // Among real ones a bad value counts as nothing heard in its sector.
    TCoverage c = Farthest(4, 0);
    c.FarthestNm[1] = nan;
    c.FarthestNm[2] = -1;
    const TCoverageGeometry g = CoverageGeometry(c);
    EXPECT_EQ(g.OuterNm, 5);
    EXPECT_EQ(g.Outline[1], (std::pair<double, double>{0, 0}));
    EXPECT_EQ(g.Outline[2], (std::pair<double, double>{0, 0}));
}

// Element names and texts of an SVG document, failing on anything that is not well-formed XML.
struct TSvgContent {
    QStringList Elements, Texts;
    QString RootNamespace;
};
TSvgContent ReadSvg(const std::string& Svg) {
    TSvgContent out;
    QXmlStreamReader xml(QByteArray::fromStdString(Svg));
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (out.Elements.isEmpty()) out.RootNamespace = xml.namespaceUri().toString();
            out.Elements << xml.name().toString();
        } else if (xml.isCharacters() && !xml.isWhitespace()) {
            out.Texts << xml.text().toString();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << "\n" << Svg;
    return out;
}

TEST(ReportCoverageSvg, IsStandaloneSvgWithRingsCompassAndOutline) {
    TCoverage c;
    c.FarthestNm.fill(3.5);
    c.FarthestNm[12] = 8;
    const TSvgContent svg = ReadSvg(CoverageSvg(c, 300));
    EXPECT_EQ(svg.RootNamespace, "http://www.w3.org/2000/svg");
    EXPECT_EQ(svg.Elements.front(), "svg");
    EXPECT_EQ(svg.Elements.count("polygon"), 1);
    EXPECT_EQ(svg.Elements.count("circle"), 3 + 1) << "three rings and the own ship";
    for (const char* t : {"2 NM", "5 NM", "10 NM", "N", "E", "S", "W"})
        EXPECT_TRUE(svg.Texts.contains(t)) << t << " in " << svg.Texts.join('|').toStdString();
    EXPECT_FALSE(svg.Texts.contains("Nothing heard yet"));
}

TEST(ReportCoverageSvg, NothingHeardSaysSo) {
    const TSvgContent svg = ReadSvg(CoverageSvg(TCoverage{}, 300));
    EXPECT_TRUE(svg.Texts.contains("Nothing heard yet"));
    EXPECT_EQ(svg.Elements.count("polygon"), 0);
    EXPECT_FALSE(svg.Texts.join('|').contains("NM"));
}

} // namespace
