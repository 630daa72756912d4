// The game's icon: the hero climbing out of a dusk sky on a rounded square,
// drawn once as vector shapes, so the scalable file and every pixel size are
// the same picture.
#include "icon.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#include "art.h"
#include "sprites.h"

namespace aerovell::mkassets {
namespace {

void Rgb(cairo_t* cr, uint32_t rgb, double alpha = 1.0) {
  cairo_set_source_rgba(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha);
}

void RoundedSquare(cairo_t* cr, double x, double y, double side, double r) { RoundedRectPath(cr, x, y, side, side, r); }

// The icon drawn on a 256 x 256 grid; callers scale.
void DrawIconOnGrid(cairo_t* cr) {
  constexpr double kSide = 256, kMargin = 12, kRadius = 44;
  const double inner = kSide - 2 * kMargin;
  RoundedSquare(cr, kMargin, kMargin, inner, kRadius);
  cairo_save(cr);
  cairo_clip_preserve(cr);
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, kMargin, 0, kSide - kMargin);
  cairo_pattern_add_color_stop_rgb(sky, 0.0, 0x1C / 255.0, 0x3F / 255.0, 0x7A / 255.0);
  cairo_pattern_add_color_stop_rgb(sky, 0.62, 0x6F / 255.0, 0xA8 / 255.0, 0xD8 / 255.0);
  cairo_pattern_add_color_stop_rgb(sky, 1.0, 0xF2 / 255.0, 0xC0 / 255.0, 0x7A / 255.0);
  cairo_set_source(cr, sky);
  cairo_fill(cr);
  cairo_pattern_destroy(sky);
  // Two ridges of the landscape below.
  for (int layer = 0; layer < 2; ++layer) {
    const double base = 190 + layer * 26;
    cairo_move_to(cr, 0, kSide);
    cairo_line_to(cr, 0, base);
    cairo_curve_to(cr, 60, base - 34 + layer * 10, 120, base + 8, 170, base - 18);
    cairo_curve_to(cr, 210, base - 36, 236, base - 6, kSide, base - 14);
    cairo_line_to(cr, kSide, kSide);
    cairo_close_path(cr);
    Rgb(cr, layer ? 0x243040 : 0x41536B);
    cairo_fill(cr);
  }
  // A sun low on the right, behind the aircraft.
  cairo_arc(cr, 188, 150, 30, 0, 2 * M_PI);
  Rgb(cr, 0xFFE7A8, 0.85);
  cairo_fill(cr);
  // The hero, large and climbing, facing right as in play.
  cairo_save(cr);
  cairo_translate(cr, 128, 116);
  cairo_rotate(cr, -0.30);
  cairo_scale(cr, 2.25, 2.25);
  const Size hero = HeroSize();
  cairo_translate(cr, -hero.w / 2.0, -hero.h / 2.0);
  DrawHero(cr, 0);
  cairo_translate(cr, hero.w - 7.0, 1);  // the propeller turns at the nose
  DrawPropeller(cr, 1);
  cairo_restore(cr);
  cairo_restore(cr);
  // A dark rim keeps the square readable on light and dark panels alike.
  RoundedSquare(cr, kMargin, kMargin, inner, kRadius);
  cairo_set_line_width(cr, 6);
  Rgb(cr, 0x0E1A2C, 0.9);
  cairo_stroke(cr);
}

void DrawIcon(cairo_t* cr, double size) {
  cairo_save(cr);
  cairo_scale(cr, size / 256.0, size / 256.0);
  DrawIconOnGrid(cr);
  cairo_restore(cr);
}

bool WritePng(const std::filesystem::path& path, int size, std::vector<uint32_t>* argb) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  DrawIcon(cr, size);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  if (argb) {
    // Cairo keeps premultiplied alpha; the window icon wants it straight.
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    argb->clear();
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const uint32_t p = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
        const uint32_t a = p >> 24;
        auto straight = [a](uint32_t c) { return a == 0 ? 0u : std::min(255u, (c * 255 + a / 2) / a); };
        argb->push_back(a << 24 | straight((p >> 16) & 0xFF) << 16 | straight((p >> 8) & 0xFF) << 8 |
                        straight(p & 0xFF));
      }
  }
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

bool WriteSvg(const std::filesystem::path& path) {
  cairo_surface_t* surface = cairo_svg_surface_create(path.c_str(), 256, 256);
  cairo_svg_surface_restrict_to_version(surface, CAIRO_SVG_VERSION_1_1);
  cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
  cairo_t* cr = cairo_create(surface);
  DrawIcon(cr, 256);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

bool WriteWindowIconSource(const std::filesystem::path& path, int size, const std::vector<uint32_t>& argb) {
  std::ofstream out(path, std::ios::trunc);
  out << "// Written by mkassets --icons: the game's icon for its window, " << size << " x " << size
      << ", 0xAARRGGBB.\n#include \"app/window_icon.h\"\n\nnamespace aerovell {\nnamespace {\nconst uint32_t kPixels[] "
         "= {";
  char word[16];
  for (size_t i = 0; i < argb.size(); ++i) {
    std::snprintf(word, sizeof word, "0x%08X,", argb[i]);
    out << (i % 8 == 0 ? "\n    " : " ") << word;
  }
  out << "\n};\n}  // namespace\n\nWindowIconPixels WindowIcon() { return {kPixels, " << size
      << "}; }\n\n}  // namespace aerovell\n";
  return static_cast<bool>(out);
}

}  // namespace

bool WriteIcons(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  std::vector<uint32_t> window_icon;
  return WritePng(dir / "aerovell-48.png", 48, nullptr) && WritePng(dir / "aerovell-128.png", 128, nullptr) &&
         WritePng(dir / "aerovell-256.png", 256, nullptr) && WritePng(dir / "window-64.png", 64, &window_icon) &&
         WriteSvg(dir / "aerovell.svg") && WriteWindowIconSource(dir / "window_icon.cpp", 64, window_icon);
}

}  // namespace aerovell::mkassets
