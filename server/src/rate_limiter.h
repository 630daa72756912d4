#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace aerovell::scores {

// At most `per_minute` requests from one client in any 60 seconds (0: no limit).
// The clients followed are bounded too: when the table is full of clients
// seen within the last minute, a new one is refused rather than letting the
// memory grow. Thread-safe.
class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kWindow = std::chrono::minutes(1);

  explicit RateLimiter(unsigned per_minute, size_t max_clients = 50000);

  // Counts a request from `client` and says whether it may be served.
  bool Allow(const std::string& client, Clock::time_point now);
  size_t ClientsFollowed();

 private:
  void Sweep(Clock::time_point now);

  const unsigned per_minute_;
  const size_t max_clients_;
  std::mutex mutex_;
  std::unordered_map<std::string, std::deque<Clock::time_point>> recent_;
  Clock::time_point last_sweep_{};
};

// The key a client is counted under: the address itself for IPv4 (also when
// it reaches an IPv6 socket), the /64 network for IPv6, since one machine
// there holds a whole /64.
std::string ClientKey(std::string_view address);

}  // namespace aerovell::scores
