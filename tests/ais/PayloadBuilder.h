#pragma once
// Builds six-bit armoured payloads field by field, so a test states a message as the standard's
// list of (value, width) pairs instead of an opaque string.

#include <cstdint>
#include <string>
#include <string_view>

class TPayload {
public:
    // Appends Width bits of Value, most significant first.
    TPayload& Put(std::uint64_t Value, int Width) {
        for (int i = Width - 1; i >= 0; --i) FBits += ((Value >> i) & 1) ? '1' : '0';
        return *this;
    }
    // Appends Text in six-bit ASCII, padded with "@" to Count characters.
    TPayload& Text(std::string_view Text, std::size_t Count) {
        for (std::size_t i = 0; i < Count; ++i) {
            const unsigned char c = i < Text.size() ? static_cast<unsigned char>(Text[i]) : '@';
            Put(c >= 64 ? c - 64 : c, 6);
        }
        return *this;
    }
    // Pads with zero bits to at least Chars characters.
    TPayload& PadTo(std::size_t Chars) {
        while (FBits.size() < Chars * 6) FBits += '0';
        return *this;
    }
    std::size_t BitCount() const { return FBits.size(); }
    std::string Armoured() const {
        std::string s;
        for (std::size_t i = 0; i < FBits.size(); i += 6) {
            unsigned v = 0;
            for (std::size_t k = i; k < i + 6; ++k)
                v = v * 2 + (k < FBits.size() && FBits[k] == '1');
            s += static_cast<char>(v < 40 ? v + 48 : v + 56);
        }
        return s;
    }

private:
    std::string FBits;
};
