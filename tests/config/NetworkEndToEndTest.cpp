// corvane-config on a network port: Debian's ser2net serves the simulator's pseudo-terminal as
// raw TCP on a loopback port, as it would serve a transponder's serial port to the boat's
// network. What goes on the line must be what goes over the direct port.

#include "ConfigProcess.h"
#include "Peers.h"
#include "tests/serial/LoopbackServer.h"
#include "tests/window/SimProcess.h"
#include "tools/config/ConfigOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

const std::string kProfile = R"({"mmsi": "244123456", "name": "new name", "callsign": "ab12",
  "a": 20, "b": 10, "c": 4, "d": 4, "vessel_type": 36, "switch_type": "rx-only",
  "rs422_baud": 4800, "gps_output": "minimal", "alarm_output": "disable"})";

bool Has(const std::string& Text, const std::string& Piece) {
    return Text.find(Piece) != std::string::npos;
}

class ConfigOverNetwork : public ::testing::Test {
protected:
    ConfigOverNetwork() {
        char dir[] = "/tmp/corvane-config-net-XXXXXX";
        PortDir = mkdtemp(dir);
    }
    ~ConfigOverNetwork() override {
        std::error_code ec;
        std::filesystem::remove_all(PortDir, ec);
    }

    TConfigRun Config(Strings Args, const std::string& Input = {}) {
        Args.insert(Args.begin(), {"--port-dir", PortDir});
        return RunConfig(Args, Input);
    }

    std::string PortDir;
};

// The same write and read, once over the simulator's own port and once over ser2net in front
// of a second simulator: the same sentences reach the transponder and the same report comes
// back.
TEST_F(ConfigOverNetwork, ReadAndWriteThroughSer2netSendWhatTheDirectPortSends) {
    struct TSide {
        TConfigRun Write, Read;
        Strings Transcript;
    } direct, network;
    {
        TSimProcess sim(PortDir, {"--no-traffic"});
        const std::string port = std::to_string(sim.PortNum());
        direct.Write = Config({"write", "-", "--port", port}, kProfile);
        direct.Read = Config({"read", "--json", "--port", port});
        direct.Transcript = sim.Transcript();
    }
    TSimProcess sim(PortDir, {"--no-traffic"});
    TSer2net server(sim.Device());
    ASSERT_TRUE(server.Ready()) << server.Log();
    const std::string url = server.Url();
    network.Write = Config({"write", "-", "--port", url}, kProfile);
    network.Read = Config({"read", "--json", "--port", "20=" + url});
    network.Transcript = sim.Transcript();

    ASSERT_EQ(direct.Write.Status, 0) << direct.Write.Err;
    ASSERT_EQ(network.Write.Status, 0) << network.Write.Err << server.Log();
    ASSERT_EQ(network.Read.Status, 0) << network.Read.Err << server.Log();
    EXPECT_EQ(network.Transcript, direct.Transcript);
    EXPECT_GT(network.Transcript.size(), 20u);
    EXPECT_EQ(network.Write.Out, direct.Write.Out);
    EXPECT_TRUE(network.Write.Out.ends_with("Programming was successful.\n")) << network.Write.Out;
    EXPECT_EQ(network.Read.Out, direct.Read.Out);
    EXPECT_TRUE(Has(network.Read.Out, "\"mmsi\": \"244123456\"")) << network.Read.Out;

    // The address names the port in the progress, or the number declared for it.
    EXPECT_TRUE(Has(network.Write.Err, "Probing " + url + "\nConnected on " + url + "\n"))
        << network.Write.Err;
    EXPECT_TRUE(Has(network.Read.Err, "Probing COM 20 (" + url + ")\nConnected on COM 20\n"))
        << network.Read.Err;
}

