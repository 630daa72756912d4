#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "replay/replay.h"

namespace aerovell::replay {

// Signed values as unsigned ones with small magnitudes kept small: 0, -1, 1, -2...
constexpr uint64_t ZigZag(int64_t v) { return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63); }
constexpr int64_t UnZigZag(uint64_t u) { return static_cast<int64_t>(u >> 1) ^ -static_cast<int64_t>(u & 1); }

// Appends little-endian fields and varints (seven bits a byte, low first).
class TByteWriter {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Var(uint64_t v) {
    while (v >= 0x80) {
      U8(static_cast<uint8_t>(v | 0x80));
      v >>= 7;
    }
    U8(static_cast<uint8_t>(v));
  }
  void SignedVar(int64_t v) { Var(ZigZag(v)); }
  void Bytes(std::span<const uint8_t> b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
  void Text(const std::string& s) {
    U8(static_cast<uint8_t>(s.size()));
    Bytes({reinterpret_cast<const uint8_t*>(s.data()), s.size()});
  }

  std::vector<uint8_t>& Out() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads what TByteWriter wrote, from bytes of unknown origin: every read is
// checked against what remains, every value against the bound its caller
// gives, and an error names the field and where it was found.
class TByteReader {
 public:
  // `what` names the bytes in messages ("content", "header").
  TByteReader(std::span<const uint8_t> bytes, const char* what) : bytes_(bytes), what_(what) {}

  size_t Position() const { return pos_; }
  size_t Remaining() const { return bytes_.size() - pos_; }

  [[noreturn]] void Fail(const std::string& why) const {
    throw EReplayError("Replay is damaged: " + why + " at byte " + std::to_string(pos_) + " of its " + what_);
  }

  uint8_t U8(const char* field) {
    if (pos_ >= bytes_.size()) Fail(std::string(field) + " cut short");
    return bytes_[pos_++];
  }
  uint16_t U16(const char* field) {
    const uint16_t low = U8(field);
    const uint16_t high = U8(field);
    return static_cast<uint16_t>(low | (high << 8));
  }
  uint32_t U32(const char* field) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(U8(field)) << (8 * i);
    return v;
  }
  // A varint of at most `max`; at most ten bytes, and no byte beyond what the
  // value needs, so one value has one spelling.
  uint64_t Var(const char* field, uint64_t max) {
    uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
      const uint8_t b = U8(field);
      if (shift == 63 && b > 1) Fail(std::string(field) + " too large");
      v |= static_cast<uint64_t>(b & 0x7F) << shift;
      if (!(b & 0x80)) {
        if (b == 0 && shift > 0) Fail(std::string(field) + " spelled long");
        break;
      }
    }
    if (v > max) Fail(std::string(field) + " " + std::to_string(v) + " beyond " + std::to_string(max));
    return v;
  }
  int64_t SignedVar(const char* field, int64_t min, int64_t max) {
    const int64_t v = UnZigZag(Var(field, UINT64_MAX));
    if (v < min || v > max) Fail(std::string(field) + " " + std::to_string(v) + " out of range");
    return v;
  }
  std::span<const uint8_t> Bytes(const char* field, size_t count) {
    if (count > Remaining()) Fail(std::string(field) + " cut short");
    const auto out = bytes_.subspan(pos_, count);
    pos_ += count;
    return out;
  }
  // A length byte of at most `max`, then the bytes.
  std::string Text(const char* field, size_t max) {
    const size_t length = U8(field);
    if (length > max) Fail(std::string(field) + " longer than " + std::to_string(max));
    const auto b = Bytes(field, length);
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
  }

 private:
  std::span<const uint8_t> bytes_;
  const char* what_;
  size_t pos_ = 0;
};

}  // namespace aerovell::replay
