#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "engine/errors.h"

namespace aerovell {

// Outside bytes ended before what they claim to hold.
class EReadError : public EGameError {
 public:
  EReadError() : EGameError("Stream read error") {}
  using EGameError::EGameError;
};

// A bounded little-endian reader over bytes from outside. Every length is
// checked against what remains before it is used, so no claim in the data can
// make it read past the end or allocate more than the data holds.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t Position() const { return pos_; }
  size_t Size() const { return bytes_.size(); }
  size_t Remaining() const { return bytes_.size() - pos_; }
  bool AtEnd() const { return pos_ >= bytes_.size(); }
  void Seek(size_t pos) {
    if (pos > bytes_.size()) throw EReadError();
    pos_ = pos;
  }

  uint8_t PeekU8() const {
    if (AtEnd()) throw EReadError();
    return bytes_[pos_];
  }
  uint8_t U8() {
    const uint8_t v = PeekU8();
    ++pos_;
    return v;
  }
  uint16_t U16() {
    // Both bytes are taken before they are combined: the two sides of an
    // expression may be evaluated in either order.
    const auto b = Bytes(2);
    const uint16_t low = b[0], high = b[1];
    return static_cast<uint16_t>(low | (high << 8));
  }
  uint32_t U32() {
    const auto b = Bytes(4);
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
  }
  int8_t I8() { return static_cast<int8_t>(U8()); }
  int16_t I16() { return static_cast<int16_t>(U16()); }
  int32_t I32() { return static_cast<int32_t>(U32()); }

  std::span<const uint8_t> Bytes(size_t count) {
    if (count > Remaining()) throw EReadError();
    const auto out = bytes_.subspan(pos_, count);
    pos_ += count;
    return out;
  }
  void Skip(size_t count) { Bytes(count); }
  std::string String(size_t count) {
    const auto b = Bytes(count);
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
  }
  std::string ShortString() { return String(U8()); }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

}  // namespace aerovell
