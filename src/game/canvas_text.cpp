#include "game/canvas_text.h"

#include <algorithm>
#include <cstdio>

#include "platform/cp1251.h"

namespace aerovell {

TFieldText::TFieldText(const TShortString10& field, bool cursor) {
  length_ = std::min<size_t>(field.Length, 10);
  std::copy_n(field.Chars.begin(), length_, chars_);
  if (cursor) chars_[length_++] = '|';
}

void SetFrameTextStyle(TDirectDrawSurfaceCanvas& canvas) {
  canvas.Brush.Style = TBrushStyle::bsClear;
  canvas.Font.Style = 0;
  canvas.Pen.Style = TPenStyle::psSolid;
  canvas.Font.Color = kBlack;
  canvas.Font.Name = "a_Stamper";
  canvas.Font.Size = 14;
}

void WriteText(TDirectDrawSurfaceCanvas& canvas, int x, int y, std::string_view text, uint32_t colour) {
  canvas.Font.Color = colour;
  canvas.WriteText(x, y, text);
}

void WriteOutlinedText(TDirectDrawSurfaceCanvas& canvas, int x, int y, std::string_view text, uint32_t colour) {
  auto* const log = canvas.TextLog;
  canvas.TextLog = nullptr;
  canvas.Font.Color = kBlack;
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx)
      if ((dx || dy) && (dx * dx + dy * dy < 8)) canvas.WriteText(x + dx, y + dy, text);
  canvas.TextLog = log;
  WriteText(canvas, x, y, text, colour);
}

void WriteNumber(TDirectDrawSurfaceCanvas& canvas, int x, int y, long value, uint32_t colour) {
  char digits[24];
  const int n = std::snprintf(digits, sizeof digits, "%ld", value);
  WriteText(canvas, x, y, std::string_view(digits, static_cast<size_t>(n)), colour);
}

void WriteYesNo(TDirectDrawSurfaceCanvas& canvas, int y, uint8_t item) {
  static const std::string yes = Utf8ToCp1251("Да"), no = Utf8ToCp1251("Нет");
  WriteText(canvas, 355, y, yes, item == 1 ? kRed : kBlack);
  WriteText(canvas, 395, y, "/", kBlack);
  WriteText(canvas, 405, y, no, item == 1 ? kBlack : kRed);
}

void WriteExitQuestion(TDirectDrawSurfaceCanvas& canvas, uint8_t item) {
  static const std::string question = Utf8ToCp1251("Выйти из игры?");
  WriteText(canvas, 300, 240, question, kBlack);
  WriteYesNo(canvas, 280, item);
}

}  // namespace aerovell
