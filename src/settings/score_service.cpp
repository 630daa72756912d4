#include "settings/score_service.h"

#ifndef AEROVELL_SCORE_HOST
#define AEROVELL_SCORE_HOST "localhost:8642"
#endif

namespace aerovell {
namespace {

constexpr size_t kMaxScoreHostLength = 255;

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsHostName(std::string_view host) {
  if (host.empty() || host.front() == '.' || host.front() == '-' || host.back() == '-') return false;
  char previous = 0;
  for (char c : host) {
    if (!IsAsciiAlnum(c) && c != '-' && c != '.') return false;
    if (c == '.' && previous == '.') return false;
    previous = c;
  }
  return true;
}

bool IsBracketedIpv6(std::string_view host) {
  if (host.size() < 4 || host.front() != '[' || host.back() != ']') return false;
  int colons = 0;
  for (char c : host.substr(1, host.size() - 2)) {
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (c == ':') ++colons;
    else if (!hex && c != '.') return false;
  }
  return colons >= 2;
}

}  // namespace

std::string ScoreServiceHost() { return AEROVELL_SCORE_HOST; }

std::string ScoreServiceUrl(const std::string& host, std::string_view query) {
  return "http://" + host + "/cgi/version.pl?" + std::string(query);
}

std::optional<std::string> CheckScoreHost(std::string_view value, std::string& reason) {
  reason.clear();
  if (value.size() > kMaxScoreHostLength) {
    reason = "longer than " + std::to_string(kMaxScoreHostLength) + " characters";
    return std::nullopt;
  }
  const size_t colon = value.rfind(':');
  if (colon == std::string_view::npos || (value.front() == '[' && value[colon - 1] != ']')) {
    reason = "no port: give host:port, for example scores.example.org:8642";
    return std::nullopt;
  }
  const std::string_view host = value.substr(0, colon);
  const std::string_view port = value.substr(colon + 1);
  if (!IsHostName(host) && !IsBracketedIpv6(host)) {
    reason = "the host may hold only letters, digits, '-' and '.' (an IPv6 address in brackets)";
    return std::nullopt;
  }
  int number = 0;
  for (char c : port) {
    if (c < '0' || c > '9' || number > 65535) {
      number = -1;
      break;
    }
    number = number * 10 + (c - '0');
  }
  if (port.empty() || port.size() > 5 || number < 1 || number > 65535) {
    reason = "the port must be a number from 1 to 65535";
    return std::nullopt;
  }
  return std::string(value);
}

}  // namespace aerovell
