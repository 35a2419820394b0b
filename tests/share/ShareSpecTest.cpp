// The share as the command line names it: what is taken, how it is written back, and the one
// line that says what is wrong with the rest.

#include "share/ShareSpec.h"

#include <gtest/gtest.h>

namespace {

using TKind = TShareSpec::TKind;

struct TGood {
    const char* Text;
    TKind Kind;
    const char* Address;
    int Port;
    bool Broadcast;
    int PortNum;
    const char* Written; // ShareSpecText of the result
};

TEST(ShareSpec, Accepted) {
    const TGood cases[] = {
        {"tcp:10110", TKind::Tcp, "127.0.0.1", 10110, false, 0, "tcp:127.0.0.1:10110"},
        {"tcp:0.0.0.0:10110", TKind::Tcp, "0.0.0.0", 10110, false, 0, "tcp:0.0.0.0:10110"},
        {"tcp:192.168.1.20:2000", TKind::Tcp, "192.168.1.20", 2000, false, 0,
         "tcp:192.168.1.20:2000"},
        {"tcp:0", TKind::Tcp, "127.0.0.1", 0, false, 0, "tcp:127.0.0.1:0"}, // any free port
        {"tcp:65535", TKind::Tcp, "127.0.0.1", 65535, false, 0, "tcp:127.0.0.1:65535"},
        {"TCP:1", TKind::Tcp, "127.0.0.1", 1, false, 0, "tcp:127.0.0.1:1"},
        {"udp:127.0.0.1:10110", TKind::Udp, "127.0.0.1", 10110, false, 0, "udp:127.0.0.1:10110"},
        {"udp:192.168.1.255:10110,broadcast", TKind::Udp, "192.168.1.255", 10110, true, 0,
         "udp:192.168.1.255:10110,broadcast"},
        {"udp:10.0.0.255:1,BROADCAST", TKind::Udp, "10.0.0.255", 1, true, 0,
         "udp:10.0.0.255:1,broadcast"},
        {"pty", TKind::Pty, "", 0, false, 0, "pty"},
        {"pty:12", TKind::Pty, "", 0, false, 12, "pty:12"},
        {"pty:255", TKind::Pty, "", 0, false, 255, "pty:255"},
        {"pty:0", TKind::Pty, "", 0, false, 0, "pty"},
    };
    for (const TGood& c : cases) {
        SCOPED_TRACE(c.Text);
        TShareSpec s;
        std::string err;
        ASSERT_TRUE(ParseShareSpec(c.Text, s, err)) << err;
        EXPECT_EQ(s.Kind, c.Kind);
        EXPECT_EQ(s.Address, c.Address);
        EXPECT_EQ(s.Port, c.Port);
        EXPECT_EQ(s.Broadcast, c.Broadcast);
        EXPECT_EQ(s.PortNum, c.PortNum);
        EXPECT_EQ(ShareSpecText(s), c.Written);
        // What is written reads back as the same share.
        TShareSpec again;
        ASSERT_TRUE(ParseShareSpec(ShareSpecText(s), again, err)) << err;
        EXPECT_EQ(ShareSpecText(again), c.Written);
    }
}

TEST(ShareSpec, RefusedWithTheReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "empty share: tcp:[ADDRESS:]PORT, udp:ADDRESS:PORT[,broadcast] or pty[:N]"},
        {"serial:3",
         "unknown share \"serial:3\": tcp:[ADDRESS:]PORT, udp:ADDRESS:PORT[,broadcast] or pty[:N]"},
        {"tcp", "tcp: a port from 1 to 65535 is needed (0 takes any free one)"},
        {"tcp:", "tcp: a port from 1 to 65535 is needed (0 takes any free one)"},
        {"tcp:65536",
         "tcp: a port from 1 to 65535 is needed (0 takes any free one), not \"65536\""},
        {"tcp:99999999999", "tcp: a port from 1 to 65535 is needed (0 takes any free one), not "
                            "\"99999999999\""},
        {"tcp:-1", "tcp: a port from 1 to 65535 is needed (0 takes any free one), not \"-1\""},
        {"tcp: 10110", "tcp: a port from 1 to 65535 is needed (0 takes any free one), not \" "
                       "10110\""},
        {"tcp:127.0.0.1", "tcp: a port from 1 to 65535 is needed (0 takes any free one), not "
                          "\"127.0.0.1\""},
        {"tcp:localhost:10110", "tcp: \"localhost\" is not an IPv4 address like 192.168.1.20"},
        {"tcp:300.1.1.1:10110", "tcp: \"300.1.1.1\" is not an IPv4 address like 192.168.1.20"},
        {"tcp:[::1]:10110", "tcp: \"[::1]\" is not an IPv4 address like 192.168.1.20"},
        {"tcp:10110,broadcast", "tcp: ,broadcast is for udp only"},
        {"udp:10110", "udp: an address to send to is needed (udp:ADDRESS:PORT)"},
        {"udp::10110", "udp: an address to send to is needed (udp:ADDRESS:PORT)"},
        {"udp:127.0.0.1", "udp: a port from 1 to 65535 is needed (udp:ADDRESS:PORT)"},
        {"udp:127.0.0.1:0", "udp: a port from 1 to 65535 is needed, not \"0\""},
        {"udp:127.0.0.1:", "udp: a port from 1 to 65535 is needed"},
        {"udp:127.0.0.1:10110,multicast",
         "udp: unknown option \"multicast\" (only udp takes one: ,broadcast)"},
        {"udp:boat.local:10110", "udp: \"boat.local\" is not an IPv4 address like 192.168.1.20"},
        {"pty:", "pty: \"\" is not a port number from 1 to 255 (pty alone takes the first free "
                 "one)"},
        {"pty:256", "pty: \"256\" is not a port number from 1 to 255 (pty alone takes the first "
                    "free one)"},
        {"pty:COM3", "pty: \"COM3\" is not a port number from 1 to 255 (pty alone takes the "
                     "first free one)"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        TShareSpec s;
        s.Port = 4242;
        std::string err;
        EXPECT_FALSE(ParseShareSpec(text, s, err));
        EXPECT_EQ(err, message);
        EXPECT_EQ(s.Port, 4242); // a refused text leaves the spec as it was
    }
}

} // namespace
