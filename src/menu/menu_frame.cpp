// The menu frame: sprites, then the texts of the active screen.
#include <algorithm>
#include <cstdio>
#include <string_view>

#include "app/main_form.h"
#include "menu/menu_texts.h"

namespace aerovell {
namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kGreen = 0x159C2B;  // (43, 156, 21)

void Write(TDirectDrawSurfaceCanvas& canvas, int x, int y, std::string_view text, uint32_t colour) {
  canvas.Font.Color = colour;
  canvas.WriteText(x, y, text);
}

void WriteNumber(TDirectDrawSurfaceCanvas& canvas, int x, int y, unsigned value, uint32_t colour) {
  char digits[12];
  const int n = std::snprintf(digits, sizeof digits, "%u", value);
  Write(canvas, x, y, std::string_view(digits, static_cast<size_t>(n)), colour);
}

// "Да / Нет" with the chosen answer in red.
void YesNo(TDirectDrawSurfaceCanvas& canvas, int y, uint8_t item) {
  const TMenuTexts& t = MenuTexts();
  Write(canvas, 355, y, t.Yes, item == 1 ? kRed : kBlack);
  Write(canvas, 395, y, t.Slash, kBlack);
  Write(canvas, 405, y, t.No, item == 1 ? kBlack : kRed);
}

}  // namespace

void TmainForm::DXTimer1Timer(int lag_count) {
  if (!DXDraw.DisplayReady()) return;
  DXInput1.Update();
  DXSpriteEngine1.MoveSprites(lag_count);
  DXSpriteEngine1.FlushDead();
  DXDraw.FillSurface(0);
  DXSpriteEngine1.DrawSprites();
  TDirectDrawSurfaceCanvas& canvas = DXDraw.SurfaceCanvas();
  canvas.Brush.Style = TBrushStyle::bsClear;
  canvas.Font.Style = 0;
  canvas.Pen.Style = TPenStyle::psSolid;
  canvas.Font.Color = kBlack;
  canvas.Font.Name = "a_Stamper";
  canvas.Font.Size = 14;
  DrawMenuScreen(canvas);
  canvas.Release();
  DXDraw.PresentFrame();
}

void TmainForm::DrawMenuScreen(TDirectDrawSurfaceCanvas& canvas) {
  const TMenuTexts& t = MenuTexts();
  const TItemGeometry& g = Menu.Geometry;
  const uint8_t item = Globals.MenuItem;
  switch (Globals.MenuScreen) {
    case 2: {
      canvas.Font.Size = 16;
      Write(canvas, 144, 178, t.Options, kBlack);
      canvas.Font.Size = 14;
      const std::string* labels[] = {&t.Mode, &t.Music, &t.Sound, &t.Country, &t.HotKey};
      for (int row = 1; row <= 5; ++row) Write(canvas, 144, g.Y(2, row), *labels[row - 1], kBlack);
      const int x = g.X(2, 1), mode_w = g.W(2, 1);
      if (Config.Windowed) {
        Write(canvas, x, 254, t.Windowed, kRed);
        Write(canvas, x + mode_w, 254, t.SlashFullScreen, kBlack);
      } else {
        Write(canvas, x, 254, t.WindowedSlash, kBlack);
        Write(canvas, x + mode_w + 15, 254, t.FullScreen, kRed);
      }
      const struct {
        int row;
        uint8_t on;
      } switches[] = {{2, Config.MusicOn}, {3, Config.SoundOn}};
      for (const auto& s : switches) {
        const int sx = g.X(2, s.row), sy = g.Y(2, s.row), w = g.W(2, s.row);
        if (s.on) {
          Write(canvas, sx, sy, t.On, kRed);
          Write(canvas, sx + w - 1, sy, t.SlashOff, kBlack);
        } else {
          Write(canvas, sx, sy, t.OnSlash, kBlack);
          Write(canvas, sx + w + 15, sy, t.Off, kRed);
        }
      }
      // The country with a blinking bar while it is edited, at most 11 characters.
      char country[12];
      size_t length = std::min<size_t>(Config.Country.Length, 10);
      std::copy_n(Config.Country.Chars.begin(), length, country);
      if (Globals.NameEditing) {
        ++Globals.BlinkCounter;
        if (Globals.BlinkCounter % 32 >= 16) country[length++] = '|';
      }
      Write(canvas, 330, 332, std::string_view(country, length), kRed);
      Write(canvas, 330, 359, HotKeyName, kRed);
      if (item != 6) {
        canvas.Pen.Color = kRed;
        canvas.Pen.Width = 2;
        canvas.Rectangle(g.X(2, 1) - 5, 26 * item + 226, 640, 26 * item + 254);
        Write(canvas, 144, 417, t.Back, kBlack);
      } else {
        Write(canvas, 144, 417, t.Back, kRed);
      }
      break;
    }
    case 3: {
      canvas.Pen.Color = kBlack;
      canvas.Pen.Width = 4;
      canvas.Rectangle(134, 173, 662, 397);
      canvas.Pen.Width = 2;
      for (int x : {212, 482}) {
        canvas.MoveTo(x, 173);
        canvas.LineTo(x, 397);
      }
      Write(canvas, 140, 173, t.Place, kWhite);
      Write(canvas, 220, 173, t.Name, kWhite);
      Write(canvas, 490, 173, t.Points, kWhite);
      canvas.Font.Size = 12;
      for (int n = 1; n <= 10; ++n) {
        const int y = 20 * n + 175;
        canvas.MoveTo(134, y);
        canvas.LineTo(662, y);
        const HighScoreEntry& entry = Config.HighScores[static_cast<size_t>(n - 1)];
        WriteNumber(canvas, 140, y, static_cast<unsigned>(n), kWhite);
        Write(canvas, 220, y,
              std::string_view(reinterpret_cast<const char*>(entry.Name.Chars.data()),
                               std::min<size_t>(entry.Name.Length, 10)),
              kWhite);
        WriteNumber(canvas, 490, y, entry.Score, kWhite);
      }
      canvas.Font.Size = 14;
      Write(canvas, 144, 421, t.Back, item == 1 ? kRed : kBlack);
      Write(canvas, 235, 403, t.ViewOnline, item == 2 ? kRed : kBlack);
      Write(canvas, 281, 428, t.ClearRecords, item == 3 ? kRed : kGreen);
      break;
    }
    case 4:
      canvas.Font.Size = 16;
      Write(canvas, 144, 178, t.HelpTitles[std::clamp<int>(Menu.HelpPage, 1, 5) - 1], kBlack);
      canvas.Font.Size = 14;
      Write(canvas, 144, 430, t.Back, item == 1 ? kRed : kBlack);
      Write(canvas, 286, 430, t.Previous, item == 2 ? kRed : kBlack);
      Write(canvas, 470, 430, t.Next, item == 3 ? kRed : kBlack);
      break;
    case 5:
      Write(canvas, 300, 240, t.ExitQuestion, kBlack);
      YesNo(canvas, 280, item);
      break;
    case 6:
      Write(canvas, 250, 230, t.ReallyWant, kBlack);
      Write(canvas, 290, 260, t.ClearRecordsQuestion, kBlack);
      YesNo(canvas, 290, item);
      break;
    case 7:
      Write(canvas, 240, 250, t.PressKey, kBlack);
      break;
    default:
      break;  // the main menu's captions are its pictures; 8 and 9 belong to the game's end
  }
}

}  // namespace aerovell
