// A whole play frame of the real game (logic, collisions, drawing and the
// head-up display) on a crowded level-9 field, beside copying one frame with
// memcpy (BM_MemcpyFrame, in the same run).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "actors/enemy_weapon.h"
#include "actors/explosion.h"
#include "actors/flying_enemy.h"
#include "actors/ground_enemy.h"
#include "actors/hero.h"
#include "actors/hero_weapon.h"
#include "play/headless_game.h"

namespace aerovell {
namespace {

// The crowd the frame is measured with: 40 enemies of every kind, 150 shots of
// both sides, 30 explosions, the aircraft firing its strongest rockets.
class CrowdedField {
 public:
  CrowdedField() {
    std::filesystem::current_path(AEROVELL_GAME_DIR);
    config_dir_ = std::filesystem::temp_directory_path() / "aerovell-bench";
    std::filesystem::create_directories(config_dir_);
    play::THeadlessGame::Options options;
    options.config_path = config_dir_ / "config.dat";
    options.seed = 9;
    game_ = std::make_unique<play::THeadlessGame>(options);
    game_->Core().Config.SoundOn = 0;
    Run({Key(0x0D, true), Key(0x0D, false)});  // start a game
    while (G().GameState != gsPlaying) Run({});
    Run({Key(0x11, true)});  // and hold fire from now on
    G().Level = 9;
    G().EnemySpawnDelay = 60000;
    G().BonusSpawnDelay = 60000;
    THeroSprite& hero = *G().HeroSprite;
    hero.WeaponKind = 5;
    hero.FireRate = 9;
    G().ShieldSprite->Visible = true;
  }
  ~CrowdedField() {
    game_.reset();
    std::error_code ec;
    std::filesystem::remove_all(config_dir_, ec);
  }

  // Brings every group back to its number and keeps the game going.
  void TopUp() {
    TPlayState& g = G();
    g.WeaponTime = 15000;
    g.ShieldTime = 15000;
    g.LevelKills = 0;
    THeroSprite& hero = *g.HeroSprite;
    hero.Health = 1'000'000;
    hero.X = 200;
    hero.Y = 300;
    int enemies = 0, shots = 0, explosions = 0;
    TSpriteEngine& root = game_->Core().DXSpriteEngine1.Engine();
    for (int i = 0; i < root.ChildCount(); ++i) {
      TSprite& s = root.Child(i);
      if (s.IsDead()) continue;
      if (auto* e = dynamic_cast<TFlyingEnemySprite*>(&s)) e->HitPoints = 1'000'000, ++enemies;
      else if (auto* u = dynamic_cast<TGroundEnemySprite*>(&s)) u->HitPoints = 1'000'000, ++enemies;
      else if (dynamic_cast<TWeaponSprite*>(&s) || dynamic_cast<TGroundEnemyWeaponSprite*>(&s) ||
               dynamic_cast<THeroWeaponSprite*>(&s))
        ++shots;
      else if (dynamic_cast<TExplosionSprite*>(&s)) ++explosions;
    }
    TPlayContext& ctx = game_->Core().Context;
    for (; enemies < 40; ++enemies) {
      const int kind = 1 + next_++ % 9;
      if (kind <= 6) {
        auto& e = TSprite::Spawn<TFlyingEnemySprite>(root, ctx, static_cast<uint16_t>(kind));
        e.X = 300 + (next_ * 37) % 500;
      } else {
        TSprite::Spawn<TGroundEnemySprite>(root, ctx, static_cast<uint8_t>(kind)).X = 300 + (next_ * 53) % 500;
      }
    }
    for (; shots < 150; ++shots) {
      const int n = ++next_;
      const bool rocket = n % 5 == 0;
      TSprite::Spawn<TWeaponSprite>(root, ctx, 300 + (n * 29) % 500, 40 + (n * 17) % 480, 1, rocket,
                                    rocket ? std::string_view("rocket1") : "machinegun");
    }
    for (; explosions < 30; ++explosions) {
      const int n = ++next_;
      TSprite::Spawn<TExplosionSprite>(root, ctx, (n * 41) % 700, 40 + (n * 23) % 450, 4,
                                       n % 2 ? std::string_view("explosion1") : "rocketexplosion");
    }
  }

  void Clear() {
    game_->Core().Game.ClearGameField();
    THeroSprite& hero = *G().HeroSprite;
    hero.Visible = true;
    hero.Health = 1'000'000;
    G().WeaponTime = 15000;
  }

  void Run(std::vector<play::TScriptEvent> events) {
    std::vector<const play::TScriptEvent*> due;
    for (auto& e : events) due.push_back(&e);
    game_->RunFrame(due);
  }
  TPlayState& G() { return game_->Core().Play; }

 private:
  static play::TScriptEvent Key(int vk, bool down) {
    play::TScriptEvent e;
    e.kind = down ? play::TScriptEvent::Kind::kKeyDown : play::TScriptEvent::Kind::kKeyUp;
    e.key = vk;
    return e;
  }
  std::filesystem::path config_dir_;
  std::unique_ptr<play::THeadlessGame> game_;
  int next_ = 0;
};

void BM_PlayFrameCrowdedLevel9(benchmark::State& state) {
  CrowdedField field;
  for (auto _ : state) {
    state.PauseTiming();
    field.TopUp();
    state.ResumeTiming();
    field.Run({});
  }
}
BENCHMARK(BM_PlayFrameCrowdedLevel9)->Unit(benchmark::kMicrosecond);

// The same frame with only the field itself: background, landscape, status bar,
// the aircraft and its companions.
void BM_PlayFrameEmptyField(benchmark::State& state) {
  CrowdedField field;
  for (auto _ : state) {
    state.PauseTiming();
    field.Clear();
    state.ResumeTiming();
    field.Run({});
  }
}
BENCHMARK(BM_PlayFrameEmptyField)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace aerovell
