#pragma once
// Network addresses that a port number can stand for instead of a serial device:
// "tcp://HOST:PORT", a raw TCP connection as ser2net's raw mode and WiFi NMEA gateways serve it.
// HOST is a host name, a dotted IPv4 address or an IPv6 address in brackets; PORT is 1 to 65535.

#include <cstdint>
#include <string>
#include <string_view>

struct TNetworkAddress {
    std::string Host;       // as given; an IPv6 address without its brackets
    std::uint16_t Port = 0; // 1 to 65535
    bool Literal = false;   // Host is an address: no name to look up

    // "tcp://HOST:PORT", the port without leading zeros and an IPv6 address in brackets. It
    // names the port in every message.
    std::string Url() const;
};

// True for a text written as an address with a scheme ("tcp://...", "udp://..."), valid or not:
// such a text never names a device path.
bool LooksLikeNetworkAddress(std::string_view Text);

// Reads "tcp://HOST:PORT" (the scheme in any case). False with a one-line Error that quotes the
// text and says what is wrong with it.
bool ParseNetworkAddress(std::string_view Text, TNetworkAddress& Out, std::string& Error);

// A port number declared as a network address: "N=tcp://HOST:PORT", N 1 to 255 (the numbers
// that Connect's scan and the port box reach).
struct TPortDeclaration {
    int PortNum = 0;
    std::string Url; // as Url() writes it
};
// False with a one-line Error for anything else.
bool ParsePortDeclaration(std::string_view Text, TPortDeclaration& Out, std::string& Error);

// Text fit to stand in a message: control and non-ASCII bytes as "?", and no longer than 120
// characters. An address may come from a link or a command line, and a message goes to a
// terminal or a message box.
std::string PrintableAddress(std::string_view Text);
