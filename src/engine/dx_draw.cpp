#include "engine/dx_draw.h"

#include <algorithm>

namespace aerovell {

namespace {
constexpr TDXDrawOptions kDefaultOptions =
    doAllowReboot | doWaitVBlank | doCenter | doDirectX7Mode | doHardware | doSelectDriver;
// Options that may change while the display is open.
constexpr TDXDrawOptions kLiveOptions = doWaitVBlank | doStretch | doCenter;
}  // namespace

TDXDrawOptions EffectiveOptionsFor(TDXDrawOptions o) {
  if (!(o & doFullScreen)) o &= ~(doNoWindowChange | doAllowReboot | doAllowPalette256 | doFlip);
  if (!(o & do3D)) o &= ~(doDirectX7Mode | doRetainedMode | doHardware | doSelectDriver | doZBuffer);
  if (o & doSystemMemory) o &= ~doFlip;
  if (o & doDirectX7Mode) o &= ~doRetainedMode;
  o &= ~doHardware;
  return o;
}

TCustomDXDraw::TCustomDXDraw(Platform& platform, TDXForm* parent_form)
    : platform_(platform),
      parent_(parent_form),
      fonts_(platform.Fonts()),
      canvas_(back_surface_, fonts_),
      options_(kDefaultOptions),
      now_options_(EffectiveOptionsFor(kDefaultOptions)) {}

TCustomDXDraw::~TCustomDXDraw() {
  Notify(TDXDrawNotifyType::dxntDestroying);
  if (initialized_) platform_.CloseDisplay();
}

void TCustomDXDraw::SetOptions(TDXDrawOptions options) {
  options_ = options;
  if (!initialized_) {
    now_options_ = EffectiveOptionsFor(options);
    return;
  }
  now_options_ = static_cast<TDXDrawOptions>((now_options_ & ~kLiveOptions) | (options & kLiveOptions));
}

void TCustomDXDraw::Notify(TDXDrawNotifyType kind) { notify_.Notify(*this, kind); }

void TCustomDXDraw::OpenDisplay() {
  if (initialized_) CloseDisplay();
  if (!parent_) throw EDXDrawError("Form not found");
  in_transition_ = true;
  opening_ = true;
  try {
    Notify(TDXDrawNotifyType::dxntInitializing);
    flip_driver_ = (now_options_ & doFlip) != 0;
    const bool full_screen = (now_options_ & doFullScreen) != 0;
    const int width = AutoSize ? SurfaceWidth : Display.Width;
    const int height = AutoSize ? SurfaceHeight : Display.Height;
    switch (platform_.OpenDisplay(full_screen, width, height)) {
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
    now_options_ = EffectiveOptionsFor(options_);
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
  now_options_ = EffectiveOptionsFor(options_);
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
  platform_.Present(back_surface_, (now_options_ & doWaitVBlank) != 0);
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
