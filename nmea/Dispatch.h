#pragma once
// Which handler a received sentence goes to: by its first character, fixed characters of its
// address field and what the configuration dialogue waits for. Positions count from 1 at "$"
// or "!".

#include <cstdint>
#include <string_view>

enum class TRoute {
    Dropped,
    ParseReply,
    HandleTXT,
    HandleRES,
    HandleGPS,
    HandleALR,
    HandleVDM,
    HandleVDO,
};

// What the configuration dialogue waits for: while it probes a port every sentence is a
// possible sign of the transponder; while it awaits a reply every "$" sentence may be it.
enum class TAwait { Nothing, Probe, Reply };

TRoute RouteSentence(std::string_view S, TAwait Await);

// True when S holds Text at the 1-based Position; a sentence too short never matches.
constexpr bool HasAt(std::string_view S, std::size_t Position, std::string_view Text) {
    return Position >= 1 && S.size() >= Position - 1 + Text.size() &&
           S.substr(Position - 1, Text.size()) == Text;
}

// The characters from First to Last (1-based), fewer (or none) where S ends earlier.
constexpr std::string_view Positions(std::string_view S, std::size_t First, std::size_t Last) {
    if (First < 1 || Last < First || First > S.size()) return {};
    return S.substr(First - 1, Last - First + 1);
}
