#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/dx_form.h"
#include "engine/errors.h"
#include "engine/notify_list.h"
#include "engine/surface_canvas.h"
#include "platform/font_cache.h"
#include "platform/platform.h"

namespace aerovell {

enum TDXDrawOption : uint16_t {
  doFullScreen = 1 << 0,
  doNoWindowChange = 1 << 1,
  doAllowReboot = 1 << 2,
  doWaitVBlank = 1 << 3,
  doAllowPalette256 = 1 << 4,
  doSystemMemory = 1 << 5,
  doStretch = 1 << 6,
  doCenter = 1 << 7,
  doFlip = 1 << 8,
  do3D = 1 << 9,
  doDirectX7Mode = 1 << 10,
  doRetainedMode = 1 << 11,
  doHardware = 1 << 12,
  doSelectDriver = 1 << 13,
  doZBuffer = 1 << 14,
};
using TDXDrawOptions = uint16_t;

// What bound components are told, in the numbering they are sent with.
enum class TDXDrawNotifyType : uint8_t {
  dxntDestroying = 0,
  dxntInitializing = 1,
  dxntInitialize = 2,
  dxntInitializeSurface = 3,
  dxntFinalize = 4,
  dxntFinalizeSurface = 5,
  dxntRestore = 6,
  dxntSetSurfaceSize = 7,
};

class TCustomDXDraw;
using TDXDrawNotifyEvent = std::function<void(TCustomDXDraw& sender, TDXDrawNotifyType kind)>;

// The effective options for a set of options (the rules the display applies).
TDXDrawOptions EffectiveOptionsFor(TDXDrawOptions options);

// The display: the 800 x 600 back surface every frame is composed on, shown in the
// window or full screen through the platform.
class TCustomDXDraw {
 public:
  TCustomDXDraw(Platform& platform, TDXForm* parent_form);
  ~TCustomDXDraw();
  TCustomDXDraw(const TCustomDXDraw&) = delete;
  TCustomDXDraw& operator=(const TCustomDXDraw&) = delete;

  struct TDisplay {
    int Width = 640;
    int Height = 480;
    int BitCount = 16;
    bool FixedBitCount = false;
    bool FixedRatio = false;
    bool FixedSize = false;
  } Display;
  bool AutoSize = true;
  int SurfaceWidth = 800;
  int SurfaceHeight = 600;

  TDXDrawOptions Options() const { return options_; }
  void SetOptions(TDXDrawOptions options);
  TDXDrawOptions NowOptions() const { return now_options_; }

  void OpenDisplay();
  void CloseDisplay();
  bool Initialized() const { return initialized_; }
  bool DisplayReady();
  void PresentFrame();
  bool UsesFlipDriver() const { return flip_driver_; }

  Surface& BackSurface() { return back_surface_; }
  TDirectDrawSurfaceCanvas& SurfaceCanvas() { return canvas_; }
  void FillSurface(uint32_t device_colour) { back_surface_.Fill(device_colour); }

  // Bound components: one registration per component key.
  void RegisterNotifyEvent(const void* component, TDXDrawNotifyEvent handler);
  void UnRegisterNotifyEvent(const void* component);

 private:
  void Notify(TDXDrawNotifyType kind);
  void RestoreSurfaces();

  Platform& platform_;
  TDXForm* parent_;
  FontCache fonts_;
  Surface back_surface_;
  TDirectDrawSurfaceCanvas canvas_;
  TDXDrawOptions options_;
  TDXDrawOptions now_options_;
  bool initialized_ = false;
  bool in_transition_ = false;
  bool opening_ = false;
  bool flip_driver_ = false;
  NotifyList<TCustomDXDraw, TDXDrawNotifyType> notify_;
};

// The published name of the display; it adds nothing to the class.
using TDXDraw = TCustomDXDraw;

}  // namespace aerovell
