// The dialogs of the game's end, drawn on the play field's dialog frame: the
// name for the table and the question whether to send the score.
#include <algorithm>
#include <cstdio>

#include "game/canvas_text.h"
#include "game/game_session.h"
#include "game/play_texts.h"

namespace aerovell {

void TGameSession::DrawNameEntryDialog(TDirectDrawSurfaceCanvas& canvas) {
  const TGameGlobals& g = ctx_.Globals;
  const TPlayTexts& t = PlayTexts();
  const uint8_t item = g.MenuItem;
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
    DrawFieldBox(field, 400 - field.Width() / 2, 256, field.Width());
    DrawFieldBox(field, country_x - 2, 316, std::max(60, canvas.MeasureText(country.View()) + 14));
  }
  char score[32];
  const int n = std::snprintf(score, sizeof score, "%s%u", t.YourScore.c_str(), g.Score);
  canvas.WriteText(305, 190, std::string_view(score, static_cast<size_t>(n)));
  WriteText(canvas, 290, 230, t.EnterName, kBlack);

  // The cursor blinks in the selected field while it is edited; the texts are
  // centred without it, so they stay put while it blinks.
  const bool cursor = g.NameEditing && g.BlinkCounter % 32 < 16;
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
void TGameSession::DrawFieldBox(const TPictureCollectionItem& box, int x, int y, int width) {
  constexpr int kEnd = 6;
  if (!box.Prepared() || box.NumPatterns() < 1) return;
  const Rect all = box.PatternRect(0);
  width = std::clamp(width, 2 * kEnd, all.right - all.left);
  Surface& surface = display_.BackSurface();
  BlitKeyed(surface, x, y, box.Picture.image, {all.left, all.top, all.left + width - kEnd, all.bottom});
  BlitKeyed(surface, x + width - kEnd, y, box.Picture.image, {all.right - kEnd, all.top, all.right, all.bottom});
}

void TGameSession::DrawSubmitQuestion(TDirectDrawSurfaceCanvas& canvas) {
  const TPlayTexts& t = PlayTexts();
  canvas.Font.Size = 14;
  WriteText(canvas, 310, 240, t.SendScore, kBlack);
  WriteText(canvas, 270, 280, t.ToRecordsPage, kBlack);
  WriteYesNo(canvas, 320, ctx_.Globals.MenuItem);
}

}  // namespace aerovell
