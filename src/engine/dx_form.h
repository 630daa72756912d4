#pragma once

#include <optional>

#include "platform/platform.h"

namespace aerovell {

// Base of the main window: keeps the window placement across full-screen switches
// and minimises on the minimise command.
class TDXForm {
 public:
  explicit TDXForm(Platform& platform) : platform_(platform) {}
  virtual ~TDXForm() = default;

  void StorePlacement();
  void RestorePlacement();
  bool IsActiveForm() { return platform_.IsForeground(); }
  // The inherited system-command handling: minimise.
  virtual void WMSysCommand(SysCommand command);

  Platform& GetPlatform() { return platform_; }

 protected:
  Platform& platform_;

 private:
  std::optional<WindowPlacement> placement_;
};

}  // namespace aerovell
