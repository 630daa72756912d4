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

// The display: the 800 x 600 back surface every frame is composed on, shown in the
// window or full screen through the platform.
class TCustomDXDraw {
 public:
  TCustomDXDraw(Platform& platform, TDXForm* parent_form);
  ~TCustomDXDraw();
  TCustomDXDraw(const TCustomDXDraw&) = delete;
  TCustomDXDraw& operator=(const TCustomDXDraw&) = delete;

  // The full-screen mode, as a refusal names it.
  struct TDisplay {
    int Width = 640;
    int Height = 480;
    int BitCount = 16;
  } Display;
  // The back surface's size.
  int SurfaceWidth = 800;
  int SurfaceHeight = 600;

  // Full screen or a window: taken by the next OpenDisplay, never while open.
  void SetFullScreen(bool on) { full_screen_ = on; }

  void OpenDisplay();
  void CloseDisplay();
  bool Initialized() const { return initialized_; }
  bool DisplayReady();
  void PresentFrame();

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
  bool full_screen_ = false;
  bool initialized_ = false;
  bool in_transition_ = false;
  bool opening_ = false;
  bool flip_driver_ = false;  // opened full screen: frames are flipped, only while the form is active
  NotifyList<TCustomDXDraw, TDXDrawNotifyType> notify_;
};

// The published name of the display; it adds nothing to the class.
using TDXDraw = TCustomDXDraw;

}  // namespace aerovell
