#include "rate_limiter.h"

#include <arpa/inet.h>

#include <array>
#include <cstring>

namespace aerovell::scores {

RateLimiter::RateLimiter(unsigned per_minute, size_t max_clients)
    : per_minute_(per_minute), max_clients_(max_clients > 0 ? max_clients : 1) {}

bool RateLimiter::Allow(const std::string& client, Clock::time_point now) {
  if (per_minute_ == 0) return true;
  std::lock_guard lock(mutex_);
  auto found = recent_.find(client);
  if (found == recent_.end()) {
    if (recent_.size() >= max_clients_) Sweep(now);
    if (recent_.size() >= max_clients_) return false;
    found = recent_.emplace(client, std::deque<Clock::time_point>()).first;
  }
  auto& times = found->second;
  while (!times.empty() && now - times.front() >= kWindow) times.pop_front();
  if (times.size() >= per_minute_) return false;  // refusals are not counted: they cost nothing
  times.push_back(now);
  return true;
}

size_t RateLimiter::ClientsFollowed() {
  std::lock_guard lock(mutex_);
  return recent_.size();
}

void RateLimiter::Sweep(Clock::time_point now) {
  // A full table is swept at most once a second, so a flood of new clients
  // does not make every request walk it.
  if (now - last_sweep_ < std::chrono::seconds(1) && last_sweep_ != Clock::time_point{}) return;
  last_sweep_ = now;
  for (auto it = recent_.begin(); it != recent_.end();) {
    if (it->second.empty() || now - it->second.back() >= kWindow) it = recent_.erase(it);
    else ++it;
  }
}

std::string ClientKey(std::string_view address) {
  std::string text(address);
  in6_addr v6{};
  if (inet_pton(AF_INET6, text.c_str(), &v6) != 1) return text;  // IPv4, or whatever it is
  static constexpr std::array<uint8_t, 12> kMapped = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  if (std::memcmp(v6.s6_addr, kMapped.data(), kMapped.size()) == 0) {
    char v4[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, v6.s6_addr + 12, v4, sizeof v4);
    return v4;
  }
  std::memset(v6.s6_addr + 8, 0, 8);
  char net[INET6_ADDRSTRLEN] = {};
  inet_ntop(AF_INET6, &v6, net, sizeof net);
  return std::string(net) + "/64";
}

}  // namespace aerovell::scores
