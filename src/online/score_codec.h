#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The score record as it travels from the game to the score service: the plain
// info text, its encoding into letters, and the way back (the service's side).
// All text here is Windows-1251 bytes, one byte per character.

namespace aerovell {

// The 32 letters of the encoding, indexed 0 to 31.
inline constexpr std::string_view kScoreLetters = "QWERTYUPASDFGHJKLZXCVBNM23456789";

// Each byte as 8 characters "0"/"1", most significant bit first.
std::string BitText(std::string_view text);

// "0"s are prepended until the count is a multiple of 5; then each group of 5
// digits (first one most significant, any digit but "0" counting as 1) becomes
// the letter with that index.
std::string FiveBitLetters(std::string_view digits);

// "type=0|name=..|score=..|key=X|p=..|add=..|z=" padded with "0"s to a multiple
// of 5 bytes, so that its letters come in whole groups of 8.
std::string ScoreInfo(std::string_view name, uint16_t score, std::string_view p, std::string_view country);

// FiveBitLetters(BitText(info)): what the score request carries.
std::string ScoreLettersOf(std::string_view info);

// An answer of the service that says yes: its first two characters are "OK" (in
// that case; "ok" is a no).
constexpr bool IsOkAnswer(std::string_view answer) { return answer.substr(0, 2) == "OK"; }

// The echo value of a version answer: the text between its fourth and fifth "|",
// empty when it has fewer than five. Fields of any length are split where their
// separators really are.
std::string EchoValue(std::string_view answer);

// What the game accepts when a name or the country is typed: space, digits,
// Latin letters and the Cyrillic letters А to я (no Ё or ё, no punctuation).
bool IsTypedTextByte(uint8_t byte);
inline constexpr size_t kMaxTypedText = 10;  // characters of a name or the country

// A result or the reason there is none.
template <typename T>
struct Checked {
  std::optional<T> value;
  std::string error;

  static Checked Ok(T v) { return {std::move(v), {}}; }
  static Checked Fail(std::string why) { return {std::nullopt, std::move(why)}; }
  explicit operator bool() const { return value.has_value(); }
};

// The inverse of ScoreLettersOf for a text of whole groups of 5 bytes: refuses
// a letter outside the alphabet and a count that is not a multiple of 8.
Checked<std::string> DecodeScoreLetters(std::string_view letters);

// The fields of an info text, checked as the service needs them.
struct ScoreInfoFields {
  std::string name;  // Windows-1251, at most 10 typed characters
  uint16_t score = 0;
  std::string p;        // the echo value: letters of the alphabet, possibly empty
  std::string country;  // Windows-1251, at most 10 typed characters
};

// The longest echo value the parser takes.
inline constexpr size_t kMaxEchoValue = 64;

// Accepts exactly what ScoreInfo builds from typed text: the seven fields in the
// game's order, type 0, key X, name and country of typed characters, the score
// as plain decimal digits within 16 bits, the echo value of alphabet letters and
// the padding of exactly the "0"s needed for a multiple of 5 bytes.
Checked<ScoreInfoFields> ParseScoreInfo(std::string_view info);

}  // namespace aerovell
