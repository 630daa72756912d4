#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "actors/hero.h"
#include "platform/cp1251.h"
#include "play/headless_game.h"
#include "test_support.h"

namespace aerovell::testing {

// The whole game, headless, from its start at the main menu on the generated
// data, with the frame's texts recorded: a player's game in milliseconds.
class PlayTest : public ::testing::Test {
 public:
  static play::TScriptEvent KeyEvent(int key, bool down) {
    play::TScriptEvent e;
    e.kind = down ? play::TScriptEvent::Kind::kKeyDown : play::TScriptEvent::Kind::kKeyUp;
    e.key = key;
    return e;
  }
  static play::TScriptEvent Focus(bool on) {
    play::TScriptEvent e;
    e.kind = play::TScriptEvent::Kind::kFocus;
    e.on = on;
    return e;
  }
  static play::TScriptEvent MoveTo(int x, int y) {
    play::TScriptEvent e;
    e.kind = play::TScriptEvent::Kind::kMove;
    e.x = x;
    e.y = y;
    return e;
  }

 protected:
  PlayTest() : cwd(AEROVELL_GAME_DIR) {}

  void Boot(uint32_t seed = 1, std::string score_host = "127.0.0.1:1") {
    play::THeadlessGame::Options options;
    options.config_path = dir / "config.dat";
    options.seed = seed;
    options.score_host = std::move(score_host);  // by default nothing listens there: refused at once
    game = std::make_unique<play::THeadlessGame>(options);
    Form().DXDraw.SurfaceCanvas().TextLog = &texts;
  }
  TGameCore& Form() { return game->Core(); }
  TPlayState& G() { return Form().Play; }
  TMenuCursor& Cursor() { return Form().Cursor; }
  TPointerInput& Pointer() { return Form().Pointer; }
  THeroSprite& Hero() { return *G().HeroSprite; }
  TPlayContext& Ctx() { return Form().Context; }
  TSpriteEngine& Root() { return Form().DXSpriteEngine1.Engine(); }
  FakePlatform& Platform() { return game->Platform(); }

  // One frame with these events before its tick; the texts are those of this frame.
  void Frame(std::vector<play::TScriptEvent> events = {}) {
    texts.clear();
    std::vector<const play::TScriptEvent*> due;
    for (auto& e : events) {
      e.frame = game->Frame() + 1;
      due.push_back(&e);
    }
    game->RunFrame(due);
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }
  // A key pressed and released within one frame, as a quick tap is.
  void Tap(int key) { Frame({KeyEvent(key, true), KeyEvent(key, false)}); }
  void Hold(int key) { Frame({KeyEvent(key, true)}); }
  void Release(int key) { Frame({KeyEvent(key, false)}); }

  // Boots if needed and starts a game from the main menu: the level caption runs.
  void StartGame(uint32_t seed = 1) {
    if (!game) Boot(seed);
    Tap(vk::kReturn);
    ASSERT_EQ(G().GameState, gsLevelIntro);
  }
  // Starts a game and lets the caption run out: the aircraft flies.
  void StartPlaying(uint32_t seed = 1) {
    StartGame(seed);
    for (int i = 0; i < 200 && G().GameState == gsLevelIntro; ++i) Frame();
    ASSERT_EQ(G().GameState, gsPlaying);
  }
  // No enemy or bonus appears by itself for a long while.
  void QuietField() {
    G().EnemySpawnDelay = 60000;
    G().BonusSpawnDelay = 60000;
  }

  // The texts of the last frame written at (x, y), in UTF-8.
  std::vector<std::string> TextsAt(int x, int y) const {
    std::vector<std::string> out;
    for (const auto& t : texts)
      if (t.x == x && t.y == y) out.push_back(Cp1251ToUtf8(t.text));
    return out;
  }
  std::string TextAt(int x, int y) const {
    const auto all = TextsAt(x, y);
    return all.empty() ? std::string() : all.back();
  }
  const TDirectDrawSurfaceCanvas::TWrittenText* Written(const std::string& utf8) const {
    for (const auto& t : texts)
      if (Cp1251ToUtf8(t.text) == utf8) return &t;
    return nullptr;
  }

  // The live sprites of class T on the field.
  template <class T>
  std::vector<T*> All() {
    std::vector<T*> out;
    for (int i = 0; i < Root().ChildCount(); ++i)
      if (auto* s = dynamic_cast<T*>(&Root().Child(i)); s && !s->IsDead()) out.push_back(s);
    return out;
  }
  template <class T, class... Args>
  T& Spawn(Args&&... args) {
    return TSprite::Spawn<T>(Root(), Ctx(), std::forward<Args>(args)...);
  }

  TempDir dir;
  ScopedWorkingDir cwd;
  std::vector<TDirectDrawSurfaceCanvas::TWrittenText> texts;
  std::unique_ptr<play::THeadlessGame> game;
};

}  // namespace aerovell::testing
