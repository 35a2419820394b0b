#pragma once
// The line carries one byte per character (ISO 8859-1); the program's texts are UTF-8.

#include <string>
#include <string_view>

std::string Latin1ToUtf8(std::string_view Bytes);

// A character that ISO 8859-1 has not, or a broken UTF-8 sequence, becomes "?".
std::string Utf8ToLatin1(std::string_view Text);

// True when every character of Text has a byte of its own on the line.
bool FitsLatin1(std::string_view Text);
