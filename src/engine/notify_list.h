#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace aerovell {

// The components bound to a device (a display, a sound device) and their
// handlers: one registration per component, told last-registered first.
template <class Sender, class Kind>
class NotifyList {
 public:
  using Handler = std::function<void(Sender&, Kind)>;

  void Add(const void* component, Handler handler) { entries_.push_back({component, std::move(handler)}); }

  // The handler of a component that was registered, now removed.
  std::optional<Handler> Remove(const void* component) {
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.component == component; });
    if (it == entries_.end()) return std::nullopt;
    Handler handler = std::move(it->handler);
    entries_.erase(it);
    return handler;
  }

  void Notify(Sender& sender, Kind kind) const {
    const auto entries = entries_;  // a handler may unregister itself
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) it->handler(sender, kind);
  }

 private:
  struct Entry {
    const void* component;
    Handler handler;
  };
  std::vector<Entry> entries_;
};

// Moves a component's registration from the device it is bound to (`bound`)
// to `next`; nothing when they are the same.
template <class Device, class Handler>
void Rebind(Device*& bound, Device* next, const void* component, Handler handler) {
  if (bound == next) return;
  if (bound) bound->UnRegisterNotifyEvent(component);
  bound = next;
  if (bound) bound->RegisterNotifyEvent(component, std::move(handler));
}

}  // namespace aerovell
