#include "online/score_codec.h"

#include <array>
#include <charconv>

namespace aerovell {
namespace {

// The alphabet's index of each byte, -1 for bytes that are no letter of it.
constexpr std::array<int8_t, 256> MakeLetterIndex() {
  std::array<int8_t, 256> index{};
  for (auto& i : index) i = -1;
  for (size_t i = 0; i < kScoreLetters.size(); ++i)
    index[static_cast<uint8_t>(kScoreLetters[i])] = static_cast<int8_t>(i);
  return index;
}
constexpr std::array<int8_t, 256> kLetterIndex = MakeLetterIndex();

constexpr std::array<std::string_view, 7> kFieldNames = {"type=", "name=", "score=", "key=", "p=", "add=", "z="};

bool IsTypedText(std::string_view text) {
  if (text.size() > kMaxTypedText) return false;
  for (char c : text)
    if (!IsTypedTextByte(static_cast<uint8_t>(c))) return false;
  return true;
}

}  // namespace

std::string BitText(std::string_view text) {
  std::string digits;
  digits.reserve(text.size() * 8);
  for (char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    for (int bit = 7; bit >= 0; --bit) digits += ((byte >> bit) & 1) ? '1' : '0';
  }
  return digits;
}

std::string FiveBitLetters(std::string_view digits) {
  const size_t lead = (5 - digits.size() % 5) % 5;
  std::string letters;
  letters.reserve((digits.size() + lead) / 5);
  unsigned group = 0;
  size_t count = 0;
  auto push = [&](bool one) {
    group = (group << 1) | (one ? 1u : 0u);
    if (++count == 5) {
      letters += kScoreLetters[group];
      group = 0;
      count = 0;
    }
  };
  for (size_t i = 0; i < lead; ++i) push(false);
  for (char d : digits) push(d != '0');
  return letters;
}

std::string ScoreInfo(std::string_view name, uint16_t score, std::string_view p, std::string_view country) {
  std::string info = "type=0|name=";
  info += name;
  info += "|score=";
  info += std::to_string(score);
  info += "|key=X|p=";
  info += p;
  info += "|add=";
  info += country;
  info += "|z=";
  while (info.size() % 5 != 0) info += '0';
  return info;
}

std::string ScoreLettersOf(std::string_view info) { return FiveBitLetters(BitText(info)); }

std::string EchoValue(std::string_view answer) {
  std::string_view rest = answer;
  std::string_view field;
  for (int round = 0; round < 5; ++round) {
    const size_t bar = rest.find('|');
    if (bar == std::string_view::npos) {
      field = {};  // no separator: an empty field, the text stays as it is
      continue;
    }
    field = rest.substr(0, bar);
    rest.remove_prefix(bar + 1);
  }
  return std::string(field);
}

bool IsTypedTextByte(uint8_t b) {
  return b == 0x20 || (b >= 0x30 && b <= 0x39) || (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || b >= 0xC0;
}

Checked<std::string> DecodeScoreLetters(std::string_view letters) {
  using Result = Checked<std::string>;
  if (letters.size() % 8 != 0)
    return Result::Fail("the letter count " + std::to_string(letters.size()) + " is not a multiple of 8");
  std::string bytes;
  bytes.reserve(letters.size() / 8 * 5);
  uint64_t group = 0;
  for (size_t i = 0; i < letters.size(); ++i) {
    const int value = kLetterIndex[static_cast<uint8_t>(letters[i])];
    if (value < 0) return Result::Fail("a character outside the alphabet at " + std::to_string(i));
    group = (group << 5) | static_cast<uint64_t>(value);
    if (i % 8 == 7) {  // 8 letters are 40 bits, 5 bytes
      for (int shift = 32; shift >= 0; shift -= 8) bytes += static_cast<char>((group >> shift) & 0xFF);
      group = 0;
    }
  }
  return Result::Ok(std::move(bytes));
}

Checked<ScoreInfoFields> ParseScoreInfo(std::string_view info) {
  using Result = Checked<ScoreInfoFields>;
  std::array<std::string_view, kFieldNames.size()> values;
  std::string_view rest = info;
  for (size_t i = 0; i < kFieldNames.size(); ++i) {
    const std::string_view key = kFieldNames[i];
    if (rest.substr(0, key.size()) != key)
      return Result::Fail("the field " + std::string(key.substr(0, key.size() - 1)) + " is missing or out of order");
    rest.remove_prefix(key.size());
    const size_t bar = rest.find('|');
    const bool last = i + 1 == kFieldNames.size();
    if (last != (bar == std::string_view::npos))
      return Result::Fail(last ? "a field after the padding" : "the info text ends early");
    values[i] = rest.substr(0, bar);
    rest.remove_prefix(last ? rest.size() : bar + 1);
  }
  const auto& [type, name, score, key, p, country, z] = values;

  if (type != "0") return Result::Fail("the type is not 0");
  if (!IsTypedText(name)) return Result::Fail("the name is too long or holds a refused character");
  if (score.empty() || score.size() > 5 || (score.size() > 1 && score[0] == '0'))
    return Result::Fail("the score is not a plain decimal number");
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(score.data(), score.data() + score.size(), value);
  if (ec != std::errc() || end != score.data() + score.size())
    return Result::Fail("the score is not a plain decimal number");
  if (value > 65535) return Result::Fail("the score is beyond 65535");
  if (key != "X") return Result::Fail("the key is not X");
  if (p.size() > kMaxEchoValue) return Result::Fail("the echo value is too long");
  for (char c : p)
    if (kLetterIndex[static_cast<uint8_t>(c)] < 0)
      return Result::Fail("the echo value holds a character outside the alphabet");
  if (!IsTypedText(country)) return Result::Fail("the country is too long or holds a refused character");
  const size_t unpadded = info.size() - z.size();
  if (z.find_first_not_of('0') != std::string_view::npos || z.size() != (5 - unpadded % 5) % 5)
    return Result::Fail("the padding is not the \"0\"s up to a multiple of 5");

  ScoreInfoFields fields;
  fields.name = std::string(name);
  fields.score = static_cast<uint16_t>(value);
  fields.p = std::string(p);
  fields.country = std::string(country);
  return Result::Ok(std::move(fields));
}

}  // namespace aerovell
