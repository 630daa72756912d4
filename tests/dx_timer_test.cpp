#include "engine/dx_timer.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace aerovell {
namespace {

struct NullSink : EventSink {
  void HandleEvent(const Event&) override {}
};

class TimerTest : public ::testing::Test {
 protected:
  FakePlatform platform;
  TApplication app{platform};
  NullSink sink;
};

TEST_F(TimerTest, LagCountIsElapsedIntervalsAtLeastOne) {
  TDXTimer timer(app);
  timer.SetInterval(16);
  timer.SetEnabled(true);
  std::vector<int> lags;
  timer.OnTimer = [&](TCustomDXTimer&, int lag) { lags.push_back(lag); };

  const struct {
    uint32_t wait;
    int lag;  // 0: no call
  } steps[] = {{15, 0}, {1, 1}, {31, 1}, {32, 2}, {47, 2}, {48, 3}, {1000, 62}};
  for (const auto& s : steps) {
    lags.clear();
    platform.Advance(s.wait);
    timer.Step();
    if (s.lag == 0) {
      EXPECT_TRUE(lags.empty()) << "after " << s.wait;
      continue;
    }
    ASSERT_EQ(lags.size(), 1u) << "after " << s.wait;
    EXPECT_EQ(lags[0], s.lag) << "after " << s.wait;
  }
}

TEST_F(TimerTest, IntervalZeroCallsEveryPassWithElapsedMilliseconds) {
  TDXTimer timer(app);
  timer.SetInterval(0);
  EXPECT_EQ(timer.Interval(), 0u);
  timer.SetEnabled(true);
  std::vector<int> lags;
  timer.OnTimer = [&](TCustomDXTimer&, int lag) { lags.push_back(lag); };
  timer.Step();
  platform.Advance(7);
  timer.Step();
  EXPECT_EQ(lags, (std::vector<int>{1, 7}));
  timer.SetInterval(-5);
  EXPECT_EQ(timer.Interval(), 0u);
}

TEST_F(TimerTest, TheLoopWaitsForTheNextTickInsteadOfSpinning) {
  TDXTimer timer(app);
  timer.SetInterval(16);
  timer.SetEnabled(true);
  int calls = 0;
  timer.OnTimer = [&](TCustomDXTimer&, int lag) {
    ++calls;
    EXPECT_EQ(lag, 1);
  };
  app.Run(sink, platform.TicksMs() + 161);
  EXPECT_EQ(calls, 10);
}

TEST_F(TimerTest, DisablingInsideTheHandlerAndEnablingAnotherHandsOverTheSlot) {
  TDXTimer menu(app), play(app);
  play.SetEnabled(false);
  menu.SetInterval(16);
  play.SetInterval(16);
  menu.SetEnabled(true);
  int menu_calls = 0, play_calls = 0;
  menu.OnTimer = [&](TCustomDXTimer&, int) {
    ++menu_calls;
    menu.SetEnabled(false);
    play.SetEnabled(true);
  };
  play.OnTimer = [&](TCustomDXTimer&, int) { ++play_calls; };
  app.Run(sink, platform.TicksMs() + 40);
  EXPECT_EQ(menu_calls, 1);
  EXPECT_EQ(play_calls, 1);
  EXPECT_EQ(app.IdleHandler(), &play);
}

TEST_F(TimerTest, FocusNotificationsReachDisabledTimersAndSuspendActiveOnlyOnes) {
  TDXTimer menu(app), play(app);
  menu.SetInterval(16);
  play.SetInterval(16);
  menu.SetEnabled(true);
  play.SetEnabled(false);
  play.ActiveOnly = false;
  std::vector<std::string> log;
  menu.OnActivate = [&](TCustomDXTimer&) { log.push_back("menu+"); };
  menu.OnDeactivate = [&](TCustomDXTimer&) { log.push_back("menu-"); };
  play.OnActivate = [&](TCustomDXTimer&) { log.push_back("play+"); };
  play.OnDeactivate = [&](TCustomDXTimer&) { log.push_back("play-"); };
  int lag_after_pause = 0;
  menu.OnTimer = [&](TCustomDXTimer&, int lag) { lag_after_pause = lag; };

  app.Deactivate();
  EXPECT_EQ(app.IdleHandler(), nullptr) << "the ActiveOnly timer is suspended";
  EXPECT_TRUE(menu.Running());
  platform.Advance(500);
  app.Activate();
  EXPECT_EQ(app.IdleHandler(), &menu);
  platform.Advance(16);
  menu.Step();
  EXPECT_EQ(lag_after_pause, 1) << "time marks are reset when the timer comes back";
  EXPECT_EQ(log, (std::vector<std::string>{"menu-", "play-", "menu+", "play+"}));
}

TEST_F(TimerTest, StartingWhileInactiveRunsOnlyOnceActive) {
  app.Deactivate();
  TDXTimer timer(app);
  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Running());
  EXPECT_EQ(app.IdleHandler(), nullptr);
  TDXTimer always(app);
  always.ActiveOnly = false;
  always.SetEnabled(true);
  EXPECT_EQ(app.IdleHandler(), &always);
}

}  // namespace
}  // namespace aerovell
