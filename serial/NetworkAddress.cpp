#include "serial/NetworkAddress.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#endif

namespace {

constexpr std::string_view kSeparator = "://";

bool Digits(std::string_view S) {
    if (S.empty()) return false;
    for (const char c : S)
        if (c < '0' || c > '9') return false;
    return true;
}

// A decimal number from 1 to Max, at most five digits, without sign or blanks.
bool Number(std::string_view S, int Max, int& Out) {
    if (!Digits(S) || S.size() > 5) return false;
    int v = 0;
    for (const char c : S) v = v * 10 + (c - '0');
    if (v < 1 || v > Max) return false;
    Out = v;
    return true;
}

bool HostName(std::string_view S) {
    if (S.empty() || S.size() > 253) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = S.find('.', start);
        const std::string_view label =
            S.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return false;
        for (const char c : label) {
            const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                            (c >= '0' && c <= '9') || c == '-';
            if (!ok) return false;
        }
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

// Digits and dots only, or a form the resolver would read as a number ("0x7f.1", "127.1"):
// such a host is taken as an IPv4 address and must be one in full, so that no name lookup
// ever turns it into some other address.
bool NumericLooking(const std::string& Host) {
    bool onlyDigitsAndDots = true;
    for (const char c : Host)
        if ((c < '0' || c > '9') && c != '.') onlyDigitsAndDots = false;
#ifdef _WIN32
    // inet_addr reads the same numeric forms as inet_aton; only the broadcast address is its
    // error value as well.
    return onlyDigitsAndDots || inet_addr(Host.c_str()) != INADDR_NONE;
#else
    in_addr a{};
    return onlyDigitsAndDots || inet_aton(Host.c_str(), &a) != 0;
#endif
}

std::string Lower(std::string_view S) {
    std::string out(S);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string Quoted(std::string_view S) {
    return "\"" + PrintableAddress(S) + "\"";
}

} // namespace

std::string TNetworkAddress::Url() const {
    const bool v6 = Host.find(':') != std::string::npos;
    return "tcp://" + (v6 ? "[" + Host + "]" : Host) + ":" + std::to_string(Port);
}

bool LooksLikeNetworkAddress(std::string_view Text) {
    const std::size_t sep = Text.find(kSeparator);
    if (sep == std::string_view::npos || sep == 0) return false;
    for (const char c : Text.substr(0, sep))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '+' || c == '-' || c == '.'))
            return false;
    return true;
}

bool ParseNetworkAddress(std::string_view Text, TNetworkAddress& Out, std::string& Error) {
    const auto fail = [&](const std::string& Why) {
        Error = Quoted(Text) + ": " + Why;
        return false;
    };
    const std::size_t sep = Text.find(kSeparator);
    if (sep == std::string_view::npos || !LooksLikeNetworkAddress(Text))
        return fail("not a network address (tcp://HOST:PORT)");
    if (Lower(Text.substr(0, sep)) != "tcp")
        return fail("only tcp:// (raw TCP) is supported, as tcp://HOST:PORT");
    const std::string_view rest = Text.substr(sep + kSeparator.size());

    TNetworkAddress a;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) return fail("the IPv6 address has no closing ']'");
        a.Host = std::string(rest.substr(1, close - 1));
        const std::string_view after = rest.substr(close + 1);
        if (after.empty()) return fail("the port is missing (tcp://HOST:PORT)");
        if (after.front() != ':') return fail("a ':' and the port must follow the ']'");
        port = after.substr(1);
        in6_addr v6{};
        if (inet_pton(AF_INET6, a.Host.c_str(), &v6) != 1)
            return fail(Quoted(a.Host) + " is not an IPv6 address");
        a.Literal = true;
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) return fail("the port is missing (tcp://HOST:PORT)");
        const std::string_view host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return fail("an IPv6 address goes in brackets, as tcp://[ADDRESS]:PORT");
        if (host.empty()) return fail("the host is missing (tcp://HOST:PORT)");
        a.Host = std::string(host);
        if (NumericLooking(a.Host)) {
            in_addr v4{};
            if (inet_pton(AF_INET, a.Host.c_str(), &v4) != 1)
                return fail(Quoted(a.Host) + " is not an IPv4 address (four numbers 0 to 255)");
            a.Literal = true;
        } else if (!HostName(host)) {
            return fail(Quoted(a.Host) + " is not a host name (letters, digits, '-' and '.')");
        }
    }
    if (port.empty()) return fail("the port is missing (tcp://HOST:PORT)");
    int n = 0;
    if (!Number(port, 65535, n)) return fail("the port must be a number from 1 to 65535");
    a.Port = static_cast<std::uint16_t>(n);
    Out = a;
    return true;
}

bool ParsePortDeclaration(std::string_view Text, TPortDeclaration& Out, std::string& Error) {
    const std::size_t eq = Text.find('=');
    if (eq == std::string_view::npos) {
        Error = Quoted(Text) + ": N=tcp://HOST:PORT expected, e.g. 20=tcp://192.168.4.1:10110";
        return false;
    }
    int n = 0;
    if (!Number(Text.substr(0, eq), 255, n)) {
        Error = Quoted(Text) + ": the port number before '=' must be 1 to 255";
        return false;
    }
    TNetworkAddress a;
    if (!ParseNetworkAddress(Text.substr(eq + 1), a, Error)) return false;
    Out.PortNum = n;
    Out.Url = a.Url();
    return true;
}

std::string PrintableAddress(std::string_view Text) {
    constexpr std::size_t kMax = 120;
    std::string out;
    for (const char c : Text.substr(0, kMax)) {
        const auto b = static_cast<unsigned char>(c);
        out += b < 0x20 || b >= 0x7f ? '?' : c;
    }
    if (Text.size() > kMax) out += "...";
    return out;
}
