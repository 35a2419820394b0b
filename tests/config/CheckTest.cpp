// corvane-config check: its command line, the verdicts as text and JSON, the report files, and
// the program end to end against the simulator, healthy and with each installation fault.

#include "ConfigProcess.h"
#include "control/ConfigRows.h"
#include "install/InstallChecks.h"
#include "tests/window/SimProcess.h"
#include "tools/config/CheckReport.h"
#include "tools/config/ConfigOptions.h"
#include "tools/config/ConfigReport.h"
#include "tools/config/JsonReader.h"
#include "tools/config/ReportFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

bool Has(const std::string& Text, const std::string& Piece) {
    return Text.find(Piece) != std::string::npos;
}

Strings Lines(const std::string& S) {
    Strings out;
    std::istringstream in(S);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

std::string FileText(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteText(const std::string& Path, const std::string& Text, mode_t Mode = 0644) {
    std::ofstream(Path, std::ios::binary) << Text;
    chmod(Path.c_str(), Mode);
}

// A private directory, removed with everything in it.
struct TTempDir {
    TTempDir() {
        char d[] = "/tmp/corvane-check-test-XXXXXX";
        Path = mkdtemp(d);
    }
    ~TTempDir() { fs::remove_all(Path); }
    std::string operator/(const std::string& Name) const { return Path + "/" + Name; }
    std::string Path;
};

// The checks' titles, as the program names them.
Strings Titles() {
    Strings t;
    for (const TCheck& c : RunInstallChecks(TInstallInputs{})) t.push_back(c.Title);
    return t;
}

std::vector<TCheck> SampleChecks() {
    return {
        {"gps", "GPS fix", TVerdict::OK, "Fix; satellites 9 in view, 7 used", ""},
        {"transmitter", "Transmitter", TVerdict::Fault, "No own position report in 3 min 20 s",
         "The unit does not transmit."},
        {"reception", "AIS reception", TVerdict::Waiting, "", ""},
        {"supply", "Supply voltage", TVerdict::Check, "Idle 11.2 V", "The supply is low."},
    };
}

const TJsonMember* Member(const std::vector<TJsonMember>& Ms, const std::string& Key) {
    for (const TJsonMember& m : Ms)
        if (m.Key == Key) return &m;
    return nullptr;
}

// The checks of a `check --json` output, id -> verdict. Each check stands on a line of its own,
// an object the reader takes by itself; the whole output must be one object too.
std::map<std::string, std::string> VerdictsOf(const std::string& Json) {
    std::vector<TJsonMember> top;
    TJsonError error;
    EXPECT_TRUE(ReadJsonObject(Json, top, error)) << error.Line << ": " << error.Message;
    std::map<std::string, std::string> out;
    for (std::string line : Lines(Json)) {
        if (!line.starts_with("    {\"id\"")) continue;
        if (line.back() == ',') line.pop_back();
        std::vector<TJsonMember> check;
        if (!ReadJsonObject(line, check, error)) {
            ADD_FAILURE() << line;
            continue;
        }
        const TJsonMember *id = Member(check, "id"), *verdict = Member(check, "verdict");
        if (id && verdict) out[id->Value.Text] = verdict->Value.Text;
    }
    return out;
}

// ---- Command line ------------------------------------------------------------------------------

TEST(CheckOptions, EachOptionOfCheck) {
    const struct {
        Strings In;
        int Seconds;
        double Scale;
        std::string Report;
        bool Json;
        int Port;
    } cases[] = {
        {{"check"}, 200, 1, "", false, 0},
        {{"check", "--seconds", "1"}, 1, 1, "", false, 0},
        {{"check", "--seconds", "3600", "--port", "7"}, 3600, 1, "", false, 7},
        {{"check", "--time-scale", "1"}, 200, 1, "", false, 0},
        {{"check", "--time-scale", "1000"}, 200, 1000, "", false, 0},
        {{"--quiet", "check", "--time-scale", "12.5", "--seconds", "60"}, 60, 12.5, "", false, 0},
        {{"check", "--json", "--report", "boat.pdf"}, 200, 1, "boat.pdf", true, 0},
        {{"check", "--report", "-x.html"}, 200, 1, "-x.html", false, 0},
        {{"check", "--port", "tcp://127.0.0.1:4001"}, 200, 1, "", false, kAddressPortNum},
        {{"check", "--port", "20=tcp://127.0.0.1:4001"}, 200, 1, "", false, 20},
    };
    for (const auto& c : cases) {
        TConfigOptions o;
        std::string error;
        ASSERT_TRUE(ParseConfigOptions(c.In, o, error)) << c.In.back() << ": " << error;
        EXPECT_EQ(o.Command, TCommand::Check);
        EXPECT_EQ(o.Seconds, c.Seconds);
        EXPECT_EQ(o.TimeScale, c.Scale);
        EXPECT_EQ(o.Report, c.Report);
        EXPECT_EQ(o.Json, c.Json);
        EXPECT_EQ(o.PortNum, c.Port);
    }
}

TEST(CheckOptions, RefusedWithAReason) {
    const struct {
        Strings In;
        const char* Says;
    } cases[] = {
        {{"check", "--seconds", "0"}, "bad value for --seconds: \"0\" (whole seconds, 1 to 3600)"},
        {{"check", "--seconds", "3601"}, "bad value for --seconds: \"3601\""},
        {{"check", "--seconds", "abc"}, "bad value for --seconds: \"abc\""},
        {{"check", "--seconds", "1.5"}, "bad value for --seconds"},
        {{"check", "--seconds", "-5"}, "bad value for --seconds"},
        {{"check", "--seconds", ""}, "bad value for --seconds"},
        {{"check", "--seconds"}, "--seconds needs a value"},
        {{"check", "--time-scale", "0.5"}, "bad value for --time-scale: \"0.5\" (a factor, 1 to"},
        {{"check", "--time-scale", "1000.5"}, "bad value for --time-scale"},
        {{"check", "--time-scale", "0"}, "bad value for --time-scale"},
        {{"check", "--time-scale", "nan"}, "bad value for --time-scale"},
        {{"check", "--time-scale", "inf"}, "bad value for --time-scale"},
        {{"check", "--time-scale", "20x"}, "bad value for --time-scale"},
        {{"check", "--report", ""}, "bad value for --report: an empty file name"},
        {{"check", "--report"}, "--report needs a value"},
        {{"check", "--yes"}, "--yes does not belong to check"},
        {{"check", "--dry-run"}, "--dry-run does not belong to check"},
        {{"check", "now"}, "unexpected argument \"now\""},
        {{"read", "--seconds", "10"}, "--seconds does not belong to read"},
        {{"write", "-", "--time-scale", "2"}, "--time-scale does not belong to write"},
        {{"reset", "--yes", "--report", "r.pdf"}, "--report does not belong to reset"},
        {{"ports", "--seconds", "10"}, "--seconds does not belong to ports"},
        {{"check2"}, "unknown command \"check2\" (ports, read, write, reset or check)"},
    };
    for (const auto& c : cases) {
        TConfigOptions o;
        std::string error;
        EXPECT_FALSE(ParseConfigOptions(c.In, o, error)) << c.Says;
        EXPECT_TRUE(Has(error, c.Says)) << c.Says << " -> " << error;
    }
}

TEST(CheckOptions, UsageNamesTheCommandTheTestingOptionAndTheNewExitStatus) {
    const std::string u = ConfigUsage();
    for (const char* want : {"check [--port N] [--seconds S] [--report FILE] [--json]",
                             "--time-scale F", "7 a check found a fault"})
        EXPECT_TRUE(Has(u, want)) << want;
}

// ---- The configuration's rows ------------------------------------------------------------------

TEST(ConfigRows, PlainValuesInTheOrderOfTheProfile) {
    TUnitConfig c;
    EXPECT_EQ(ConfigRows(c).size(), 13u);
    for (const auto& [label, value] : ConfigRows(c)) EXPECT_EQ(value, "(not reported)") << label;

    c.MMSI = "000000000";
    c.ShipsName = "EVIL\x1B[2J"; // plain: quoting is the front end's
    c.A = "010";
    c.B = "x\x1B";
    c.VesselType = 70;
    c.SwitchType = TSwitchType::RxOnly;
    c.BaudRate = TBaudRate::Baud4800;
    const auto rows = ConfigRows(c);
    const std::vector<std::pair<std::string, std::string>> want = {
        {"MMSI", "000000000 (none programmed)"},
        {"Ship's name", "EVIL\x1B[2J"},
        {"Call sign", "(not reported)"},
        {"A (to bow)", "10 m"},
        {"B (to stern)", "\"x\\u001b\" (not a number)"},
        {"C (to port)", "(not reported)"},
        {"D (to starboard)", "(not reported)"},
        {"Vessel type", "70 (not one of the window's list)"},
        {"Switch type", "rx-only"},
        {"Vendor ID", "(not reported)"},
        {"RS422 baud rate", "4800"},
        {"GPS output", "(not reported)"},
        {"Alarm output", "(not reported)"},
    };
    EXPECT_EQ(rows, want);
    // The printout quotes what the rows leave plain, and what they quoted already stays.
    const std::string t = ConfigText(c);
    EXPECT_TRUE(Has(t, "Ship's name       \"EVIL\\u001b[2J\"\n")) << t;
    EXPECT_TRUE(Has(t, "B (to stern)      \"x\\u001b\" (not a number)\n")) << t;
}

// ---- What check prints -------------------------------------------------------------------------

TEST(CheckText, ColumnsWithTheAdviceOfEveryCheckNotOkUnderItsFigures) {
    const Strings lines = Lines(CheckText(SampleChecks()));
    ASSERT_EQ(lines.size(), 6u);
    const std::size_t verdictAt = std::string("Supply voltage").size() + 2;
    const std::size_t figuresAt = verdictAt + std::string("waiting").size() + 2;
    EXPECT_EQ(lines[0], "GPS fix         OK       Fix; satellites 9 in view, 7 used");
    EXPECT_EQ(lines[1].substr(verdictAt, 6), "fault ");
    EXPECT_EQ(lines[1].substr(figuresAt), "No own position report in 3 min 20 s");
    EXPECT_EQ(lines[2], std::string(figuresAt, ' ') + "The unit does not transmit.");
    EXPECT_EQ(lines[3], "AIS reception   waiting"); // no figures, no advice, no trailing blanks
    EXPECT_EQ(lines[4].substr(verdictAt), "check    Idle 11.2 V");
    EXPECT_EQ(lines[5], std::string(figuresAt, ' ') + "The supply is low.");
}

TEST(CheckText, TextsFromTheUnitAreShownNotActedOn) {
    std::vector<TCheck> checks = SampleChecks();
    checks[0].Figures = "Alarm 002 \x1B]0;owned\x07 \xC2\x9B"
                        "2J";             // an escape sequence, and a C1 CSI
    checks[1].Figures = "SATS \xE9 \x9B"; // Latin-1 bytes, never valid UTF-8
    const std::string t = CheckText(checks);
    EXPECT_FALSE(Has(t, "\x1B"));
    EXPECT_FALSE(Has(t, "\x07"));
    EXPECT_FALSE(Has(t, "\xC2\x9B"));
    EXPECT_TRUE(Has(t, "\"Alarm 002 \\u001b]0;owned\\u0007 \\u009b2J\"")) << t;
    EXPECT_TRUE(Has(t, "SATS \xEF\xBF\xBD \xEF\xBF\xBD\n")) << t;
    EXPECT_EQ(Utf8Clean(t), t);
}

TEST(Utf8Clean, KeepsValidSequencesAndReplacesEachBrokenByte) {
    const std::string bad = "\xEF\xBF\xBD"; // U+FFFD
    const struct {
        std::string In, Out;
    } cases[] = {
        {"plain ASCII", "plain ASCII"},
        {"54\xC2\xB0 \xE2\x82\xAC \xF0\x9F\x9A\xA2", "54\xC2\xB0 \xE2\x82\xAC \xF0\x9F\x9A\xA2"},
        {"\xE9t\xE9", bad + "t" + bad},              // Latin-1
        {"\xC0\xAF", bad + bad},                     // an overlong "/"
        {"\xED\xA0\x80", bad + bad + bad},           // a surrogate
        {"\xF4\x90\x80\x80", bad + bad + bad + bad}, // past U+10FFFF
        {"cut \xE2\x82", "cut " + bad + bad},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8Clean(c.In), c.Out) << c.In;
}

TEST(CheckProgress, CountsEachVerdictAndNeverPassesTheEnd) {
    EXPECT_EQ(CheckProgress(40.7, 200, SampleChecks()),
              "listening 40/200 s: 1 OK, 1 check, 1 fault, 1 waiting");
    EXPECT_EQ(CheckProgress(203, 200, {}),
              "listening 200/200 s: 0 OK, 0 check, 0 fault, 0 waiting");
}

TEST(ScaledClock, CountsScaleTimesFasterFromWhenItWasMade) {
    double real = 46000.5; // UTC days
    const TScaledClock clock([&] { return real; }, 20);
    EXPECT_DOUBLE_EQ(clock.Now(), 46000.5);
    real += 10.0 / 86400; // ten real seconds
    EXPECT_NEAR((clock.Now() - 46000.5) * 86400, 200, 1e-3);
    const TScaledClock same([&] { return real; }, 1);
    real += 1.0 / 86400;
    EXPECT_NEAR((same.Now() - (real - 1.0 / 86400)) * 86400, 1, 1e-3);
}

TInstallReport SampleReport() {
    TInstallReport r;
    r.Tool = "corvane-config 0.1.0";
    r.UtcTime = "2026-12-10 20:57:20 UTC";
    r.LocalTime = "2026-12-10 21:57:20 CET";
    r.Port = "COM3";
    r.ListenedSeconds = 200;
    r.Config = {{"MMSI", "211234560"}, {"Ship's name", "EVIL\x1B \xE9"}};
    r.Checks = SampleChecks();
    r.Checks[0].Figures = "Alarm \"002\" \\ \x1B[2J \xE9";
    r.Coverage.FarthestNm[0] = 4.2;
    r.Coverage.FarthestNm[1] = 1.0 / 3;
    r.Coverage.FarthestNm[2] = std::nan("");
    r.Coverage.FarthestNm[3] = -1;
    r.Coverage.FarthestA = 4.2;
    r.Coverage.FarthestB = INFINITY;
    return r;
}

TEST(CheckJson, OneObjectWithItsMembersInOrderThatAReaderTakes) {
    const std::string config = "{\n  \"mmsi\": \"211234560\",\n  \"a\": 10\n}\n";
    const std::string j = CheckJson(SampleReport(), config);
    std::vector<TJsonMember> top;
    TJsonError error;
    ASSERT_TRUE(ReadJsonObject(j, top, error)) << error.Line << ": " << error.Message << "\n" << j;
    Strings keys;
    for (const TJsonMember& m : top) keys.push_back(m.Key);
    EXPECT_EQ(keys, (Strings{"tool", "utc_time", "local_time", "port", "listened_seconds", "ok",
                             "config", "config_rows", "checks", "coverage"}));
    EXPECT_EQ(Member(top, "tool")->Value.Text, "corvane-config 0.1.0");
    EXPECT_EQ(Member(top, "listened_seconds")->Value.Text, "200");
    EXPECT_EQ(Member(top, "ok")->Value.Kind, TJsonValue::TKind::False); // one check is a fault
    EXPECT_TRUE(Has(j, "  \"config\": {\n    \"mmsi\": \"211234560\",\n    \"a\": 10\n  },\n"))
        << j;
    EXPECT_TRUE(Has(j, "[\"Ship's name\", \"EVIL\\u001b \xEF\xBF\xBD\"]")) << j;
    EXPECT_TRUE(Has(j, "\"figures\": \"Alarm \\\"002\\\" \\\\ \\u001b[2J \xEF\xBF\xBD\"")) << j;
    // Numbers with a point, shortest, a hundredth at most; what is no distance is 0.
    EXPECT_TRUE(Has(j, "{\"sectors_nm\": [4.2, 0.33, 0, 0, 0,")) << j;
    EXPECT_TRUE(Has(j, "\"farthest_a_nm\": 4.2, \"farthest_b_nm\": 0}")) << j;
    EXPECT_EQ(VerdictsOf(j), (std::map<std::string, std::string>{{"gps", "OK"},
                                                                 {"transmitter", "fault"},
                                                                 {"reception", "waiting"},
                                                                 {"supply", "check"}}));

    TInstallReport fine = SampleReport();
    fine.Checks.erase(fine.Checks.begin() + 1);
    ASSERT_TRUE(ReadJsonObject(CheckJson(fine, "{}\n"), top, error));
    EXPECT_EQ(Member(top, "ok")->Value.Kind, TJsonValue::TKind::True); // "check" is no fault
    EXPECT_EQ(Member(top, "config")->Value.Kind, TJsonValue::TKind::Object);
}

TEST(CheckTimes, UtcAndLocalAsTheReportShowsThem) {
    const std::time_t t = 1796936240; // 2026-12-10 20:57:20 UTC
    EXPECT_EQ(UtcTimeText(t), "2026-12-10 20:57:20 UTC");
    const char* tz = std::getenv("TZ");
    const std::string saved = tz ? tz : "";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    EXPECT_EQ(LocalTimeText(t), "2026-12-10 21:57:20 CET");
    if (tz)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(IsHtmlName, PageByItsEndingInAnyCaseOtherwisePdf) {
    for (const char* page : {"r.html", "r.htm", "R.HTML", "dir.pdf/r.Htm", ".html"})
        EXPECT_TRUE(IsHtmlName(page)) << page;
    for (const char* pdf : {"r.pdf", "r", "html", "r.html.pdf", "r.xhtml", "r.htmlx", "r.htm "})
        EXPECT_FALSE(IsHtmlName(pdf)) << pdf;
}

// ---- Report files ------------------------------------------------------------------------------

TEST(ReportFile, ReplacesWholeOrLeavesNothingBehind) {
    TTempDir d;
    const std::string page = d / "r.html";
    std::string error;
    ASSERT_TRUE(ReplaceFile(page, "first", error)) << error;
    ASSERT_TRUE(ReplaceFile(page, "second, longer", error)) << error;
    EXPECT_EQ(FileText(page), "second, longer");
    struct stat st {};
    ASSERT_EQ(stat(page.c_str(), &st), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask); // as any new file, not a private temp file

    EXPECT_FALSE(ReplaceFile(d / "none/r.html", "x", error));
    EXPECT_TRUE(Has(error, "cannot write " + d / "none/r.html" + ": No such file")) << error;
    fs::create_directory(d / "sub");
    EXPECT_FALSE(ReplaceFile(d / "sub", "x", error)); // a directory is not replaced by a page
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(d.Path)) ++entries;
    EXPECT_EQ(entries, 2); // r.html and sub: no temporary file left
}

TEST(ReportFile, ThePlaceIsCheckedBeforeTheListening) {
    TTempDir d;
    fs::create_directory(d / "sub");
    std::string error;
    EXPECT_TRUE(ReportPathUsable(d / "r.pdf", error)) << error;
    EXPECT_TRUE(ReportPathUsable(d / "sub/r.html", error)) << error;
    const struct {
        std::string Path, Says;
    } bad[] = {
        {d / "none/r.pdf", "no directory " + d / "none"},
        {d / "sub", d / "sub is a directory"},
        {d / "sub/", d / "sub/ is a directory"},
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(ReportPathUsable(b.Path, error)) << b.Path;
        EXPECT_EQ(error, b.Says);
    }
    if (geteuid() != 0) { // root may write anywhere
        chmod((d / "sub").c_str(), 0500);
        EXPECT_FALSE(ReportPathUsable(d / "sub/r.pdf", error));
        EXPECT_TRUE(Has(error, "cannot write in " + d / "sub")) << error;
        chmod((d / "sub").c_str(), 0700);
    }
}

TEST(ReportProgram, GetsTheJsonOnItsInputAndTheFileAsItsArgument) {
    TTempDir d;
    const std::string program = d / "corvane-report";
    WriteText(program,
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + d / "args" + "\ncat > " + d / "input" +
                  "\nwhile read -r l; do case $l in SigBlk*|SigIgn*) echo \"$l\";; esac; done < "
                  "/proc/$$/status > " +
                  d / "signals" + "\necho 'noise on standard output'\n",
              0755);
    // The shell reads its own signal state with builtins only: a shell blocks every signal
    // while it forks a command, so a forked grep could see that passing state.
    // This program's own state: the ending signals blocked, SIGPIPE ignored.
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &block, &old);
    const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);
    std::string error;
    const std::string json(200000, 'j'); // more than a pipe holds
    const bool ran = RunReportProgram(program, json, "-r.pdf", error);
    std::signal(SIGPIPE, oldPipe);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ASSERT_TRUE(ran) << error;
    EXPECT_EQ(FileText(d / "args"), "-\n./-r.pdf\n"); // a name that looks like an option is not one
    EXPECT_EQ(FileText(d / "input"), json);
    // Neither blocked nor ignored in it: SIGINT, SIGTERM, SIGHUP and SIGPIPE end it as usual.
    for (const std::string& line : Lines(FileText(d / "signals"))) {
        const unsigned long long bits = std::stoull(line.substr(line.find('\t') + 1), nullptr, 16);
        for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            EXPECT_EQ((bits >> (sig - 1)) & 1, 0u) << line << " signal " << sig;
    }
}

