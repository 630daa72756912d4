#include "engine/dx_draw.h"

#include <algorithm>

namespace aerovell {

TCustomDXDraw::TCustomDXDraw(Platform& platform, TDXForm* parent_form)
    : platform_(platform),
      parent_(parent_form),
      fonts_(platform.Fonts()),
      canvas_(back_surface_, fonts_) {}

TCustomDXDraw::~TCustomDXDraw() {
  Notify(TDXDrawNotifyType::dxntDestroying);
  if (initialized_) platform_.CloseDisplay();
}

void TCustomDXDraw::Notify(TDXDrawNotifyType kind) { notify_.Notify(*this, kind); }

void TCustomDXDraw::OpenDisplay() {
  if (initialized_) CloseDisplay();
  if (!parent_) throw EDXDrawError("Form not found");
  in_transition_ = true;
  opening_ = true;
  try {
    Notify(TDXDrawNotifyType::dxntInitializing);
    flip_driver_ = full_screen_;
    const int width = SurfaceWidth;
    const int height = SurfaceHeight;
    switch (platform_.OpenDisplay(full_screen_, width, height)) {
      case DisplayResult::kOk: break;
      case DisplayResult::kModeRefused:
        throw EDXDrawError(
            Format("Display mode cannot be changed (%dx%d %dbit)", Display.Width, Display.Height, Display.BitCount));
      case DisplayResult::kNoWindow: throw EDXDrawError("Form not found");
      case DisplayResult::kNoPrimarySurface: throw EDXDrawError(Format("%s cannot be made", "Primary Surface"));
    }
    if (back_surface_.Width() != std::max(width, 1) || back_surface_.Height() != std::max(height, 1)) {
      back_surface_ = Surface(std::max(width, 1), std::max(height, 1));
    }
    back_surface_.Fill(0);
    initialized_ = true;
    in_transition_ = false;
  } catch (...) {
    // Nothing was initialised yet: give back whatever the platform made, and stay closed.
    platform_.CloseDisplay();
    in_transition_ = false;
    opening_ = false;
    throw;
  }
  Notify(TDXDrawNotifyType::dxntSetSurfaceSize);
  Notify(TDXDrawNotifyType::dxntInitialize);
  Notify(TDXDrawNotifyType::dxntInitializeSurface);
  opening_ = false;
  RestoreSurfaces();
}

void TCustomDXDraw::CloseDisplay() {
  if (!initialized_) return;
  in_transition_ = true;
  Notify(TDXDrawNotifyType::dxntFinalizeSurface);
  Notify(TDXDrawNotifyType::dxntFinalize);
  initialized_ = false;
  platform_.CloseDisplay();
  canvas_.Release();
  in_transition_ = false;
}

void TCustomDXDraw::RestoreSurfaces() {
  if (!initialized_ || in_transition_) return;
  // Software surfaces are never lost; restoring clears them and tells the components.
  back_surface_.Fill(0);
  Notify(TDXDrawNotifyType::dxntRestore);
}

bool TCustomDXDraw::DisplayReady() { return initialized_ && !in_transition_ && back_surface_.Width() > 0; }

void TCustomDXDraw::PresentFrame() {
  if (!DisplayReady()) return;
  if (flip_driver_) {
    // Full screen flips only while the game is the active window, at the vertical blank.
    if (parent_->IsActiveForm()) platform_.Present(back_surface_, true);
    return;
  }
  // A window waits for the vertical blank too.
  platform_.Present(back_surface_, true);
}

void TCustomDXDraw::RegisterNotifyEvent(const void* component, TDXDrawNotifyEvent handler) {
  UnRegisterNotifyEvent(component);
  notify_.Add(component, handler);
  handler(*this, TDXDrawNotifyType::dxntSetSurfaceSize);
  if (initialized_) {
    handler(*this, TDXDrawNotifyType::dxntInitialize);
    handler(*this, TDXDrawNotifyType::dxntInitializeSurface);
    if (!opening_) handler(*this, TDXDrawNotifyType::dxntRestore);
  }
}

void TCustomDXDraw::UnRegisterNotifyEvent(const void* component) {
  const auto handler = notify_.Remove(component);
  if (handler && initialized_) {
    (*handler)(*this, TDXDrawNotifyType::dxntFinalizeSurface);
    (*handler)(*this, TDXDrawNotifyType::dxntFinalize);
  }
}

}  // namespace aerovell
