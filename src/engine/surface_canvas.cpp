#include "engine/surface_canvas.h"

#include <cstdlib>

namespace aerovell {

const GlyphFont& TDirectDrawSurfaceCanvas::CurrentFont() {
  holds_context_ = true;
  return fonts_.Get(Font.Name, Font.Size, Font.Style);
}

void TDirectDrawSurfaceCanvas::WriteText(int x, int y, std::string_view text) {
  const GlyphFont& font = CurrentFont();
  if (Brush.Style == TBrushStyle::bsSolid)
    surface_.FillRect(Rect::Sized(x, y, font.Measure(text), font.LineHeight()), ColorToPixel(Brush.Color));
  font.Draw(surface_, x, y, text, ColorToPixel(Font.Color));
  if (TextLog) TextLog->push_back({x, y, std::string(text), Font.Color, Font.Size});
}

int TDirectDrawSurfaceCanvas::MeasureText(std::string_view text) { return CurrentFont().Measure(text); }

void TDirectDrawSurfaceCanvas::Band(int left, int top, int right, int bottom, uint32_t pixel) {
  surface_.FillRect({left, top, right, bottom}, pixel);
}

void TDirectDrawSurfaceCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  holds_context_ = true;
  if (Brush.Style == TBrushStyle::bsSolid) surface_.FillRect({x1, y1, x2, y2}, ColorToPixel(Brush.Color));
  if (Pen.Style == TPenStyle::psClear) return;
  // A wide pen is centred on the one-pixel outline.
  const int w = std::max(Pen.Width, 1);
  const int in = w / 2, out = w - in;  // pixels inside / outside the outline, the line itself inside
  const uint32_t p = ColorToPixel(Pen.Color);
  const int l = x1, t = y1, r = x2 - 1, b = y2 - 1;
  Band(l - out + 1, t - out + 1, r + out, t + in + 1, p);  // top
  Band(l - out + 1, b - in, r + out, b + out, p);          // bottom
  Band(l - out + 1, t - out + 1, l + in + 1, b + out, p);  // left
  Band(r - in, t - out + 1, r + out, b + out, p);          // right
}

void TDirectDrawSurfaceCanvas::MoveTo(int x, int y) {
  pen_x_ = x;
  pen_y_ = y;
}

void TDirectDrawSurfaceCanvas::LineTo(int x, int y) {
  holds_context_ = true;
  const int x0 = pen_x_, y0 = pen_y_;
  pen_x_ = x;
  pen_y_ = y;
  if (Pen.Style == TPenStyle::psClear) return;
  const uint32_t p = ColorToPixel(Pen.Color);
  const int w = std::max(Pen.Width, 1);
  const int before = (w - 1) / 2;
  // Bresenham, every point stamped with a w x w square; the end point is left out.
  int cx = x0, cy = y0;
  const int dx = std::abs(x - x0), dy = -std::abs(y - y0);
  const int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
  int err = dx + dy;
  while (cx != x || cy != y) {
    Band(cx - before, cy - before, cx - before + w, cy - before + w, p);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      cx += sx;
    }
    if (e2 <= dx) {
      err += dx;
      cy += sy;
    }
  }
}

}  // namespace aerovell
