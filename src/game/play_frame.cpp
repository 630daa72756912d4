// The frame of a running game.
#include <algorithm>
#include <cstdio>

#include "actors/bonus.h"
#include "actors/hero.h"
#include "actors/scenery.h"
#include "game/canvas_text.h"
#include "game/game_session.h"
#include "game/play_texts.h"

namespace aerovell {

void TGameSession::DXTimer2Timer(int lag_count) {
  if (!display_.DisplayReady()) return;  // nothing happens in this tick, not even the timers
  TDirectDrawSurfaceCanvas& canvas = display_.SurfaceCanvas();
  SetFrameTextStyle(canvas);
  input_.Update();
  sprites_.FlushDead();
  CompleteLevel();
  if (ctx_.Globals.GameState == gsPlaying) AdvancePlay(lag_count);
  if (ctx_.Globals.GameState == gsHeroDown) AdvanceHeroDown(lag_count);
  display_.FillSurface(0);
  sprites_.DrawSprites();
  DrawHeadUpDisplay(canvas);
  DrawStateTexts(canvas);
  canvas.Release();
  display_.PresentFrame();
}

// Tested in every state: only play and the lost-life interval let enemies die.
void TGameSession::CompleteLevel() {
  TGameGlobals& g = ctx_.Globals;
  if (g.LevelKills < g.Level * 10) return;
  g.LevelKills = 0;
  if (g.Lives <= 0) {
    // The crash that took the last life also made the level's last kill: no
    // level starts without an aircraft; the game ends as the lost life would.
    ClearGameField();
    g.MessageTimer = 1500;
    g.GameState = gsGameOver;
    ctx_.PlaySound("looser");
    return;
  }
  if (g.Level < 255) ++g.Level;  // a 256th level would divide the spawn delay by zero
  g.MessageTimer = 1500;
  ctx_.PlaySound("nextlevel");
  if (g.HeroSprite) g.HeroSprite->Health = 50;
  g.GameState = gsLevelIntro;
  ClearGameField();
}

void TGameSession::AdvancePlay(int lag_count) {
  TGameGlobals& g = ctx_.Globals;
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
  TGameGlobals& g = ctx_.Globals;
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
    g.MessageTimer = 1500;
    g.GameState = gsGameOver;
    ctx_.PlaySound("looser");
  }
}

void TGameSession::ShowHero() {
  TGameGlobals& g = ctx_.Globals;
  THeroSprite* hero = g.HeroSprite.get();
  if (!hero) return;
  hero->Visible = true;
  if (TPropellerSprite* propeller = g.PropellerSprite.get()) {
    propeller->Visible = true;
    propeller->X = hero->X + hero->Width;
    propeller->Y = hero->Y;
  }
}

void TGameSession::DrawHeadUpDisplay(TDirectDrawSurfaceCanvas& canvas) {
  TGameGlobals& g = ctx_.Globals;
  const bool playing = g.GameState == gsPlaying;
  canvas.Font.Size = 14;
  WriteNumber(canvas, 115, 4, g.Level, kGreen);
  if (THeroSprite* hero = g.HeroSprite.get(); hero && (hero->WeaponKind > 1 || hero->HasBomb)) {
    if (g.WeaponTime > 0 || g.BombTime > 0) {
      // The weapon's seconds while it lasts, then the bomb's.
      WriteNumber(canvas, 630, 4, (g.WeaponTime > 0 ? g.WeaponTime : g.BombTime) / 1000, kGreen);
      if (playing) {
        if (g.WeaponTime > 0) g.WeaponTime -= kPlayInterval;
        if (g.BombTime > 0) g.BombTime -= kPlayInterval;
        else hero->HasBomb = false;
      }
    } else {
      hero->FireRate = 24;
      hero->WeaponKind = 1;
      hero->HasBomb = false;
      if (g.WeaponIndicator) g.WeaponIndicator->Visible = false;
    }
  }
  if (TShieldSprite* shield = g.ShieldSprite.get(); shield && shield->Visible) {
    if (g.ShieldTime > 0) {
      WriteNumber(canvas, 685, 4, g.ShieldTime / 1000, kGreen);
      if (playing) g.ShieldTime -= kPlayInterval;
    } else {
      shield->Visible = false;
      if (g.ShieldIndicator) g.ShieldIndicator->Visible = false;
    }
  }
  if (TBonusIndicatorSprite* pickup = g.PickupIndicator.get(); pickup && pickup->Visible && playing) {
    if (g.PickupTime > 0) g.PickupTime -= kPlayInterval;
    else pickup->Visible = false;
  }
  WriteNumber(canvas, 450, 4, g.Score, kGreen);
  WriteNumber(canvas, 270, 4, g.Lives, kGreen);
  if (const THeroSprite* hero = g.HeroSprite.get()) DrawHealthGauge(canvas, hero->Health);
}

