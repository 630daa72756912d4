#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace aerovell::scores {

// Bytes as lower-case hex: how replays travel through PostgreSQL's text
// protocol and how the check process names a player in its one line.
inline std::string ToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

// The bytes of `hex` (either case); nothing for an odd length or a character
// that is no hex digit.
inline std::optional<std::string> FromHex(std::string_view hex) {
  const auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes(hex.size() / 2, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int hi = digit(hex[2 * i]), lo = digit(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes[i] = static_cast<char>(hi * 16 + lo);
  }
  return bytes;
}

}  // namespace aerovell::scores
