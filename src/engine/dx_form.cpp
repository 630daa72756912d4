#include "engine/dx_form.h"

namespace aerovell {

void TDXForm::StorePlacement() { placement_ = platform_.GetPlacement(); }

void TDXForm::RestorePlacement() {
  if (!placement_) return;
  platform_.SetPlacement(*placement_);
  placement_.reset();
}

void TDXForm::WMSysCommand(SysCommand command) {
  if (command == SysCommand::kMinimize) platform_.MinimizeWindow();
}

}  // namespace aerovell
