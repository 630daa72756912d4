// The frame of a running game.
#include "actors/bonus.h"
#include "actors/hero.h"
#include "actors/scenery.h"
#include "game/game_session.h"

namespace aerovell {

void TGameSession::DXTimer2Timer(int lag_count) {
  if (!painter_.Ready()) return;  // nothing happens in this tick, not even the timers
  input_.Update();
  sprites_.FlushDead();
  CompleteLevel();
  if (ctx_.Play.GameState == gsPlaying) AdvancePlay(lag_count);
  if (ctx_.Play.GameState == gsHeroDown) AdvanceHeroDown(lag_count);
  sprites_.PrepareSprites();
  // The picture shows the field and the bonus seconds before they count down.
  if (Drawing) painter_.PaintField();
  CountDownBonuses();
  StepStateTexts();
  if (Drawing) painter_.Present();
}

// Tested in every state: only play and the lost-life interval let enemies die.
void TGameSession::CompleteLevel() {
  TPlayState& g = ctx_.Play;
  if (g.LevelKills < g.Level * 10) return;
  g.LevelKills = 0;
  if (g.Lives <= 0) {
    // The crash that took the last life also made the level's last kill: no
    // level starts without an aircraft; the game ends as the lost life would.
    ClearGameField();
    g.MessageTimer = kCaptionTime;
    g.GameState = gsGameOver;
    ctx_.PlaySound("looser");
    return;
  }
  if (g.Level < 255) ++g.Level;  // a 256th level would divide the spawn delay by zero
  g.MessageTimer = kCaptionTime;
  ctx_.PlaySound("nextlevel");
  if (g.HeroSprite) g.HeroSprite->Health = 50;
  g.GameState = gsLevelIntro;
  ClearGameField();
}

void TGameSession::AdvancePlay(int lag_count) {
  TPlayState& g = ctx_.Play;
  sprites_.MoveSprites(lag_count);
  if (g.EnemySpawnDelay != 0) {
    --g.EnemySpawnDelay;
  } else {
    CreateEnemy();
    g.EnemySpawnDelay = static_cast<uint16_t>(ctx_.Random.Random(160 / g.Level) + 50);
  }
  if (g.BonusSpawnDelay != 0) {
    --g.BonusSpawnDelay;
  } else {
    TSprite::Spawn<TBonusSprite>(ctx_.Sprites, ctx_);
    g.BonusSpawnDelay = static_cast<uint16_t>(ctx_.Random.Random(1000 / g.Level));
  }
}

void TGameSession::AdvanceHeroDown(int lag_count) {
  TPlayState& g = ctx_.Play;
  sprites_.MoveSprites(lag_count);
  if (g.RespawnDelay != 0) {
    --g.RespawnDelay;
    return;
  }
  g.GameState = gsPlaying;
  host_.MovePointerToCentre();
  ClearGameField();
  if (g.Lives > 0) {
    ShowHero();
    if (g.HeroSprite) g.HeroSprite->Health = 50;
  } else {
    g.MessageTimer = kCaptionTime;
    g.GameState = gsGameOver;
    ctx_.PlaySound("looser");
  }
}

void TGameSession::ShowHero() {
  TPlayState& g = ctx_.Play;
  THeroSprite* hero = g.HeroSprite.get();
  if (!hero) return;
  hero->Visible = true;
  if (TPropellerSprite* propeller = g.PropellerSprite.get()) {
    propeller->Visible = true;
    propeller->X = hero->X + hero->Width;
    propeller->Y = hero->Y;
  }
}

// The bonus timers run in play only; a bonus that has run out goes.
void TGameSession::CountDownBonuses() {
  TPlayState& g = ctx_.Play;
  const bool playing = g.GameState == gsPlaying;
  if (THeroSprite* hero = g.HeroSprite.get(); hero && (hero->HasBonusWeapon() || hero->HasBomb)) {
    if (g.WeaponTime > 0 || g.BombTime > 0) {
      if (playing) {
        if (g.WeaponTime > 0) g.WeaponTime -= kFrameInterval;
        if (g.BombTime > 0) g.BombTime -= kFrameInterval;
        else hero->HasBomb = false;
      }
    } else {
      hero->TakeBasicGun();
      hero->HasBomb = false;
      if (g.WeaponIndicator) g.WeaponIndicator->Visible = false;
    }
  }
  if (TShieldSprite* shield = g.ShieldSprite.get(); shield && shield->Visible) {
    if (g.ShieldTime > 0) {
      if (playing) g.ShieldTime -= kFrameInterval;
    } else {
      shield->Visible = false;
      if (g.ShieldIndicator) g.ShieldIndicator->Visible = false;
    }
  }
  if (TBonusIndicatorSprite* pickup = g.PickupIndicator.get(); pickup && pickup->Visible && playing) {
    if (g.PickupTime > 0) g.PickupTime -= kFrameInterval;
    else pickup->Visible = false;
  }
}

void TGameSession::StepStateTexts() {
  // Each test sees the state the ones before it left, in this frame already,
  // and the picture shows every state the frame passed through.
  TPlayState& g = ctx_.Play;
  if (g.GameState == gsLevelIntro) {
    g.MessageTimer -= kFrameInterval;
    if (Drawing) painter_.PaintStateText(TStateText::LevelCaption);
    if (g.MessageTimer <= 0) {
      g.GameState = gsPlaying;
      ShowHero();
      host_.SetCursorVisible(false);
      host_.MovePointerToCentre();
    }
  }
  if (g.GameState == gsGameOver) {
    g.MessageTimer -= kFrameInterval;
    if (Drawing) painter_.PaintStateText(TStateText::GameOverCaption);
    if (g.MessageTimer <= 0) EndCaption();
  }
  if (g.GameState == gsNameEntry) {
    ++cursor_.BlinkCounter;
    if (Drawing) painter_.PaintStateText(TStateText::NameEntry);
  }
  if (g.GameState == gsSubmitQuestion && Drawing) painter_.PaintStateText(TStateText::SubmitQuestion);
  if (g.GameState == gsSubmitting && Drawing) painter_.PaintStateText(TStateText::PleaseWait);
  if (g.GameState == gsSubmitFailed) {
    if (Drawing) painter_.PaintStateText(TStateText::CannotConnect);
    g.MessageTimer -= kFrameInterval;
    if (g.MessageTimer <= 0) g.GameState = gsSubmitQuestion;
  }
  if (g.GameState == gsExitConfirm && Drawing) painter_.PaintStateText(TStateText::ExitQuestion);
  if (g.GameState == gsPaused && Drawing) painter_.PaintStateText(TStateText::Paused);
}

// The game-over caption has run out: into the table, or back to the menus.
void TGameSession::EndCaption() {
  TPlayState& g = ctx_.Play;
  g.RecordRank = static_cast<uint8_t>(FindRecordRank(ctx_.Config, g.Score));
  host_.SetCursorVisible(true);
  if (g.RecordRank == 11) {
    BackToMenus();
    return;
  }
  g.GameState = gsNameEntry;
  if (g.ClosingWindowSprite) g.ClosingWindowSprite->Visible = true;
  cursor_.MenuScreen = msNameEntry;
  cursor_.MenuItem = 1;
  cursor_.NameEditing = true;  // typing goes into the name at once
}

}  // namespace aerovell