TEST(ReportProgram, AFailureIsToldWithItsMessage) {
    TTempDir d;
    const struct {
        std::string Script, Says;
    } cases[] = {
        {"echo 'corvane-report: cannot write r.pdf: No space left on device' >&2; exit 6",
         "corvane-report: cannot write r.pdf: No space left on device"},
        {"exit 3", " ended with status 3"},
        {"kill -KILL $$", " was ended by signal 9"},
        // Reads nothing and says a lot: neither program waits for the other.
        {"head -c 100000 /dev/zero | tr '\\0' x >&2; exit 1", std::string(1000, 'x')},
        {"printf 'bad \\033[2J\\n' >&2; exit 2", "bad ?[2J"},
    };
    for (const auto& c : cases) {
        const std::string program = d / "fails";
        WriteText(program, "#!/bin/sh\n" + c.Script + "\n", 0755);
        std::string error;
        EXPECT_FALSE(RunReportProgram(program, std::string(300000, '{'), d / "r.pdf", error));
        EXPECT_TRUE(Has(error, c.Says)) << c.Script << " -> " << error.substr(0, 200);
    }
    std::string error;
    EXPECT_FALSE(RunReportProgram(d / "missing", "{}", d / "r.pdf", error));
    EXPECT_TRUE(Has(error, "cannot run " + d / "missing")) << error;
}

