#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/dx_draw.h"
#include "engine/dx_sprite_engine.h"
#include "engine/dx_timer.h"
#include "game/game_host.h"
#include "game/menus_link.h"
#include "game/play_painter.h"
#include "online/http_client.h"
#include "state/play_context.h"
#include "state/play_timing.h"

namespace aerovell {

// A game on the play field: building and clearing the field, spawning enemies,
// and the play frame with its levels, lives, head-up display, captions and the
// dialogs of the game's end.
class TGameSession {
 public:
  // The record being added to the table: the typed name and the score.
  HighScoreEntry NewEntry;
  // Told as a game starts, before anything of it is made, and as a game goes
  // back to the menus: the recorder's moments.
  std::function<void()> OnGameStart;
  std::function<void()> OnBackToMenus;
  // Off, a play frame changes the game but draws nothing: a replay checked or
  // measured needs no pictures.
  bool Drawing = true;
  // After a record is stored: where its game's replay goes, and by when (the
  // bound of the record's own requests). The recorder's owner sends it once
  // the game is handed over (SendReplayOfRecord); any failure is silent.
  struct TReplayUpload {
    std::string url;
    THTTPClient::Deadline deadline;
  };
  std::optional<TReplayUpload> PendingReplay;

  TGameSession(TPlayContext& context, TMenuCursor& cursor, TGameHost& host, TDXDraw& display, TDXSpriteEngine& sprites,
               TDXInput& input, THTTPClient& http, TDXTimer& menu_timer, TDXTimer& play_timer);

  // The menus, for the way back when a game is over.
  void AttachMenus(TMenusLink& menus) { menus_ = &menus; }
  // The main menu's "start game": the play timer takes over and the field is built.
  void StartGame();
  // The game's end: clear the tree, stop the play timer, build the menu field,
  // start the menu timer, in that order.
  void BackToMenus();

  // Replaces the menu field by the play field and starts a game at level 1.
  void CreateGameField();
  // Removes every moving actor and puts the aircraft back, between lives and levels.
  void ClearGameField();
  // One enemy of a kind the current level allows.
  void CreateEnemy();
  // The frame of a running game.
  void DXTimer2Timer(int lag_count);
  // Keys in play: P pauses and plays on, Esc asks whether to leave, the hot key
  // pauses and minimises.
  void PlayKeyDown(uint16_t key);
  // The pointer is held at the centre in play; each move away from it is a step.
  void SteerByMouse();
  // The mouse's buttons fire (left) and drop bombs (right), in every state.
  void MouseButtonDown(int button);
  void MouseButtonUp(int button);
  // "OK" in the name entry: the new record goes into the table, which is
  // stored, and the question whether to send it follows.
  void ConfirmRecord();
  // Sends the new record to the score service: a version request whose answer
  // carries a value to echo, then the record. Blocks until both are answered.
  void SubmitScore();

 private:
  void CompleteLevel();
  void AdvancePlay(int lag_count);
  void AdvanceHeroDown(int lag_count);
  void ShowHero();
  void CountDownBonuses();
  void StepStateTexts();
  void EndCaption();

  TPlayContext& ctx_;
  TMenuCursor& cursor_;
  TGameHost& host_;
  TDXSpriteEngine& sprites_;
  TDXInput& input_;
  THTTPClient& http_;
  TDXTimer& menu_timer_;
  TDXTimer& play_timer_;
  TMenusLink* menus_ = nullptr;
  TPlayPainter painter_;
};

}  // namespace aerovell
