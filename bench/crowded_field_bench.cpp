// One frame of a crowded play field, moved, collided and drawn by the real actors
// on the real play pictures: to be read beside BM_BusyFrame (plain keyed sprites).
#include <benchmark/benchmark.h>

#include <string>

#include "actors/enemy_weapon.h"
#include "actors/explosion.h"
#include "actors/flying_enemy.h"
#include "actors/ground_enemy.h"
#include "actors/hero.h"
#include "actors/hero_weapon.h"
#include "actors/paratrooper.h"
#include "actors/scenery.h"
#include "alloc_counter.h"
#include "engine/random.h"
#include "play/actor_world.h"

namespace aerovell {
namespace {

// How many of each the field holds at the start of every frame.
constexpr int kFlyingEnemies = 30;
constexpr int kUnitsOfEachKind = 10;
constexpr int kParatroopers = 40;
constexpr int kEnemyShots = 150;
constexpr int kExplosions = 40;

// The play field as the game builds it, crowded: 30 enemy aircraft, 10 units of
// each ground kind aiming their guns, 40 paratroopers, 150 enemy shots, 40
// explosions, the landscape and background, and the aircraft behind its shield
// firing its gun, whose bullets run their collision passes.
class CrowdedField : public play::TActorWorld {
 public:
  CrowdedField() {
    random.Seed(7);
    play.Level = 5;
    Build();
    for (int i = 0; i < 400; ++i) {  // until the crowd is spread over the field
      Frame();
      Keep();
    }
  }

  // Brings every group back to its number: what left or died is replaced, what
  // the shooters added beyond it is taken away; the sound runs on a frame.
  void Keep() {
    THeroSprite& hero = *play.HeroSprite;
    hero.Health = 50;
    pointer.MouseLeftDown = true;
    int flying = 0, units[3] = {}, troopers = 0, shots = 0, explosions = 0;
    for (int i = root().ChildCount() - 1; i >= 0; --i) {
      TSprite& s = root().Child(i);
      if (s.IsDead()) continue;
      if (dynamic_cast<TFlyingEnemySprite*>(&s)) {
        ++flying;
      } else if (auto* g = dynamic_cast<TGroundEnemySprite*>(&s)) {
        ++units[g->EnemyKind - 7];
      } else if (dynamic_cast<TParatrooperSprite*>(&s)) {
        if (++troopers > kParatroopers) s.MarkDead();
      } else if (auto* w = dynamic_cast<TWeaponSprite*>(&s)) {
        if (++shots > kEnemyShots) {
          if (w->Flame) w->Flame->MarkDead();
          s.MarkDead();
        }
      } else if (dynamic_cast<TGroundEnemyWeaponSprite*>(&s)) {
        if (++shots > kEnemyShots) s.MarkDead();
      } else if (dynamic_cast<TExplosionSprite*>(&s)) {
        if (++explosions > kExplosions) s.MarkDead();
      }
    }
    for (; flying < kFlyingEnemies; ++flying) Make<TFlyingEnemySprite>(static_cast<uint16_t>(1 + place.Random(6)));
    for (int k = 0; k < 3; ++k)
      for (; units[k] < kUnitsOfEachKind; ++units[k]) Make<TGroundEnemySprite>(static_cast<uint8_t>(7 + k));
    for (; troopers < kParatroopers; ++troopers)
      Make<TParatrooperSprite>(200 + place.Random(600), place.Random(300), static_cast<uint16_t>(1 + place.Random(2)));
    static constexpr const char* kShots[] = {"machinegun", "shell", "rocket1", "rocket2"};
    for (; shots < kEnemyShots; ++shots) {
      const int x = 100 + place.Random(700), y = 40 + place.Random(480);
      if (place.Random(3) == 0) {
        Make<TGroundEnemyWeaponSprite>(static_cast<uint8_t>(7 + place.Random(3)), static_cast<uint16_t>(x),
                                       static_cast<uint16_t>(y), static_cast<uint8_t>(place.Random(256)));
      } else {
        const int k = place.Random(4);
        Make<TWeaponSprite>(x, y, 1, k >= 2, kShots[k]);
      }
    }
    static constexpr const char* kExplosionPictures[] = {"explosion1",   "explosion2",      "explosion3",
                                                         "gunexplosion", "rocketexplosion", "bloodexplosion"};
    for (; explosions < kExplosions; ++explosions)
      Make<TExplosionSprite>(place.Random(800) - 100, place.Random(600) - 100, 4, kExplosionPictures[place.Random(6)]);
    platform.PullAudio(706);  // 16 ms of sound, as the audio thread takes it
  }

  TSpriteEngine& root() { return sprites.Engine(); }

 private:
  template <class T, class... Args>
  T& Make(Args&&... args) {
    return TSprite::Spawn<T>(root(), ctx, std::forward<Args>(args)...);
  }

  void Build() {
    SpawnBackground(root(), images.Items.Item(ppBackground), true);
    SpawnLandscape(ctx);
    SpawnStatusBar(ctx);
    THeroSprite& hero = Make<THeroSprite>();
    play.HeroSprite = &hero;
    play.PropellerSprite = &Make<TPropellerSprite>();
    play.SmokeSprite = &Make<TSmokeSprite>();
    play.ShieldSprite = &Make<TShieldSprite>();
    hero.X = 150;
    hero.Y = 240;
    hero.Visible = true;
    play.PropellerSprite->Visible = true;
    play.PropellerSprite->X = hero.X + hero.Width;
    play.PropellerSprite->Y = hero.Y;
    play.ShieldSprite->Visible = true;  // whatever hits it costs nothing
    play.ShieldSprite->X = hero.X + hero.Width + play.PropellerSprite->Width - 9;
    play.ShieldSprite->Y = hero.Y - 7;
  }

  TRandom place{11};
};

void BM_CrowdedPlayFrame(benchmark::State& state) {
  const bool drawing = state.range(0) != 0;
  CrowdedField field;
  TSpriteEngine& root = field.root();
  uint64_t allocations = 0, made = 0, population = 0;
  for (auto _ : state) {
    const int before = root.ChildCount() - static_cast<int>(root.DeadSprites().size());
    const uint64_t a0 = bench::Allocations();
    field.Frame(drawing);
    allocations += bench::Allocations() - a0;
    made += static_cast<uint64_t>(root.ChildCount() - before);  // sprites the frame itself made
    population += static_cast<uint64_t>(root.ChildCount());
    state.PauseTiming();
    field.Keep();
    state.ResumeTiming();
  }
  const double frames = static_cast<double>(state.iterations());
  state.counters["sprites"] = static_cast<double>(population) / frames;
  state.counters["made/frame"] = static_cast<double>(made) / frames;
  state.counters["allocs/frame"] = static_cast<double>(allocations) / frames;
}
BENCHMARK(BM_CrowdedPlayFrame)->ArgName("draw")->Arg(1)->Arg(0);

}  // namespace
}  // namespace aerovell
