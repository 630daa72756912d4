#pragma once

#include <string_view>

#include "engine/dx_input.h"
#include "engine/picture_collection.h"
#include "engine/random.h"
#include "engine/sprite.h"
#include "settings/config.h"
#include "sound/wave_collection.h"
#include "state/play_state.h"

namespace aerovell {

// What the actors, the play field and the menus share, handed to them instead of
// the main window: so a test can build an engine, a context and a few actors and
// run frames without a window.
struct TPlayContext {
  TPlayState& Play;
  TPointerInput& Pointer;
  TConfig& Config;
  TRandom& Random;
  TPictureCollection& Images;
  TWaveCollection& Sounds;
  const TDXInput& Input;
  TSpriteEngine& Sprites;  // the root every sprite of the field is made under

  // A picture by name; a name missing from the library raises its error.
  TPictureCollectionItem& Picture(std::string_view name) const { return Images.FindByName(name); }
  // Plays a named effect when sound is on; a missing name raises the library's error.
  void PlaySound(std::string_view name) const {
    if (Config.SoundOn) Sounds.FindByName(name).Play();
  }
  bool Held(TDXInputState state) const { return Input.States()[state]; }
};

}  // namespace aerovell
