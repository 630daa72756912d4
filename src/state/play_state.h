#pragma once

#include <cstdint>

#include "engine/sprite_ref.h"
#include "settings/config.h"

namespace aerovell {

// The values are the game's own numbering; nothing stores them, but the headless
// player's trace prints them.
enum class TGameState : uint8_t {
  gsMenu = 1,
  gsPlaying = 2,
  gsExitConfirm = 3,
  gsHeroDown = 4,
  gsLevelIntro = 5,
  gsGameOver = 6,
  gsPaused = 7,
  gsNameEntry = 8,
  gsSubmitQuestion = 9,
  gsSubmitting = 10,
  gsSubmitFailed = 11,
};
using enum TGameState;

// The screens and dialogs whose items `MenuItem` selects.
enum class TMenuScreen : uint8_t {
  msMainMenu = 1,
  msOptions = 2,
  msRecords = 3,
  msHelp = 4,
  msExitQuestion = 5,
  msClearRecordsQuestion = 6,
  msHotKeyCapture = 7,
  msNameEntry = 8,
  msSubmitQuestion = 9,
};
using enum TMenuScreen;

// The groups of states the handlers treat alike; each group is written here only.

// The menus and the dialogs that take menu keys and the mouse.
constexpr bool IsMenuState(TGameState s) {
  return s == gsMenu || s == gsExitConfirm || s == gsNameEntry || s == gsSubmitQuestion;
}
// A game on the field that the keys steer (P, Esc, the hot key); a close request
// here opens the in-game exit question.
constexpr bool IsPlayState(TGameState s) {
  return s == gsPlaying || s == gsHeroDown || s == gsLevelIntro || s == gsPaused;
}
// States the pause key and the hot key can pause.
constexpr bool IsPausableState(TGameState s) { return s == gsPlaying || s == gsHeroDown || s == gsLevelIntro; }
// The game's end: the caption and the dialogs of the table and the submission,
// where a close request does nothing.
constexpr bool IsGameEndState(TGameState s) {
  return s == gsGameOver || s == gsNameEntry || s == gsSubmitQuestion || s == gsSubmitting || s == gsSubmitFailed;
}
// States that losing the focus pauses: the game-over caption too.
constexpr bool IsPausedByFocusLoss(TGameState s) { return IsPausableState(s) || s == gsGameOver; }

class THeroSprite;
class TPropellerSprite;
class TSmokeSprite;
class TShieldSprite;
class TClosingWindow;
class TBonusIndicatorSprite;

// The state of a game, for the whole run: what the play field, the actors and
// the end of a game read and change.
struct TPlayState {
  TGameState GameState{};  // none until start-up sets gsMenu
  TGameState StateBeforePause = gsMenu;
  // The state the exit question covers; "Нет" puts it back.
  TGameState SavedState{};
  bool ExitConfirmed = false;
  uint8_t Level = 0;
  uint16_t Score = 0;
  int32_t Lives = 3;
  uint16_t LevelKills = 0;
  int32_t MessageTimer = 0;
  int32_t RespawnDelay = 0;
  uint16_t EnemySpawnDelay = 0;
  uint16_t BonusSpawnDelay = 0;
  int32_t WeaponTime = 0;
  int32_t BombTime = 0;
  int32_t ShieldTime = 0;
  int32_t PickupTime = 0;
  uint16_t ScrollSpeed = 1;
  TShortString10 PlayerName;
  uint8_t RecordRank = 0;

  // The long-lived sprites of the field; each reads empty once the tree frees it.
  TSpriteRef<THeroSprite> HeroSprite;
  TSpriteRef<TPropellerSprite> PropellerSprite;
  TSpriteRef<TSmokeSprite> SmokeSprite;
  TSpriteRef<TShieldSprite> ShieldSprite;
  TSpriteRef<TClosingWindow> ClosingWindowSprite;
  TSpriteRef<TBonusIndicatorSprite> WeaponIndicator;
  TSpriteRef<TBonusIndicatorSprite> ShieldIndicator;
  TSpriteRef<TBonusIndicatorSprite> PickupIndicator;
};

// Which screen or dialog takes the menu keys and the mouse, its selected item,
// and the text field being edited: the menus' and the end-of-game dialogs'.
struct TMenuCursor {
  TMenuScreen MenuScreen = msMainMenu;
  uint8_t MenuItem = 0;
  TMenuScreen SavedScreen{};
  uint8_t SavedItem = 0;
  // What the exit question covers besides the screen: where that screen itself
  // returns to, and whether the dialog frame was up, so "Нет" restores it as it was.
  TMenuScreen SavedReturnScreen{};
  bool SavedFrameVisible = false;
  uint8_t BlinkCounter = 0;
  bool NameEditing = false;
};

// The mouse in play: steering steps and the fire buttons, consumed by the
// player's aircraft.
struct TPointerInput {
  uint8_t MouseStepLeft = 0;
  uint8_t MouseStepRight = 0;
  uint8_t MouseStepUp = 0;
  uint8_t MouseStepDown = 0;
  bool MouseLeftDown = false;
  bool MouseRightDown = false;
};

}  // namespace aerovell
