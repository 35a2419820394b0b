#include "share/ShareSpec.h"

#include <arpa/inet.h>
#include <cctype>
#include <netinet/in.h>
#include <string_view>

namespace {

std::string Lower(std::string_view S) {
    std::string out(S);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Digits only, no sign or blanks; false for anything else or a value above Max.
bool ReadNumber(std::string_view S, int Max, int& Out) {
    if (S.empty() || S.size() > 6) return false;
    int v = 0;
    for (char c : S) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > Max) return false;
    Out = v;
    return true;
}

// Dotted IPv4 only: a name would need a lookup, which may block on the caller's thread.
bool NumericIpv4(const std::string& S) {
    in_addr a{};
    return inet_pton(AF_INET, S.c_str(), &a) == 1;
}

const char* const kForms = "tcp:[ADDRESS:]PORT, udp:ADDRESS:PORT[,broadcast] or pty[:N]";

} // namespace

bool ParseShareSpec(const std::string& Text, TShareSpec& Spec, std::string& Error) {
    const std::string_view text(Text);
    const auto colon = text.find(':');
    const std::string kind = Lower(text.substr(0, colon));
    const std::string_view rest = colon == std::string_view::npos ? "" : text.substr(colon + 1);
    TShareSpec s;

    if (kind == "pty") {
        s.Kind = TShareSpec::TKind::Pty;
        if (colon != std::string_view::npos && !ReadNumber(rest, 255, s.PortNum)) {
            Error = "pty: \"" + std::string(rest) +
                    "\" is not a port number from 1 to 255 (pty alone takes the first free one)";
            return false;
        }
        Spec = s;
        return true;
    }
    if (kind != "tcp" && kind != "udp") {
        Error = Text.empty() ? std::string("empty share: ") + kForms
                             : "unknown share \"" + Text + "\": " + kForms;
        return false;
    }
    const bool udp = kind == "udp";
    s.Kind = udp ? TShareSpec::TKind::Udp : TShareSpec::TKind::Tcp;

    std::string_view where = rest;
    const auto comma = rest.find(',');
    if (comma != std::string_view::npos) {
        where = rest.substr(0, comma);
        const std::string option = Lower(rest.substr(comma + 1));
        if (option != "broadcast") {
            Error = kind + ": unknown option \"" + std::string(rest.substr(comma + 1)) +
                    "\" (only udp takes one: ,broadcast)";
            return false;
        }
        if (!udp) {
            Error = "tcp: ,broadcast is for udp only";
            return false;
        }
        s.Broadcast = true;
    }

    const auto last = where.rfind(':');
    if (udp && last == std::string_view::npos) {
        int port = 0;
        Error = ReadNumber(where, 65535, port)
                    ? "udp: an address to send to is needed (udp:ADDRESS:PORT)"
                    : "udp: a port from 1 to 65535 is needed (udp:ADDRESS:PORT)";
        return false;
    }
    const std::string_view portText =
        last == std::string_view::npos ? where : where.substr(last + 1);
    if (last != std::string_view::npos) s.Address = std::string(where.substr(0, last));
    if (udp && s.Address.empty()) {
        Error = "udp: an address to send to is needed (udp:ADDRESS:PORT)";
        return false;
    }
    // Port 0 asks the system for any free port: useful for a listener, never for a destination.
    const int minPort = udp ? 1 : 0;
    if (!ReadNumber(portText, 65535, s.Port) || s.Port < minPort) {
        Error = udp ? "udp: a port from 1 to 65535 is needed"
                    : "tcp: a port from 1 to 65535 is needed (0 takes any free one)";
        if (!portText.empty()) Error += ", not \"" + std::string(portText) + "\"";
        return false;
    }
    if (!s.Address.empty() && !NumericIpv4(s.Address)) {
        Error = kind + ": \"" + s.Address + "\" is not an IPv4 address like 192.168.1.20";
        return false;
    }
    if (!udp && s.Address.empty()) s.Address = "127.0.0.1";
    Spec = s;
    return true;
}

std::string ShareSpecText(const TShareSpec& Spec) {
    switch (Spec.Kind) {
    case TShareSpec::TKind::Pty:
        return Spec.PortNum > 0 ? "pty:" + std::to_string(Spec.PortNum) : std::string("pty");
    case TShareSpec::TKind::Udp:
        return "udp:" + Spec.Address + ":" + std::to_string(Spec.Port) +
               (Spec.Broadcast ? ",broadcast" : "");
    case TShareSpec::TKind::Tcp:
        break;
    }
    return "tcp:" + (Spec.Address.empty() ? std::string("127.0.0.1") : Spec.Address) + ":" +
           std::to_string(Spec.Port);
}
