// The picture of the menu frame: the sprites, then the texts of the active screen.
#include "menu/menu_painter.h"

#include <algorithm>
#include <string_view>

#include "game/canvas_text.h"
#include "menu/menu_texts.h"

namespace aerovell {

TMenuPainter::TMenuPainter(TDXDraw& display, TDXSpriteEngine& sprites, const TMenuState& menu,
                           const TMenuCursor& cursor, const TConfig& config)
    : display_(display), sprites_(sprites), menu_(menu), cursor_(cursor), config_(config) {}

void TMenuPainter::PaintFrame() {
  display_.FillSurface(0);
  sprites_.DrawSprites();
  TDirectDrawSurfaceCanvas& canvas = display_.SurfaceCanvas();
  SetFrameTextStyle(canvas);
  PaintScreen(canvas);
  canvas.Release();
  display_.PresentFrame();
}

void TMenuPainter::PaintScreen(TDirectDrawSurfaceCanvas& canvas) {
  const TMenuTexts& t = MenuTexts();
  const TItemGeometry& g = menu_.Geometry;
  const uint8_t item = cursor_.MenuItem;
  switch (cursor_.MenuScreen) {
    case msOptions: {
      canvas.Font.Size = 16;
      WriteText(canvas, 144, 178, t.Options, kBlack);
      canvas.Font.Size = 14;
      const std::string* labels[] = {&t.Mode, &t.Music, &t.Sound, &t.Country, &t.HotKey};
      for (int row = 1; row <= 5; ++row) WriteText(canvas, 144, g.Y(msOptions, row), *labels[row - 1], kBlack);
      const int x = g.X(msOptions, 1), mode_w = g.W(msOptions, 1);
      if (config_.Windowed) {
        WriteText(canvas, x, 254, t.Windowed, kRed);
        WriteText(canvas, x + mode_w, 254, t.SlashFullScreen, kBlack);
      } else {
        WriteText(canvas, x, 254, t.WindowedSlash, kBlack);
        WriteText(canvas, x + mode_w + 15, 254, t.FullScreen, kRed);
      }
      const struct {
        int row;
        uint8_t on;
      } switches[] = {{2, config_.MusicOn}, {3, config_.SoundOn}};
      for (const auto& s : switches) {
        const int sx = g.X(msOptions, s.row), sy = g.Y(msOptions, s.row), w = g.W(msOptions, s.row);
        if (s.on) {
          WriteText(canvas, sx, sy, t.On, kRed);
          WriteText(canvas, sx + w - 1, sy, t.SlashOff, kBlack);
        } else {
          WriteText(canvas, sx, sy, t.OnSlash, kBlack);
          WriteText(canvas, sx + w + 15, sy, t.Off, kRed);
        }
      }
      // The country with a blinking bar while it is edited.
      const bool bar = cursor_.NameEditing && cursor_.BlinkCounter % 32 >= 16;
      WriteText(canvas, 330, 332, TFieldText(config_.Country, bar).View(), kRed);
      WriteText(canvas, 330, 359, menu_.HotKeyName, kRed);
      if (item != 6) {
        canvas.Pen.Color = kRed;
        canvas.Pen.Width = 2;
        canvas.Rectangle(g.X(msOptions, 1) - 5, 26 * item + 226, 640, 26 * item + 254);
        WriteText(canvas, 144, 417, t.Back, kBlack);
      } else {
        WriteText(canvas, 144, 417, t.Back, kRed);
      }
      break;
    }
    case msRecords: {
      // The table's white rows stand on a dark panel of their own: the frame
      // picture behind them is the options screen's too, and light for its black
      // texts.
      canvas.Pen.Color = kBlack;
      canvas.Pen.Width = 4;
      canvas.Brush.Style = TBrushStyle::bsSolid;
      canvas.Brush.Color = kRecordsPanel;
      canvas.Rectangle(134, 173, 662, 397);
      canvas.Brush.Style = TBrushStyle::bsClear;
      canvas.Pen.Width = 2;
      for (int x : {212, 482}) {
        canvas.MoveTo(x, 173);
        canvas.LineTo(x, 397);
      }
      WriteText(canvas, 140, 173, t.Place, kWhite);
      WriteText(canvas, 220, 173, t.Name, kWhite);
      WriteText(canvas, 490, 173, t.Points, kWhite);
      canvas.Font.Size = 12;
      for (int n = 1; n <= 10; ++n) {
        const int y = 20 * n + 175;
        canvas.MoveTo(134, y);
        canvas.LineTo(662, y);
        const HighScoreEntry& entry = config_.HighScores[static_cast<size_t>(n - 1)];
        WriteNumber(canvas, 140, y, static_cast<unsigned>(n), kWhite);
        WriteText(canvas, 220, y, TFieldText(entry.Name, false).View(), kWhite);
        WriteNumber(canvas, 490, y, entry.Score, kWhite);
      }
      canvas.Font.Size = 14;
      WriteText(canvas, 144, 421, t.Back, item == 1 ? kRed : kBlack);
      WriteText(canvas, 235, 403, t.ViewOnline, item == 2 ? kRed : kBlack);
      WriteText(canvas, 281, 428, t.ClearRecords, item == 3 ? kRed : kGreen);
      break;
    }
    case msHelp:
      canvas.Font.Size = 16;
      WriteText(canvas, 144, 178, t.HelpTitles[std::clamp<int>(menu_.HelpPage, 1, 5) - 1], kBlack);
      canvas.Font.Size = 14;
      WriteText(canvas, 144, 430, t.Back, item == 1 ? kRed : kBlack);
      WriteText(canvas, 286, 430, t.Previous, item == 2 ? kRed : kBlack);
      WriteText(canvas, 470, 430, t.Next, item == 3 ? kRed : kBlack);
      break;
    case msExitQuestion: WriteExitQuestion(canvas, item); break;
    case msClearRecordsQuestion:
      WriteText(canvas, 250, 230, t.ReallyWant, kBlack);
      WriteText(canvas, 290, 260, t.ClearRecordsQuestion, kBlack);
      WriteYesNo(canvas, 290, item);
      break;
    case msHotKeyCapture: WriteText(canvas, 240, 250, t.PressKey, kBlack); break;
    default: break;  // the main menu's captions are its pictures; 8 and 9 belong to the game's end
  }
}

}  // namespace aerovell
