#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "online/cookie_store.h"
#include "online/http_error.h"

namespace aerovell {

// The game's HTTP client: plain HTTP/1.1 GET, on the calling thread, one
// request at a time. What goes on the wire is the game's own fixed request;
// libcurl carries it (connection, name resolution, time-outs, reading the
// answer's framing) and keeps the connection for the next request unless the
// server closes it. Cookies the answers set go back to the same host.
// Redirects are never followed. libcurl itself is loaded with the first
// request, not with the game: a missing libcurl is then a failed request.
class THTTPClient {
 public:
  static constexpr std::chrono::milliseconds kDefaultConnectTimeout{5000};
  static constexpr std::chrono::milliseconds kDefaultRequestTimeout{10000};
  static constexpr size_t kMaxBodyBytes = 1024 * 1024;

  // `request_timeout` bounds a whole request, connecting included.
  explicit THTTPClient(std::chrono::milliseconds connect_timeout = kDefaultConnectTimeout,
                       std::chrono::milliseconds request_timeout = kDefaultRequestTimeout);
  ~THTTPClient();
  THTTPClient(const THTTPClient&) = delete;
  THTTPClient& operator=(const THTTPClient&) = delete;

  using Deadline = std::chrono::steady_clock::time_point;

  // The body of a 2xx answer, its bytes unchanged. Throws EHTTPProtocolError
  // for any other status, a Location header or an informational status other
  // than 100, and EHTTPError for every other failure.
  std::string Get(const std::string& url);
  // The same, given up at `deadline` too when that comes before the request's
  // own time-out: several requests that together must not take longer than
  // one share a deadline. Past it, fails at once without a request.
  std::string Get(const std::string& url, Deadline deadline);

  // A POST of `body` (application/octet-stream), answered as Get answers.
  std::string Post(const std::string& url, const std::string& body, Deadline deadline);

  std::chrono::milliseconds RequestTimeout() const { return request_timeout_; }

  // An offline client sends nothing: every request fails at once, as one to
  // a host that refuses the connection does. For runs that must play the same
  // on every machine and reach no service they were not pointed at.
  void SetOffline(bool offline) { offline_ = offline; }

 private:
  struct Curl;

  void Open();
  std::string Request(const std::string& url, Deadline deadline, const std::string* body);

  std::chrono::milliseconds connect_timeout_;
  std::chrono::milliseconds request_timeout_;
  std::unique_ptr<Curl> curl_;
  TCookieStore cookies_;
  bool offline_ = false;
};

}  // namespace aerovell