// The aircraft's health, 50 when whole, as a bar in the free part of the status
// bar after the score: green, amber below 30, red below 15. Only read.
void TGameSession::DrawHealthGauge(TDirectDrawSurfaceCanvas& canvas, int32_t health) {
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

void TGameSession::DrawStateTexts(TDirectDrawSurfaceCanvas& canvas) {
  // Each test sees the state the ones before it left, in this frame already.
  TGameGlobals& g = ctx_.Globals;
  const TPlayTexts& t = PlayTexts();
  if (g.GameState == gsLevelIntro) {
    g.MessageTimer -= kPlayInterval;
    canvas.Font.Size = 30;
    char caption[32];
    const int n = std::snprintf(caption, sizeof caption, "%s%u", t.Level.c_str(), g.Level);
    WriteOutlinedText(canvas, 320, 280, std::string_view(caption, static_cast<size_t>(n)), kRed);
    if (g.MessageTimer <= 0) {
      g.GameState = gsPlaying;
      ShowHero();
      host_.SetCursorVisible(false);
      host_.MovePointerToCentre();
    }
  }
  if (g.GameState == gsGameOver) {
    g.MessageTimer -= kPlayInterval;
    canvas.Font.Size = 30;
    WriteOutlinedText(canvas, 290, 280, t.GameOver, kRed);
    if (g.MessageTimer <= 0) EndCaption();
  }
  if (g.GameState == gsNameEntry) {
    ++g.BlinkCounter;
    DrawNameEntryDialog(canvas);
  }
  if (g.GameState == gsSubmitQuestion) DrawSubmitQuestion(canvas);
  if (g.GameState == gsSubmitting) {
    canvas.Font.Size = 14;
    WriteText(canvas, 250, 240, t.PleaseWait, kRed);
  }
  if (g.GameState == gsSubmitFailed) {
    canvas.Font.Size = 14;
    WriteText(canvas, 270, 240, t.CannotConnect, kRed);
    WriteText(canvas, 270, 275, t.ToServer, kRed);
    g.MessageTimer -= kPlayInterval;
    if (g.MessageTimer <= 0) g.GameState = gsSubmitQuestion;
  }
  if (g.GameState == gsExitConfirm) {
    canvas.Font.Size = 14;
    WriteExitQuestion(canvas, g.MenuItem);
  }
  if (g.GameState == gsPaused) {
    canvas.Font.Size = 30;
    WriteOutlinedText(canvas, 340, 280, t.Paused, kRed);
  }
}

// The game-over caption has run out: into the table, or back to the menus.
void TGameSession::EndCaption() {
  TGameGlobals& g = ctx_.Globals;
  g.RecordRank = static_cast<uint8_t>(FindRecordRank(ctx_.Config, g.Score));
  host_.SetCursorVisible(true);
  if (g.RecordRank == 11) {
    host_.BackToMenus();
    return;
  }
  g.GameState = gsNameEntry;
  if (g.ClosingWindowSprite) g.ClosingWindowSprite->Visible = true;
  g.MenuScreen = msNameEntry;
  g.MenuItem = 1;
  g.NameEditing = true;  // typing goes into the name at once
}

}  // namespace aerovell
