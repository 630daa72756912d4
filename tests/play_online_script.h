#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace aerovell::testing {

// An input script for aerovell-play that, with its seed, plays a game to a score
// for the default table: fire held and the aircraft weaving up and down until
// frame 900, then Esc and "Да" end the game; at the name entry "Иван" is typed
// and confirmed, and the submit question answered "Да" (frame 1100).
inline constexpr uint32_t kAScoreForTheTableSeed = 13;

inline std::vector<uint8_t> AScoreForTheTableScript() {
  std::string s = "5 down 0x0D\n6 up 0x0D\n100 down 0x11\n";
  bool up = true;
  for (int f = 100; f <= 855; f += 45, up = !up) {
    const char* key = up ? "0x26" : "0x28";
    s += std::to_string(f) + " down " + key + "\n" + std::to_string(f + 30) + " up " + key + "\n";
  }
  s += "900 up 0x11\n930 down 0x1B\n931 up 0x1B\n935 down 0x0D\n936 up 0x0D\n"
       "1080 type Иван\n1082 down 0x0D\n1083 up 0x0D\n1100 down 0x0D\n1101 up 0x0D\n";
  return {s.begin(), s.end()};
}

}  // namespace aerovell::testing
