#pragma once

#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace aerovell::scores {

// At most `per_minute` requests from one client in any 60 seconds (0: no
// limit). The memory stays bounded: at most `max_clients` clients are
// followed, and when a new one comes to a full table the one seen least
// recently is forgotten, so a flood of new addresses never turns a stranger
// away (it only makes the limiter forget; it never refuses for want of room).
// Thread-safe.
class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kWindow = std::chrono::minutes(1);

  explicit RateLimiter(unsigned per_minute, size_t max_clients = 100000);

  // Counts a request from `client` and says whether it may be served.
  bool Allow(const std::string& client, Clock::time_point now);
  size_t ClientsFollowed();

 private:
  struct Client {
    std::string key;
    std::vector<Clock::time_point> times;  // oldest first, at most per_minute_
  };

  const unsigned per_minute_;
  const size_t max_clients_;
  std::mutex mutex_;
  std::list<Client> by_use_;                                                  // most recently seen first
  std::unordered_map<std::string_view, std::list<Client>::iterator> by_key_;  // views into by_use_
};

// What the service counts per client.
enum class Counted { kScore, kVersion };

// The rate counts of the service, behind one call, so they can live outside
// the process (a shared database) when several instances serve together.
class RateCounts {
 public:
  virtual ~RateCounts() = default;
  // Counts one request of `what` from `client` (a ClientKey) and says whether
  // it may be served.
  virtual bool Allow(Counted what, const std::string& client, RateLimiter::Clock::time_point now) = 0;
};

// The counts in this process: score requests and version queries each with a
// limit of their own.
class MemoryRateCounts : public RateCounts {
 public:
  MemoryRateCounts(unsigned scores_per_minute, unsigned versions_per_minute, size_t max_clients = 100000);
  bool Allow(Counted what, const std::string& client, RateLimiter::Clock::time_point now) override;

 private:
  RateLimiter scores_;
  RateLimiter versions_;
};

}  // namespace aerovell::scores