TEST(ReportProgram, FoundOnThePathButNeverInTheWorkingDirectory) {
    TTempDir d;
    fs::create_directory(d / "bin");
    fs::create_directory(d / "off");
    fs::create_directory(d / "here");
    WriteText(d / "off/corvane-report", "#!/bin/sh\n", 0644); // not executable
    WriteText(d / "bin/corvane-report", "#!/bin/sh\n", 0755);
    WriteText(d / "here/corvane-report", "#!/bin/sh\n", 0755);
    const char* path = std::getenv("PATH");
    const std::string saved = path ? path : "";
    const fs::path cwd = fs::current_path();
    fs::current_path(d / "here");
    // This test program has no corvane-report beside it, so the path decides.
    setenv("PATH", (d / "off" + ":" + d / "bin").c_str(), 1);
    EXPECT_EQ(FindReportProgram(), d / "bin/corvane-report");
    setenv("PATH", (":" + d / "off" + "::").c_str(), 1);
    EXPECT_EQ(FindReportProgram(), "");
    unsetenv("PATH");
    EXPECT_EQ(FindReportProgram(), "");
    fs::current_path(cwd);
    setenv("PATH", saved.c_str(), 1);
}

// ---- End to end --------------------------------------------------------------------------------

// The simulator's line carries 38400 bit/s, as a real unit's: ten times its traffic fits only
// with the GPS sentences the check reads (RMC and GGA) and a few ships around.
constexpr const char* kSpeed = "10";

