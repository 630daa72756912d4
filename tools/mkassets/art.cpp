#include "art.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

namespace aerovell::mkassets {
namespace {

constexpr const char* kFontFamilies = "a_Stamper, Play";

PangoLayout* MakeLayout(cairo_t* cr, const std::string& text, double size_px, bool bold) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_from_string(kFontFamilies);
  pango_font_description_set_absolute_size(font, size_px * PANGO_SCALE);
  pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  pango_layout_set_text(layout, text.c_str(), -1);
  return layout;
}

}  // namespace

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_)) {}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

void Canvas::Color(uint32_t rgb, double alpha) {
  cairo_set_source_rgba(cr_, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha);
}

void Canvas::LinearVertical(double y0, uint32_t top, double y1, uint32_t bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
  auto stop = [&](double at, uint32_t c) {
    cairo_pattern_add_color_stop_rgb(p, at, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0);
  };
  stop(0, top);
  stop(1, bottom);
  cairo_set_source(cr_, p);
  cairo_pattern_destroy(p);
}

void RoundedRectPath(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void Canvas::RoundedRect(double x, double y, double w, double h, double r) { RoundedRectPath(cr_, x, y, w, h, r); }

void Canvas::Ellipse(double cx, double cy, double rx, double ry) {
  cairo_save(cr_);
  cairo_translate(cr_, cx, cy);
  cairo_scale(cr_, rx, ry);
  cairo_new_sub_path(cr_);
  cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr_);
}

void Canvas::TextSize(const std::string& text, double size_px, int& w, int& h, bool bold) {
  PangoLayout* layout = MakeLayout(cr_, text, size_px, bold);
  pango_layout_get_pixel_size(layout, &w, &h);
  g_object_unref(layout);
}

void Canvas::Text(double x, double y, const std::string& text, double size_px, uint32_t rgb, bool bold,
                  bool antialias) {
  cairo_save(cr_);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  PangoLayout* layout = MakeLayout(cr_, text, size_px, bold);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
  pango_layout_context_changed(layout);
  Color(rgb);
  cairo_move_to(cr_, x, y);
  pango_cairo_show_layout(cr_, layout);
  g_object_unref(layout);
  cairo_font_options_destroy(options);
  cairo_restore(cr_);
}

int Canvas::Paragraph(double x, double y, double width, const std::string& text, double size_px, uint32_t rgb) {
  PangoLayout* layout = MakeLayout(cr_, text, size_px, false);
  pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
  Color(rgb);
  cairo_move_to(cr_, x, y);
  pango_cairo_show_layout(cr_, layout);
  int w, h;
  pango_layout_get_pixel_size(layout, &w, &h);
  g_object_unref(layout);
  return h;
}

namespace {

// The canvas as an RGB image, each premultiplied ARGB pixel turned by `convert`.
template <class PixelFunction>
tools::RgbImage Convert(cairo_surface_t* surface, int width, int height, PixelFunction convert) {
  cairo_surface_flush(surface);
  tools::RgbImage image{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < width; ++x) image.At(x, y) = convert(row[x]);
  }
  return image;
}

}  // namespace

tools::RgbImage Canvas::ToImage(int threshold) const {
  return Convert(surface_, width_, height_, [threshold](uint32_t p) {
    const uint32_t a = p >> 24;
    if (static_cast<int>(a) < threshold) return kKeyPixel;
    // Cairo keeps colours premultiplied by alpha: undo that.
    auto channel = [&](int shift) { return std::min<uint32_t>(255, (((p >> shift) & 0xFF) * 255 + a / 2) / a); };
    const uint32_t out = channel(16) << 16 | channel(8) << 8 | channel(0);
    return out == kKeyPixel ? 0xFE00FFu : out;  // never the key by accident
  });
}

tools::RgbImage Canvas::ToOpaqueImage(uint32_t background) const {
  return Convert(surface_, width_, height_, [background](uint32_t p) {
    const uint32_t a = p >> 24;
    auto channel = [&](int shift) {
      return std::min<uint32_t>(255, ((p >> shift) & 0xFF) + (((background >> shift) & 0xFF) * (255 - a) + 127) / 255);
    };
    const uint32_t out = channel(16) << 16 | channel(8) << 8 | channel(0);
    return out == kKeyPixel ? 0xFE00FFu : out;
  });
}

void Posterize(tools::RgbImage& image, int lr, int lg, int lb) {
  auto level = [](uint32_t v, int levels) {
    const uint32_t step = (v * (levels - 1) + 127) / 255;
    return step * 255 / (levels - 1);
  };
  for (uint32_t& p : image.pixels) {
    if (p == kKeyPixel) continue;
    uint32_t q = level(p >> 16 & 0xFF, lr) << 16 | level(p >> 8 & 0xFF, lg) << 8 | level(p & 0xFF, lb);
    if (q == kKeyPixel) q = 0xFF0000 | (q & 0x00FF00) | 0xCC;
    p = q;
  }
}

tools::RgbImage Strip(const std::vector<tools::RgbImage>& frames) {
  int w = 0, h = 0;
  for (const auto& f : frames) {
    w += f.width;
    h = std::max(h, f.height);
  }
  tools::RgbImage out{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, kKeyPixel)};
  int x0 = 0;
  for (const auto& f : frames) {
    for (int y = 0; y < f.height; ++y)
      for (int x = 0; x < f.width; ++x) out.At(x0 + x, y) = f.At(x, y);
    x0 += f.width;
  }
  return out;
}

tools::PictureEntry Picture(const std::string& name, const tools::RgbImage& image, const std::string& graphic_class,
                            tools::DibEncoding encoding, bool transparent, int pattern_width, int pattern_height) {
  tools::PictureEntry e;
  e.name = name;
  e.pattern_width = pattern_width;
  e.pattern_height = pattern_height;
  e.transparent = transparent;
  e.transparent_color_ident = kKeyIdent;
  e.data = graphic_class == "TBitmap" ? tools::PictureData("TBitmap", tools::EncodeBitmap(image, encoding))
                                      : tools::PictureData("TDIB", tools::EncodeDib(image, encoding));
  return e;
}

tools::RgbImage DialogPanel(int w, int h, int left, int top, int right, int bottom) {
  Canvas c(w, h);
  cairo_t* cr = c.cr();
  const double pw = right - left, ph = bottom - top;
  c.RoundedRect(left, top, pw, ph, 12);
  c.LinearVertical(top, 0xF8FAFC, bottom, 0xE6EDF3);
  cairo_fill_preserve(cr);
  c.Color(0x2B3A48);
  cairo_set_line_width(cr, 4);
  cairo_stroke(cr);
  // The title strip, clear of the first line of text.
  c.RoundedRect(left + 6, top + 6, pw - 12, 16, 5);
  c.LinearVertical(top + 6, 0x4D6F8F, top + 22, 0x2F4A63);
  cairo_fill(cr);
  return c.ToImage();
}

}  // namespace aerovell::mkassets
