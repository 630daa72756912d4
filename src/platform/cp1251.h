#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace aerovell {

// The game keeps all text as Windows-1251 bytes (config.dat, the score request);
// it becomes UTF-8 only at the font and at text input.

// The Unicode code point of a Windows-1251 byte; 0 for the one unassigned byte (0x98).
char32_t Cp1251ToUnicode(uint8_t byte);

// The Windows-1251 byte of a code point, or -1 when the code page has none.
int UnicodeToCp1251(char32_t code_point);

std::string Cp1251ToUtf8(std::string_view cp1251);

// Characters the code page lacks, and malformed UTF-8, are dropped.
std::string Utf8ToCp1251(std::string_view utf8);

}  // namespace aerovell
