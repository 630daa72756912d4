#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace aerovell {

class TCustomDXTimer;

// Told when the application gains or loses the input focus.
class ActivationHook {
 public:
  virtual ~ActivationHook() = default;
  virtual void ApplicationActivated() = 0;
  virtual void ApplicationDeactivated() = 0;
};

// Receives the window events the message loop does not handle itself.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void HandleEvent(const Event& event) = 0;
};

// The application object: the message loop, its one idle-handler slot (owned by
// the running frame timer) and the focus notifications. The loop never spins: when
// no tick is due it waits for events until the next one is.
class TApplication {
 public:
  explicit TApplication(Platform& platform) : platform_(platform) {}

  Platform& GetPlatform() { return platform_; }

  TCustomDXTimer* IdleHandler() const { return idle_handler_; }
  void SetIdleHandler(TCustomDXTimer* timer) { idle_handler_ = timer; }

  bool Active() const { return active_; }
  void Activate();
  void Deactivate();
  void AddActivationHook(ActivationHook* hook);
  void RemoveActivationHook(ActivationHook* hook);

  // Runs until Terminate, or, with a deadline, until the clock reaches it (tests).
  void Run(EventSink& sink, std::optional<uint32_t> until_ms = std::nullopt);
  // One turn of the loop by hand, for players that own the clock: handles every
  // pending event, then runs the idle handler when its tick is due.
  void ProcessEvents(EventSink& sink);
  void Tick();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // A signal ended the loop: leave without questions or companion launches.
  bool TerminatedBySignal() const { return by_signal_; }
  // A frame or the start failed: the run is to end with an error status.
  bool Failed() const { return failed_; }
  void MarkFailed() { failed_ = true; }

  // An error that escapes an event handler or a frame is reported here once, and
  // the loop ends with Failed() set.
  std::function<void(const std::exception&)> OnException;
  void HandleException(const std::exception& error);

 private:
  void Dispatch(const Event& event, EventSink& sink);
  void Fail(const std::exception& error);
  void DispatchUnguarded(const Event& event, EventSink& sink);

  // With no timer running nothing is due; wake now and then regardless so a
  // signal is noticed promptly.
  static constexpr int kIdleWaitMs = 200;

  Platform& platform_;
  TCustomDXTimer* idle_handler_ = nullptr;
  std::vector<ActivationHook*> hooks_;
  bool active_ = true;
  bool terminated_ = false;
  bool by_signal_ = false;
  bool failed_ = false;
};

}  // namespace aerovell
