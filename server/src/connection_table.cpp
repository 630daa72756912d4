#include "connection_table.h"

namespace aerovell::scores {

ConnectionTable::ConnectionTable(ConnectionLimits limits) : limits_(limits) {}

bool ConnectionTable::MayAccept(const std::string& key, bool exempt) {
  std::lock_guard lock(mutex_);
  if (!exempt) {
    const auto found = by_key_.find(key);
    if (found != by_key_.end() && found->second >= limits_.per_address) {
      ++tally_.over_address;
      tally_.last_address = key;
      return false;
    }
  }
  if (held_ >= limits_.total && waiting_.empty()) {
    ++tally_.all_busy;
    tally_.last_address = key;
    return false;
  }
  return true;
}

ConnectionTable::Connection* ConnectionTable::Admit(int fd, const std::string& address, const std::string& key,
                                                    bool exempt, Clock::time_point now, const Close& close) {
  std::lock_guard lock(mutex_);
  const auto found = by_key_.find(key);
  if (!exempt && found != by_key_.end() && found->second >= limits_.per_address) {
    ++tally_.over_address;
    tally_.last_address = address;
    return nullptr;
  }
  if (held_ >= limits_.total) {
    if (waiting_.empty()) {
      ++tally_.all_busy;
      tally_.last_address = address;
      return nullptr;
    }
    Connection& longest = *waiting_.front();
    close(longest);
    Uncount(longest);
    ++tally_.made_room;
    tally_.last_address = longest.address;
  }
  ++by_key_[key];
  ++held_;
  Connection& added = all_.emplace_back();
  added.fd = fd;
  added.address = address;
  added.key = key;
  added.exempt = exempt;
  added.self = std::prev(all_.end());
  StartWaiting(added, now);
  return &added;
}

void ConnectionTable::Forget(Connection* connection) {
  std::lock_guard lock(mutex_);
  Uncount(*connection);
  all_.erase(connection->self);
}

void ConnectionTable::HeadArrived(Connection* connection) {
  std::lock_guard lock(mutex_);
  StopWaiting(*connection);
}

void ConnectionTable::AnswerSent(Connection* connection, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (connection->counted) StartWaiting(*connection, now);
}

void ConnectionTable::CloseLate(Clock::time_point now, const Close& close) {
  std::lock_guard lock(mutex_);
  // Clocks started on several threads may join the list a little out of
  // order, so the whole list is looked at (it holds at most `total`).
  for (auto it = waiting_.begin(); it != waiting_.end();) {
    Connection& c = **it++;
    if (c.deadline > now) continue;
    close(c);
    Uncount(c);
    ++tally_.late;
    tally_.last_address = c.address;
  }
}

size_t ConnectionTable::Held() {
  std::lock_guard lock(mutex_);
  return held_;
}

size_t ConnectionTable::HeldBy(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto found = by_key_.find(key);
  return found == by_key_.end() ? 0 : found->second;
}

ConnectionTable::Tally ConnectionTable::TakeTally() {
  std::lock_guard lock(mutex_);
  Tally taken = std::move(tally_);
  tally_ = Tally();
  return taken;
}

void ConnectionTable::StartWaiting(Connection& c, Clock::time_point now) {
  StopWaiting(c);
  c.deadline = now + limits_.head_time;
  c.in_waiting = waiting_.insert(waiting_.end(), &c);
  c.waiting = true;
}

void ConnectionTable::StopWaiting(Connection& c) {
  if (!c.waiting) return;
  waiting_.erase(c.in_waiting);
  c.waiting = false;
}

void ConnectionTable::Uncount(Connection& c) {
  StopWaiting(c);
  if (!c.counted) return;
  c.counted = false;
  --held_;
  const auto found = by_key_.find(c.key);
  if (--found->second == 0) by_key_.erase(found);
}

}  // namespace aerovell::scores
