#pragma once

#include <cstdint>
#include <functional>

#include "engine/application.h"

namespace aerovell {

// Calls OnTimer from the application's idle processing at least Interval ms apart,
// with a lag count of how many intervals the call stands for.
class TCustomDXTimer : public ActivationHook {
 public:
  using TDXTimerEvent = std::function<void(TCustomDXTimer& sender, int lag_count)>;
  using TNotifyEvent = std::function<void(TCustomDXTimer& sender)>;

  explicit TCustomDXTimer(TApplication& application);
  ~TCustomDXTimer() override;
  TCustomDXTimer(const TCustomDXTimer&) = delete;
  TCustomDXTimer& operator=(const TCustomDXTimer&) = delete;

  bool ActiveOnly = true;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TDXTimerEvent OnTimer;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  uint32_t Interval() const { return interval_; }
  void SetInterval(int64_t value);

  bool Running() const { return running_; }

  // The idle handler: how long until a call is due, and the call itself.
  int MsUntilDue(uint32_t now) const;
  void Step();

  void ApplicationActivated() override;
  void ApplicationDeactivated() override;

 protected:
  virtual void DoActivate();
  virtual void DoDeactivate();
  virtual void DoTimer(int lag_count);

 private:
  void Start();
  void Stop();
  void InstallIdleHandler();

  TApplication& app_;
  bool enabled_ = true;
  uint32_t interval_ = 1000;
  uint32_t lag_divisor_ = 1000;
  bool running_ = false;
  uint32_t last_tick_ = 0;
};

// The published name of the frame timer; it adds nothing to the class.
using TDXTimer = TCustomDXTimer;

}  // namespace aerovell