// A link in the port directory makes the address a port number like any other: the scan opens
// it beside the simulator's own port.
TEST_F(ConfigOverNetwork, ALinkToTheAddressIsListedAndScannedLikeAPort) {
    TSimProcess sim(PortDir, {"--no-traffic"});
    TSer2net server(sim.Device());
    ASSERT_TRUE(server.Ready()) << server.Log();
    const std::string link = PortDir + "/COM20";
    ASSERT_EQ(symlink(server.Url().c_str(), link.c_str()), 0);

    const TConfigRun ports = Config({"ports"});
    ASSERT_EQ(ports.Status, 0) << ports.Err;
    const std::string com = "COM" + std::to_string(sim.PortNum());
    EXPECT_EQ(ports.Out, com + "  " + PortDir + "/" + com + " -> " + sim.Device() + "\n" +
                             "COM20  " + server.Url() + "\n");

    // Without the simulator's own link, the scan finds the transponder behind the address.
    TSimProcess other(PortDir, {"--no-traffic", "--port", "30"});
    sim.Stop(); // its pseudo-terminal and link are gone; ser2net's device goes with them
    std::filesystem::remove(link);
    TSer2net server2(other.Device());
    ASSERT_TRUE(server2.Ready()) << server2.Log();
    ASSERT_EQ(symlink(server2.Url().c_str(), link.c_str()), 0);
    std::filesystem::remove(PortDir + "/COM30"); // only the address leads to it now
    const TConfigRun read = Config({"read", "--quiet"});
    ASSERT_EQ(read.Status, 0) << read.Err << server2.Log();
    EXPECT_TRUE(Has(read.Out, "MMSI              211234560\n")) << read.Out;
    EXPECT_EQ(other.Transcript().front(), "DUAIQ,010");
}

TEST_F(ConfigOverNetwork, AnAddressThatDoesNotAnswerFailsLikeAMissingPort) {
    const std::string refused = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort());
    const struct {
        Strings Args;
        int Status;
        std::string Says;
    } cases[] = {
        {{"read", "--port", refused},
         3,
         "Connection failed.\nCan't open specified device " + refused +
             " (Error 111, Connection refused)\n"},
        {{"read", "--port", "20=" + refused},
         3,
         "Connection failed.\nCOM 20: Can't open specified device " + refused +
             " (Error 111, Connection refused)\n"},
        {{"read", "--port", "tcp://corvane-test.invalid:10110"},
         3,
         "Specified device not found (tcp://corvane-test.invalid:10110).\n"},
        {{"read", "--port", "udp://192.168.4.1:10110"},
         2,
         "bad value for --port: \"udp://192.168.4.1:10110\": only tcp:// (raw TCP) is supported"},
        {{"read", "--port", "0=tcp://192.168.4.1:10110"},
         2,
         "bad value for --port: \"0=tcp://192.168.4.1:10110\": the port number before '=' must "
         "be 1 to 255"},
        {{"read", "--port", "tcp://192.168.4.1"}, 2, "the port is missing"},
        {{"ports", "--port", "20=tcp://192.168.4.1:10110"}, 2, "--port does not belong to ports"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args.back());
        const TConfigRun r = Config(c.Args);
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        EXPECT_TRUE(Has(r.Err, c.Says)) << r.Err;
        EXPECT_FALSE(Has(r.Err, "Probing")) << r.Err;
        EXPECT_EQ(r.Out, "");
    }
}

TEST(ConfigOptions, APortMayBeANetworkAddress) {
    const struct {
        Strings In;
        int Port;
        std::string Url;
    } cases[] = {
        {{"read", "--port", "tcp://192.168.4.1:10110"}, kAddressPortNum, "tcp://192.168.4.1:10110"},
        {{"read", "--port", "TCP://[::1]:4001"}, kAddressPortNum, "tcp://[::1]:4001"},
        {{"write", "-", "--port", "20=tcp://gw.local:2000"}, 20, "tcp://gw.local:2000"},
        // The last --port counts, as with numbers.
        {{"read", "--port", "20=tcp://gw:1", "--port", "3"}, 3, ""},
        {{"read", "--port", "3", "--port", "tcp://gw:1"}, kAddressPortNum, "tcp://gw:1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.In.back());
        TConfigOptions o;
        std::string error;
        ASSERT_TRUE(ParseConfigOptions(c.In, o, error)) << error;
        EXPECT_EQ(o.PortNum, c.Port);
        EXPECT_EQ(o.PortUrl, c.Url);
    }
    EXPECT_GT(kAddressPortNum, 255); // no scan reaches it
    EXPECT_TRUE(Has(ConfigUsage(), "--port tcp://HOST:PORT"));
    EXPECT_TRUE(Has(ConfigUsage(), "--port N=tcp://HOST:PORT"));
}

} // namespace
