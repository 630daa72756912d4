#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bitmap_encoder.h"
#include "library_writer.h"

namespace aerovell::mkassets {

// The colour key of every transparent picture: pure magenta, which the art is
// kept from producing (ToImage moves any such pixel one step away).
inline constexpr uint32_t kKeyPixel = 0xFF00FF;
inline constexpr const char* kKeyIdent = "clFuchsia";

// A deterministic random sequence for the generator.
class Rng {
 public:
  explicit Rng(uint32_t seed) : state_(seed) {}
  uint32_t Next() { return state_ = state_ * 1664525u + 1013904223u; }
  double Unit() { return (Next() >> 8) / 16777216.0; }  // [0, 1)
  double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  int Int(int n) { return static_cast<int>(Unit() * n); }

 private:
  uint32_t state_;
};

// A rectangle with rounded corners of radius r as the current path's new sub-path.
void RoundedRectPath(cairo_t* cr, double x, double y, double w, double h, double r);

// A cairo drawing surface with the text and shape helpers the art uses.
class Canvas {
 public:
  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() { return cr_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  void Color(uint32_t rgb, double alpha = 1.0);  // 0xRRGGBB
  void LinearVertical(double y0, uint32_t top, double y1, uint32_t bottom);
  void RoundedRect(double x, double y, double w, double h, double r);
  void Ellipse(double cx, double cy, double rx, double ry);

  // Text in the game's font choice ("a_Stamper", else Play), UTF-8.
  // Returns the ink-free logical size of the text.
  void TextSize(const std::string& utf8, double size_px, int& w, int& h, bool bold = false);
  void Text(double x, double y, const std::string& utf8, double size_px, uint32_t rgb, bool bold = false,
            bool antialias = true);
  // Wrapped text in a box of the given width; returns the height used.
  int Paragraph(double x, double y, double width, const std::string& utf8, double size_px, uint32_t rgb);

  // The picture: pixels with alpha of at least `threshold` are opaque, the rest
  // become the key colour (or `background` when given).
  tools::RgbImage ToImage(int threshold = 128) const;
  tools::RgbImage ToOpaqueImage(uint32_t background) const;

 private:
  int width_, height_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

// Reduces an image to at most 255 colours plus the key, by rounding each
// channel to a small set of levels, so it fits an 8-bit palette.
void Posterize(tools::RgbImage& image, int levels_r = 6, int levels_g = 7, int levels_b = 6);

// A dialog frame: a picture of w x h, transparent but for a light panel with a
// dark border over the rectangle (left, top)-(right, bottom), which is where
// the dialog's texts stand; a slim title strip runs along its top. Light
// enough behind the texts for black (and the red of a chosen answer).
tools::RgbImage DialogPanel(int w, int h, int left, int top, int right, int bottom);

// Pictures side by side, for pattern strips.
tools::RgbImage Strip(const std::vector<tools::RgbImage>& frames);

// A picture entry in one of the encodings.
tools::PictureEntry Picture(const std::string& name, const tools::RgbImage& image, const std::string& graphic_class,
                            tools::DibEncoding encoding, bool transparent, int pattern_width = 0,
                            int pattern_height = 0);

}  // namespace aerovell::mkassets
