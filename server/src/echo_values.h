#pragma once

#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace aerovell::scores {

// A fresh value: EchoValues::kLetters letters of the encoding alphabet from the
// kernel's random source. A value must not be guessable, or a score could be
// sent without asking for one.
std::string NewEchoValue();

// The one-time values handed out with the version answer, behind one call, so
// they can live outside the process (a shared database) when several
// instances serve together. Spending one belongs to the store, together with
// the record it pays for.
class OneTimeValues {
 public:
  using Clock = std::chrono::steady_clock;
  virtual ~OneTimeValues() = default;
  // A fresh value for `client` (a ClientKey), outstanding from `now`.
  virtual std::string Issue(const std::string& client, Clock::time_point now) = 0;
};

// The values in this process. A score request must echo one that is
// outstanding. Values live for a fixed time; memory stays bounded whatever the
// clients do, and no client can push out another's values: one client holds
// at most `per_client` (its own oldest goes first), and when the whole table
// is full the value to go is the oldest of the client holding the most, so a
// player's one value outlives a flood from any number of addresses short of
// the whole table. Thread-safe.
class EchoValues : public OneTimeValues {
 public:
  static constexpr size_t kLetters = 16;  // 80 random bits

  // A value taken out to be spent: it is nobody's while the record is stored,
  // and goes back when the storing fails.
  struct Taken {
    std::string value;
    std::string client;
    Clock::time_point issued;
  };

  EchoValues(size_t capacity, Clock::duration lifetime, size_t per_client = 16);

  std::string Issue(const std::string& client, Clock::time_point now) override;
  // Takes `value` out when it is outstanding (issued, not expired, not taken).
  std::optional<Taken> Take(const std::string& value, Clock::time_point now);
  // Makes a taken value outstanding again, unless it has expired meanwhile.
  void PutBack(Taken taken, Clock::time_point now);

  size_t Outstanding();
  size_t OutstandingFor(const std::string& client);

 private:
  using Entry = Taken;
  using EntryIt = std::list<Entry>::iterator;
  struct Client {
    std::vector<EntryIt> values;  // oldest first
    std::list<std::string_view>::iterator in_bucket;
  };

  void Expire(Clock::time_point now);
  void Add(Entry entry);
  void Remove(EntryIt entry);
  // Files `client` under its count of values after that count changed.
  void Rebucket(std::unordered_map<std::string, Client>::iterator client, size_t old_count);

  const size_t capacity_;
  const Clock::duration lifetime_;
  const size_t per_client_;
  std::mutex mutex_;
  std::list<Entry> by_age_;                                 // oldest first
  std::unordered_map<std::string_view, EntryIt> by_value_;  // views into by_age_
  std::unordered_map<std::string, Client> clients_;
  // buckets_[n]: the clients holding n values, in the order they came to n.
  std::vector<std::list<std::string_view>> buckets_;
};

}  // namespace aerovell::scores
