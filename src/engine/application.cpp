#include "engine/application.h"

#include <algorithm>

#include "engine/dx_timer.h"

namespace aerovell {

void TApplication::Activate() {
  if (active_) return;
  active_ = true;
  // Copy: a hook may add or remove hooks.
  const auto hooks = hooks_;
  for (ActivationHook* h : hooks) h->ApplicationActivated();
}

void TApplication::Deactivate() {
  if (!active_) return;
  active_ = false;
  const auto hooks = hooks_;
  for (ActivationHook* h : hooks) h->ApplicationDeactivated();
}

void TApplication::AddActivationHook(ActivationHook* hook) { hooks_.push_back(hook); }

void TApplication::RemoveActivationHook(ActivationHook* hook) {
  hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
}

void TApplication::HandleException(const std::exception& error) {
  if (OnException) OnException(error);
  else platform_.MessageBox("Aerovell", error.what());  // shown or not, it is on standard error too
}

void TApplication::Dispatch(const Event& event, EventSink& sink) {
  try {
    DispatchUnguarded(event, sink);
  } catch (const std::exception& error) {
    Fail(error);
  }
}

void TApplication::Fail(const std::exception& error) {
  // What failed half-way leaves the game in no state to go on from: say it once
  // and end the run with an error status.
  HandleException(error);
  failed_ = true;
  terminated_ = true;
}

void TApplication::DispatchUnguarded(const Event& event, EventSink& sink) {
  switch (event.type) {
    case EventType::kFocusGained: Activate(); break;
    case EventType::kFocusLost: Deactivate(); break;
    case EventType::kTerminate:
      by_signal_ = true;
      terminated_ = true;
      break;
    default: sink.HandleEvent(event); break;
  }
}

void TApplication::ProcessEvents(EventSink& sink) {
  Event event;
  while (!terminated_ && platform_.PollEvent(event)) Dispatch(event, sink);
}

void TApplication::Tick() {
  if (terminated_ || !idle_handler_ || idle_handler_->MsUntilDue(platform_.TicksMs()) > 0) return;
  try {
    idle_handler_->Step();
  } catch (const std::exception& error) {
    Fail(error);  // a frame that fails would fail again on every tick
  }
}

void TApplication::Run(EventSink& sink, std::optional<uint32_t> until_ms) {
  auto time_left = [&]() -> int {
    if (!until_ms) return kIdleWaitMs;
    return static_cast<int>(*until_ms - platform_.TicksMs());
  };
  while (!terminated_ && time_left() > 0) {
    ProcessEvents(sink);
    if (terminated_) break;
    int timeout = std::min(kIdleWaitMs, time_left());
    if (idle_handler_) {
      const int due = idle_handler_->MsUntilDue(platform_.TicksMs());
      if (due <= 0) {
        Tick();
        continue;
      }
      timeout = std::min(timeout, due);
    }
    Event event;
    if (timeout > 0 && platform_.WaitEvent(event, timeout)) Dispatch(event, sink);
  }
}

}  // namespace aerovell
