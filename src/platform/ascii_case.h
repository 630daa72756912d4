#pragma once

#include <string>
#include <string_view>

namespace aerovell {

// Names the game spells in ASCII (property names, colour identifiers, file
// names) match whatever the case. Only A-Z fold: the locale's tolower would
// fold other bytes too, and costs a call per character.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  constexpr auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

// The text without the spaces and tabs (and carriage returns, which end lines
// that came from elsewhere) at its two ends.
constexpr std::string_view TrimBlanks(std::string_view s) {
  constexpr auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// A-Z lowered, every other byte kept.
inline std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace aerovell
