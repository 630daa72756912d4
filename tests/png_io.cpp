#include "png_io.h"

#include <cairo.h>

namespace aerovell::testing {

bool SavePng(const Surface& surface, const std::string& path) {
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, surface.Width(), surface.Height());
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < surface.Height(); ++y)
    for (int x = 0; x < surface.Width(); ++x)
      reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride)[x] = surface.Pixel(x, y) | 0xFF000000u;
  cairo_surface_mark_dirty(image);
  const bool ok = cairo_surface_write_to_png(image, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(image);
  return ok;
}

Surface LoadPng(const std::string& path) {
  cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(image);
    return Surface();
  }
  const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
  Surface out(w, h);
  const unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out.Row(y)[x] = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride)[x] & 0xFFFFFF;
  cairo_surface_destroy(image);
  return out;
}

}  // namespace aerovell::testing