// A simulator in a private port directory, and the programs run against it.
class TCheckRig {
public:
    explicit TCheckRig(const Strings& Faults = {}, const Strings& More = {}) {
        WriteText(Dir / "unit.txt", "nmea = 0009\n");
        Strings args = {"--config",    Dir / "unit.txt", "--speed", kSpeed,
                        "--no-alarms", "--targets",      "4"};
        for (const std::string& f : Faults) args.insert(args.end(), {"--fault", f});
        args.insert(args.end(), More.begin(), More.end());
        Sim = std::make_unique<TSimProcess>(Dir.Path, args);
    }

    Strings Args(int Seconds, Strings Extra = {}) const {
        Strings a = {"--port-dir",
                     Dir.Path,
                     "check",
                     "--port",
                     std::to_string(Sim->PortNum()),
                     "--seconds",
                     std::to_string(Seconds),
                     "--time-scale",
                     kSpeed};
        a.insert(a.end(), Extra.begin(), Extra.end());
        return a;
    }
    TConfigRun Check(int Seconds, Strings Extra = {}, const TSignalWhen& When = {}) const {
        return RunConfig(Args(Seconds, std::move(Extra)), {}, When, 120000);
    }

    TTempDir Dir;
    std::unique_ptr<TSimProcess> Sim;
};

