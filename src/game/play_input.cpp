// The keys and the mouse of play: the pause, the in-game exit question, the hot
// key, steering by the mouse and the mouse's fire buttons.
#include "game/game_session.h"

namespace aerovell {
namespace {

constexpr uint16_t kVkP = 0x50;

}  // namespace

void TGameSession::PlayKeyDown(uint16_t key) {
  TPlayState& g = ctx_.Play;
  if (key == vk::kEscape) {
    host_.RequestClose();  // the in-game exit question
  } else if (key == kVkP) {
    if (IsPausableState(g.GameState)) {
      host_.SetCursorVisible(true);
      g.StateBeforePause = g.GameState;
      g.GameState = gsPaused;
    } else if (g.GameState == gsPaused) {
      g.GameState = g.StateBeforePause;
      if (g.GameState == gsPlaying) host_.SetCursorVisible(false);
      host_.MovePointerToCentre();
    }
  } else if (key == ctx_.Config.HotKey) {
    if (ctx_.Config.MusicOn) host_.StopMusic();
    host_.SetCursorVisible(true);
    if (g.GameState != gsPaused) {
      g.StateBeforePause = g.GameState;
      g.GameState = gsPaused;
    }
    host_.MinimizeWindow();
  }
}

void TGameSession::SteerByMouse() {
  // The pointer is held at the centre; each move away from it is a step, halved
  // and kept in a byte, in the direction no key is already steering.
  TPointerInput& p = ctx_.Pointer;
  int px = 400, py = 300;
  host_.PointerPosition(px, py);
  if (px > 400 && !ctx_.Held(isRight)) {
    p.MouseStepLeft = 0;
    p.MouseStepRight = static_cast<uint8_t>((px - 400) / 2);
    host_.MovePointerToCentre();
  }
  if (px < 400 && !ctx_.Held(isLeft)) {
    p.MouseStepLeft = static_cast<uint8_t>((400 - px) / 2);
    p.MouseStepRight = 0;
    host_.MovePointerToCentre();
  }
  if (py > 300 && !ctx_.Held(isDown)) {
    p.MouseStepUp = 0;
    p.MouseStepDown = static_cast<uint8_t>((py - 300) / 2);
    host_.MovePointerToCentre();
  }
  if (py < 300 && !ctx_.Held(isUp)) {
    p.MouseStepUp = static_cast<uint8_t>((300 - py) / 2);
    p.MouseStepDown = 0;
    host_.MovePointerToCentre();
  }
}

void TGameSession::MouseButtonDown(int button) {
  if (button == 1) ctx_.Pointer.MouseLeftDown = true;
  if (button == 2) ctx_.Pointer.MouseRightDown = true;
}

void TGameSession::MouseButtonUp(int button) {
  if (button == 1) ctx_.Pointer.MouseLeftDown = false;
  if (button == 2) ctx_.Pointer.MouseRightDown = false;
}

}  // namespace aerovell
