// mkglyphs: bakes the game's text faces, rasterised by the real rasteriser with
// the pinned fallback face, into C++ data for the test platform and the
// headless runner (which then need no font library and no SDL).
//   mkglyphs OUT.cpp
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/glyph_font.h"
#include "platform/sdl/ttf_rasterizer.h"

namespace {

using namespace aerovell;

// Every face the game's frames draw with: the canvas' family at the sizes the
// menus, the play frame, the dialogs and the start-up error use, plain.
constexpr const char* kFamily = "a_Stamper";
constexpr int kSizes[] = {8, 12, 14, 16, 30};

void WriteMasks(std::ofstream& out, const std::string& bytes) {
  out << "    reinterpret_cast<const uint8_t*>(\n        \"";
  int column = 0;
  for (unsigned char c : bytes) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\%o", c);
    out << escaped;
    if (++column == 32) {
      out << "\"\n        \"";
      column = 0;
    }
  }
  out << "\")";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    std::fprintf(argc == 2 ? stdout : stderr, "usage: mkglyphs OUT.cpp\n");
    return argc == 2 ? 0 : 2;
  }
  TtfRasterizer::UseOnlyTheFallback(true);
  TtfRasterizer rasterizer;
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << "// Made by mkglyphs at build time; do not edit.\n#include \"platform/fake/baked_fonts.h\"\n\n"
         "namespace aerovell {\nnamespace {\n\n";
  std::string table;
  int index = 0;
  for (int size : kSizes) {
    const auto font = rasterizer.Rasterize(kFamily, size, 0);
    std::string masks;
    int glyphs = 0;
    out << "const TBakedGlyph kGlyphs" << index << "[] = {\n";
    for (int code = 0; code < 256; ++code) {
      const GlyphFont::Glyph& g = font->At(static_cast<uint8_t>(code));
      if (g.width == 0 && g.height == 0 && g.advance == 0 && g.left == 0 && g.top == 0) continue;
      const auto mask = font->Mask(g);
      out << "    {" << code << ", " << g.left << ", " << g.top << ", " << g.width << ", " << g.height << ", "
          << g.advance << ", " << masks.size() << "},\n";
      masks.append(reinterpret_cast<const char*>(mask.data()), mask.size());
      ++glyphs;
    }
    if (glyphs == 0) out << "    {0, 0, 0, 0, 0, 0, 0},\n";
    out << "};\nconst uint8_t* const kMasks" << index << " =\n";
    WriteMasks(out, masks);
    out << ";\n\n";
    table += "    {\"" + std::string(kFamily) + "\", " + std::to_string(size) + ", 0, " +
             std::to_string(font->LineHeight()) + ", kGlyphs" + std::to_string(index) + ", " +
             std::to_string(glyphs) + ", kMasks" + std::to_string(index) + "},\n";
    ++index;
  }
  out << "}  // namespace\n\nconst TBakedFont kBakedFonts[] = {\n" << table << "};\nconst int kBakedFontCount = "
      << index << ";\n\n}  // namespace aerovell\n";
  out.close();
  if (!out) {
    std::fprintf(stderr, "mkglyphs: cannot write \"%s\"\n", argv[1]);
    return 1;
  }
  return 0;
}
