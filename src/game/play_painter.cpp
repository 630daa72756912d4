// The picture of a play frame: the field, the head-up display, and the caption
// or dialog of each state.
#include "game/play_painter.h"

#include <algorithm>
#include <cstdio>

#include "actors/hero.h"
#include "game/canvas_text.h"
#include "game/play_texts.h"

namespace aerovell {

TPlayPainter::TPlayPainter(TDXDraw& display, TDXSpriteEngine& sprites, const TPlayContext& context,
                           const TMenuCursor& cursor)
    : display_(display), sprites_(sprites), ctx_(context), cursor_(cursor) {}

void TPlayPainter::PaintField() {
  TDirectDrawSurfaceCanvas& canvas = display_.SurfaceCanvas();
  SetFrameTextStyle(canvas);
  display_.FillSurface(0);
  sprites_.DrawSprites();
  PaintHeadUpDisplay(canvas);
}

void TPlayPainter::PaintHeadUpDisplay(TDirectDrawSurfaceCanvas& canvas) {
  const TPlayState& g = ctx_.Play;
  canvas.Font.Size = 14;
  WriteNumber(canvas, 115, 4, g.Level, kGreen);
  // The weapon's seconds while it lasts, then the bomb's.
  if (const THeroSprite* hero = g.HeroSprite.get();
      hero && (hero->HasBonusWeapon() || hero->HasBomb) && (g.WeaponTime > 0 || g.BombTime > 0))
    WriteNumber(canvas, 630, 4, (g.WeaponTime > 0 ? g.WeaponTime : g.BombTime) / 1000, kGreen);
  if (const TShieldSprite* shield = g.ShieldSprite.get(); shield && shield->Visible && g.ShieldTime > 0)
    WriteNumber(canvas, 685, 4, g.ShieldTime / 1000, kGreen);
  WriteNumber(canvas, 450, 4, g.Score, kGreen);
  WriteNumber(canvas, 270, 4, g.Lives, kGreen);
  if (const THeroSprite* hero = g.HeroSprite.get()) PaintHealthGauge(canvas, hero->Health);
}

// The aircraft's health, 50 when whole, as a bar in the free part of the status
// bar after the score: green, amber below 30, red below 15. Only read.
void TPlayPainter::PaintHealthGauge(TDirectDrawSurfaceCanvas& canvas, int32_t health) {
  constexpr int kLeft = 540, kTop = 8, kFull = 50;
  const int filled = std::clamp<int32_t>(health, 0, kFull);
  const TDirectDrawSurfaceCanvas::TBrush text_brush = canvas.Brush;
  const TDirectDrawSurfaceCanvas::TPen text_pen = canvas.Pen;
  canvas.Pen.Color = 0xB3A08C;  // the status bar's light rim
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.Brush.Color = 0x100D0A;
  canvas.Rectangle(kLeft, kTop, kLeft + kFull + 2, kTop + 12);
  if (filled > 0) {
    canvas.Pen.Style = TPenStyle::psClear;
    canvas.Brush.Color = health >= 30 ? 0x3CC850 : health >= 15 ? 0x1EB4F0 : 0x2828E6;
    canvas.Rectangle(kLeft + 1, kTop + 1, kLeft + 1 + filled, kTop + 11);
  }
  canvas.Pen = text_pen;
  canvas.Brush = text_brush;
}

void TPlayPainter::PaintStateText(TStateText text) {
  TDirectDrawSurfaceCanvas& canvas = display_.SurfaceCanvas();
  const TPlayTexts& t = PlayTexts();
  switch (text) {
    case TStateText::LevelCaption: {
      canvas.Font.Size = 30;
      char caption[32];
      const int n = std::snprintf(caption, sizeof caption, "%s%u", t.Level.c_str(), ctx_.Play.Level);
      WriteOutlinedText(canvas, 320, 280, std::string_view(caption, static_cast<size_t>(n)), kRed);
      break;
    }
    case TStateText::GameOverCaption:
      canvas.Font.Size = 30;
      WriteOutlinedText(canvas, 290, 280, t.GameOver, kRed);
      break;
    case TStateText::NameEntry: PaintNameEntry(canvas); break;
    case TStateText::SubmitQuestion: PaintSubmitQuestion(canvas); break;
    case TStateText::PleaseWait:
      canvas.Font.Size = 14;
      WriteText(canvas, 250, 240, t.PleaseWait, kRed);
      break;
    case TStateText::CannotConnect:
      canvas.Font.Size = 14;
      WriteText(canvas, 270, 240, t.CannotConnect, kRed);
      WriteText(canvas, 270, 275, t.ToServer, kRed);
      break;
    case TStateText::ExitQuestion:
      canvas.Font.Size = 14;
      WriteExitQuestion(canvas, cursor_.MenuItem);
      break;
    case TStateText::Paused:
      canvas.Font.Size = 30;
      WriteOutlinedText(canvas, 340, 280, t.Paused, kRed);
      break;
  }
}

void TPlayPainter::Present() {
  display_.SurfaceCanvas().Release();
  display_.PresentFrame();
}

void TPlayPainter::PaintPleaseWait() {
  display_.FillSurface(0);
  sprites_.DrawSprites();
  TDirectDrawSurfaceCanvas& canvas = display_.SurfaceCanvas();
  canvas.Font.Name = "a_Stamper";
  canvas.Font.Size = 14;
  WriteText(canvas, 250, 220, PlayTexts().PleaseWait, kRed);
  Present();
}

// The dialogs of the game's end, drawn on the play field's dialog frame: the
// name for the table and the question whether to send the score.

void TPlayPainter::PaintNameEntry(TDirectDrawSurfaceCanvas& canvas) {
  const TPlayState& g = ctx_.Play;
  const TPlayTexts& t = PlayTexts();
  const uint8_t item = cursor_.MenuItem;
  canvas.Font.Size = 14;
  canvas.Font.Color = kBlack;
  // The two fields as boxes, so a player sees where typing goes even while they
  // are empty: the name's centred on x 400; the country's starts with the value,
  // which moves as the whole line is centred, and fits it.
  const TFieldText country(ctx_.Config.Country, false);
  char line[32];
  const int length = std::snprintf(line, sizeof line, "%s%.*s", t.CountryPrefix.c_str(),
                                   static_cast<int>(country.View().size()), country.View().data());
  const int x0 = 400 - canvas.MeasureText(std::string_view(line, static_cast<size_t>(std::min(length, 23)))) / 2;
  const int country_x = x0 + canvas.MeasureText(t.CountryPrefix);
  if (const int box = ctx_.Images.IndexOf("editfield"); box >= 0) {
    const TPictureCollectionItem& field = ctx_.Images.Item(box);
    PaintFieldBox(field, 400 - field.Width() / 2, 256, field.Width());
    PaintFieldBox(field, country_x - 2, 316, std::max(60, canvas.MeasureText(country.View()) + 14));
  }
  char score[32];
  const int n = std::snprintf(score, sizeof score, "%s%u", t.YourScore.c_str(), g.Score);
  canvas.WriteText(305, 190, std::string_view(score, static_cast<size_t>(n)));
  WriteText(canvas, 290, 230, t.EnterName, kBlack);

  // The cursor blinks in the selected field while it is edited; the texts are
  // centred without it, so they stay put while it blinks.
  const bool cursor = cursor_.NameEditing && cursor_.BlinkCounter % 32 < 16;
  const TFieldText name(g.PlayerName, false);
  WriteText(canvas, 400 - canvas.MeasureText(name.View()) / 2, 260,
            TFieldText(g.PlayerName, cursor && item == 1).View(), item == 1 ? kRed : kBlack);

  WriteText(canvas, x0, 320, t.CountryLabel, kBlack);
  WriteText(canvas, country_x, 320,
            TFieldText(ctx_.Config.Country, cursor && item == 2).View(), item == 2 ? kRed : kBlack);

  WriteText(canvas, 325, 360, t.Ok, item == 3 ? kRed : kBlack);
  WriteText(canvas, 410, 360, t.Cancel, item == 4 ? kRed : kBlack);
}

// The box picture cut to `width`: its left part, then its right end, so one
// picture frames a field of any width up to its own.
void TPlayPainter::PaintFieldBox(const TPictureCollectionItem& box, int x, int y, int width) {
  constexpr int kEnd = 6;
  if (!box.Prepared() || box.NumPatterns() < 1) return;
  const Rect all = box.PatternRect(0);
  width = std::clamp(width, 2 * kEnd, all.right - all.left);
  Surface& surface = display_.BackSurface();
  BlitKeyed(surface, x, y, box.Picture.image, {all.left, all.top, all.left + width - kEnd, all.bottom});
  BlitKeyed(surface, x + width - kEnd, y, box.Picture.image, {all.right - kEnd, all.top, all.right, all.bottom});
}

void TPlayPainter::PaintSubmitQuestion(TDirectDrawSurfaceCanvas& canvas) {
  const TPlayTexts& t = PlayTexts();
  canvas.Font.Size = 14;
  WriteText(canvas, 310, 240, t.SendScore, kBlack);
  WriteText(canvas, 270, 280, t.ToRecordsPage, kBlack);
  WriteYesNo(canvas, 320, cursor_.MenuItem);
}

}  // namespace aerovell
