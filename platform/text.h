// Text conversion at the program's edges: inside, every text is Windows-1252
// bytes; the system calls and the terminal speak UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The Windows-1252 byte for a Unicode code point, or -1 when the code page has
// no such character.
int cp1252FromCodepoint(char32_t codepoint);

// The Unicode code point of a Windows-1252 byte. The five bytes the code page
// leaves undefined map to the C1 control of the same value, as the desktop's
// own conversion does, so every byte survives a round trip.
char32_t codepointFromCp1252(unsigned char byte);

std::string toUtf8(std::string_view cp1252);

// Appends one code point (of the Basic Multilingual Plane) as UTF-8.
void appendUtf8(std::string& out, char32_t codepoint);

// Characters outside Windows-1252, and malformed UTF-8, become '?'.
std::string fromUtf8(std::string_view utf8);

}  // namespace platform
