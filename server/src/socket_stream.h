#pragma once

#include <httplib.h>

#include <array>
#include <chrono>
#include <cstddef>

namespace aerovell::scores {

// One client connection as the HTTP library reads and writes it, with bounds
// the library itself lacks: each request may take at most `budget` bytes and
// must arrive whole within `request_time`; beyond either, reads fail and the
// library drops the connection. Without this a request line with no end would
// grow in memory for as long as a client kept sending.
class BoundedSocketStream : public httplib::Stream {
 public:
  using Clock = std::chrono::steady_clock;

  BoundedSocketStream(int fd, std::chrono::milliseconds read_timeout, std::chrono::milliseconds write_timeout);

  // Starts the bounds afresh for the next request on this connection.
  void StartRequest(size_t budget, std::chrono::milliseconds request_time);
  // Waits up to `wait` for the next request's first byte (already buffered or
  // on the socket); false when the client is gone or quiet.
  bool AwaitRequest(std::chrono::milliseconds wait) const;

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override { return fd_; }

 private:
  bool Poll(short events, std::chrono::milliseconds wait) const;

  const int fd_;
  const std::chrono::milliseconds read_timeout_, write_timeout_;
  size_t budget_ = 0;
  Clock::time_point deadline_{};
  std::array<char, 4096> buffer_{};
  size_t buffered_begin_ = 0, buffered_end_ = 0;
};

}  // namespace aerovell::scores