std::string Shown(const TConfigRun& R) {
    return "status " + std::to_string(R.Status) + "\n--- stdout\n" + R.Out + "--- stderr\n" + R.Err;
}

TEST(CheckEndToEnd, AHealthyUnitPassesAndEachFaultIsFoundByItsOwnCheck) {
    const struct {
        const char* Fault; // none: a healthy unit
        int Seconds;       // as long as the check that finds it needs
        std::set<std::string> Faults;
        std::map<std::string, std::string> Also; // other verdicts the fault decides
    } cases[] = {
        {nullptr, 200, {}, {}},
        {"no-fix", 30, {"gps"}, {}},
        {"low-voltage", 30, {"supply"}, {}},
        {"reverse-power", 30, {"vhf-antenna"}, {}},
        {"rx-only", 30, {"transmitter"}, {}},
        {"no-mmsi", 30, {"mmsi"}, {{"transmitter", "check"}}}, // its silence is explained
        {"dead-channel", 90, {"reception"}, {}},
        {"no-own-reports", 210, {"transmitter"}, {}}, // a moored unit's 3 minutes and a margin
    };
    // Each simulator and check of its own, all at once.
    std::vector<std::unique_ptr<TCheckRig>> rigs;
    std::vector<std::future<TConfigRun>> runs;
    for (const auto& c : cases) {
        rigs.push_back(std::make_unique<TCheckRig>(c.Fault ? Strings{c.Fault} : Strings{}));
        Strings extra = {"--json"};
        if (!c.Fault) extra.insert(extra.end(), {"--report", rigs.back()->Dir / "r.HTML"});
        runs.push_back(std::async(std::launch::async, [&rig = *rigs.back(), &c, extra] {
            return rig.Check(c.Seconds, extra);
        }));
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.Fault ? c.Fault : "healthy");
        const TConfigRun r = runs[i].get();
        EXPECT_EQ(r.Status, c.Fault ? 7 : 0) << Shown(r);
        const auto verdicts = VerdictsOf(r.Out);
        EXPECT_EQ(verdicts.size(), 10u) << Shown(r);
        std::set<std::string> faults;
        for (const auto& [id, verdict] : verdicts)
            if (verdict == "fault") faults.insert(id);
        EXPECT_EQ(faults, c.Faults) << Shown(r);
        for (const auto& [id, verdict] : c.Also)
            EXPECT_EQ(verdicts.at(id), verdict) << id << "\n" << Shown(r);
        EXPECT_TRUE(Has(r.Out, c.Fault ? "\"ok\": false,\n" : "\"ok\": true,\n")) << r.Out;
        EXPECT_TRUE(Has(r.Err, "listening 0/" + std::to_string(c.Seconds) + " s: ")) << r.Err;
        if (c.Fault) continue;
        // Healthy: every check OK, and the page says so under every title.
        for (const auto& [id, verdict] : verdicts) EXPECT_EQ(verdict, "OK") << id << Shown(r);
        EXPECT_TRUE(Has(r.Out, "\"listened_seconds\": 200,\n")) << r.Out;
        EXPECT_TRUE(
            Has(r.Out, "\"port\": \"COM" + std::to_string(rigs[i]->Sim->PortNum()) + "\",\n"))
            << r.Out;
        EXPECT_TRUE(Has(r.Out, "    [\"Ship's name\", \"CORVANE TEST\"],\n")) << r.Out;
        const std::string page = FileText(rigs[i]->Dir / "r.HTML");
        EXPECT_TRUE(page.starts_with("<!DOCTYPE html>")) << page.substr(0, 100);
        for (const std::string& t : Titles()) EXPECT_TRUE(Has(page, t)) << t;
    }
}

