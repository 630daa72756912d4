#include "core/startup_error_screen.h"

#include <string_view>
#include <vector>

#include "game/canvas_text.h"
#include "platform/cp1251.h"

namespace aerovell {
namespace {

constexpr int kLeft = 40, kWidth = 720;

// Greedy wrapping at spaces; a word wider than the line is cut where it must be.
std::vector<std::string> Wrap(TDirectDrawSurfaceCanvas& canvas, const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(at, end - at);
    at = end + 1;
    std::string candidate = line.empty() ? word : line + " " + word;
    if (canvas.MeasureText(candidate) <= kWidth) {
      line = std::move(candidate);
      continue;
    }
    if (!line.empty()) lines.push_back(std::move(line));
    line.clear();
    while (canvas.MeasureText(word) > kWidth && word.size() > 1) {
      size_t n = word.size() - 1;
      while (n > 1 && canvas.MeasureText(std::string_view(word).substr(0, n)) > kWidth) --n;
      lines.push_back(word.substr(0, n));
      word.erase(0, n);
    }
    line = std::move(word);
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

}  // namespace

void DrawStartupError(TDXDraw& display, const std::string& utf8_message) {
  if (!display.DisplayReady()) return;
  static const std::string heading = Utf8ToCp1251("Aerovell не может начать игру:");
  static const std::string how_to_close = Utf8ToCp1251("Esc — закрыть");
  display.FillSurface(0);
  TDirectDrawSurfaceCanvas& canvas = display.SurfaceCanvas();
  SetFrameTextStyle(canvas);
  canvas.Font.Size = 16;
  WriteText(canvas, kLeft, 60, heading, kRed);
  canvas.Font.Size = 14;
  int y = 110;
  for (const std::string& line : Wrap(canvas, Utf8ToCp1251(utf8_message))) {
    if (y > 500) break;
    WriteText(canvas, kLeft, y, line, kWhite);
    y += 26;
  }
  WriteText(canvas, kLeft, 540, how_to_close, kWhite);
  canvas.Release();
  display.PresentFrame();
}

}  // namespace aerovell
