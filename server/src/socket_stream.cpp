#include "socket_stream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace aerovell::scores {
namespace {

void AddressText(const sockaddr_storage& address, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    port = ntohs(v4.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    port = ntohs(v6.sin6_port);
  }
  ip = text;
}

}  // namespace

BoundedSocketStream::BoundedSocketStream(int fd, std::chrono::milliseconds read_timeout,
                                         std::chrono::milliseconds write_timeout)
    : fd_(fd), read_timeout_(read_timeout), write_timeout_(write_timeout) {}

void BoundedSocketStream::StartRequest(size_t budget, std::chrono::milliseconds request_time) {
  budget_ = budget;
  deadline_ = Clock::now() + request_time;
}

bool BoundedSocketStream::AwaitRequest(std::chrono::milliseconds wait) const {
  return buffered_begin_ < buffered_end_ || Poll(POLLIN, wait);
}

bool BoundedSocketStream::Poll(short events, std::chrono::milliseconds wait) const {
  pollfd p{fd_, events, 0};
  int rc;
  do {
    rc = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(0, wait.count())));
  } while (rc < 0 && errno == EINTR);
  return rc > 0 && (p.revents & (events | POLLHUP | POLLERR));
}

bool BoundedSocketStream::is_readable() const {
  if (buffered_begin_ < buffered_end_) return true;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
  if (left.count() <= 0) return false;
  return Poll(POLLIN, std::min(read_timeout_, left));
}

bool BoundedSocketStream::is_writable() const { return Poll(POLLOUT, write_timeout_); }

ssize_t BoundedSocketStream::read(char* ptr, size_t size) {
  if (budget_ == 0 || size == 0) return -1;
  if (buffered_begin_ == buffered_end_) {
    if (!is_readable()) return -1;
    ssize_t n;
    do {
      n = ::recv(fd_, buffer_.data(), buffer_.size(), 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return n;
    buffered_begin_ = 0;
    buffered_end_ = static_cast<size_t>(n);
  }
  const size_t n = std::min({size, buffered_end_ - buffered_begin_, budget_});
  std::memcpy(ptr, buffer_.data() + buffered_begin_, n);
  buffered_begin_ += n;
  budget_ -= n;
  return static_cast<ssize_t>(n);
}

ssize_t BoundedSocketStream::write(const char* ptr, size_t size) {
  if (!is_writable()) return -1;
  ssize_t n;
  do {
    n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n;
}

void BoundedSocketStream::get_remote_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getpeername(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) AddressText(address, ip, port);
}

void BoundedSocketStream::get_local_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) AddressText(address, ip, port);
}

}  // namespace aerovell::scores
