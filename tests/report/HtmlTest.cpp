// The HTML page: hostile texts from the radio and the unit stay text, every check is there with
// its verdict, and the page fetches nothing.

#include "ReportSamples.h"
#include "install/InstallReport.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <gtest/gtest.h>

namespace {

bool Contains(const std::string& S, std::string_view Part) {
    return S.find(Part) != std::string::npos;
}

bool ValidUtf8(const std::string& S) {
    QStringDecoder d(QStringDecoder::Utf8);
    const QString decoded = d(QByteArray::fromStdString(S));
    return !d.hasError();
}

TEST(ReportHtml, HostileTextsAreEscapedEverywhere) {
    TInstallReport r = SampleReport();
    r.Config[1].second = "<script>alert('x')</script>";
    r.Port = "\"><img src=x onerror=alert(1)>";
    r.Tool = "A & B";
    r.Checks[9].Title = "<b>bold</b>";
    r.Checks[9].Figures = "TXT 001 </td></tr></table><iframe>";
    r.Checks[9].Advice = "Tom's & Jerry's \"advice\"";
    const std::string h = ReportHtml(r);

    EXPECT_FALSE(Contains(h, "<script")) << "only the page's own markup is markup";
    EXPECT_FALSE(Contains(h, "<img"));
    EXPECT_FALSE(Contains(h, "<iframe"));
    EXPECT_FALSE(Contains(h, "<b>"));
    EXPECT_TRUE(Contains(h, "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"));
    EXPECT_TRUE(Contains(h, "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;"));
    EXPECT_TRUE(Contains(h, "A &amp; B"));
    EXPECT_TRUE(Contains(h, "&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;&lt;iframe&gt;"));
    EXPECT_TRUE(Contains(h, "Tom&#39;s &amp; Jerry&#39;s &quot;advice&quot;"));
    // The table still has exactly its rows: the hostile cell closed nothing.
    EXPECT_EQ(QString::fromStdString(h).count("</tr>"),
              6 + 11 + 1 + 10 + 4); // facts, configuration, header, checks, sign-off
}

TEST(ReportHtml, BytesThatAreNotUtf8BecomeReplacementCharacters) {
    // A Latin-1 name from an old unit, an overlong slash, a lone surrogate, a control byte, a
    // cut-off sequence: the page stays valid UTF-8 and keeps what is readable.
    const struct {
        const char* Name;
        std::string Bytes;
    } cases[] = {{"latin-1", "MØWE \xD8"},
                 {"overlong", "a\xC0\xAF"
                              "b"},
                 {"surrogate", "\xED\xA0\x80"},
                 {"control", "bell\x07"},
                 {"cut off", "end\xE2\x82"},
                 {"beyond U+10FFFF", "\xF4\x90\x80\x80"},
                 {"five bytes", "\xF8\x88\x80\x80\x80"}};
    for (const auto& c : cases) {
        TInstallReport r = SampleReport();
        r.Config[1].second = c.Bytes;
        const std::string h = ReportHtml(r);
        EXPECT_TRUE(ValidUtf8(h)) << c.Name;
        EXPECT_TRUE(Contains(h, "\xEF\xBF\xBD")) << c.Name;
    }
    TInstallReport r = SampleReport();
    r.Config[1].second = "MØWE 🚢 Ærø";
    EXPECT_TRUE(Contains(ReportHtml(r), "<td>MØWE 🚢 Ærø</td>")) << "valid UTF-8 passes as it is";
}

TEST(ReportHtml, EveryCheckHasItsRowWithVerdictWordAndColour) {
    const TInstallReport r = MixedReport();
    const std::string h = ReportHtml(r);
    for (const TCheck& c : r.Checks) {
        // Title, verdict, figures and advice in one row, the verdict as a word and a class.
        const std::string verdict(VerdictText(c.Verdict));
        const std::string klass = verdict == "OK" ? "ok" : verdict;
        const std::string row = "<tr><td>" + c.Title + "</td><td class=\"verdict v-" + klass +
                                "\">" + verdict + "</td><td>";
        EXPECT_TRUE(Contains(h, row)) << c.Title;
        const std::string figures = c.Figures.substr(0, c.Figures.find('\''));
        EXPECT_TRUE(Contains(h, figures)) << c.Title;
        EXPECT_TRUE(Contains(h, c.Advice.substr(0, c.Advice.find('\'')))) << c.Title;
    }
    // Each verdict class has its colour in the style sheet.
    for (const char* rule :
         {"td.v-ok { background: #2e7d32", "td.v-check { background: #f2a900",
          "td.v-fault { background: #c62828", "td.v-waiting { background: #9e9e9e"})
        EXPECT_TRUE(Contains(h, rule)) << rule;
}

TEST(ReportHtml, CarriesTheFactsCoverageAndSignOff) {
    const TInstallReport r = SampleReport();
    const std::string h = ReportHtml(r);
    for (const std::string& part :
         {std::string("<title>Corvane installation report</title>"), r.UtcTime, r.LocalTime, r.Tool,
          std::string("<td>COM3</td>"), std::string("<td>6 min 52 s</td>"),
          std::string("<td>1 to check, 9 OK</td>"), std::string("<td>211234560</td>"),
          std::string("Channel A: 9.1 NM"), std::string("Channel B: 8.4 NM"),
          std::string("@page { size: A4"), std::string("<svg"), std::string("10 NM"),
          std::string("<td>Installer</td>"), std::string("<td>Company</td>"),
          std::string("<td>Date</td>"), std::string("<td>Signature</td>")})
        EXPECT_TRUE(Contains(h, part)) << part;
    EXPECT_TRUE(ValidUtf8(h));
}

TEST(ReportHtml, FetchesNothing) {
    TInstallReport r = SampleReport();
    const std::string h = ReportHtml(r);
    const QString page = QString::fromStdString(h);
    for (const char* outside : {"http", "src=", "href=", "url(", "@import", "<link", "<script",
                                "<object", "<iframe", "<img"})
        EXPECT_FALSE(page.contains(outside, Qt::CaseInsensitive)) << outside;
}

TEST(ReportHtml, NothingHeardAndNothingReadAreShown) {
    TInstallReport r;
    r.ListenedSeconds = std::numeric_limits<double>::quiet_NaN();
    const std::string h = ReportHtml(r);
    EXPECT_TRUE(Contains(h, "Nothing heard yet"));
    EXPECT_TRUE(Contains(h, "Channel A: nothing heard"));
    EXPECT_TRUE(Contains(h, "<p>Not read.</p>"));
    EXPECT_TRUE(Contains(h, "<td>Time listened</td><td>unknown</td>"));
    EXPECT_TRUE(Contains(h, "<td>Result</td><td>no checks</td>"));
}

TEST(ReportWording, ListenedTimesAndSummaries) {
    const struct {
        double Seconds;
        const char* Text;
    } times[] = {{0, "0 s"},           {59.4, "59 s"},         {60, "1 min 00 s"},
                 {200, "3 min 20 s"},  {3599, "59 min 59 s"},  {3600, "1 h 00 min"},
                 {3900, "1 h 05 min"}, {90000, "25 h 00 min"}, {-1, "unknown"}};
    for (const auto& t : times) EXPECT_EQ(ListenedText(t.Seconds), t.Text) << t.Seconds;

    auto checks = [](std::initializer_list<TVerdict> Verdicts) {
        std::vector<TCheck> out;
        for (TVerdict v : Verdicts) out.push_back(TCheck{"x", "X", v, "", ""});
        return out;
    };
    using enum TVerdict;
    EXPECT_EQ(SummaryText(checks({OK, OK})), "2 OK");
    EXPECT_EQ(SummaryText(checks({OK, Fault, Check, Fault, Waiting})),
              "2 faults, 1 to check, 1 waiting, 1 OK");
    EXPECT_EQ(SummaryText(checks({Fault})), "1 fault");
    EXPECT_EQ(SummaryText({}), "no checks");

    EXPECT_EQ(DistanceText(4.26), "4.3 NM");
    EXPECT_EQ(DistanceText(0), "nothing heard");
    EXPECT_EQ(RingText(0.5), "0.5 NM");
    EXPECT_EQ(RingText(20000), "20000 NM");
}

} // namespace