// A copy of the program in a directory of its own, with nothing on the path.
struct TLoneProgram {
    TLoneProgram() {
        fs::copy_file(CORVANE_BINARY_DIR "/tools/config/corvane-config", Dir / "corvane-config");
    }
    TConfigRun Run(const Strings& Args) const {
        return RunConfigAs(Dir / "corvane-config", {"PATH=", "HOME=" + Dir.Path}, Args, 60000);
    }
    TTempDir Dir;
};

TEST(CheckEndToEnd, PdfWithoutCorvaneReportSaysSoAfterTheVerdicts) {
    const TCheckRig rig;
    const TLoneProgram lone;
    const TConfigRun r = lone.Run(rig.Args(20, {"--report", rig.Dir / "boat.pdf"}));
    EXPECT_EQ(r.Status, 6) << Shown(r);
    EXPECT_TRUE(Has(r.Err, "corvane-config: cannot write the PDF report: corvane-report not "
                           "found; write " +
                               rig.Dir / "boat.html instead\n"))
        << r.Err;
    for (const std::string& t : Titles())
        EXPECT_TRUE(Has(r.Out, "\n" + t + "  ") || r.Out.starts_with(t + "  ")) << t << r.Out;
    EXPECT_TRUE(Has(r.Out, "\nListened 20 s on COM")) << r.Out;
    EXPECT_FALSE(fs::exists(rig.Dir / "boat.pdf"));
}

