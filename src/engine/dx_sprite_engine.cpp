#include "engine/dx_sprite_engine.h"

namespace aerovell {

void TCustomDXSpriteEngine::SetDXDraw(TCustomDXDraw* display) {
  Rebind(dxdraw_, display, this, [this](TCustomDXDraw& d, TDXDrawNotifyType kind) { Notify(d, kind); });
}

void TCustomDXSpriteEngine::Notify(TCustomDXDraw& display, TDXDrawNotifyType kind) {
  switch (kind) {
    case TDXDrawNotifyType::dxntDestroying: SetDXDraw(nullptr); break;
    case TDXDrawNotifyType::dxntInitialize: engine_->SetSurface(&display.BackSurface()); break;
    case TDXDrawNotifyType::dxntFinalize: engine_->SetSurface(nullptr); break;
    default: break;
  }
}

}  // namespace aerovell
