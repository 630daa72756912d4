#include "png/png_writer.h"

#include <cairo.h>

#include <vector>

namespace aerovell::tools {

bool WritePng(const Surface& surface, const std::string& path) {
  const int w = surface.Width(), h = surface.Height();
  if (w <= 0 || h <= 0) return false;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w; ++x) row[x] = surface.Pixel(x, y) | 0xFF000000u;
  }
  cairo_surface_mark_dirty(image);
  const bool ok = cairo_surface_write_to_png(image, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(image);
  return ok;
}

}  // namespace aerovell::tools
