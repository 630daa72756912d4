#include "client_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <array>
#include <cstring>

namespace aerovell::scores {
namespace {

constexpr std::array<uint8_t, 12> kMappedPrefix = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};

std::string V4Text(const void* bytes) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, bytes, text, sizeof text);
  return text;
}

std::string V6Text(const in6_addr& address) {
  if (std::memcmp(address.s6_addr, kMappedPrefix.data(), kMappedPrefix.size()) == 0)
    return V4Text(address.s6_addr + 12);
  char text[INET6_ADDRSTRLEN] = {};
  inet_ntop(AF_INET6, &address, text, sizeof text);
  return text;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<std::string> NormalAddress(std::string_view text) {
  if (text.empty() || text.size() >= INET6_ADDRSTRLEN) return std::nullopt;
  const std::string copy(text);  // inet_pton wants the end marked
  in_addr v4{};
  if (inet_pton(AF_INET, copy.c_str(), &v4) == 1) return V4Text(&v4);
  in6_addr v6{};
  if (inet_pton(AF_INET6, copy.c_str(), &v6) == 1) return V6Text(v6);
  return std::nullopt;
}

std::string PeerAddress(const sockaddr* address) {
  if (address && address->sa_family == AF_INET) return V4Text(&reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
  if (address && address->sa_family == AF_INET6)
    return V6Text(reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr);
  return "-";
}

std::string ClientKey(std::string_view address) {
  const std::string text(address);
  in6_addr v6{};
  if (text.find(':') == std::string::npos || inet_pton(AF_INET6, text.c_str(), &v6) != 1) return text;
  if (std::memcmp(v6.s6_addr, kMappedPrefix.data(), kMappedPrefix.size()) == 0) return V4Text(v6.s6_addr + 12);
  std::memset(v6.s6_addr + 8, 0, 8);
  return V6Text(v6) + "/64";
}

std::optional<std::string> ForwardedClient(std::string_view x_forwarded_for) {
  const size_t comma = x_forwarded_for.rfind(',');
  const std::string_view last = comma == std::string_view::npos ? x_forwarded_for : x_forwarded_for.substr(comma + 1);
  return NormalAddress(Trimmed(last));
}

}  // namespace aerovell::scores
