// The dialogs of the game's end, drawn on the play field's dialog frame: the
// name for the table and the question whether to send the score.
#include <algorithm>
#include <cstdio>

#include "game/canvas_text.h"
#include "game/game_session.h"
#include "game/play_texts.h"

namespace aerovell {

void TGameSession::DrawNameEntryDialog(TDirectDrawSurfaceCanvas& canvas) {
  const TPlayState& g = ctx_.Play;
  const TPlayTexts& t = PlayTexts();
  const uint8_t item = cursor_.MenuItem;
  canvas.Font.Size = 14;
  canvas.Font.Color = kBlack;
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

  const TFieldText country(ctx_.Config.Country, false);
  char line[32];
  const int length = std::snprintf(line, sizeof line, "%s%.*s", t.CountryPrefix.c_str(),
                                   static_cast<int>(country.View().size()), country.View().data());
  const int x0 = 400 - canvas.MeasureText(std::string_view(line, static_cast<size_t>(std::min(length, 23)))) / 2;
  WriteText(canvas, x0, 320, t.CountryLabel, kBlack);
  WriteText(canvas, x0 + canvas.MeasureText(t.CountryPrefix), 320,
            TFieldText(ctx_.Config.Country, cursor && item == 2).View(), item == 2 ? kRed : kBlack);

  WriteText(canvas, 325, 360, t.Ok, item == 3 ? kRed : kBlack);
  WriteText(canvas, 410, 360, t.Cancel, item == 4 ? kRed : kBlack);
}

void TGameSession::DrawSubmitQuestion(TDirectDrawSurfaceCanvas& canvas) {
  const TPlayTexts& t = PlayTexts();
  canvas.Font.Size = 14;
  WriteText(canvas, 310, 240, t.SendScore, kBlack);
  WriteText(canvas, 270, 280, t.ToRecordsPage, kBlack);
  WriteYesNo(canvas, 320, cursor_.MenuItem);
}

}  // namespace aerovell
