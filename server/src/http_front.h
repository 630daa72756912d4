#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "service.h"

namespace httplib {
class Server;
}

namespace aerovell::scores {

// The service on HTTP: every request on a pool of worker threads, the target
// read raw, bodies refused, one log line per request on stderr.
class HttpFront {
 public:
  HttpFront(ScoreService& service, int threads, bool log_requests = true);
  ~HttpFront();

  // Binds the listening socket; port 0 takes a free one. Returns the port, or
  // -1 when the address cannot be had.
  int Bind(const std::string& host, int port);
  // Serves until Stop(); then lets the requests in progress finish.
  bool Run();
  // Safe from any thread, and before or after Run().
  void Stop();

 private:
  ScoreService& service_;
  std::unique_ptr<httplib::Server> server_;
  int listen_fd_ = -1;
};

}  // namespace aerovell::scores
