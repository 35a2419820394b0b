// corvane-report: the JSON that corvane-config check --json prints, read back; and the program
// end to end.

#include "ReportProcess.h"
#include "ReportSamples.h"
#include "tools/report/ReportJson.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kProgram = CORVANE_BINARY_DIR "/tools/report/corvane-report";

// The report as corvane-config check --json writes it.
QJsonObject JsonOf(const TInstallReport& R) {
    QJsonArray rows, checks, sectors;
    for (const auto& [l, v] : R.Config)
        rows.append(QJsonArray{QString::fromStdString(l), QString::fromStdString(v)});
    for (const TCheck& c : R.Checks)
        checks.append(QJsonObject{{"id", QString::fromStdString(c.Id)},
                                  {"title", QString::fromStdString(c.Title)},
                                  {"verdict", QString::fromUtf8(VerdictText(c.Verdict).data())},
                                  {"figures", QString::fromStdString(c.Figures)},
                                  {"advice", QString::fromStdString(c.Advice)}});
    for (double nm : R.Coverage.FarthestNm) sectors.append(nm);
    return QJsonObject{{"tool", QString::fromStdString(R.Tool)},
                       {"utc_time", QString::fromStdString(R.UtcTime)},
                       {"local_time", QString::fromStdString(R.LocalTime)},
                       {"port", QString::fromStdString(R.Port)},
                       {"listened_seconds", R.ListenedSeconds},
                       {"ok", true},
                       {"config", QJsonObject{{"mmsi", "211234560"}}},
                       {"config_rows", rows},
                       {"checks", checks},
                       {"coverage", QJsonObject{{"sectors_nm", sectors},
                                                {"farthest_a_nm", R.Coverage.FarthestA},
                                                {"farthest_b_nm", R.Coverage.FarthestB}}}};
}

QByteArray Bytes(const QJsonObject& O) {
    return QJsonDocument(O).toJson();
}

TEST(ReportJson, ReadsBackWhatCheckPrints) {
    const TInstallReport sample = MixedReport();
    TInstallReport r;
    std::string error;
    ASSERT_TRUE(ReportFromJson(Bytes(JsonOf(sample)), r, error)) << error;
    EXPECT_EQ(r.Tool, sample.Tool);
    EXPECT_EQ(r.UtcTime, sample.UtcTime);
    EXPECT_EQ(r.LocalTime, sample.LocalTime);
    EXPECT_EQ(r.Port, sample.Port);
    EXPECT_EQ(r.ListenedSeconds, sample.ListenedSeconds);
    EXPECT_EQ(r.Config, sample.Config);
    EXPECT_EQ(r.Checks, sample.Checks);
    EXPECT_EQ(r.Coverage, sample.Coverage);
}

