#include "play/actor_world.h"

#include <string>

namespace aerovell::play {

TActorWorld::TActorWorld(std::span<const uint8_t> sound_library) {
  draw.Display = {800, 600, 32};
  draw.OpenDisplay();
  images.SetDXDraw(&draw);
  sprites.SetDXDraw(&draw);
  images.Items.LoadLibraryFile(std::string(AEROVELL_GAME_DIR) + "/data/gamegraphic.dxg");
  sound.Initialize();
  waves.SetDXSound(&sound);
  if (sound_library.empty()) waves.Items.LoadLibraryFile(std::string(AEROVELL_GAME_DIR) + "/sound/gamesound.dxw");
  else waves.Items.LoadFromBytes(sound_library);
  config.SoundOn = 1;
  play.Level = 1;
  play.ScrollSpeed = 1;
}

void TActorWorld::Frame(bool drawing) {
  sprites.FlushDead();
  sprites.MoveSprites(1);
  if (drawing) Redraw();
}

void TActorWorld::Redraw() {
  sprites.PrepareSprites();
  draw.FillSurface(0);
  sprites.DrawSprites();
}

}  // namespace aerovell::play
