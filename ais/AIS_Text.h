#pragma once
// Internal helpers of the codec: locale-free decimal texts.

#include <charconv>
#include <cstdint>
#include <string>

// Decimal text of an integer; short enough to stay in the string's own buffer.
inline std::string DecimalText(std::int64_t Value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, Value);
    return std::string(buf, r.ptr);
}
