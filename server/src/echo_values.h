#pragma once

#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

namespace aerovell::scores {

// The one-time values handed out with the version answer. A score request must
// echo one that is outstanding; it is spent by that request. Values live for a
// fixed time and at most `capacity` are outstanding: beyond that the oldest
// ones go first, so memory stays bounded whatever the clients do. Thread-safe.
class EchoValues {
 public:
  using Clock = std::chrono::steady_clock;

  static constexpr size_t kLetters = 16;  // 80 random bits

  EchoValues(size_t capacity, Clock::duration lifetime);

  std::string Issue(Clock::time_point now);
  // True when `value` was issued, has not expired and was not spent before; it
  // is spent now.
  bool Spend(const std::string& value, Clock::time_point now);
  size_t Outstanding();

 private:
  struct Entry {
    Clock::time_point issued;
    std::string value;
  };
  void Expire(Clock::time_point now);

  const size_t capacity_;
  const Clock::duration lifetime_;
  std::mutex mutex_;
  std::list<Entry> by_age_;  // oldest first
  std::unordered_map<std::string, std::list<Entry>::iterator> by_value_;
};

}  // namespace aerovell::scores
