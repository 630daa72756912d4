#include "online/http_url.h"

#include <algorithm>

#include "online/http_error.h"
#include "platform/ascii_case.h"

namespace aerovell {

namespace {

bool IsHostNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
}

bool IsIpv6LiteralChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

// Host names and bracketed IPv6 literals only: anything else (user names,
// spaces, percent signs) would make the address libcurl connects to say
// something other than what the Host header says.
bool IsValidHost(std::string_view host) {
  if (host.empty()) return false;
  if (host.front() == '[') {
    return host.size() > 2 && host.back() == ']' && std::all_of(host.begin() + 1, host.end() - 1, IsIpv6LiteralChar);
  }
  return std::all_of(host.begin(), host.end(), IsHostNameChar);
}

int ParsePort(std::string_view text, std::string_view url) {
  if (text.empty() || text.size() > 5 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    throw EHTTPError("Invalid port in URL: " + std::string(url));
  int port = 0;
  for (char c : text) port = port * 10 + (c - '0');
  if (port < 1 || port > 65535) throw EHTTPError("Invalid port in URL: " + std::string(url));
  return port;
}

}  // namespace

std::string THTTPUrl::HostHeader() const { return port == 80 ? host : host + ":" + std::to_string(port); }

std::string THTTPUrl::ConnectUrl() const { return "http://" + host + ":" + std::to_string(port) + "/"; }

THTTPUrl SplitUrl(std::string_view written) {
  std::string url(written);
  std::replace(url.begin(), url.end(), '\\', '/');
  std::string_view rest = url;

  if (const size_t sep = rest.find("://"); sep != std::string_view::npos) {
    if (!EqualsIgnoringAsciiCase(rest.substr(0, sep), "http"))
      throw EHTTPError("Unsupported URL scheme: " + std::string(rest.substr(0, sep)));
    rest.remove_prefix(sep + 3);
  }

  // The host and port end where the target begins. A query straight after the
  // host ("host?x") still starts the target, with "/" as its path.
  const size_t target_at = std::min(rest.find('/'), rest.find('?'));
  std::string_view authority = rest.substr(0, target_at);
  std::string_view target = target_at == std::string_view::npos ? std::string_view() : rest.substr(target_at);

  THTTPUrl out;
  const size_t bracket = authority.rfind(']');
  const size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    out.port = ParsePort(authority.substr(colon + 1), written);
    authority = authority.substr(0, colon);
  }
  if (!IsValidHost(authority)) throw EHTTPError("Invalid host in URL: " + std::string(written));
  out.host = authority;

  // Line ends or other control bytes in the target would end the request line
  // early and let the URL write headers of its own.
  if (std::any_of(target.begin(), target.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    throw EHTTPError("Control character in URL");
  // A request line needs a target; an empty path is the root.
  out.target = target.empty() || target.front() != '/' ? "/" + std::string(target) : std::string(target);
  return out;
}

}  // namespace aerovell
