#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "service.h"

namespace aerovell::scores {

class RequestReader;

// Bounds of every connection.
struct ConnectionLimits {
  size_t request_bytes = 32 * 1024;               // request line and headers together
  std::chrono::milliseconds request_time{10000};  // for all of one request to arrive
  std::chrono::milliseconds read_timeout{5000};   // between two pieces of it
  std::chrono::milliseconds write_timeout{5000};
  std::chrono::milliseconds keep_alive{2000};  // idle wait for the next request
  size_t requests_per_connection = 1000;
  size_t waiting_connections = 1024;  // accepted, not yet taken by a worker
};

// The service on HTTP: our own listener and worker pool, each connection read
// within fixed bounds, the requests parsed and answered by cpp-httplib; the
// target read raw, bodies refused, one log line per request on stderr.
class HttpFront {
 public:
  HttpFront(ScoreService& service, int threads, bool log_requests = true, ConnectionLimits limits = {});
  ~HttpFront();

  // Binds the listening socket; port 0 takes a free one. Returns the port, or
  // -1 when the address cannot be had.
  int Bind(const std::string& host, int port);
  // Serves until Stop(); then lets the requests in progress finish.
  bool Run();
  // Safe from any thread, and before or after Run().
  void Stop();

 private:
  void Work();
  void Serve(int fd);

  ScoreService& service_;
  const size_t threads_;
  const ConnectionLimits limits_;
  std::unique_ptr<RequestReader> reader_;
  int listen_fd_ = -1;
  std::atomic<bool> stopping_{false};

  std::mutex queue_mutex_;
  std::condition_variable queue_ready_;
  std::deque<int> waiting_;  // accepted connections
  bool closed_ = false;      // no more connections will come
};

}  // namespace aerovell::scores
