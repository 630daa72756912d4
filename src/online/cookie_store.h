#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace aerovell {

// The cookies servers have set, filed under the host of the request that got
// them, kept for the life of the client and sent back on later requests to
// that host (whatever the port). A cookie is its "name=value"; a later one of
// the same name replaces it, and one with a Max-Age of 0 or less removes it.
// Everything is bounded, as the values come from the network.
class TCookieStore {
 public:
  static constexpr size_t kMaxHosts = 16;
  static constexpr size_t kMaxCookiesPerHost = 32;
  static constexpr size_t kMaxCookieLength = 4096;

  // Takes the value of a "Set-cookie" or "Set-cookie2" header.
  void Store(std::string_view host, std::string_view set_cookie);
  // The value of the "Cookie" header for a request to `host`: the cookies in
  // the order they were first set, joined with "; "; empty when there are none.
  std::string CookieHeader(std::string_view host) const;

 private:
  struct Cookie {
    std::string name;
    std::string pair;  // "name=value" as the server wrote it
  };
  struct Host {
    std::string name;  // lower case
    std::vector<Cookie> cookies;
  };

  Host* Find(std::string_view host);
  const Host* Find(std::string_view host) const;

  std::vector<Host> hosts_;  // oldest first
};

}  // namespace aerovell
