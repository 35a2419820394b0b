// The simulator's memory file, its command line and the pace of its line.

#include "SimHarness.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

std::string TempPath(const char* Name) {
    return ::testing::TempDir() + "/" + Name + "-" + std::to_string(getpid());
}

TSimConfig Unusual() {
    TSimConfig c;
    c.MMSI = 7;
    c.CallSign = "";
    c.ShipsName = "  # NOT A COMMENT  ";
    c.A = 511;
    c.B = 0;
    c.C = 63;
    c.D = 1;
    c.ShipType = 255;
    c.SwitchEnable = "01";
    c.SwitchMode = "02";
    c.VendorID = "XYZ-99";
    c.BaudCode = "0D1E";
    c.NmeaOutput = 0x00A8;
    c.AlarmOutput = false;
    return c;
}

TEST(ConfigFile, FormatAndParseRoundTrip) {
    for (const TSimConfig& c : {TSimConfig{}, Unusual()}) {
        TSimConfig back;
        back.MMSI = 1; // overwritten
        std::string err;
        ASSERT_TRUE(ParseConfig(FormatConfig(c), back, err)) << err << "\n" << FormatConfig(c);
        EXPECT_EQ(back, c) << FormatConfig(c);
    }
}

TEST(ConfigFile, BadLinesAreRejectedWithTheirNumber) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"mmsi = 1000000000", "line 1"}, {"# c\nmmsi = x", "line 2"},
        {"a = 512", "line 1"},           {"c = -1", "line 1"},
        {"name = lower", "line 1"},      {"callsign = ABCDEFGH", "line 1"},
        {"switch = 02,01", "line 1"},    {"baud = 9600", "line 1"},
        {"nmea = 12345", "line 1"},      {"alarm = maybe", "line 1"},
        {"colour = red", "line 1"},      {"\n\njust text", "line 3"},
        {"vendorid =", "line 1"},        {"shiptype = 256", "line 1"},
    };
    for (const auto& [text, where] : bad) {
        TSimConfig c;
        std::string err;
        EXPECT_FALSE(ParseConfig(text, c, err)) << text;
        EXPECT_NE(err.find(where), std::string::npos) << text << ": " << err;
        EXPECT_EQ(c, TSimConfig{}) << "a rejected file changes nothing";
    }
}

TEST(ConfigFile, ChangesAreWrittenBackAndSurviveARestart) {
    const std::string path = TempPath("sim-config");
    std::remove(path.c_str());
    TSimOptions o = TSimHarness::Quiet();
    o.ConfigFile = path;
    {
        TSimHarness h(o);
        h.Send("AISSD,DL5XYZ,SEESCHWALBE,12,3,4,5,0,AI");
        h.SendUnlocked("PSRT,010,,,987654321");
        h.SendUnlocked("PSRT,ALM,0001");
    }
    TSimConfig loaded;
    bool exists = false;
    std::string err;
    ASSERT_TRUE(LoadConfigFile(path, loaded, exists, err)) << err;
    TSimHarness restarted(o, loaded);
    EXPECT_EQ(restarted.Read("DUAIQ,SSD", rsStaticData).ShipsName, "SEESCHWALBE");
    EXPECT_EQ(restarted.Read("DUAIQ,010", rsMMSI).MMSI, "987654321");
    EXPECT_EQ(restarted.Read("DUAIQ,ALM", rsAlarmOutput).AlarmOutput, TAlarmOutput::Disable);
    std::remove(path.c_str());

    EXPECT_FALSE(LoadConfigFile(path, loaded, exists, err));
    EXPECT_FALSE(exists) << "a missing file is told apart from a bad one";
}

