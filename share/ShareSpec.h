#pragma once
// What one share is, as the command line names it:
//   tcp:[ADDRESS:]PORT           a TCP server, on 127.0.0.1 unless an address is named
//   udp:ADDRESS:PORT[,broadcast] datagrams to an address
//   pty[:N]                      a pseudo-terminal published as COM<N> (N 0 or left out: the
//                                first free number)

#include <string>

struct TShareSpec {
    enum class TKind { Tcp, Udp, Pty };
    TKind Kind = TKind::Tcp;
    std::string Address; // tcp: where to listen; udp: where to send; pty: empty
    int Port = 0;        // tcp and udp; 0 for tcp takes an ephemeral port (tests)
    bool Broadcast = false;
    int PortNum = 0; // pty: the COM number, 0 for the first free one
};

// False with a one-line Error that names what is wrong ("udp: a port from 1 to 65535 is
// needed", ...).
bool ParseShareSpec(const std::string& Text, TShareSpec& Spec, std::string& Error);

// The spec as the command line writes it, with the default address filled in:
// "tcp:127.0.0.1:10110", "udp:192.168.1.255:10110,broadcast", "pty:12" / "pty".
std::string ShareSpecText(const TShareSpec& Spec);
