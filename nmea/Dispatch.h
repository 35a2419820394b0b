#pragma once
// Which handler a received sentence goes to: by its first character, fixed characters of its
// address field and the sequencer's reply state. Positions count from 1 at "$" or "!".

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

TRoute RouteSentence(std::string_view S, std::uint8_t ReplyState);

// True when S holds Text at the 1-based Position; a sentence too short never matches.
constexpr bool HasAt(std::string_view S, std::size_t Position, std::string_view Text) {
    return Position >= 1 && S.size() >= Position - 1 + Text.size() &&
           S.substr(Position - 1, Text.size()) == Text;
}
