// The window's command line: what it takes, what it refuses before any window opens.

#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Args(std::initializer_list<const char*> A) {
    std::vector<std::string> v{"corvane"};
    for (const char* a : A) v.emplace_back(a);
    return v;
}

} // namespace

TEST(CommandLine, TakesSharesPortsAndConnectInOrder) {
    TWindowOptions o;
    std::string error;
    ASSERT_TRUE(ParseWindowOptions(
        Args({"--share", "tcp:10110", "--connect", "--share=udp:192.168.1.255:10110,broadcast",
              "--share", "pty:12", "--port", "20=tcp://10.0.0.5:4001"}),
        o, error))
        << error;
    EXPECT_TRUE(o.Connect);
    ASSERT_EQ(o.Shares.size(), 3u);
    EXPECT_EQ(ShareSpecText(o.Shares[0]), "tcp:127.0.0.1:10110");
    EXPECT_EQ(ShareSpecText(o.Shares[1]), "udp:192.168.1.255:10110,broadcast");
    EXPECT_EQ(ShareSpecText(o.Shares[2]), "pty:12");
    ASSERT_EQ(o.NetworkPorts.size(), 1u);
    EXPECT_EQ(o.NetworkPorts[0].PortNum, 20);
    EXPECT_EQ(o.NetworkPorts[0].Url, "tcp://10.0.0.5:4001");
    EXPECT_EQ(o.QtArgs, std::vector<std::string>{"corvane"});
}

TEST(CommandLine, PassesQtOptionsWithTheirValuesOn) {
    TWindowOptions o;
    std::string error;
    ASSERT_TRUE(ParseWindowOptions(
        Args({"-platform", "offscreen", "--connect", "-style=fusion", "-reverse"}), o, error))
        << error;
    EXPECT_EQ(o.QtArgs, (std::vector<std::string>{"corvane", "-platform", "offscreen",
                                                  "-style=fusion", "-reverse"}));
    EXPECT_TRUE(o.Connect);
}

TEST(CommandLine, RefusesWhatItCannotUseWithAReason) {
    const struct {
        std::vector<std::string> Args;
        const char* Error;
    } cases[] = {
        {Args({"--shar", "tcp:1"}), "unknown option --shar"},
        {Args({"--share"}), "--share needs a share"},
        {Args({"--share", "ftp:21"}), "--share ftp:21: "},
        {Args({"--share", "tcp:70000"}), "--share tcp:70000: "},
        {Args({"--share", "udp:10110"}), "--share udp:10110: "},
        {Args({"--share", "tcp:1,broadcast"}), "--share tcp:1,broadcast: "},
        {Args({"--port", "tcp://host:1"}), "--port tcp://host:1: "},
        {Args({"--port", "5=http://host:1"}), "--port 5=http://host:1: "},
        {Args({"--connect=yes"}), "--connect takes no value"},
        {Args({"offscreen"}), "unexpected argument 'offscreen'"},
    };
    for (const auto& c : cases) {
        TWindowOptions o;
        std::string error;
        EXPECT_FALSE(ParseWindowOptions(c.Args, o, error)) << c.Args[1];
        EXPECT_EQ(error.rfind(c.Error, 0), 0u) << c.Args[1] << ": " << error;
        EXPECT_GT(error.size(), std::string(c.Error).size() - 1) << error;
    }
}

TEST(CommandLine, UsageNamesEveryOption) {
    const std::string usage = WindowUsage();
    for (const char* option : {"--connect", "--share tcp:", "--share udp:", "--share pty",
                               "--port N=tcp://", "--port-dir", "--help", "--version"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}
