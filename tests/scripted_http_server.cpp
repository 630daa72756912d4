#include "scripted_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace aerovell::testing {

namespace {

// Binds a TCP socket to 127.0.0.1 on a port the system picks; returns the
// socket and fills in the port.
int BindLoopback(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    throw std::runtime_error("bind failed");
  }
  port = ntohs(address.sin_port);
  return fd;
}

bool SendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Longest request head taken; a client sending more is cut off.
constexpr size_t kMaxRequestHead = 256 * 1024;
// Each wait for something to happen, so that a stop is noticed soon.
constexpr int kPollMs = 50;

}  // namespace

TScriptedHttpServer::TScriptedHttpServer(std::vector<TScriptedReply> replies) : replies_(std::move(replies)) {
  listen_fd_ = BindLoopback(port_);
  if (::listen(listen_fd_, 16) != 0) throw std::runtime_error("listen failed");
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  wake_read_ = wake[0];
  wake_write_ = wake[1];
  thread_ = std::thread([this] { Run(); });
}

TScriptedHttpServer::~TScriptedHttpServer() {
  stop_ = true;
  const char byte = 0;
  [[maybe_unused]] const ssize_t n = ::write(wake_write_, &byte, 1);
  thread_.join();
  ::close(listen_fd_);
  ::close(wake_read_);
  ::close(wake_write_);
}

std::string TScriptedHttpServer::Url(std::string_view target) const {
  return "http://" + HostPort() + std::string(target);
}

std::string TScriptedHttpServer::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> TScriptedHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::chrono::steady_clock::time_point> TScriptedHttpServer::RequestTimes() const {
  std::lock_guard lock(mutex_);
  return request_times_;
}

int TScriptedHttpServer::Connections() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

void TScriptedHttpServer::Run() {
  std::vector<Connection> open;
  while (!stop_) {
    std::vector<pollfd> fds{{listen_fd_, POLLIN, 0}, {wake_read_, POLLIN, 0}};
    for (const Connection& c : open) fds.push_back({c.fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), kPollMs) < 0) break;
    if (fds[1].revents) break;
    if (fds[0].revents & POLLIN) {
      const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) {
        // A client that stops reading must not hold the thread for long.
        const timeval send_limit{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &send_limit, sizeof send_limit);
        open.push_back({fd, {}});
        std::lock_guard lock(mutex_);
        ++connections_;
      }
    }
    // The connections polled are the first ones of `open`; one accepted just
    // now waits for the next round.
    std::vector<int> closing;
    for (size_t i = 2; i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      Connection& c = open[i - 2];
      if (!Serve(c)) closing.push_back(c.fd);
    }
    for (int fd : closing) {
      ::close(fd);
      open.erase(std::find_if(open.begin(), open.end(), [fd](const Connection& c) { return c.fd == fd; }));
    }
  }
  for (const Connection& c : open) ::close(c.fd);
}

bool TScriptedHttpServer::Serve(Connection& c) {
  char buffer[16384];
  const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
  if (n <= 0) return false;
  if (c.silent) return true;
  c.received.append(buffer, static_cast<size_t>(n));
  if (c.received.size() > kMaxRequestHead) return false;
  for (size_t end; (end = c.received.find("\r\n\r\n")) != std::string::npos;) {
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(c.received.substr(0, end + 4));
      request_times_.push_back(std::chrono::steady_clock::now());
    }
    c.received.erase(0, end + 4);
    if (next_reply_ == replies_.size()) return false;
    const TScriptedReply& reply = replies_[next_reply_++];
    if (reply.never) {
      c.silent = true;
      return true;
    }
    if (!Answer(c.fd, reply) || reply.close) return false;
  }
  return true;
}

bool TScriptedHttpServer::Answer(int fd, const TScriptedReply& reply) {
  if (reply.delay.count() > 0) {
    // Sleep in small steps, so that a stop is not held up.
    const auto until = std::chrono::steady_clock::now() + reply.delay;
    while (!stop_ && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!SendAll(fd, reply.bytes.data(), reply.bytes.size())) return false;
  const std::string block(64 * 1024, 'x');
  for (size_t left = reply.filler; left > 0 && !stop_;) {
    const size_t n = std::min(left, block.size());
    if (!SendAll(fd, block.data(), n)) return false;
    left -= n;
  }
  return true;
}

TRefusingPort::TRefusingPort() { fd_ = BindLoopback(port_); }

TRefusingPort::~TRefusingPort() { ::close(fd_); }

TUnansweredPort::TUnansweredPort() {
  fd_ = BindLoopback(port_);
  // A backlog of 0 holds one connection; the ones after it wait for room.
  if (::listen(fd_, 0) != 0) throw std::runtime_error("listen failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port_));
  for (int i = 0; i < 3; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) continue;
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fillers_.push_back(fd);
  }
}

TUnansweredPort::~TUnansweredPort() {
  for (int fd : fillers_) ::close(fd);
  ::close(fd_);
}

}  // namespace aerovell::testing