TEST(ReportJson, RefusesWhatIsNotAReport) {
    const QJsonObject good = JsonOf(SampleReport());
    auto with = [&](const QString& Key, const QJsonValue& V) {
        QJsonObject o = good;
        if (V.isUndefined())
            o.remove(Key);
        else
            o[Key] = V;
        return Bytes(o);
    };
    auto check = [&](const QString& Key, const QJsonValue& V) {
        QJsonArray checks = good["checks"].toArray();
        QJsonObject c = checks[2].toObject();
        if (V.isUndefined())
            c.remove(Key);
        else
            c[Key] = V;
        checks[2] = c;
        return with("checks", checks);
    };
    auto coverage = [&](const QString& Key, const QJsonValue& V) {
        QJsonObject c = good["coverage"].toObject();
        c[Key] = V;
        return with("coverage", c);
    };
    QJsonArray sectors35 = good["coverage"]["sectors_nm"].toArray();
    sectors35.removeLast();
    QJsonArray sectorsNegative = good["coverage"]["sectors_nm"].toArray();
    sectorsNegative[4] = -1;

    const struct {
        const char* Name;
        QByteArray Json;
        std::string Error;
    } cases[] = {
        {"an array", "[1, 2]", "not a report: the JSON is not an object"},
        {"a profile", R"({"mmsi": "211234560"})", "\"tool\" is missing"},
        {"tool a number", with("tool", 3), "\"tool\" must be a string, not a number"},
        {"no checks", with("checks", QJsonValue::Undefined), "\"checks\" is missing"},
        {"checks an object", with("checks", QJsonObject{}),
         "\"checks\" must be an array, not an object"},
        {"unknown verdict", check("verdict", "great"),
         "\"checks\"[2].\"verdict\": \"great\" is not one of waiting, OK, check, fault"},
        {"verdict in capitals", check("verdict", "FAULT"),
         "\"checks\"[2].\"verdict\": \"FAULT\" is not one of waiting, OK, check, fault"},
        {"no title", check("title", QJsonValue::Undefined), "\"checks\"[2].\"title\" is missing"},
        {"advice null", check("advice", QJsonValue::Null),
         "\"checks\"[2].\"advice\" must be a string, not null"},
        {"config row of three", with("config_rows", QJsonArray{QJsonArray{"a", "b", "c"}}),
         "\"config_rows\"[0] must be a pair of strings [label, value]"},
        {"config row of numbers", with("config_rows", QJsonArray{QJsonArray{"MMSI", 211234560}}),
         "\"config_rows\"[0] must be a pair of strings [label, value]"},
        {"35 sectors", coverage("sectors_nm", sectors35),
         "\"coverage\".\"sectors_nm\" must have 36 numbers, not 35"},
        {"negative sector", coverage("sectors_nm", sectorsNegative),
         "\"coverage\".\"sectors_nm\"[4] must not be negative"},
        {"farthest a string", coverage("farthest_a_nm", "4.2"),
         "\"coverage\".\"farthest_a_nm\" must be a number, not a string"},
        {"negative time", with("listened_seconds", -5),
         "\"listened_seconds\" must not be negative"},
    };
    for (const auto& c : cases) {
        TInstallReport r;
        r.Port = "untouched";
        std::string error;
        EXPECT_FALSE(ReportFromJson(c.Json, r, error)) << c.Name;
        EXPECT_EQ(error, c.Error) << c.Name;
        EXPECT_EQ(r.Port, "untouched") << c.Name;
    }
}

TEST(ReportJson, NotJsonSaysWhere) {
    // Qt's own words for the fault, with the line a person looks at.
    const struct {
        QByteArray Json;
        const char* Line;
    } cases[] = {{"{\"tool\": \"x\",\n \"port\": }", " at line 2, column "},
                 {"", " at line 1, column "},
                 {"{\"tool\": \"x\"}\n\n{}", " at line 3, column "}};
    for (const auto& c : cases) {
        TInstallReport r;
        std::string error;
        EXPECT_FALSE(ReportFromJson(c.Json, r, error)) << c.Json.toStdString();
        EXPECT_TRUE(error.starts_with("not JSON: ")) << error;
        EXPECT_NE(error.find(c.Line), std::string::npos) << error;
    }
}

TEST(ReportJson, IgnoresWhatItDoesNotShow) {
    QJsonObject o = JsonOf(SampleReport());
    o["ok"] = false;
    o["config"] = QJsonObject{{"anything", QJsonArray{1, 2}}};
    o["future_key"] = "later versions may add keys";
    QJsonArray checks = o["checks"].toArray();
    QJsonObject c = checks[0].toObject();
    c.remove("id");
    checks[0] = c;
    o["checks"] = checks;
    TInstallReport r;
    std::string error;
    EXPECT_TRUE(ReportFromJson(Bytes(o), r, error)) << error;
    EXPECT_EQ(r.Checks[0].Id, "");
}

