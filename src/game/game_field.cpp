// Building the play field, clearing it between lives and levels, and spawning enemies.
#include "actors/bonus.h"
#include "actors/enemy_weapon.h"
#include "actors/explosion.h"
#include "actors/flying_enemy.h"
#include "actors/ground_enemy.h"
#include "actors/hero.h"
#include "actors/hero_weapon.h"
#include "actors/paratrooper.h"
#include "actors/scenery.h"
#include "game/game_session.h"
#include "platform/game_path.h"
#include "settings/game_folders.h"

namespace aerovell {
namespace {

// The actors that live only until the next life or level.
bool IsTransient(TSprite& s) {
  const auto* actor = dynamic_cast<const TActorSprite*>(&s);
  return actor && actor->Transient();
}

// The kinds each of the first four levels allows; from level 5 on, all nine.
bool KindAllowed(int level, int kind) {
  switch (level) {
    case 1: return kind == 1 || kind == 6 || kind == 7;
    case 2: return kind == 1 || kind == 2 || kind == 6 || kind == 7;
    case 3: return kind != 4 && kind != 5 && kind != 9;
    case 4: return kind != 5 && kind != 9;
    default: return true;
  }
}

}  // namespace

TGameSession::TGameSession(TPlayContext& context, TMenuCursor& cursor, TGameHost& host, TDXDraw& display,
                           TDXSpriteEngine& sprites, TDXInput& input, THTTPClient& http, TDXTimer& menu_timer,
                           TDXTimer& play_timer)
    : ctx_(context),
      cursor_(cursor),
      host_(host),
      sprites_(sprites),
      input_(input),
      http_(http),
      menu_timer_(menu_timer),
      play_timer_(play_timer),
      painter_(display, sprites, context, cursor) {}

void TGameSession::StartGame() {
  if (OnGameStart) OnGameStart();
  menu_timer_.SetEnabled(false);
  play_timer_.SetEnabled(true);
  ctx_.Play.GameState = gsPlaying;
  CreateGameField();
}

void TGameSession::BackToMenus() {
  if (OnBackToMenus) OnBackToMenus();
  ctx_.Play.GameState = gsMenu;
  ctx_.Sprites.ClearChildren();
  play_timer_.SetEnabled(false);
  if (menus_) menus_->CreateMenuField();
  menu_timer_.SetEnabled(true);
}

void TGameSession::ConfirmRecord() {
  TPlayState& g = ctx_.Play;
  NewEntry.Name = g.PlayerName;
  NewEntry.Score = g.Score;
  InsertHighScore(ctx_.Config, NewEntry);
  host_.StoreConfig();
  g.GameState = gsSubmitQuestion;
  cursor_.MenuScreen = msSubmitQuestion;
  cursor_.MenuItem = 1;
}

void TGameSession::CreateGameField() {
  TSpriteEngine& root = ctx_.Sprites;
  TPlayState& g = ctx_.Play;
  root.ClearChildren();
  ctx_.Images.LoadLibraryFile(GamePath("data\\gamegraphic.dxg").string());

  SpawnBackground(root, ctx_.Images.Item(ppBackground), true);

  g.ClosingWindowSprite = &SpawnDialogFrame(root, ctx_.Images.Item(ppDialogFrame), 10);

  SpawnLandscape(ctx_);
  SpawnStatusBar(ctx_);

  // Each companion places itself by the ones made before it.
  g.HeroSprite = &TSprite::Spawn<THeroSprite>(root, ctx_);
  g.PropellerSprite = &TSprite::Spawn<TPropellerSprite>(root, ctx_);
  g.SmokeSprite = &TSprite::Spawn<TSmokeSprite>(root, ctx_);
  g.ShieldSprite = &TSprite::Spawn<TShieldSprite>(root, ctx_);
  g.WeaponIndicator = &TSprite::Spawn<TBonusIndicatorSprite>(root, ctx_, 605, "bonusweapon");
  g.ShieldIndicator = &TSprite::Spawn<TBonusIndicatorSprite>(root, ctx_, 660, "bonusshield");
  g.PickupIndicator = &TSprite::Spawn<TBonusIndicatorSprite>(root, ctx_, 710, "bonusmegabomb");

  g.ScrollSpeed = 1;
  g.Lives = 3;
  g.Score = 0;
  g.Level = 1;
  g.GameState = gsLevelIntro;
  g.MessageTimer = kCaptionTime;
  g.LevelKills = 0;
  g.HeroSprite->Health = 50;
  if (ctx_.Config.MusicOn) host_.StartMusic(kPlayMusic);
  host_.MovePointerToCentre();
}

void TGameSession::ClearGameField() {
  TSpriteEngine& root = ctx_.Sprites;
  for (int i = root.ChildCount() - 1; i >= 0; --i)
    if (TSprite& s = root.Child(i); IsTransient(s)) s.MarkDead();
  TPlayState& g = ctx_.Play;
  if (THeroSprite* hero = g.HeroSprite.get()) {
    hero->Visible = false;
    hero->X = 4;
    hero->Y = 200;
    hero->TakeBasicGun();
    hero->HasBomb = false;
  }
  for (TSprite* companion :
       {static_cast<TSprite*>(g.PropellerSprite.get()), static_cast<TSprite*>(g.ShieldSprite.get()),
        static_cast<TSprite*>(g.SmokeSprite.get()), static_cast<TSprite*>(g.WeaponIndicator.get()),
        static_cast<TSprite*>(g.ShieldIndicator.get()), static_cast<TSprite*>(g.PickupIndicator.get())})
    if (companion) companion->Visible = false;
}

void TGameSession::CreateEnemy() {
  int kind;
  do kind = 1 + ctx_.Random.Random(9);
  while (!KindAllowed(ctx_.Play.Level, kind));
  if (kind <= 6) TSprite::Spawn<TFlyingEnemySprite>(ctx_.Sprites, ctx_, static_cast<uint16_t>(kind));
  else TSprite::Spawn<TGroundEnemySprite>(ctx_.Sprites, ctx_, static_cast<uint8_t>(kind));
}

}  // namespace aerovell
