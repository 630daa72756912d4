#include "platform/sdl/ttf_rasterizer.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/cp1251.h"

namespace aerovell {
namespace {

constexpr const char* kFallbackRegular = "/usr/share/fonts/truetype/play/Play-Regular.ttf";
constexpr const char* kFallbackBold = "/usr/share/fonts/truetype/play/Play-Bold.ttf";
constexpr const char* kLastResort = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string FontconfigMatch(const std::string& family, bool bold) {
  std::string found;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
    FcChar8* got_family = nullptr;
    FcChar8* file = nullptr;
    // fontconfig always answers with something: only a face of the family asked for counts.
    if (FcPatternGetString(match, FC_FAMILY, 0, &got_family) == FcResultMatch &&
        strcasecmp(reinterpret_cast<const char*>(got_family), family.c_str()) == 0 &&
        FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
      found = reinterpret_cast<const char*>(file);
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return found;
}

}  // namespace

namespace {
bool g_fallback_only = false;
}  // namespace

void TtfRasterizer::UseOnlyTheFallback(bool only) { g_fallback_only = only; }

TtfRasterizer::TtfRasterizer() {
  if (!TTF_WasInit()) TTF_Init();
}

TtfRasterizer::~TtfRasterizer() = default;

std::string TtfRasterizer::FontFileFor(const std::string& family, uint8_t style) {
  const bool bold = style & kFontBold;
  if (!g_fallback_only) {
    std::string file = FontconfigMatch(family, bold);
    if (!file.empty()) return file;
  }
  std::error_code ec;
  const char* fallback = bold ? kFallbackBold : kFallbackRegular;
  return std::filesystem::exists(fallback, ec) ? fallback : kLastResort;
}

std::unique_ptr<GlyphFont> TtfRasterizer::Rasterize(const std::string& family, int point_size, uint8_t style) {
  const std::string file = FontFileFor(family, style);
  TTF_Font* font = TTF_OpenFontDPI(file.c_str(), std::max(point_size, 1), 96, 96);
  if (!font) return std::make_unique<GlyphFont>(0, family);
  int ttf_style = TTF_STYLE_NORMAL;
  if ((style & kFontBold) && file.find("Bold") == std::string::npos) ttf_style |= TTF_STYLE_BOLD;
  if (style & kFontItalic) ttf_style |= TTF_STYLE_ITALIC;
  if (style & kFontUnderline) ttf_style |= TTF_STYLE_UNDERLINE;
  if (style & kFontStrikeOut) ttf_style |= TTF_STYLE_STRIKETHROUGH;
  TTF_SetFontStyle(font, ttf_style);
  TTF_SetFontHinting(font, TTF_HINTING_NORMAL);

  auto glyphs = std::make_unique<GlyphFont>(TTF_FontHeight(font), family);
  std::vector<uint8_t> mask;
  for (int code = 0x20; code < 256; ++code) {
    const char32_t cp = Cp1251ToUnicode(static_cast<uint8_t>(code));
    if (cp == 0 || !TTF_GlyphIsProvided32(font, cp)) continue;
    int minx, maxx, miny, maxy, advance;
    if (TTF_GlyphMetrics32(font, cp, &minx, &maxx, &miny, &maxy, &advance) != 0) continue;
    const std::string utf8 = Cp1251ToUtf8(std::string(1, static_cast<char>(code)));
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (!rendered) {
      glyphs->SetGlyph(static_cast<uint8_t>(code), 0, 0, 0, 0, advance, nullptr, 0);
      continue;
    }
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (!argb) continue;
    // Keep only the rows and columns that carry ink.
    const int w = argb->w, h = argb->h;
    auto alpha = [&](int x, int y) {
      return static_cast<uint8_t>(
          reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch)[x] >> 24);
    };
    int left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (alpha(x, y)) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    if (right < 0) {
      glyphs->SetGlyph(static_cast<uint8_t>(code), 0, 0, 0, 0, advance, nullptr, 0);
    } else {
      const int cw = right - left + 1, ch = bottom - top + 1;
      mask.assign(static_cast<size_t>(cw) * ch, 0);
      for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) mask[y * cw + x] = alpha(left + x, top + y);
      // Rendering starts the pen at -min(minx, 0): shift the mask back to the pen position.
      const int origin = std::min(minx, 0);
      glyphs->SetGlyph(static_cast<uint8_t>(code), left + origin, top, cw, ch, advance, mask.data(), cw);
    }
    SDL_FreeSurface(argb);
  }
  TTF_CloseFont(font);
  return glyphs;
}

}  // namespace aerovell
