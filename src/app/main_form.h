#pragma once

#include <cstdint>

#include "core/game_core.h"
#include "engine/dx_form.h"

namespace aerovell {

// The companion launches at the very end of a normal exit.
void LaunchCompanions(Platform& platform);

// The main window: the game core shown in a window. It adds what only a window
// has: its placement kept across full-screen switches, full screen by the
// maximise command or a double click on the caption, centring when windowed.
class TmainForm : public TDXForm, public TGameCore {
 public:
  TmainForm(TApplication& application, ConfigFile config_file = ConfigFile(), TFormOptions options = {});

  void WMGetSysCommand(SysCommand command);
  void CptClk(FrameArea area);

  void ChangeMode() override;

 protected:
  void WindowEvent(const Event& event) override;
};

}  // namespace aerovell
