#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace aerovell::testing {

// One answer of the scripted server, given to the next request head that
// arrives (on whatever connection).
struct TScriptedReply {
  std::string bytes;                   // sent exactly as they stand
  bool close = false;                  // close the connection after the answer
  bool never = false;                  // take the request and never answer it
  size_t filler = 0;                   // after `bytes`, this many more bytes ('x'): a body without end
  std::chrono::milliseconds delay{0};  // wait this long before answering
};

// An HTTP server on 127.0.0.1 (a free port) that answers from a script of raw
// replies and records the exact bytes of each request head it receives and
// how many connections it accepted. One thread serves every connection;
// requests beyond the script get their connection closed. Everything it does
// is bounded in time, and it stops with the object.
class TScriptedHttpServer {
 public:
  explicit TScriptedHttpServer(std::vector<TScriptedReply> replies);
  ~TScriptedHttpServer();
  TScriptedHttpServer(const TScriptedHttpServer&) = delete;
  TScriptedHttpServer& operator=(const TScriptedHttpServer&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:PORT" followed by `target`.
  std::string Url(std::string_view target = "/") const;
  // "127.0.0.1:PORT", what the client puts in its Host header.
  std::string HostPort() const;

  std::vector<std::string> Requests() const;
  // When each request head was complete, in the same order.
  std::vector<std::chrono::steady_clock::time_point> RequestTimes() const;
  int Connections() const;

 private:
  struct Connection {
    int fd;
    std::string received;
    bool silent = false;  // a request was taken that is never answered
  };

  void Run();
  // False when the connection is to be closed.
  bool Serve(Connection& connection);
  bool Answer(int fd, const TScriptedReply& reply);

  std::vector<TScriptedReply> replies_;
  size_t next_reply_ = 0;
  int listen_fd_ = -1;
  int wake_read_ = -1;
  int wake_write_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::vector<std::chrono::steady_clock::time_point> request_times_;
  int connections_ = 0;
  std::thread thread_;
};

// A port on 127.0.0.1 that is bound but not listening: connecting to it is
// refused, and no other program can take it while the object lives.
class TRefusingPort {
 public:
  TRefusingPort();
  ~TRefusingPort();
  TRefusingPort(const TRefusingPort&) = delete;
  TRefusingPort& operator=(const TRefusingPort&) = delete;
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A port on 127.0.0.1 whose listener never accepts and whose queue of
// connections is already full: the system leaves every new handshake
// unanswered, as a host that drops packets would.
class TUnansweredPort {
 public:
  TUnansweredPort();
  ~TUnansweredPort();
  TUnansweredPort(const TUnansweredPort&) = delete;
  TUnansweredPort& operator=(const TUnansweredPort&) = delete;
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::vector<int> fillers_;
};

}  // namespace aerovell::testing
