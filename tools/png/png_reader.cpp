#include "png/png_reader.h"

#include <cairo.h>

namespace aerovell::tools {

Surface ReadPng(const std::string& path) {
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

}  // namespace aerovell::tools
