#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace aerovell::testing {

// Library files made to hurt the readers: each claims far more than it holds.
// The big ones are built at run time; nothing here is committed as data.
struct HostileFile {
  const char* name;
  const char* what;
  std::vector<uint8_t> bytes;
};

// A picture's Data payload of run-length escapes whose moves add up past the
// largest int (about 34 MB, 8.4 million escapes).
std::vector<uint8_t> RunLengthMoveOverflowPayload();

// A library file of `count` empty items under the root class.
std::vector<uint8_t> EmptyItems(const char* root_class, size_t count);

// Whole library files, by name: "tiny_patterns_6k.dxg", "tiny_patterns_1m.dxg",
// "rle_claims_4m.dxg", "empty_items_4m.dxg", "empty_waves_4m.dxw",
// "rle_move_overflow.dxg".
std::vector<HostileFile> HostileLibraries();

}  // namespace aerovell::testing
