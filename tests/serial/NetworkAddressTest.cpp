// Network addresses as a port number's target, and the "N=tcp://HOST:PORT" declarations that
// the window and corvane-config take from their command lines.
#include "serial/NetworkAddress.h"
#include "SerialTestSupport.h"
#include "serial/PortNames.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Declarations made in a test end with it.
struct TForgetDeclarations {
    ~TForgetDeclarations() { ForgetNetworkPorts(); }
};

TEST(NetworkAddress, ReadsHostAndPortAndWritesTheUrlBack) {
    const struct {
        const char* Text;
        const char* Host;
        int Port;
        bool Literal;
        const char* Url;
    } cases[] = {
        {"tcp://192.168.4.1:10110", "192.168.4.1", 10110, true, "tcp://192.168.4.1:10110"},
        {"TCP://gateway.local:2000", "gateway.local", 2000, false, "tcp://gateway.local:2000"},
        {"tcp://localhost:1", "localhost", 1, false, "tcp://localhost:1"},
        {"tcp://Nav-Box-2.example:00080", "Nav-Box-2.example", 80, false,
         "tcp://Nav-Box-2.example:80"},
        {"tcp://[::1]:4001", "::1", 4001, true, "tcp://[::1]:4001"},
        {"tcp://[fe80::a:2]:65535", "fe80::a:2", 65535, true, "tcp://[fe80::a:2]:65535"},
        {"tcp://[::ffff:10.0.0.1]:23", "::ffff:10.0.0.1", 23, true, "tcp://[::ffff:10.0.0.1]:23"},
        {"tcp://0.0.0.0:5", "0.0.0.0", 5, true, "tcp://0.0.0.0:5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        TNetworkAddress a;
        std::string error;
        ASSERT_TRUE(ParseNetworkAddress(c.Text, a, error)) << error;
        EXPECT_EQ(a.Host, c.Host);
        EXPECT_EQ(a.Port, c.Port);
        EXPECT_EQ(a.Literal, c.Literal);
        EXPECT_EQ(a.Url(), c.Url);
        EXPECT_TRUE(LooksLikeNetworkAddress(c.Text));
    }
}

TEST(NetworkAddress, RefusedWithOneLineThatQuotesItAndSaysWhy) {
    const struct {
        std::string Text;
        const char* Says;
    } cases[] = {
        {"", "not a network address (tcp://HOST:PORT)"},
        {"192.168.4.1:10110", "not a network address"},
        {"/dev/ttyUSB0", "not a network address"},
        {"udp://192.168.4.1:10110", "only tcp:// (raw TCP) is supported"},
        {"telnet://gw:23", "only tcp://"},
        {"rfc2217://gw:23", "only tcp://"},
        {"tcp://192.168.4.1", "the port is missing"},
        {"tcp://192.168.4.1:", "the port is missing"},
        {"tcp://:10110", "the host is missing"},
        {"tcp://", "the port is missing"},
        {"tcp://gw:0", "the port must be a number from 1 to 65535"},
        {"tcp://gw:65536", "from 1 to 65535"},
        {"tcp://gw:-1", "from 1 to 65535"},
        {"tcp://gw:+80", "from 1 to 65535"},
        {"tcp://gw:10110/", "from 1 to 65535"},
        {"tcp://gw: 80", "from 1 to 65535"},
        {"tcp://gw:0000080", "from 1 to 65535"},
        {"tcp://::1:4001", "an IPv6 address goes in brackets"},
        {"tcp://[::1]", "the port is missing"},
        {"tcp://[::1]4001", "a ':' and the port must follow the ']'"},
        {"tcp://[::1:4001", "no closing ']'"},
        {"tcp://[zz::1]:1", "\"zz::1\" is not an IPv6 address"},
        {"tcp://[192.168.4.1]:1", "is not an IPv6 address"},
        {"tcp://[]:1", "\"\" is not an IPv6 address"},
        {"tcp://[fe80::1%eth0]:1", "is not an IPv6 address"},
        {"tcp://192.168.4:1", "\"192.168.4\" is not an IPv4 address"},
        {"tcp://256.1.1.1:1", "is not an IPv4 address"},
        {"tcp://01.2.3.4:1", "is not an IPv4 address"},
        {"tcp://127.1:1", "is not an IPv4 address"},
        {"tcp://0x7f.0.0.1:1", "is not an IPv4 address"},
        {"tcp://2130706433:1", "is not an IPv4 address"},
        {"tcp://1.2.3.4.5:1", "is not an IPv4 address"},
        {"tcp://bad_host:1", "\"bad_host\" is not a host name"},
        {"tcp://-gw:1", "is not a host name"},
        {"tcp://gw-:1", "is not a host name"},
        {"tcp://a..b:1", "is not a host name"},
        {"tcp://gw.:1", "is not a host name"},
        {"tcp://user@gw:1", "is not a host name"},
        {"tcp://g w:1", "is not a host name"},
        {"tcp://" + std::string(64, 'a') + ":1", "is not a host name"},
        {"tcp://" + std::string(4, '.') + "x:1", "is not a host name"},
        {"tcp://gw\x1b[31m:1", "\"tcp://gw?[31m:1\": "},
        {"tcp://gw\n:1", "\"tcp://gw?:1\": "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        TNetworkAddress a;
        std::string error;
        EXPECT_FALSE(ParseNetworkAddress(c.Text, a, error));
        EXPECT_NE(error.find(c.Says), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(error.find('\x1b'), std::string::npos) << error;
    }
    // A host name may be as long as DNS allows, no longer.
    std::string longest;
    for (int i = 0; i < 4; ++i) longest += std::string(i < 3 ? 63 : 61, 'a') + (i < 3 ? "." : "");
    TNetworkAddress a;
    std::string error;
    EXPECT_TRUE(ParseNetworkAddress("tcp://" + longest + ":1", a, error)) << error;
    EXPECT_FALSE(ParseNetworkAddress("tcp://" + longest + "a:1", a, error));
    // A text from a link can be as long as a path; its message is not.
    EXPECT_FALSE(ParseNetworkAddress("tcp://" + std::string(5000, 'x'), a, error));
    EXPECT_LT(error.size(), 200u);
}

TEST(PortDeclaration, NumberEqualsAddress) {
    const struct {
        const char* Text;
        int Port;
        const char* Url;
    } good[] = {
        {"20=tcp://192.168.4.1:10110", 20, "tcp://192.168.4.1:10110"},
        {"1=TCP://[::1]:4001", 1, "tcp://[::1]:4001"},
        {"255=tcp://gw.local:2000", 255, "tcp://gw.local:2000"},
        {"007=tcp://gw:1", 7, "tcp://gw:1"},
    };
    for (const auto& c : good) {
        SCOPED_TRACE(c.Text);
        TPortDeclaration d;
        std::string error;
        ASSERT_TRUE(ParsePortDeclaration(c.Text, d, error)) << error;
        EXPECT_EQ(d.PortNum, c.Port);
        EXPECT_EQ(d.Url, c.Url);
    }
    const struct {
        const char* Text;
        const char* Says;
    } bad[] = {
        {"", "N=tcp://HOST:PORT expected, e.g. 20=tcp://192.168.4.1:10110"},
        {"tcp://gw:1", "N=tcp://HOST:PORT expected"},
        {"20", "N=tcp://HOST:PORT expected"},
        {"=tcp://gw:1", "the port number before '=' must be 1 to 255"},
        {"0=tcp://gw:1", "must be 1 to 255"},
        {"256=tcp://gw:1", "must be 1 to 255"},
        {"-1=tcp://gw:1", "must be 1 to 255"},
        {"COM20=tcp://gw:1", "must be 1 to 255"},
        {" 20=tcp://gw:1", "must be 1 to 255"},
        {"20=", "\"\": not a network address"},
        {"20=/dev/ttyUSB0", "not a network address"},
        {"20=udp://gw:1", "only tcp://"},
        {"20=tcp://gw:0", "from 1 to 65535"},
        {"20= tcp://gw:1", "not a network address"},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.Text);
        TPortDeclaration d;
        std::string error;
        EXPECT_FALSE(ParsePortDeclaration(c.Text, d, error));
        EXPECT_NE(error.find(c.Says), std::string::npos) << error;
    }
}

TEST(PortDeclaration, DeclaringRefusesWhatTheParserRefuses) {
    TTestPortDir dir;
    TForgetDeclarations forget;
    const auto says = [](int Port, const std::string& Url) -> std::string {
        try {
            DeclareNetworkPort(Port, Url);
        } catch (const std::invalid_argument& e) {
            return e.what();
        }
        return "<declared>";
    };
    TNetworkAddress a;
    std::string error;
    ParseNetworkAddress("udp://gw:1", a, error);
    EXPECT_EQ(says(20, "udp://gw:1"), error);
    EXPECT_NE(says(0, "tcp://gw:1").find("port number of 1 or more"), std::string::npos);
    EXPECT_FALSE(ResolvePort("COM20").Network);
    EXPECT_FALSE(ResolvePort("COM0").Network);

    EXPECT_EQ(says(20, "TCP://gw:010"), "<declared>");
    const TPortTarget t = ResolvePort("COM20");
    ASSERT_TRUE(t.Network);
    EXPECT_EQ(t.Path, "tcp://gw:10");
    EXPECT_EQ(t.Network->Host, "gw");
    EXPECT_EQ(t.Network->Port, 10);
    EXPECT_FALSE(t.Stale);
    // Declared again: the new address replaces the old.
    DeclareNetworkPort(20, "tcp://10.0.0.2:2000");
    EXPECT_EQ(ResolvePort("COM20").Path, "tcp://10.0.0.2:2000");
    // Only that number: the others resolve as they did.
    EXPECT_EQ(ResolvePort("COM2").Path, dir.Link(2));
    EXPECT_EQ(ResolvePort("COM200").Network, std::nullopt);
    ForgetNetworkPorts();
    EXPECT_EQ(ResolvePort("COM20").Path, dir.Link(20));
    EXPECT_FALSE(ResolvePort("COM20").Network);
}

TEST(PortDeclaration, ANameThatIsAnAddressStandsForIt) {
    EXPECT_EQ(ResolvePort("tcp://127.0.0.1:4001").Path, "tcp://127.0.0.1:4001");
    EXPECT_TRUE(ResolvePort("tcp://127.0.0.1:4001").Network);
    // A bad one is no device path either: it is not found, and the message shows it.
    const TPortTarget bad = ResolvePort("tcp://127.0.0.1:99999");
    EXPECT_TRUE(bad.Stale);
    EXPECT_FALSE(bad.Network);
    EXPECT_EQ(bad.Path, "tcp://127.0.0.1:99999");
}

} // namespace
