#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

namespace aerovell::scores {

struct ConnectionLimits {
  size_t per_address = 16;  // per ClientKey (an IPv6 /64 counts as one address)
  size_t total = 1024;
  // For a whole request head, counted from the connection or from the end of
  // the previous answer, so it is also the idle time of a kept connection.
  std::chrono::milliseconds head_time{5000};
  size_t requests_per_connection = 1000;
};

// The connections the service holds: the caps per address and in all, and the
// time each one has for its next request head. A connection waiting for a
// head costs its slot and nothing else; when every slot is taken, a new
// connection takes the slot of the one that has waited longest (an honest
// client sends its head at once, so the longest waiter is the likeliest to be
// holding a slot for nothing); when none waits, the new one is refused.
// Thread-safe; `close` callbacks run under the table's lock, while the
// connection is still known to the HTTP library.
class ConnectionTable {
 public:
  using Clock = std::chrono::steady_clock;

  struct Connection {
    int fd = -1;
    std::string address;
    std::string key;
    bool exempt = false;  // a trusted proxy: no cap of its own
    // Under the table's lock:
    bool counted = true;  // false once we have closed it
    bool waiting = false;
    Clock::time_point deadline;
    std::list<Connection*>::iterator in_waiting;
    std::list<Connection>::iterator self;
  };
  using Close = std::function<void(const Connection&)>;

  struct Tally {
    size_t over_address = 0;  // refused: the address holds its cap
    size_t all_busy = 0;      // refused: every slot taken, none waiting
    size_t made_room = 0;     // closed to make room for a new one
    size_t late = 0;          // closed: no whole head in time
    std::string last_address;
  };

  explicit ConnectionTable(ConnectionLimits limits);

  const ConnectionLimits& Limits() const { return limits_; }
  // A cheap check when the connection is accepted, before the library spends
  // anything on it; nothing is counted.
  bool MayAccept(const std::string& key, bool exempt);
  // Counts a new connection in and starts its clock; nullptr when refused.
  Connection* Admit(int fd, const std::string& address, const std::string& key, bool exempt, Clock::time_point now,
                    const Close& close);
  // The library has closed the connection; `connection` is gone after this.
  void Forget(Connection* connection);
  // A whole request head has come: its clock stops.
  void HeadArrived(Connection* connection);
  // The answer is out: the clock runs for the next head.
  void AnswerSent(Connection* connection, Clock::time_point now);
  // Closes every connection whose time for a head is up.
  void CloseLate(Clock::time_point now, const Close& close);

  size_t Held();
  size_t HeldBy(const std::string& key);
  // What was refused and closed since the last call.
  Tally TakeTally();

 private:
  void StartWaiting(Connection& c, Clock::time_point now);
  void StopWaiting(Connection& c);
  void Uncount(Connection& c);

  const ConnectionLimits limits_;
  std::mutex mutex_;
  std::list<Connection> all_;
  std::list<Connection*> waiting_;  // in the order their clocks started
  std::unordered_map<std::string, size_t> by_key_;
  size_t held_ = 0;
  Tally tally_;
};

}  // namespace aerovell::scores
