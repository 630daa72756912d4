#include "rate_limiter.h"

#include <algorithm>

namespace aerovell::scores {

RateLimiter::RateLimiter(unsigned per_minute, size_t max_clients)
    : per_minute_(per_minute), max_clients_(max_clients > 0 ? max_clients : 1) {}

bool RateLimiter::Allow(const std::string& client, Clock::time_point now) {
  if (per_minute_ == 0) return true;
  std::lock_guard lock(mutex_);
  auto found = by_key_.find(client);
  if (found != by_key_.end()) {
    by_use_.splice(by_use_.begin(), by_use_, found->second);
  } else {
    if (by_key_.size() >= max_clients_) {
      // The table is full: the client seen least recently is forgotten and
      // its entry taken over.
      by_key_.erase(by_use_.back().key);
      by_use_.splice(by_use_.begin(), by_use_, std::prev(by_use_.end()));
      by_use_.front().key = client;
      by_use_.front().times.clear();
    } else {
      by_use_.push_front({client, {}});
    }
    by_key_.emplace(by_use_.front().key, by_use_.begin());
  }
  auto& times = by_use_.front().times;
  const auto current = std::find_if(times.begin(), times.end(), [&](auto t) { return now - t < kWindow; });
  times.erase(times.begin(), current);
  if (times.size() >= per_minute_) return false;  // refusals are not counted: they cost nothing
  times.push_back(now);
  return true;
}

size_t RateLimiter::ClientsFollowed() {
  std::lock_guard lock(mutex_);
  return by_key_.size();
}

MemoryRateCounts::MemoryRateCounts(unsigned scores_per_minute, unsigned versions_per_minute, size_t max_clients)
    : scores_(scores_per_minute, max_clients), versions_(versions_per_minute, max_clients) {}

bool MemoryRateCounts::Allow(Counted what, const std::string& client, RateLimiter::Clock::time_point now) {
  return (what == Counted::kScore ? scores_ : versions_).Allow(client, now);
}

}  // namespace aerovell::scores
