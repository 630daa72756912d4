#include "echo_values.h"

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <stdexcept>

#include "online/score_codec.h"

namespace aerovell::scores {
namespace {

// Letters from the kernel's random source: a value must not be guessable, or a
// score could be sent without asking for one.
std::string RandomLetters() {
  std::array<unsigned char, EchoValues::kLetters> bytes{};
  size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("no random source");
    }
    filled += static_cast<size_t>(got);
  }
  std::string letters(bytes.size(), ' ');
  for (size_t i = 0; i < bytes.size(); ++i) letters[i] = kScoreLetters[bytes[i] & 31];  // 256 = 8 x 32: unbiased
  return letters;
}

}  // namespace

EchoValues::EchoValues(size_t capacity, Clock::duration lifetime)
    : capacity_(capacity > 0 ? capacity : 1), lifetime_(lifetime) {}

std::string EchoValues::Issue(Clock::time_point now) {
  std::string value = RandomLetters();
  std::lock_guard lock(mutex_);
  Expire(now);
  while (by_value_.count(value)) value = RandomLetters();  // 80 bits: practically never
  while (by_age_.size() >= capacity_) {
    by_value_.erase(by_age_.front().value);
    by_age_.pop_front();
  }
  by_age_.push_back({now, value});
  by_value_.emplace(value, std::prev(by_age_.end()));
  return value;
}

bool EchoValues::Spend(const std::string& value, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  Expire(now);
  const auto found = by_value_.find(value);
  if (found == by_value_.end()) return false;
  by_age_.erase(found->second);
  by_value_.erase(found);
  return true;
}

size_t EchoValues::Outstanding() {
  std::lock_guard lock(mutex_);
  return by_age_.size();
}

void EchoValues::Expire(Clock::time_point now) {
  while (!by_age_.empty() && now - by_age_.front().issued >= lifetime_) {
    by_value_.erase(by_age_.front().value);
    by_age_.pop_front();
  }
}

}  // namespace aerovell::scores
