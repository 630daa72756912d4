#include <string_view>

#include "fuzz_targets.h"
#include "online/score_codec.h"

namespace aerovell::fuzz {

namespace {

// Whatever the parser accepts is exactly what the game would have built.
void CheckInfo(std::string_view info) {
  const auto fields = ParseScoreInfo(info);
  if (fields && ScoreInfo(fields.value->name, fields.value->score, fields.value->p, fields.value->country) != info)
    __builtin_trap();
}

}  // namespace

void ScoreRequest(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  (void)EchoValue(input);  // the game's reading of a hostile version answer
  CheckInfo(input);
  if (const auto decoded = DecodeScoreLetters(input)) {
    if (ScoreLettersOf(*decoded.value) != input) __builtin_trap();  // decoding loses nothing
    CheckInfo(*decoded.value);
  }
}

}  // namespace aerovell::fuzz
