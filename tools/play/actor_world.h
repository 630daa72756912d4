#pragma once

#include <cstdint>
#include <span>

#include "engine/dx_draw.h"
#include "engine/dx_input.h"
#include "engine/dx_sprite_engine.h"
#include "engine/picture_collection.h"
#include "engine/random.h"
#include "platform/fake/fake_platform.h"
#include "settings/config.h"
#include "sound/wave_collection.h"
#include "state/play_context.h"

namespace aerovell::play {

// A few actors without the game around them: a bare sprite engine on the test
// platform's display, the generated play pictures, a sound library, settings with
// sound on, a seeded random generator and the shared state, all reached through
// one play context. Frames run as the play frame runs them.
class TActorWorld {
 public:
  // `sound_library`: the bytes of a sound library, or empty for the game's own.
  explicit TActorWorld(std::span<const uint8_t> sound_library = {});

  // One play frame: free the dead, move, clear, draw.
  void Frame(bool drawing = true);
  // Only the picture: what the current positions look like (the units aim first).
  void Redraw();

  TSpriteEngine& Root() { return sprites.Engine(); }

  FakePlatform platform;
  TDXForm form{platform};
  TDXDraw draw{platform, &form};
  TDXImageList images;
  TDXSpriteEngine sprites;
  TDXSound sound{platform};
  TDXWaveList waves;
  TDXInput input{platform};
  TConfig config;
  TRandom random{20240611};
  TPlayState play;
  TPointerInput pointer;
  TPlayContext ctx{play, pointer, config, random, images.Items, waves.Items, input, sprites.Engine()};
};

}  // namespace aerovell::play
