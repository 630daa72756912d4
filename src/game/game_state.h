#pragma once

#include <cstdint>

namespace aerovell {

class TSprite;

enum TGameState : uint8_t {
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

// The state the game, menu and input code share for the whole run.
struct TGameGlobals {
  uint8_t GameState = 0;
  uint8_t StateBeforePause = gsMenu;
  uint8_t MenuScreen = 1;
  uint8_t MenuItem = 0;
  uint8_t SavedState = 0;
  uint8_t SavedScreen = 0;
  uint8_t SavedItem = 0;
  uint8_t BlinkCounter = 0;
  bool NameEditing = false;
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
  uint8_t RecordRank = 0;
};

// States in which a game is on the field and the pointer belongs to the game.
constexpr bool IsRunningGameState(uint8_t s) {
  return s == gsPlaying || s == gsHeroDown || s == gsLevelIntro || s == gsPaused;
}

}  // namespace aerovell
