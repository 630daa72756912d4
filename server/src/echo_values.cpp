#include "echo_values.h"

#include <sys/random.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <stdexcept>

#include "online/score_codec.h"

namespace aerovell::scores {

std::string NewEchoValue() {
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

EchoValues::EchoValues(size_t capacity, Clock::duration lifetime, size_t per_client)
    : capacity_(capacity > 0 ? capacity : 1),
      lifetime_(lifetime),
      per_client_(per_client > 0 ? per_client : 1),
      buckets_(per_client_ + 1) {}

std::string EchoValues::Issue(const std::string& client, Clock::time_point now) {
  std::string value = NewEchoValue();
  std::lock_guard lock(mutex_);
  Expire(now);
  while (by_value_.count(value)) value = NewEchoValue();  // 80 bits: practically never
  Add({value, client, now});
  return value;
}

std::optional<EchoValues::Taken> EchoValues::Take(const std::string& value, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  Expire(now);
  const auto found = by_value_.find(value);
  if (found == by_value_.end()) return std::nullopt;
  Taken taken = *found->second;
  Remove(found->second);
  return taken;
}

void EchoValues::PutBack(Taken taken, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  Expire(now);
  if (now - taken.issued >= lifetime_ || by_value_.count(taken.value)) return;
  Add(std::move(taken));
}

size_t EchoValues::Outstanding() {
  std::lock_guard lock(mutex_);
  return by_age_.size();
}

size_t EchoValues::OutstandingFor(const std::string& client) {
  std::lock_guard lock(mutex_);
  const auto found = clients_.find(client);
  return found == clients_.end() ? 0 : found->second.values.size();
}

void EchoValues::Expire(Clock::time_point now) {
  while (!by_age_.empty() && now - by_age_.front().issued >= lifetime_) Remove(by_age_.begin());
}

void EchoValues::Add(Entry entry) {
  auto client = clients_.find(entry.client);
  if (client != clients_.end() && client->second.values.size() >= per_client_) {
    Remove(client->second.values.front());  // the client's own oldest makes room
    client = clients_.find(entry.client);
  }
  while (by_age_.size() >= capacity_) {
    size_t most = per_client_;
    while (most > 0 && buckets_[most].empty()) --most;
    Remove(clients_.find(std::string(buckets_[most].front()))->second.values.front());
    client = clients_.find(entry.client);
  }
  // In the order of issuing; a value put back goes where it was.
  auto place = by_age_.end();
  while (place != by_age_.begin() && std::prev(place)->issued > entry.issued) --place;
  const EntryIt added = by_age_.insert(place, std::move(entry));
  by_value_.emplace(added->value, added);

  if (client == clients_.end()) {
    client = clients_.emplace(added->client, Client{}).first;
    client->second.in_bucket = buckets_[0].end();
  }
  auto& values = client->second.values;
  auto at = values.end();
  while (at != values.begin() && (*std::prev(at))->issued > added->issued) --at;
  values.insert(at, added);
  Rebucket(client, values.size() - 1);
}

void EchoValues::Remove(EntryIt entry) {
  const auto client = clients_.find(entry->client);
  auto& values = client->second.values;
  values.erase(std::find(values.begin(), values.end(), entry));
  by_value_.erase(entry->value);
  by_age_.erase(entry);
  Rebucket(client, values.size() + 1);
}

void EchoValues::Rebucket(std::unordered_map<std::string, Client>::iterator client, size_t old_count) {
  if (old_count > 0) buckets_[old_count].erase(client->second.in_bucket);
  const size_t count = client->second.values.size();
  if (count == 0) {
    clients_.erase(client);
    return;
  }
  auto& bucket = buckets_[count];
  client->second.in_bucket = bucket.insert(bucket.end(), client->first);
}

}  // namespace aerovell::scores
