#pragma once
// The payload characters each decoder reads, as the decoders' bit layouts give them: what
// every accepted message must carry. Kinds without a decoder need none.

#include "ais/AIS_Codec.h"

#include <cstddef>
#include <cstdint>

inline std::size_t NeededChars(std::int32_t MsgID) {
    switch (MsgID) {
    case 1:
    case 2:
    case 3:
        return kMsg1Chars;
    case 5:
        return kMsg5Chars;
    case 18:
        return kMsg18Chars;
    case 240:
        return kMsg24AChars;
    case 241:
        return kMsg24BChars;
    default:
        return 0;
    }
}
