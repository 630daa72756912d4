#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "actors/hero.h"
#include "engine/dx_draw.h"
#include "engine/dx_input.h"
#include "engine/dx_sprite_engine.h"
#include "engine/picture_collection.h"
#include "engine/random.h"
#include "library_fixture.h"
#include "platform/fake/fake_platform.h"
#include "play/actor_world.h"
#include "sound/wave_collection.h"
#include "sound_fixture.h"
#include "state/play_context.h"

namespace aerovell::testing {

// The sounds the actors ask for, each a short wave of its own.
inline const std::vector<std::string>& ActorSoundNames() {
  static const std::vector<std::string> names = {"bonus",     "explode", "humandie", "machinegun",
                                                 "nextlevel", "rocket",  "looser"};
  return names;
}

// A few actors on a bare sprite engine: the real play library on a fake display,
// a sound library whose plays can be counted, settings with sound on, a seeded
// random generator and the shared state, all reached through one play context.
// Frames run as the play frame runs them: free the dead, move, clear, draw.
class ActorWorld : public ::testing::Test, public play::TActorWorld {
 protected:
  ActorWorld() : play::TActorWorld(SoundLibrary()) {}

  static const std::vector<uint8_t>& SoundLibrary() {
    static const std::vector<uint8_t> bytes = [] {
      std::vector<tools::WaveEntry> entries;
      for (const std::string& name : ActorSoundNames()) entries.push_back(Wave(name, 0, Riff(Constant(16, 100))));
      return tools::WriteWaveLibrary(entries);
    }();
    return bytes;
  }

  Surface& Back() { return draw.BackSurface(); }

  void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }

  template <class T, class... Args>
  T& Make(Args&&... args) {
    return TSprite::Spawn<T>(Root(), ctx, std::forward<Args>(args)...);
  }

  // The aircraft with its companions, as the field makes them; invisible, it is
  // only a target to aim at and home on.
  THeroSprite& MakeHero(int x, int y, bool visible = false) {
    THeroSprite& hero = Make<THeroSprite>();
    play.HeroSprite = &hero;
    play.PropellerSprite = &Make<TPropellerSprite>();
    play.SmokeSprite = &Make<TSmokeSprite>();
    play.ShieldSprite = &Make<TShieldSprite>();
    hero.X = x;
    hero.Y = y;
    hero.Health = 50;
    hero.Visible = visible;
    return hero;
  }

  // The sprites of class T now in the tree, in creation order.
  template <class T>
  std::vector<T*> All() {
    std::vector<T*> out;
    for (int i = 0; i < Root().ChildCount(); ++i)
      if (auto* s = dynamic_cast<T*>(&Root().Child(i))) out.push_back(s);
    return out;
  }
  template <class T>
  int Count() {
    return static_cast<int>(All<T>().size());
  }
  template <class T>
  T* Last() {
    auto all = All<T>();
    return all.empty() ? nullptr : all.back();
  }

  // How many times each sound was played since the last call (sounds never
  // played are left out); the voices are then run to their end.
  std::map<std::string, int> TakeSounds() {
    std::map<std::string, int> played;
    for (const std::string& name : ActorSoundNames()) {
      int n = 0;
      for (Mixer::VoiceId v : waves.Items.FindByName(name).PlayVoices()) n += sound.Device().IsPlaying(v);
      if (n) played[name] = n;
    }
    platform.PullAudio(64);
    return played;
  }

  // Pixels of the back surface in a rectangle that are not black.
  int Lit(const Rect& r) {
    int n = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, 600); ++y)
      for (int x = std::max(r.left, 0); x < std::min(r.right, 800); ++x) n += Back().Pixel(x, y) != 0;
    return n;
  }
};

}  // namespace aerovell::testing
