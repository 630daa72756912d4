#include "engine/dx_timer.h"

#include <algorithm>

namespace aerovell {

TCustomDXTimer::TCustomDXTimer(TApplication& application) : app_(application) { app_.AddActivationHook(this); }

TCustomDXTimer::~TCustomDXTimer() {
  Stop();
  app_.RemoveActivationHook(this);
}

void TCustomDXTimer::SetEnabled(bool value) {
  if (enabled_ != value) enabled_ = value;
  if (enabled_) Start();
  else Stop();
}

void TCustomDXTimer::SetInterval(int64_t value) {
  const auto stored = static_cast<uint32_t>(std::max<int64_t>(value, 0));
  if (stored == interval_) return;
  interval_ = stored;
  lag_divisor_ = std::max<uint32_t>(stored, 1);
}

void TCustomDXTimer::InstallIdleHandler() {
  last_tick_ = app_.GetPlatform().TicksMs();
  app_.SetIdleHandler(this);
}

void TCustomDXTimer::Start() {
  Stop();
  if (!ActiveOnly || app_.Active()) InstallIdleHandler();
  running_ = true;
}

void TCustomDXTimer::Stop() {
  if (!running_) return;
  // Whichever timer owns the slot loses it: only one timer runs at a time.
  app_.SetIdleHandler(nullptr);
  running_ = false;
}

int TCustomDXTimer::MsUntilDue(uint32_t now) const {
  const uint32_t elapsed = now - last_tick_;
  return elapsed >= interval_ ? 0 : static_cast<int>(interval_ - elapsed);
}

void TCustomDXTimer::Step() {
  const uint32_t t = app_.GetPlatform().TicksMs();
  if (t - last_tick_ < interval_) return;
  const uint32_t elapsed = t - last_tick_;
  last_tick_ = t;
  const int lag = static_cast<int>(std::max<uint32_t>(elapsed / lag_divisor_, 1));
  DoTimer(lag);
}

void TCustomDXTimer::ApplicationActivated() {
  DoActivate();
  if (running_ && ActiveOnly) InstallIdleHandler();
}

void TCustomDXTimer::ApplicationDeactivated() {
  DoDeactivate();
  if (running_ && ActiveOnly) app_.SetIdleHandler(nullptr);
}

void TCustomDXTimer::DoActivate() {
  if (OnActivate) OnActivate(*this);
}
void TCustomDXTimer::DoDeactivate() {
  if (OnDeactivate) OnDeactivate(*this);
}
void TCustomDXTimer::DoTimer(int lag_count) {
  if (OnTimer) OnTimer(*this, lag_count);
}

}  // namespace aerovell
