#include "engine/dx_draw.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace aerovell {
namespace {

class DisplayTest : public ::testing::Test {
 protected:
  DisplayTest() { draw.Display = {800, 600, 32}; }
  void Bind(const char* name) {
    draw.RegisterNotifyEvent(name, [this, name](TCustomDXDraw&, TDXDrawNotifyType kind) {
      log.push_back(std::string(name) + std::to_string(static_cast<int>(kind)));
    });
  }
  std::vector<std::string> log;  // outlives the display, which says goodbye to its components
  FakePlatform platform;
  TDXForm form{platform};
  TDXDraw draw{platform, &form};
};

TEST_F(DisplayTest, NotificationsGoLastRegisteredFirstInOpeningAndClosingOrder) {
  Bind("a");
  Bind("b");
  EXPECT_EQ(log, (std::vector<std::string>{"a7", "b7"})) << "closed: only the size is told";
  log.clear();
  draw.OpenDisplay();
  EXPECT_EQ(log, (std::vector<std::string>{"b1", "a1", "b7", "a7", "b2", "a2", "b3", "a3", "b6", "a6"}));
  log.clear();
  draw.CloseDisplay();
  EXPECT_EQ(log, (std::vector<std::string>{"b5", "a5", "b4", "a4"}));
}

TEST_F(DisplayTest, RegisteringWhileOpenCatchesUpAndUnregisteringFinalises) {
  draw.OpenDisplay();
  Bind("a");
  EXPECT_EQ(log, (std::vector<std::string>{"a7", "a2", "a3", "a6"}));
  log.clear();
  Bind("a");  // the same component again replaces its registration
  draw.UnRegisterNotifyEvent("a");
  EXPECT_EQ(log, (std::vector<std::string>{"a5", "a4", "a7", "a2", "a3", "a6", "a5", "a4"}));
  log.clear();
  draw.CloseDisplay();
  EXPECT_TRUE(log.empty());
}

TEST_F(DisplayTest, AWindowShowsEveryFrameAndFullScreenFlipsOnlyWhenActive) {
  draw.OpenDisplay();
  EXPECT_FALSE(platform.full_screen);
  platform.foreground = false;
  draw.PresentFrame();
  EXPECT_EQ(platform.presented_frames, 1) << "a window shows its frames in the background too";

  draw.CloseDisplay();
  draw.SetFullScreen(true);
  draw.OpenDisplay();
  EXPECT_TRUE(platform.full_screen);
  draw.PresentFrame();
  EXPECT_EQ(platform.presented_frames, 1) << "nothing is flipped while the form is not active";
  platform.foreground = true;
  draw.PresentFrame();
  EXPECT_EQ(platform.presented_frames, 2);
}

TEST_F(DisplayTest, FullScreenAskedForWhileOpenWaitsForTheNextOpening) {
  draw.OpenDisplay();
  draw.SetFullScreen(true);
  EXPECT_FALSE(platform.full_screen);
  platform.foreground = false;
  draw.PresentFrame();
  EXPECT_EQ(platform.presented_frames, 1) << "still a window, shown in the background too";
  draw.CloseDisplay();
  draw.OpenDisplay();
  EXPECT_TRUE(platform.full_screen);
  draw.PresentFrame();
  EXPECT_EQ(platform.presented_frames, 1);
}

TEST_F(DisplayTest, RefusedModeRaisesAndLeavesTheDisplayClosed) {
  platform.refuse_full_screen = true;
  draw.SetFullScreen(true);
  Bind("a");
  log.clear();
  try {
    draw.OpenDisplay();
    FAIL();
  } catch (const EDXDrawError& e) {
    EXPECT_STREQ(e.what(), "Display mode cannot be changed (800x600 32bit)");
  }
  EXPECT_FALSE(draw.Initialized());
  EXPECT_FALSE(draw.DisplayReady());
  EXPECT_EQ(log, (std::vector<std::string>{"a1"}));
}

TEST_F(DisplayTest, NoParentForm) {
  TDXDraw orphan(platform, nullptr);
  try {
    orphan.OpenDisplay();
    FAIL();
  } catch (const EDXDrawError& e) {
    EXPECT_STREQ(e.what(), "Form not found");
  }
}

TEST_F(DisplayTest, BackSurfaceIsClearedOnOpenAndFilledOnRequest) {
  draw.OpenDisplay();
  ASSERT_TRUE(draw.DisplayReady());
  EXPECT_EQ(draw.BackSurface().Width(), 800);
  EXPECT_EQ(draw.BackSurface().Height(), 600);
  draw.FillSurface(0x123456);
  EXPECT_EQ(draw.BackSurface().Pixel(799, 599), 0x123456u);
  draw.CloseDisplay();
  draw.OpenDisplay();
  EXPECT_EQ(draw.BackSurface().Pixel(0, 0), 0u);
}

TEST_F(DisplayTest, ReleaseCanvasWithoutContextDoesNothing) {
  draw.OpenDisplay();
  auto& canvas = draw.SurfaceCanvas();
  EXPECT_FALSE(canvas.HoldsContext());
  canvas.Release();
  EXPECT_FALSE(canvas.HoldsContext());
  canvas.MeasureText("A");
  EXPECT_TRUE(canvas.HoldsContext());
  canvas.Release();
  EXPECT_FALSE(canvas.HoldsContext());
}

TEST(Placement, StoreAndRestoreOnce) {
  FakePlatform platform;
  TDXForm form(platform);
  platform.placement = WindowPlacement{10, 20, 800, 600};
  form.StorePlacement();
  platform.placement = WindowPlacement{0, 0, 1920, 1080};
  form.RestorePlacement();
  EXPECT_EQ(platform.placement->x, 10);
  platform.placement = WindowPlacement{5, 5, 800, 600};
  form.RestorePlacement();  // the remembered placement is used once
  EXPECT_EQ(platform.placement->x, 5);
  form.WMSysCommand(SysCommand::kMinimize);
  EXPECT_EQ(platform.minimize_calls, 1);
  form.WMSysCommand(SysCommand::kMaximize);
  EXPECT_EQ(platform.minimize_calls, 1);
}

}  // namespace
}  // namespace aerovell
