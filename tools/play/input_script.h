#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace aerovell::play {

// One line of a player's input script: FRAME EVENT ARGS, applied just before
// that frame's tick.
struct TScriptEvent {
  enum class Kind { kKeyDown, kKeyUp, kMove, kPress, kRelease, kClick, kType, kFocus };
  int frame = 0;
  Kind kind = Kind::kKeyDown;
  int key = 0;       // kKeyDown, kKeyUp: virtual-key code
  int x = 0, y = 0;  // kMove: picture coordinates
  int button = 1;    // kPress, kRelease: 1 left, 2 right
  bool on = true;    // kFocus
  std::string text;  // kType: UTF-8
};

class EScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a script: one event per line; blank lines and lines starting with "#" are
// skipped. A malformed line is an error naming its line number. The events come
// back in frame order (lines of one frame in their order).
std::vector<TScriptEvent> ParseInputScript(std::string_view text);

}  // namespace aerovell::play
