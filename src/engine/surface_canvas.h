#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/font_cache.h"
#include "platform/surface.h"

namespace aerovell {

enum class TBrushStyle { bsSolid, bsClear };
enum class TPenStyle { psSolid, psClear };

// Text and line drawing on a surface, in the manner of a device-context canvas.
// Colours are game colours (0x00BBGGRR). Text is Windows-1251.
class TDirectDrawSurfaceCanvas {
 public:
  struct TFont {
    std::string Name = "a_Stamper";
    int Size = 8;  // points, at 96 dots per inch
    uint32_t Color = 0;
    uint8_t Style = 0;  // FontStyleBits
  };
  struct TBrush {
    TBrushStyle Style = TBrushStyle::bsSolid;
    uint32_t Color = 0xFFFFFF;
  };
  struct TPen {
    TPenStyle Style = TPenStyle::psSolid;
    uint32_t Color = 0;
    int Width = 1;
  };

  TDirectDrawSurfaceCanvas(Surface& surface, FontCache& fonts) : surface_(surface), fonts_(fonts) {}

  // A text as it was written, for tests and tools that read a frame's texts.
  struct TWrittenText {
    int x, y;
    std::string text;  // Windows-1251
    uint32_t color;
    int size;
  };
  // While set, every WriteText is also appended here.
  std::vector<TWrittenText>* TextLog = nullptr;

  TFont Font;
  TBrush Brush;
  TPen Pen;

  void WriteText(int x, int y, std::string_view text);
  int MeasureText(std::string_view text);
  // The outline of (x1, y1)-(x2, y2), right and bottom exclusive, in the pen; the
  // inside is filled with the brush unless it is clear.
  void Rectangle(int x1, int y1, int x2, int y2);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);  // the end point itself is not drawn

  bool HoldsContext() const { return holds_context_; }
  void Release() { holds_context_ = false; }

 private:
  const GlyphFont& CurrentFont();
  void Band(int left, int top, int right, int bottom, uint32_t pixel);

  Surface& surface_;
  FontCache& fonts_;
  bool holds_context_ = false;
  int pen_x_ = 0;
  int pen_y_ = 0;
};

}  // namespace aerovell
