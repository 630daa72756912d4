#include "engine/dx_form.h"

namespace aerovell {

void TDXForm::StorePlacement() { placement_ = platform_.GetPlacement(); }

void TDXForm::RestorePlacement() {
  if (!placement_) return;
  platform_.SetPlacement(*placement_);
  placement_.reset();
}

void TDXForm::WMSysCommand(uint32_t code) {
  if (code == 0xF020) platform_.MinimizeWindow();
}

}  // namespace aerovell