class ReportTool : public ::testing::Test {
protected:
    QString Write(const QString& Name, const QByteArray& Data) {
        QFile f(FDir.filePath(Name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Data);
        return f.fileName();
    }
    QTemporaryDir FDir;
};

TEST_F(ReportTool, WritesThePdfFromTheJson) {
    const QString json = Write("report.json", Bytes(JsonOf(MixedReport())));
    const QString pdf = FDir.filePath("report.pdf");
    const TRun run = RunProgram(kProgram, {json, pdf});
    EXPECT_EQ(run.Status, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.isEmpty());
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains("Corvane installation report"));
    EXPECT_TRUE(text.contains("211234560"));
    for (const TCheck& c : MixedReport().Checks)
        EXPECT_TRUE(text.contains(QString::fromStdString(c.Title))) << c.Title;
}

TEST_F(ReportTool, ReadsStandardInputAndWritesHtml) {
    const QString html = FDir.filePath("report.HTM");
    const TRun run = RunProgram(kProgram, {"-", html}, Bytes(JsonOf(SampleReport())));
    EXPECT_EQ(run.Status, 0) << run.Err.toStdString();
    QFile f(html);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), ReportHtml(SampleReport()));
}

TEST_F(ReportTool, BadInputExitsTwoAndWritesNothing) {
    const QString bad = Write("bad.json", "{\"tool\": \"corvane-config 0.1.0\",");
    const QString out = FDir.filePath("out.pdf");
    const struct {
        const char* Name;
        QStringList Args;
        QByteArray Input;
        QString Message;
    } cases[] = {
        {"bad JSON", {bad, out}, {}, "corvane-report: " + bad + ": not JSON: "},
        {"bad JSON on standard input",
         {"-", out},
         "[",
         "corvane-report: standard input: not JSON: "},
        {"a profile",
         {"-", out},
         R"({"mmsi": "211234560"})",
         "corvane-report: standard input: \"tool\" is missing"},
        {"no such input",
         {FDir.filePath("none.json"), out},
         {},
         "corvane-report: cannot read " + FDir.filePath("none.json") + ": "},
        {"one argument", {bad}, {}, "corvane-report: expected REPORT.json and OUTPUT"},
        {"three arguments", {bad, out, out}, {}, "corvane-report: expected REPORT.json and OUTPUT"},
        {"unknown option", {"--colour", bad, out}, {}, "corvane-report: unknown option --colour"},
        {"output to standard output", {bad, "-"}, {}, "corvane-report: OUTPUT must be a file name"},
    };
    for (const auto& c : cases) {
        const TRun run = RunProgram(kProgram, c.Args, c.Input);
        EXPECT_EQ(run.Status, 2) << c.Name;
        EXPECT_TRUE(QString::fromUtf8(run.Err).contains(c.Message))
            << c.Name << ": " << run.Err.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << c.Name;
    }
}

TEST_F(ReportTool, UnwritableOutputExitsSix) {
    const QString json = Write("report.json", Bytes(JsonOf(SampleReport())));
    const QString out = FDir.filePath("missing/report.pdf");
    const TRun run = RunProgram(kProgram, {json, out});
    EXPECT_EQ(run.Status, 6);
    EXPECT_TRUE(QString::fromUtf8(run.Err).contains("corvane-report: Cannot write " + out +
                                                    ": No such file or directory"))
        << run.Err.toStdString();
}

TEST_F(ReportTool, HelpNeedsNoDisplay) {
    // A platform that cannot start here: --help and bad arguments must not reach Qt.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    p.setProcessEnvironment(env);
    for (const QStringList& args :
         {QStringList{"--help"}, QStringList{"-h", "x"}, QStringList{"only-one"}}) {
        p.start(kProgram, args);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << args.join(' ').toStdString();
        if (args.front() == "only-one") {
            EXPECT_EQ(p.exitCode(), 2);
        } else {
            EXPECT_EQ(p.exitCode(), 0);
            EXPECT_TRUE(
                p.readAllStandardOutput().startsWith("usage: corvane-report REPORT.json OUTPUT\n"));
        }
    }
}

} // namespace
