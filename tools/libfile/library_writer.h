#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace aerovell::tools {

// Builds object-stream values: the inverse of the game's library reader. It lives
// with the tools; the game only ever reads these files.
class ValueWriter {
 public:
  void Byte(uint8_t v) { out_.push_back(v); }
  void U16(uint16_t v);
  void U32(uint32_t v);
  void Raw(std::span<const uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
  void ShortString(std::string_view text);  // length byte and characters, no tag

  void Int(int32_t v);  // the smallest integer tag that holds it
  void Int32(int32_t v);
  void String(std::string_view text);  // short or long string by length
  void Ident(std::string_view ident);
  void Bool(bool v) { Byte(v ? 9 : 8); }
  void Binary(std::span<const uint8_t> bytes);
  void End() { Byte(0); }
  void BeginCollection() { Byte(14); }
  void BeginItem() { Byte(1); }
  void Name(std::string_view property) { ShortString(property); }

  const std::vector<uint8_t>& Bytes() const { return out_; }
  std::vector<uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<uint8_t> out_;
};

// The resource header and "TPF0" stream around a root's properties. `body` holds
// the root's properties without their closing 0; the closing bytes are added.
std::vector<uint8_t> WrapLibraryFile(std::string_view root_class, std::span<const uint8_t> body);

struct PictureEntry {
  std::string name;
  int pattern_width = 0;
  int pattern_height = 0;
  int skip_width = 0;
  int skip_height = 0;
  bool system_memory = false;
  bool transparent = true;
  uint32_t transparent_color = 0;
  std::string transparent_color_ident;  // written as an identifier when set
  std::vector<uint8_t> data;            // the Picture.Data payload, class name first
};

std::vector<uint8_t> WritePictureLibrary(const std::vector<PictureEntry>& pictures);

struct WaveEntry {
  std::string name;
  bool looped = false;
  int max_playing_count = 0;
  std::vector<uint8_t> wave;  // the Wave.WAVE payload: a RIFF WAVE file
};

std::vector<uint8_t> WriteWaveLibrary(const std::vector<WaveEntry>& waves);

}  // namespace aerovell::tools
