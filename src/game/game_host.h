#pragma once

#include <string>

namespace aerovell {

// What the menus and the play field ask of the main window, which owns the
// display, the music and the settings file. The window implements it; the rest
// of the game sees only this.
class TGameHost {
 public:
  virtual ~TGameHost() = default;

  // Applies Config.Windowed to the window and the display.
  virtual void ChangeMode() = 0;
  // A close request, as the close box makes it (the exit question, or the end).
  virtual void RequestClose() = 0;
  virtual void MinimizeWindow() = 0;
  // Forces the pointer visible or hidden, whatever the platform's show count.
  virtual void SetCursorVisible(bool show) = 0;
  virtual void MovePointerToCentre() = 0;
  // The pointer's position in picture coordinates (play reads it to steer).
  virtual void PointerPosition(int& x, int& y) = 0;
  // Loads and plays a module by the game's path; on failure says so and turns music off.
  virtual void StartMusic(const std::string& game_path) = 0;
  virtual void StopMusic() = 0;
  // Scramble, save, unscramble. A failure is reported to the player once and the
  // settings stay in memory, to be stored by the next store that succeeds.
  virtual void StoreConfig() = 0;
  virtual void ShellOpen(const std::string& target) = 0;
  // The score service, "host" or "host:port": records go there and the online
  // table is opened there.
  virtual std::string ScoreHost() const = 0;
};

}  // namespace aerovell
