#include "library_writer.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace aerovell::tools {

void ValueWriter::U16(uint16_t v) {
  Byte(static_cast<uint8_t>(v));
  Byte(static_cast<uint8_t>(v >> 8));
}

void ValueWriter::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i) Byte(static_cast<uint8_t>(v >> (8 * i)));
}

void ValueWriter::ShortString(std::string_view text) {
  if (text.size() > 255) throw std::invalid_argument("short string longer than 255");
  Byte(static_cast<uint8_t>(text.size()));
  Raw({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

void ValueWriter::Int(int32_t v) {
  if (v >= -128 && v <= 127) {
    Byte(2);
    Byte(static_cast<uint8_t>(v));
  } else if (v >= -32768 && v <= 32767) {
    Byte(3);
    U16(static_cast<uint16_t>(v));
  } else {
    Int32(v);
  }
}

void ValueWriter::Int32(int32_t v) {
  Byte(4);
  U32(static_cast<uint32_t>(v));
}

void ValueWriter::String(std::string_view text) {
  if (text.size() <= 255) {
    Byte(6);
    ShortString(text);
    return;
  }
  Byte(12);
  U32(static_cast<uint32_t>(text.size()));
  Raw({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

void ValueWriter::Ident(std::string_view ident) {
  Byte(7);
  ShortString(ident);
}

void ValueWriter::Binary(std::span<const uint8_t> bytes) {
  Byte(10);
  U32(static_cast<uint32_t>(bytes.size()));
  Raw(bytes);
}

std::vector<uint8_t> WrapLibraryFile(std::string_view root_class, std::span<const uint8_t> body) {
  ValueWriter stream;
  stream.Raw({reinterpret_cast<const uint8_t*>("TPF0"), 4});
  stream.ShortString(root_class);
  stream.ShortString("");  // the root has no name
  stream.Raw(body);
  stream.End();  // properties
  stream.End();  // child objects
  ValueWriter file;
  file.Byte(0xFF);
  file.U16(10);
  std::string resource(root_class.substr(0, 63));
  std::transform(resource.begin(), resource.end(), resource.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  file.Raw({reinterpret_cast<const uint8_t*>(resource.data()), resource.size()});
  file.Byte(0);
  file.U16(0x1030);
  file.U32(static_cast<uint32_t>(stream.Bytes().size()));
  file.Raw(stream.Bytes());
  return file.Take();
}

std::vector<uint8_t> WritePictureLibrary(const std::vector<PictureEntry>& pictures) {
  ValueWriter body;
  body.Name("List.ColorTable");
  std::vector<uint8_t> color_table(1024, 0);
  for (int i = 0; i < 256; ++i) {  // a grey ramp; nothing in the game reads it
    color_table[i * 4] = color_table[i * 4 + 1] = color_table[i * 4 + 2] = static_cast<uint8_t>(i);
  }
  body.Binary(color_table);
  body.Name("List");
  body.BeginCollection();
  for (const PictureEntry& p : pictures) {
    body.BeginItem();
    body.Name("Name");
    body.String(p.name);
    if (p.pattern_height) {
      body.Name("PatternHeight");
      body.Int(p.pattern_height);
    }
    if (p.pattern_width) {
      body.Name("PatternWidth");
      body.Int(p.pattern_width);
    }
    body.Name("Picture.Data");
    body.Binary(p.data);
    if (p.skip_height) {
      body.Name("SkipHeight");
      body.Int(p.skip_height);
    }
    if (p.skip_width) {
      body.Name("SkipWidth");
      body.Int(p.skip_width);
    }
    if (p.system_memory) {
      body.Name("SystemMemory");
      body.Bool(true);
    }
    body.Name("Transparent");
    body.Bool(p.transparent);
    body.Name("TransparentColor");
    if (!p.transparent_color_ident.empty()) body.Ident(p.transparent_color_ident);
    else body.Int(static_cast<int32_t>(p.transparent_color));
    body.End();
  }
  body.End();
  return WrapLibraryFile("TPictureCollectionComponent", body.Bytes());
}

std::vector<uint8_t> WriteWaveLibrary(const std::vector<WaveEntry>& waves) {
  ValueWriter body;
  body.Name("List");
  body.BeginCollection();
  for (const WaveEntry& w : waves) {
    body.BeginItem();
    body.Name("Name");
    body.String(w.name);
    if (w.looped) {
      body.Name("Looped");
      body.Bool(true);
    }
    body.Name("MaxPlayingCount");
    body.Int(w.max_playing_count);
    body.Name("Wave.WAVE");
    body.Binary(w.wave);
    body.End();
  }
  body.End();
  return WrapLibraryFile("TWaveCollectionComponent", body.Bytes());
}

}  // namespace aerovell::tools
