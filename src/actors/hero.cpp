#include "actors/hero.h"

#include <algorithm>

#include "actors/bonus.h"
#include "actors/enemy.h"
#include "actors/hero_weapon.h"
#include "actors/scenery.h"

namespace aerovell {
namespace {

constexpr int kHeroSpeed = 8;
constexpr int kLeftBound = 5, kRightBound = 795, kTopBound = 40, kBottomBound = 520;
constexpr int kBonusTime = 15000, kPickupTime = 2000;

}  // namespace

THeroSprite::THeroSprite(TSprite* parent, TPlayContext& context) : TActorSprite(parent, context) {
  SetSpritePicture(*this, Ctx.Images.Item(ppHero), TSizeFrom::StoredPattern);
  X = 4;
  Y = 200;
  SetZ(7);
  Visible = false;
  FrameCount = 3;
  FrameLooped = false;
  FrameSpeed = 1.0;
  FrameStart = 0;
  TakeBasicGun();
  FireCooldown = 0;
}

void THeroSprite::TakeDamage(int32_t damage) {
  if (!Shielded()) Health -= damage;
}

bool THeroSprite::Shielded() const {
  const TShieldSprite* shield = Ctx.Play.ShieldSprite.get();
  return shield && shield->Visible;
}

int THeroSprite::ShieldX() const {
  const TPropellerSprite* propeller = Ctx.Play.PropellerSprite.get();
  return X + Width + (propeller ? propeller->Width : 0) - 9;
}

void THeroSprite::PlaceShield() {
  TPlayState& g = Ctx.Play;
  if (!g.ShieldSprite) return;
  g.ShieldSprite->X = ShieldX();
  g.ShieldSprite->Y = Y - 7;
}

void THeroSprite::PlaceCompanionsHorizontally() {
  TPlayState& g = Ctx.Play;
  if (g.PropellerSprite) g.PropellerSprite->X = X + Width;
  if (g.ShieldSprite && g.ShieldSprite->Visible) g.ShieldSprite->X = ShieldX();
  if (g.SmokeSprite && g.SmokeSprite->Visible) g.SmokeSprite->X = X - 240;
}

void THeroSprite::PlaceCompanionsVertically() {
  TPlayState& g = Ctx.Play;
  if (g.PropellerSprite) g.PropellerSprite->Y = Y;
  if (g.ShieldSprite && g.ShieldSprite->Visible) g.ShieldSprite->Y = Y - 7;
  if (g.SmokeSprite && g.SmokeSprite->Visible) g.SmokeSprite->Y = Y + 16;
}

void THeroSprite::Advance(int move_count) {
  if (!Visible) return;
  TImageSprite::Advance(move_count);
  if (Health <= 0) {
    Die();
    return;
  }
  TPointerInput& p = Ctx.Pointer;
  const bool up = Ctx.Held(isUp) || p.MouseStepUp > 0;
  const bool down = Ctx.Held(isDown) || p.MouseStepDown > 0;
  // A mouse step clamps to the bound; a key step of 8 may overshoot it once.
  if (X > kLeftBound && (Ctx.Held(isLeft) || p.MouseStepLeft > 0)) {
    if (p.MouseStepLeft > 0) {
      X = std::max(X - p.MouseStepLeft, kLeftBound);
      p.MouseStepLeft = 0;
    } else {
      X -= kHeroSpeed;
    }
    PlaceCompanionsHorizontally();
  }
  if (X < kRightBound - Width && (Ctx.Held(isRight) || p.MouseStepRight > 0)) {
    if (p.MouseStepRight > 0) {
      X = std::min(X + p.MouseStepRight, kRightBound - Width);
      p.MouseStepRight = 0;
    } else {
      X += kHeroSpeed;
    }
    PlaceCompanionsHorizontally();
  }
  if (Y > kTopBound && up) {
    Y = p.MouseStepUp > 0 ? std::max(Y - p.MouseStepUp, kTopBound) : Y - kHeroSpeed;
    PlaceCompanionsVertically();
  }
  if (Y < kBottomBound - Height && down) {
    Y = p.MouseStepDown > 0 ? std::min(Y + p.MouseStepDown, kBottomBound - Height) : Y + kHeroSpeed;
    PlaceCompanionsVertically();
  }
  if (up) {
    FrameIndex = kClimbing;
    TiltHold = 30;
  } else if (down) {
    FrameIndex = kDiving;
    TiltHold = 30;
  } else if (TiltHold > 0) {
    --TiltHold;
  } else {
    FrameIndex = kLevelFlight;
  }
  p.MouseStepDown = 0;
  p.MouseStepUp = 0;
  // The cooldowns count down before the triggers are read: a held trigger fires
  // every 200 div rate frames.
  if (FireCooldown > 0) --FireCooldown;
  if (BombCooldown > 0) --BombCooldown;
  if ((Ctx.Held(isButton1) || p.MouseLeftDown) && FireCooldown == 0) {
    FireMainGun();
    FireCooldown = 200 / FireRate;  // also for a gun that fires nothing
  }
  if ((Ctx.Held(isButton2) || p.MouseRightDown) && BombCooldown == 0 && HasBomb) {
    TSprite::Spawn<THeroWeaponSprite>(Ctx.Sprites, Ctx, X + Width / 2 - 20, Y + Height / 2, hwBomb, hdDown);
    BombCooldown = 200 / BombRate;
  }
  Collide();
}

void THeroSprite::FireMainGun() {
  TSpriteEngine& root = Ctx.Sprites;
  const int nose = X + Width;
  auto shoot = [&](int y, uint8_t kind, uint16_t direction) {
    TSprite::Spawn<THeroWeaponSprite>(root, Ctx, nose, y, kind, direction);
  };
  switch (WeaponKind) {
    case 1: shoot(Y + Height / 2, hwMachineGun, hdRight); break;
    case 2:
      shoot(Y + Height / 4, hwShell, hdRight);
      shoot(Y + (3 * Height) / 4, hwShell, hdRight);
      break;
    case 3:
      for (uint16_t direction : {hdUpRight, hdDownRight, hdRight}) shoot(Y + Height / 2, hwBoomerang, direction);
      break;
    case 4: shoot(Y + Height / 2, hwRocket1, hdRight); break;
    case 5:
      shoot(Y + Height / 4, hwRocket2, hdRight);
      shoot(Y + (3 * Height) / 4, hwRocket2, hdRight);
      break;
    default: break;  // 0, or anything above 5, fires nothing
  }
}

void THeroSprite::OnCollision(TSprite& other, bool&) {
  if (!Visible) return;  // after a crash nothing more: one crash, one life
  // Shots hit it, enemies crash into it, bonuses are caught; each says how.
  if (auto* actor = dynamic_cast<TActorSprite*>(&other)) actor->TouchAircraft(*this);
  TPlayState& g = Ctx.Play;
  if (g.SmokeSprite && !g.SmokeSprite->Visible && Health < 40) {
    g.SmokeSprite->Visible = true;
    g.SmokeSprite->X = X - 240;
    g.SmokeSprite->Y = Y + 16;
  }
  if (Health <= 0) Die();
}

void THeroSprite::TakeBonus(uint16_t kind) {
  TPlayState& g = Ctx.Play;
  auto show_pickup = [&](std::string_view picture) {
    if (!g.PickupIndicator) return;
    g.PickupIndicator->ShowPicture(picture);
    g.PickupIndicator->Visible = true;
    g.PickupTime = kPickupTime;
  };
  switch (kind) {
    case bkWeapon: {
      if (g.WeaponIndicator) g.WeaponIndicator->Visible = true;
      // On level 1 always the bomb; each further level adds one gun to the draw.
      switch (Ctx.Random.Random(std::min<int>(g.Level, 5))) {
        case 0:
          HasBomb = true;
          BombRate = 6;
          g.BombTime = kBonusTime;
          break;
        case 1: FireRate = 12, WeaponKind = 2, g.WeaponTime = kBonusTime; break;
        case 2: FireRate = 12, WeaponKind = 3, g.WeaponTime = kBonusTime; break;
        case 3: FireRate = 18, WeaponKind = 4, g.WeaponTime = kBonusTime; break;
        case 4: WeaponKind = 5, FireRate = 9, g.WeaponTime = kBonusTime; break;
      }
      break;
    }
    case bkShield:
      if (g.ShieldIndicator) g.ShieldIndicator->Visible = true;
      if (g.ShieldSprite) g.ShieldSprite->Visible = true;
      PlaceShield();
      g.ShieldTime = kBonusTime;
      break;
    case bkMegaBomb: {
      show_pickup("bonusmegabomb");
      // Every enemy on the field now dies by its own Die, which scores it; the
      // explosions made meanwhile come after the ones counted here.
      TSpriteEngine& root = Ctx.Sprites;
      const int n = root.ChildCount();
      for (int i = 0; i < n; ++i) {
        if (auto* enemy = dynamic_cast<TEnemySprite*>(&root.Child(i))) enemy->Die();
      }
      break;
    }
    case bkLife:
      if (g.Lives < 5) {
        show_pickup("bonuslife");
        ++g.Lives;
      }
      break;
    case bkPoints:
      show_pickup("bonuspoints");
      g.Score = static_cast<uint16_t>(g.Score + 100);
      break;
    default: break;
  }
}

void THeroSprite::Die() {
  TPlayState& g = Ctx.Play;
  Visible = false;
  if (g.PropellerSprite) g.PropellerSprite->Visible = false;
  if (g.SmokeSprite) g.SmokeSprite->Visible = false;
  g.GameState = gsHeroDown;
  g.RespawnDelay = 190;
  if (g.WeaponIndicator) g.WeaponIndicator->Visible = false;
  g.ShieldTime = 0;
  g.WeaponTime = 0;
  g.BombTime = 0;
  TiltHold = 0;
  HasBomb = false;
  if (g.ShieldSprite) g.ShieldSprite->Visible = false;
  if (g.ShieldIndicator) g.ShieldIndicator->Visible = false;
  SpawnExplosion("explosion1", 80, 4);
  --g.Lives;
}

TPropellerSprite::TPropellerSprite(TSprite* parent, TPlayContext& context) : TActorSprite(parent, context) {
  UsePicture("propeller", TSizeFrom::StoredPattern);
  const THeroSprite& hero = *Ctx.Play.HeroSprite;
  X = hero.X + hero.Width;
  Y = hero.Y;
  SetZ(7);
  Visible = false;
  FrameCount = 3;
  FrameLooped = true;
  FrameSpeed = 1.0;
}

TSmokeSprite::TSmokeSprite(TSprite* parent, TPlayContext& context) : TActorSprite(parent, context) {
  UsePicture("smoke", TSizeFrom::StoredPattern);
  const THeroSprite& hero = *Ctx.Play.HeroSprite;
  X = hero.X - 260;
  Y = hero.Y + 16;
  SetZ(7);
  Visible = false;
  FrameLooped = false;
  FrameCount = Picture->NumPatterns();
  FrameIndex = FrameCount - 1;
}

void TSmokeSprite::Advance(int) {
  // Backwards, one pattern a frame, endlessly; no animation step of its own.
  FrameIndex = FrameIndex == 0 ? FrameCount - 1 : FrameIndex - 1;
}

TShieldSprite::TShieldSprite(TSprite* parent, TPlayContext& context) : TActorSprite(parent, context) {
  UsePicture("shield");
  const THeroSprite& hero = *Ctx.Play.HeroSprite;
  X = hero.ShieldX();
  Y = hero.Y - 7;
  SetZ(7);
  Visible = false;
  FrameLooped = false;
}

}  // namespace aerovell
