#pragma once

#include <filesystem>
#include <memory>

#include "app/main_form.h"
#include "platform/fake/fake_platform.h"
#include "test_support.h"

namespace aerovell::testing {

// The game started in a fresh folder holding the generated data, driven through
// the fake platform the way a player would drive it.
class FrontEnd : public ::testing::Test {
 protected:
  FrontEnd() : cwd(dir.Path()) {
    const std::filesystem::path game = AEROVELL_GAME_DIR;
    for (const char* file : {"data/menu.dxg", "sound/gamesound.dxw", "sound/1.xm"}) {
      std::filesystem::create_directories((dir / file).parent_path());
      std::filesystem::copy_file(game / file, dir / file);
    }
    platform.keep_frames = true;
  }
  // The form made on the fake platform, its FormCreate not run yet.
  TmainForm& Create(TFormOptions options = {}) {
    form = std::make_unique<TmainForm>(app, ConfigFile(dir / "config.dat"), std::move(options));
    return *form;
  }
  // Made and created, as the program starts it.
  TmainForm& Boot(TFormOptions options = {}) {
    Create(std::move(options)).FormCreate();
    return *form;
  }
  // Booted, with its first menu frame run.
  TmainForm& Start(TFormOptions options = {}) {
    Boot(std::move(options));
    Frame();
    return *form;
  }
  void Send(Event e) { form->HandleEvent(e); }
  void Down(uint16_t key, uint8_t mods = 0, bool repeat = false) {
    Event e;
    e.type = EventType::kKeyDown;
    e.key = key;
    e.mods = mods;
    e.repeat = repeat;
    Send(e);
  }
  void Up(uint16_t key, uint8_t mods = 0) {
    Event e;
    e.type = EventType::kKeyUp;
    e.key = key;
    e.mods = mods;
    Send(e);
  }
  void Key(uint16_t key, uint8_t mods = 0) {
    Down(key, mods);
    Up(key, mods);
  }
  void Type(const std::string& utf8) {
    Event e;
    e.type = EventType::kTextInput;
    std::snprintf(e.text.data(), e.text.size(), "%s", utf8.c_str());
    Send(e);
  }
  void Move(int x, int y) {
    Event e;
    e.type = EventType::kMouseMove;
    e.x = x;
    e.y = y;
    Send(e);
  }
  void Click(int x, int y) {
    Move(x, y);
    Event e;
    e.type = EventType::kMouseDown;
    e.button = 1;
    e.x = x;
    e.y = y;
    Send(e);
    e.type = EventType::kMouseUp;
    Send(e);
  }
  // One menu frame, as the timer would run it.
  void Frame() { form->DXTimer1Timer(1); }
  std::vector<uint8_t> File() { return ReadBytes(dir / "config.dat"); }
  TMenuScreen Screen() const { return form->Cursor.MenuScreen; }
  uint8_t Item() const { return form->Cursor.MenuItem; }

  TempDir dir;
  ScopedWorkingDir cwd;
  FakePlatform platform;
  TApplication app{platform};
  std::unique_ptr<TmainForm> form;
};

}  // namespace aerovell::testing
