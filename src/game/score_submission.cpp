// Sending a record to the score service: the please-wait frame, the version
// request, the record's letters, and the answer's verdict.
#include <chrono>

#include "game/game_session.h"
#include "online/score_codec.h"
#include "settings/score_service.h"

namespace aerovell {
void TGameSession::SubmitScore() {
  TPlayState& g = ctx_.Play;
  // Nothing else is drawn until both answers are in: say so first.
  painter_.PaintPleaseWait();
  g.GameState = gsSubmitting;

  const std::string host = host_.ScoreHost();
  PendingReplay.reset();
  // The frame waits for both requests: one bound covers them together, and
  // the record's request gets what the version's left of it.
  const auto deadline = std::chrono::steady_clock::now() + http_.RequestTimeout();
  // Every failure of the network or the service is the same to the player: the
  // answer stays what it was and does not start with "OK".
  std::string answer;
  try {
    answer = http_.Get(ScoreServiceUrl(host, "version&prg=Aerovell"), deadline);
  } catch (const EHTTPError&) {}
  if (!IsOkAnswer(answer)) {
    g.MessageTimer = kCaptionTime;
    g.GameState = gsSubmitFailed;
    return;
  }
  const std::string p = EchoValue(answer);
  answer = ScoreInfo(g.PlayerName.Text(), g.Score, p, ctx_.Config.Country.Text());
  const std::string letters = ScoreLettersOf(answer);
  try {
    answer = http_.Get(ScoreServiceUrl(host, "hs&prg=Aerovell&inf=" + letters), deadline);
  } catch (const EHTTPError&) {}
  if (IsOkAnswer(answer)) {
    // The third request, the game's replay for the record just stored, goes
    // once the recorder hands the game over, within the same bound.
    PendingReplay = TReplayUpload{ScoreServiceUrl(host, "rp&prg=Aerovell&p=" + p), deadline};
    // As the "Нет" of the question: the menu sound, and back to the menus.
    ctx_.PlaySound("menu");
    BackToMenus();
    return;
  }
  g.MessageTimer = kCaptionTime;
  g.GameState = gsSubmitFailed;
}

}  // namespace aerovell
