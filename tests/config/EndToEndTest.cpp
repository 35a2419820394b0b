// corvane-config as an installer runs it, against corvane-sim on a pseudo-terminal published in a
// private port directory. The simulator's transcript (every sentence it received) is the record
// of what went on the line.

#include "ConfigProcess.h"
#include "nmea/Framing.h"
#include "tests/window/SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

const std::string kUnlock = "PSRT,012,,,(--VoXeL--)";

// Connect's probe and the seven read steps.
const Strings kReadQueries = {"DUAIQ,010", "DUAIQ,SSD", "DUAIQ,VSD",     "DUAIQ,SRM",
                              "DUAIQ,010", "DUAIQ,SER", "DUAIQ,NMEA,03", "DUAIQ,ALM"};

// The simulator's factory-fresh memory, as read.
const std::string kDefaultText = "MMSI              211234560\n"
                                 "Ship's name       CORVANE TEST\n"
                                 "Call sign         DK2345\n"
                                 "A (to bow)        10 m\n"
                                 "B (to stern)      5 m\n"
                                 "C (to port)       3 m\n"
                                 "D (to starboard)  2 m\n"
                                 "Vessel type       37 = Vessel - Pleasure craft\n"
                                 "Switch type       none\n"
                                 "Vendor ID         CVN2401\n"
                                 "RS422 baud rate   38400\n"
                                 "GPS output        all\n"
                                 "Alarm output      enable\n";

const std::string kDefaultJson = R"({
  "mmsi": "211234560",
  "name": "CORVANE TEST",
  "callsign": "DK2345",
  "a": 10,
  "b": 5,
  "c": 3,
  "d": 2,
  "vessel_type": 37,
  "switch_type": "none",
  "vendor_id": "CVN2401",
  "rs422_baud": 38400,
  "gps_output": "all",
  "alarm_output": "enable"
}
)";

// Every setting changed, as the window's write test changes them.
const std::string kFullProfile = R"({
  "mmsi": "244123456",
  "name": "new name",
  "callsign": "ab12",
  "a": 20, "b": 10, "c": 4, "d": 4,
  "vessel_type": 36,
  "switch_type": "rx-only",
  "rs422_baud": 4800,
  "gps_output": "minimal",
  "alarm_output": "disable"
}
)";

