#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "connection_table.h"
#include "request_head.h"
#include "service.h"

struct MHD_Daemon;

namespace aerovell::scores {

struct FrontSettings {
  int threads = 4;  // event loops, each with its share of the connections
  bool log_requests = true;
  ConnectionLimits connections;
  HeadLimits head;
  // Proxies whose X-Forwarded-For names the client (normal addresses).
  std::vector<std::string> trusted_proxies;
};

// The service on HTTP. libmicrohttpd reads and parses the requests in event
// loops (epoll, a thread pool), so a slow or idle connection costs a file
// descriptor and nothing else; on top of it the connection caps and clocks
// (ConnectionTable), our bounds and rules for every head (CheckHead), the raw
// target handed to the service, and one log line per request on stderr.
class HttpFront {
 public:
  HttpFront(ScoreService& service, FrontSettings settings);
  ~HttpFront();
  HttpFront(const HttpFront&) = delete;
  HttpFront& operator=(const HttpFront&) = delete;

  // Listens and serves; port 0 takes a free one. The port, or -1 with
  // `error` saying why ("cannot listen on 127.0.0.1:8642: Address already in use").
  int Start(const std::string& host, int port, std::string& error);
  // Ends the serving: no new connections, the answers being made finish (a
  // record being stored is stored), every other connection is dropped.
  void Stop();

  // The library's callbacks reach the front through these.
  struct Callbacks;

 private:
  void Sweep();
  bool Trusted(const std::string& address) const;
  void Log(const std::string& line) const;

  ScoreService& service_;
  const FrontSettings settings_;
  ConnectionTable table_;
  MHD_Daemon* daemon_ = nullptr;

  std::mutex sweep_mutex_;
  std::condition_variable sweep_wake_;
  bool sweeping_ = false;
  std::thread sweeper_;
};

}  // namespace aerovell::scores