TEST(Options, ParsesEveryOption) {
    TSimOptions o;
    std::string err;
    ASSERT_TRUE(ParseSimOptions({"--port",         "7",
                                 "--port-dir",     "/tmp/p",
                                 "--config",       "c.txt",
                                 "--transcript",   "t.log",
                                 "--replay",       "r.nmea",
                                 "--replay-rate",  "50",
                                 "--targets",      "0",
                                 "--speed",        "2.5",
                                 "--seed",         "9",
                                 "--silent",       "--late-ms",
                                 "1500",           "--mmsi-locked",
                                 "--unplug-after", "0.5",
                                 "--flood",        "--no-traffic",
                                 "--position",     "-33.9,18.4"},
                                o, err))
        << err;
    EXPECT_EQ(o.PortNum, 7);
    EXPECT_EQ(o.PortDir, "/tmp/p");
    EXPECT_EQ(o.ConfigFile, "c.txt");
    EXPECT_EQ(o.TranscriptFile, "t.log");
    EXPECT_EQ(o.ReplayFile, "r.nmea");
    EXPECT_EQ(o.ReplayRate, 50);
    EXPECT_EQ(o.Targets, 0);
    EXPECT_EQ(o.Speed, 2.5);
    EXPECT_EQ(o.Seed, 9u);
    EXPECT_TRUE(o.Silent && o.Late && o.MmsiLocked && o.Flood && o.NoTraffic);
    EXPECT_EQ(o.LateMs, 1500);
    EXPECT_EQ(o.UnplugAfter, 0.5);
    EXPECT_EQ(o.Lat, -33.9);
    EXPECT_EQ(o.Lon, 18.4);
}

TEST(Options, RejectsBadValues) {
    const std::vector<std::vector<std::string>> bad = {
        {"--port", "0"},
        {"--port", "256"},
        {"--port"},
        {"--speed", "0"},
        {"--speed", "fast"},
        {"--targets", "-1"},
        {"--position", "91,0"},
        {"--position", "54.4"},
        {"--unplug-after", "-1"},
        {"--bogus"},
        {"--port", "3", "--device", "/dev/null"},
    };
    for (const auto& args : bad) {
        TSimOptions o;
        std::string err;
        EXPECT_FALSE(ParseSimOptions(args, o, err)) << args[0];
        EXPECT_FALSE(err.empty());
    }
}

TEST(Line, PacesTrafficAtTheLineRateAndLetsRepliesJumpTheQueue) {
    TLineOutput line(TLineOutput::kLineBytesPerSecond, 100000);
    const std::string traffic(96, 't'); // 25 ms of the line each
    for (int i = 0; i < 200; ++i) line.PushTraffic(traffic);
    std::string sent;
    for (int ms = 0; ms <= 1000; ++ms) {
        if (ms == 500) line.PushReply("reply");
        const std::string chunk = line.Take(ms);
        if (chunk.find("reply") != std::string::npos) {
            EXPECT_LE(ms, 525) << "a reply waits at most for the sentence on the line";
        }
        sent += chunk;
    }
    EXPECT_NE(sent.find("reply"), std::string::npos);
    EXPECT_GE(sent.size(), 3840u - 2 * traffic.size());
    EXPECT_LE(sent.size(), 3840u + traffic.size() + 5);
}

TEST(Line, DropsTrafficBeyondItsQueueButNeverReplies) {
    TLineOutput line(TLineOutput::kLineBytesPerSecond, 1000);
    int kept = 0;
    for (int i = 0; i < 50; ++i) kept += line.PushTraffic(std::string(100, 't')) ? 1 : 0;
    EXPECT_EQ(kept, 10);
    EXPECT_EQ(line.Dropped(), 40u);
    for (int i = 0; i < 50; ++i) line.PushReply(std::string(100, 'r'));
    EXPECT_EQ(line.QueuedReplies(), 50u);
}

TEST(Line, UnpacedLineGivesEverythingAtOnce) {
    TLineOutput line(0, 100000);
    for (int i = 0; i < 100; ++i) line.PushTraffic(std::string(100, 't'));
    EXPECT_EQ(line.Take(0).size(), 10000u);
}

} // namespace
