#pragma once

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

}  // namespace aerovell