TEST(CheckEndToEnd, PdfThroughTheCorvaneReportBesideTheProgram) {
    const std::string report = CORVANE_BINARY_DIR "/tools/report/corvane-report";
    if (!fs::exists(report)) GTEST_SKIP() << "corvane-report is not built";
    if (std::system("pdftotext -v > /dev/null 2>&1") != 0) GTEST_SKIP() << "no pdftotext";
    const TCheckRig rig;
    const TLoneProgram lone;
    fs::create_symlink(report, lone.Dir / "corvane-report");
    const TConfigRun r = lone.Run(rig.Args(20, {"--report", rig.Dir / "boat.pdf"}));
    EXPECT_TRUE(r.Status == 0 || r.Status == 7) << Shown(r);
    ASSERT_TRUE(fs::exists(rig.Dir / "boat.pdf")) << Shown(r);
    const std::string text = rig.Dir / "boat.txt";
    ASSERT_EQ(std::system(("pdftotext '" + rig.Dir / "boat.pdf' '" + text + "'").c_str()), 0);
    // A title a table cell wraps is one title all the same.
    std::string words;
    std::istringstream in(FileText(text));
    for (std::string w; in >> w;) words += w + " ";
    for (const std::string& t : Titles()) EXPECT_TRUE(Has(words, t + " ")) << t << "\n" << words;
}

