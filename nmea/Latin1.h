#pragma once
// The line carries one byte per character (ISO 8859-1); the program's texts are UTF-8.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

std::string Latin1ToUtf8(std::string_view Bytes);

// A character that ISO 8859-1 has not, or a broken UTF-8 sequence, becomes "?".
std::string Utf8ToLatin1(std::string_view Text);

// The characters of UTF-8 Text as code points; a broken sequence counts as one character
// 0xFFFD.
std::vector<std::uint32_t> CodePoints(std::string_view Text);