Strings Lines(const std::string& S) {
    Strings out;
    std::istringstream in(S);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

bool Has(const std::string& Text, const std::string& Piece) {
    return Text.find(Piece) != std::string::npos;
}

std::string FileText(const std::string& Path) {
    std::ifstream in(Path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ConfigEndToEnd : public ::testing::Test {
protected:
    ConfigEndToEnd() {
        char dir[] = "/tmp/corvane-config-test-XXXXXX";
        PortDir = mkdtemp(dir);
    }
    ~ConfigEndToEnd() override {
        Sim.reset();
        std::filesystem::remove_all(PortDir);
    }

    TSimProcess& StartSim(const Strings& Args = {"--no-traffic"}) {
        Sim = std::make_unique<TSimProcess>(PortDir, Args);
        return *Sim;
    }

    TConfigRun Config(Strings Args, const std::string& Input = {}, const TSignalWhen& When = {}) {
        Args.insert(Args.begin(), {"--port-dir", PortDir});
        return RunConfig(Args, Input, When);
    }

    std::string Port() const { return std::to_string(Sim->PortNum()); }
    std::string ComPort() const { return "COM " + Port(); }

    Strings SentAfterRead() const {
        const Strings all = Sim->Transcript();
        return Strings(all.begin() + static_cast<long>(std::min(kReadQueries.size(), all.size())),
                       all.end());
    }

    std::string PortDir;
    std::unique_ptr<TSimProcess> Sim;
};

TEST_F(ConfigEndToEnd, ReadScansLikeConnectAndPrintsTheConfigurationAligned) {
    StartSim();
    const TConfigRun r = Config({"read"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, kDefaultText);
    // Connect's scan probes the port once as it selects it and once more as its time starts
    Strings sent = kReadQueries;
    sent.insert(sent.begin(), "DUAIQ,010");
    EXPECT_EQ(Sim->Transcript(), sent);
    EXPECT_EQ(Lines(r.Err),
              (Strings{"Scanning ports...", "Ports that open: " + ComPort(),
                       "Probing " + ComPort() + " (" + PortDir + "/COM" + Port() + ")",
                       "Connected on " + ComPort(), "Reading static data", "Reading vessel type",
                       "Reading switch type", "Reading MMSI", "Reading RS422 baud rate",
                       "Reading GPS output", "Reading alarm output"}));
}

TEST_F(ConfigEndToEnd, WriteSendsSavesGroupsInOrderAndReadingAgainShowsTheProfile) {
    StartSim();
    const TConfigRun w = Config({"write", "-", "--port", Port()}, kFullProfile);
    ASSERT_EQ(w.Status, 0) << w.Err;
    EXPECT_TRUE(Has(w.Out, "  mmsi          \"211234560\"    -> \"244123456\"\n")) << w.Out;
    EXPECT_TRUE(Has(w.Out, "  name          \"CORVANE TEST\" -> \"NEW NAME\"\n")) << w.Out;
    EXPECT_TRUE(w.Out.ends_with("Programming was successful.\n")) << w.Out;
    const Strings all = Sim->Transcript();
    ASSERT_GE(all.size(), kReadQueries.size());
    EXPECT_EQ(Strings(all.begin(), all.begin() + 8), kReadQueries);
    EXPECT_EQ(
        SentAfterRead(),
        (Strings{kUnlock, "PSRT,010,,,244123456", "PSRT,010", "AISSD,AB12,NEW NAME,20,10,4,4,0,AI",
                 "AIAIQ,SSD", "AIVSD,36,,,,,,,,", "DUAIQ,VSD", kUnlock, "PSRT,SRM,01,02,CVN2401",
                 "DUAIQ,SRM", "PSRT,NMEA,03,0008,00", kUnlock, "PSRT,SER,,,0D1E", "DUAIQ,SER",
                 kUnlock, "PSRT,ALM,0001", "DUAIQ,ALM"}));
    Strings reported;
    for (const std::string& l : Lines(w.Err))
        if (l.starts_with("Confirmed ") || l.starts_with("Sent ")) reported.push_back(l);
    EXPECT_EQ(reported, (Strings{"Confirmed MMSI", "Confirmed static data", "Confirmed vessel type",
                                 "Confirmed switch type",
                                 "Sent GPS output (the transponder does not confirm it)",
                                 "Confirmed RS422 baud rate", "Confirmed alarm output"}));

    const TConfigRun r = Config({"read", "--json", "--port", Port(), "--quiet"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out, R"({
  "mmsi": "244123456",
  "name": "NEW NAME",
  "callsign": "AB12",
  "a": 20,
  "b": 10,
  "c": 4,
  "d": 4,
  "vessel_type": 36,
  "switch_type": "rx-only",
  "vendor_id": "CVN2401",
  "rs422_baud": 4800,
  "gps_output": "minimal",
  "alarm_output": "disable"
}
)");
}

TEST_F(ConfigEndToEnd, DryRunShowsChangesAndSentencesButSendsOnlyTheReadQueries) {
    StartSim();
    // Keys left out keep what was read: the call sign, A to C, the interface settings.
    const TConfigRun r =
        Config({"write", "-", "--dry-run", "--port", Port()}, R"({"name": "Seeschwalbe", "d": 3})");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Sim->Transcript(), kReadQueries);
    const Strings out = Lines(r.Out);
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(Strings(out.begin(), out.begin() + 3),
              (Strings{"Changes:", "  name  \"CORVANE TEST\" -> \"SEESCHWALBE\"",
                       "  d     2              -> 3"}));
    const auto wire = [](const std::string& Body) {
        const std::string f = FrameNMEA(Body);
        return "  " + f.substr(0, f.size() - 2);
    };
    for (const std::string& line :
         {wire("PSRT,010,,,211234560"), wire("AISSD,DK2345,SEESCHWALBE,10,5,3,3,0,AI"),
          wire("AIVSD,37,,,,,,,,"), wire("PSRT,SRM,00,01,CVN2401"), wire("PSRT,NMEA,03,000F,00"),
          wire("PSRT,SER,,,0D36"), wire("PSRT,ALM,0000")})
        EXPECT_NE(std::find(out.begin(), out.end(), line), out.end()) << line << "\n" << r.Out;
}

TEST_F(ConfigEndToEnd, ResetWithYesReadsThenSendsTheFactoryResetWithTheVendorID) {
    StartSim();
    const TConfigRun r = Config({"reset", "--yes", "--port", Port()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "Corvane MMSI erased.\n");
    EXPECT_EQ(SentAfterRead(), (Strings{kUnlock, "PSRT,RDP", kUnlock, "PSRT,SRM,00,01,CVN2401"}));
    EXPECT_TRUE(Has(FileText(Sim->ConfigFile()), "mmsi = 0\n"));
}

TEST_F(ConfigEndToEnd, BadInputIsRefusedBeforeAnyPortIsOpened) {
    StartSim();
    const struct {
        Strings Args;
        std::string Input;
        std::string Says;
    } cases[] = {
        {{"write", "-"},
         "{\n  \"name\": \"X\",\n  \"a\": 600\n}",
         "standard input:3: \"a\": 600 is out of range 0 to 511"},
        {{"write", "-"}, "{\n  \"a\": 1,\n}\n", "standard input:3: a comma before '}'"},
        {{"write", "-"}, "{\"colour\": \"red\"}", "standard input:1: \"colour\": unknown key"},
        {{"write", "-"}, "{\"mmsi\": 244123456}", "\"mmsi\": 244123456 must be a string of digits"},
        {{"write", "-"},
         "{\"name\": \"A,B\"}",
         "Ship's name and call sign must not contain , * $ ! \\ ^ or ~!"},
        {{"write", "-"},
         "{\"a\": 1,\n \"a\": 2}",
         "standard input:2: \"a\": given twice (first on line 1)"},
        {{"write", PortDir + "/none.json"}, "", "none.json: No such file or directory"},
        {{"reset"}, "", "give --yes"},
        {{"read", "--port", "256"}, "", "bad value for --port"},
    };
    for (const auto& c : cases) {
        Strings args = c.Args;
        if (args[0] != "read") args.insert(args.end(), {"--port", Port()});
        const TConfigRun r = Config(args, c.Input);
        EXPECT_EQ(r.Status, 2) << c.Says;
        EXPECT_TRUE(Has(r.Err, c.Says)) << r.Err;
        EXPECT_FALSE(Has(r.Err, "Probing")) << r.Err;
        EXPECT_EQ(r.Out, "");
    }
    EXPECT_EQ(Sim->Transcript(), Strings{});
}

TEST_F(ConfigEndToEnd, SilentTransponderWithoutTrafficIsNotFound) {
    StartSim({"--no-traffic", "--silent"});
    const TConfigRun r = Config({"read", "--port", Port()});
    EXPECT_EQ(r.Status, 3) << r.Err;
    EXPECT_TRUE(Has(r.Err, "Connection failed.\nNo transponder answered on " + ComPort() + ".\n"))
        << r.Err;
    EXPECT_EQ(Sim->Transcript(), Strings{"DUAIQ,010"});
}

TEST_F(ConfigEndToEnd, SilentTransponderWhoseGpsShowsItIsThereGivesNoResponse) {
    // Its GPS sentences are a sign of the transponder while probing, but no query is answered.
    StartSim({"--silent", "--targets", "0", "--speed", "10"});
    const TConfigRun r = Config({"read", "--port", Port()});
    EXPECT_EQ(r.Status, 4) << r.Err;
    EXPECT_TRUE(Has(r.Err, "Reading static data (attempt 3 of 3)\n")) << r.Err;
    EXPECT_TRUE(Has(r.Err, "No response from corvane.\nTry to connect again.\n")) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(Sim->Transcript(), (Strings{"DUAIQ,010", "DUAIQ,SSD", "DUAIQ,SSD", "DUAIQ,SSD"}));
}

TEST_F(ConfigEndToEnd, LateRepliesAreTakenWhileTheRepeatIsAwaited) {
    StartSim({"--late-ms", "1100", "--targets", "0", "--speed", "10"});
    const TConfigRun r = Config({"read", "--json", "--port", Port()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, kDefaultJson);
    EXPECT_TRUE(Has(r.Err, "Reading alarm output (attempt 2 of 3)\n")) << r.Err;
}

TEST_F(ConfigEndToEnd, LockedMmsiIsGivenUpAfterFourGroupsAndNothingElseIsWritten) {
    StartSim({"--no-traffic", "--mmsi-locked"});
    const TConfigRun r = Config({"write", "-", "--port", Port()}, R"({"mmsi": "244123456"})");
    EXPECT_EQ(r.Status, 5) << r.Err;
    EXPECT_TRUE(Has(r.Err, "The MMSI cannot be changed!\n")) << r.Err;
    EXPECT_TRUE(Has(r.Err, "No group was confirmed.")) << r.Err;
    EXPECT_TRUE(Has(r.Out, "mmsi  \"211234560\" -> \"244123456\"")) << r.Out;
    const Strings sent = SentAfterRead();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "PSRT,010,,,244123456"), 4);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "AIAIQ,SSD"), 0);
}

TEST_F(ConfigEndToEnd, UnpluggedLineEndsTheReadWithNoResponse) {
    StartSim({"--no-traffic", "--unplug-after", "1.2"}); // the read needs about 2 s
    const TConfigRun r = Config({"read", "--port", Port()});
    EXPECT_EQ(r.Status, 4) << r.Err;
    EXPECT_TRUE(Has(r.Err, "No response from corvane.")) << r.Err;
    const Strings sent = Sim->Transcript();
    ASSERT_FALSE(sent.empty());
    EXPECT_LT(sent.size(), kReadQueries.size());
    EXPECT_EQ(sent,
              Strings(kReadQueries.begin(), kReadQueries.begin() + static_cast<long>(sent.size())));
}

TEST_F(ConfigEndToEnd, SigtermDuringTheWriteClosesThePortAndSaysWhatWasConfirmed) {
    StartSim();
    const TConfigRun r =
        Config({"write", "-", "--port", Port()}, kFullProfile,
               [](const std::string& Err) { return Has(Err, "Confirmed MMSI\n") ? SIGTERM : 0; });
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_TRUE(Has(r.Err, "Interrupted (SIGTERM); the port is closed. Confirmed: MMSI")) << r.Err;
    EXPECT_FALSE(Has(r.Out, "Programming was successful.")) << r.Out;
    EXPECT_TRUE(Has(FileText(Sim->ConfigFile()), "mmsi = 244123456\n"));
    // The port is free again: it opens for the next program.
    const TConfigRun ports = Config({"ports"});
    EXPECT_EQ(ports.Status, 0) << ports.Err;
    EXPECT_EQ(ports.Out,
              "COM" + Port() + "  " + PortDir + "/COM" + Port() + " -> " + Sim->Device() + "\n");
}

TEST_F(ConfigEndToEnd, PortsWithoutAnyPortIsNotFound) {
    const TConfigRun r = Config({"ports"});
    EXPECT_EQ(r.Status, 3) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_TRUE(Has(r.Err, "No serial port could be opened")) << r.Err;
}

} // namespace
