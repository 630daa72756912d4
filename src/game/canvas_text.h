#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/surface_canvas.h"
#include "settings/config.h"

namespace aerovell {

// The game's text colours (0x00BBGGRR).
inline constexpr uint32_t kBlack = 0x000000;
inline constexpr uint32_t kRed = 0x0000FF;
inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kGreen = 0x159C2B;  // (43, 156, 21)
// The dark panel the records table's white rows are written on.
inline constexpr uint32_t kRecordsPanel = 0x38261A;

// Both frames start their texts the same way: clear background, plain "a_Stamper"
// 14, solid pen, black.
void SetFrameTextStyle(TDirectDrawSurfaceCanvas& canvas);

void WriteText(TDirectDrawSurfaceCanvas& canvas, int x, int y, std::string_view text, uint32_t colour);
void WriteNumber(TDirectDrawSurfaceCanvas& canvas, int x, int y, long value, uint32_t colour);
// A text over the play field's moving scenery: a dark rim two pixels wide
// first, then the text in its colour, so it reads over sky, hills or smoke.
// Only the text itself goes to the canvas's text log.
void WriteOutlinedText(TDirectDrawSurfaceCanvas& canvas, int x, int y, std::string_view text, uint32_t colour);
// "Да / Нет" on line y, the chosen answer (item 1 "Да", else "Нет") in red.
void WriteYesNo(TDirectDrawSurfaceCanvas& canvas, int y, uint8_t item);
// The exit question, the same in the menus and in play.
void WriteExitQuestion(TDirectDrawSurfaceCanvas& canvas, uint8_t item);

// A short string as drawn, with "|" appended when the cursor shows (at most 11
// characters).
class TFieldText {
 public:
  TFieldText(const TShortString10& field, bool cursor);
  std::string_view View() const { return {chars_, length_}; }

 private:
  char chars_[11];
  size_t length_ = 0;
};

}  // namespace aerovell