TEST(CheckEndToEnd, SigtermWhileListeningClosesThePortAndGivesNoVerdicts) {
    const TCheckRig rig;
    const TConfigRun r = rig.Check(200, {}, [](const std::string& Err) {
        return Has(Err, "listening 10/200 s") ? SIGTERM : 0;
    });
    EXPECT_EQ(r.Status, 1) << Shown(r);
    EXPECT_TRUE(Has(r.Err, "Interrupted (SIGTERM); the port is closed. The check ended before "
                           "its verdicts; nothing was written.\n"))
        << r.Err;
    EXPECT_EQ(r.Out, "");
    const TConfigRun ports = RunConfig({"--port-dir", rig.Dir.Path, "ports"});
    EXPECT_EQ(ports.Status, 0) << Shown(ports); // free for the next program
}

TEST(CheckEndToEnd, TheReadFailsAsReadDoes) {
    const TCheckRig rig({}, {"--silent", "--no-traffic"});
    const TConfigRun r = rig.Check(10);
    EXPECT_EQ(r.Status, 3) << Shown(r);
    EXPECT_TRUE(Has(r.Err, "Connection failed.\nNo transponder answered on COM ")) << r.Err;
    EXPECT_EQ(r.Out, "");
}

TEST(CheckEndToEnd, AUnitThatSendsNothingOnItsOwnGetsNoVerdicts) {
    // Every check would wait, and none being a fault would pass for success.
    const TCheckRig rig({}, {"--no-traffic"});
    const TConfigRun r = rig.Check(20, {"--json"});
    EXPECT_EQ(r.Status, 4) << Shown(r);
    EXPECT_TRUE(Has(r.Err, "Nothing was received from the transponder in 20 s of listening"))
        << r.Err;
    EXPECT_EQ(r.Out, "");
}

TEST(CheckEndToEnd, AReportThatCannotBeWrittenIsRefusedBeforeThePortOpens) {
    const TCheckRig rig;
    const TConfigRun r = rig.Check(200, {"--report", rig.Dir / "none/boat.pdf"});
    EXPECT_EQ(r.Status, 2) << Shown(r);
    EXPECT_TRUE(Has(r.Err, "corvane-config: --report " + rig.Dir / "none/boat.pdf" +
                               ": no directory " + rig.Dir / "none" + ". No port was opened.\n"))
        << r.Err;
    EXPECT_EQ(rig.Sim->Transcript(), Strings{});
}

} // namespace
